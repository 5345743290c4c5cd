// The message table as the setup keeps its texts: code page 1252 bytes,
// whatever the system's code page (engine_tests_messages_cp932 runs these
// on a Japanese one).
#include "common/messages.h"

#include <gtest/gtest.h>

#include "common/ansi_path.h"
#include "common/windows_version.h"
#include "rules/text_rules.h"
#include "support/scratch.h"

namespace {

TEST(Messages, GermanTextsComeBackInCodePage1252) {
  EXPECT_EQ(LoadMessage(IDS_QUIT_BUTTON), "&Beenden");
  EXPECT_EQ(LoadMessage(IDS_FINISH_BUTTON), "&Fertig stellen");
  EXPECT_EQ(LoadMessage(IDS_QUIT_QUESTION), "Installation beenden?");
  EXPECT_EQ(LoadMessage(IDS_CAPTION), "Pellumara 64-bit Installation");
  EXPECT_EQ(LoadMessage(IDS_INVALID_FOLDER), "Ung\xFCltiges Zielverzeichnis!");
  EXPECT_EQ(LoadMessage(IDS_TARGET_FOLDER_LABEL), "Zielverzeichnis");
  EXPECT_EQ(LoadMessage(IDS_INSTALL_FAILED),
            "Fehler beim Installieren!\n\n\xDC" "berpr\xFC" "fen Sie bitte ob Pellumara l\xE4uft, "
            "das Zielverzeichnis voll ist oder keine Schreibrechte vorhanden sind!");
  EXPECT_EQ(LoadMessage(IDS_TARGET_FOLDER_PROMPT), "Zielverzeichnis:");
  EXPECT_EQ(LoadMessage(IDS_CONFIRM_ASSOCIATIONS),
            "Sie m\xF6" "chten die aktuellen Verkn\xFCpfungen \xE4ndern und einen oder mehrere "
            "Dateitypen mit Pellumara verkn\xFCpfen!\n\nSind Sie sicher!?");
  EXPECT_EQ(LoadMessage(IDS_VIEWER_RUNNING),
            "Warnung: Pellumara l\xE4uft!\nBeenden Sie bitte Pellumara bevor Sie mit der "
            "Installation fortsetzen!");
  EXPECT_EQ(LoadMessage(IDS_CANNOT_CREATE_FOLDER),
            "Kann Zielverzeichnis nicht erstellen!\n\nBitte \xFC" "berpr\xFC" "fen Sie Ihre "
            "Schreibrechte und System-Policies!\n\nVersuchen Sie das Zielverzeichnis zuerst "
            "h\xE4ndisch zu erstellen.");
  EXPECT_EQ(LoadMessage(IDS_REGISTRATION_INCOMPLETE),
            "Pellumara wurde installiert, aber die Registrierung ist unvollst\xE4ndig "
            "(fehlgeschlagene Eintr\xE4ge: %d).");
  EXPECT_EQ(LoadMessage(IDS_RESTART_REQUIRED),
            "Pellumara wurde installiert. Einige Dateien sind gerade in Gebrauch und werden beim "
            "n\xE4" "chsten Neustart von Windows ersetzt.\n\nBitte starten Sie Windows neu, um "
            "die Installation abzuschlie\xDF" "en.");
}

TEST(Messages, UnknownIdIsEmpty) { EXPECT_EQ(LoadMessage(99), ""); }

// A German text beside a name in the system's code page: on the screen each
// part reads as itself, in the log the bytes stay as they were joined.
TEST(Messages, ShownTextConvertsEachPartFromItsOwnCodePage) {
  const std::wstring folder = GetACP() == 1252 ? L"C:\\\u00C4pfel" : L"C:\\\u65E5\u672C";
  std::string ansi_folder;
  ASSERT_TRUE(ExactAnsiOf(folder, &ansi_folder));
  ShownText text;
  text.Own("Ung\xFCltig: ").Name(ansi_folder);
  EXPECT_EQ(text.wide(), L"Ung\u00FCltig: " + folder);
  EXPECT_EQ(text.bytes(), "Ung\xFCltig: " + ansi_folder);

  // A message naming a folder and, in its own words, an owner.
  const char own[] = "Der Ordner %s geh\xF6rt %s.";
  const ShownText filled =
      FillShown(own, "%s", {NameShown(ansi_folder), ShownText().Own("\xFC" "ber")});
  EXPECT_EQ(filled.wide(), L"Der Ordner " + folder + L" geh\u00F6rt \u00FCber.");
  EXPECT_EQ(filled.bytes(), FillPlaceholders(own, "%s", {ansi_folder, "\xFC" "ber"}));
}

TEST(WindowsVersion, ComparesMajorThenMinor) {
  EXPECT_TRUE(IsWindowsVersionAtLeast(5, 1, 0));
  EXPECT_TRUE(IsWindowsVersionAtLeast(6, 0, 0));
  EXPECT_TRUE(IsWindowsVersionAtLeast(4, 99, 0));
  EXPECT_FALSE(IsWindowsVersionAtLeast(99, 0, 0));
}

// Where the code page lacks a character, Windows' own conversion puts a
// look-alike in its place; the setup's conversion never does.
TEST(AnsiPath, ALookAlikeIsNeverTheAnswer) {
  std::string ansi = "unchanged";
  EXPECT_FALSE(ExactAnsiOf(L"\u015eahin", &ansi));
  EXPECT_FALSE(ExactAnsiOf(L"a\uff3c..\uff3cx", &ansi));
  EXPECT_EQ(ansi, "unchanged");
  EXPECT_EQ(TextOf(L"\u015eahin\uff3c", CP_ACP), "?ahin?");
  ASSERT_TRUE(ExactAnsiOf(L"f\u00fcr", &ansi));
  EXPECT_EQ(ansi, "f\xfcr");

  // A surrogate pair is one character, and each byte knows its own.
  const AnsiShadow shadow = AnsiShadowOf(L"/a=\u015e \U0001F600x\u00fc");
  EXPECT_EQ(shadow.text, "/a=? ?x\xfc");
  EXPECT_TRUE(shadow.Inexact(3, 4));
  EXPECT_FALSE(shadow.Inexact(4, 5));
  EXPECT_EQ(shadow.wide_at[6], 7u);
  EXPECT_EQ(shadow.wide_at[8], 9u);

  // A level that exists answers by its short name, a new one must be exact.
  ScratchFolder scratch("ansi-path");
  const std::wstring sahin = WideOf(scratch.path(), CP_ACP) + L"\\\u015eahin";
  ASSERT_TRUE(CreateDirectoryW(sahin.c_str(), nullptr));
  ASSERT_TRUE(AnsiPathOf((sahin + L"\\Neu\\Pellumara").c_str(), &ansi));
  const std::string tail = "\\Neu\\Pellumara";
  ASSERT_GT(ansi.size(), tail.size());
  EXPECT_EQ(ansi.substr(ansi.size() - tail.size()), tail);
  wchar_t long_name[MAX_PATH] = L"";
  ASSERT_NE(GetLongPathNameW(WideOf(ansi.substr(0, ansi.size() - tail.size()), CP_ACP).c_str(),
                             long_name, MAX_PATH),
            0u);
  EXPECT_EQ(std::wstring(long_name), sahin);
  EXPECT_FALSE(AnsiPathOf((sahin + L"\\\u0141og\\x").c_str(), &ansi));
  RemoveDirectoryW(sahin.c_str());
}

// Windows' conversion as its documentation says it answers, which Wine does
// not enforce: under UTF-8 (and GB18030) it fails the whole call with any
// flag but WC_ERR_INVALID_CHARS or with a lost-character flag to set.
int __stdcall ConvertAsWindowsDoes(UINT code_page, DWORD flags, LPCWCH wide, int wide_size,
                                   LPSTR out, int out_size, LPCCH default_char, LPBOOL lost) {
  const UINT actual = code_page == CP_ACP ? GetACP() : code_page;
  const bool takes_every_character = actual == CP_UTF8 || actual == 54936;
  if (takes_every_character &&
      ((flags & ~WC_ERR_INVALID_CHARS) != 0 || default_char != nullptr || lost != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!takes_every_character && (flags & WC_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  return WideCharToMultiByte(code_page, flags, wide, wide_size, out, out_size, default_char, lost);
}

// Run under 1252, 932 and 65001 (the UTF-8 code page): each gets the call
// Windows takes there, and a name in the code page's script is exact.
TEST(AnsiPath, EachCodePageIsAskedAsWindowsAllowsIt) {
  SetWideToMultiByteForTests(ConvertAsWindowsDoes);
  std::string ansi;
  const AnsiShadow shadow = AnsiShadowOf(L"/silent /folder=C:\\\u30bd\u015e");
  EXPECT_EQ(shadow.text.substr(0, 7), "/silent");
  switch (GetACP()) {
    case CP_UTF8:
      ASSERT_TRUE(ExactAnsiOf(L"C:\\\u30d5\u30ea\u30fc\\\u015eahin", &ansi));
      EXPECT_EQ(ansi, "C:\\\xE3\x83\x95\xE3\x83\xAA\xE3\x83\xBC\\\xC5\x9E" "ahin");
      EXPECT_FALSE(shadow.Inexact(0, shadow.text.size()));
      EXPECT_EQ(TextOf(L"\u015e", CP_ACP), "\xC5\x9E");
      // Invalid UTF-16, a lone surrogate, has no form at all.
      EXPECT_FALSE(ExactAnsiOf(std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b", &ansi));
      break;
    case 932:
      ASSERT_TRUE(ExactAnsiOf(L"\u30bd\u8868", &ansi));
      EXPECT_EQ(ansi, "\x83\x5C\x95\x5C");
      EXPECT_FALSE(ExactAnsiOf(L"\u015eahin", &ansi));
      EXPECT_TRUE(shadow.Inexact(shadow.text.size() - 1, shadow.text.size()));
      break;
    default:
      ASSERT_TRUE(ExactAnsiOf(L"f\u00fcr", &ansi));
      EXPECT_EQ(ansi, "f\xFCr");
      EXPECT_FALSE(ExactAnsiOf(L"\u015eahin", &ansi));
      break;
  }
  SetWideToMultiByteForTests(nullptr);
}

}  // namespace

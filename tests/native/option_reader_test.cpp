#include "rules/option_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "code_page_samples.h"

namespace {

const char kProgram[] = "\"C:\\Downloads\\pellumara64-setup.exe\" ";

InstallOptions Read(const std::string& options) {
  std::string raw = kProgram + options;
  char command_line[kCommandLineSize];
  CopyCommandLine(raw.c_str(), command_line);
  InstallOptions result;
  std::strcpy(result.target_folder, "C:\\Proposed\\");
  ApplyCommandLineOptions(command_line, result);
  return result;
}

int MarkedCount(const InstallOptions& options) {
  int count = 0;
  for (int mark : options.association_marks) count += mark != 0;
  return count;
}

std::string ValueOf(const std::string& command_line, const char* name) {
  auto value = std::make_unique<char[]>(kPathSize);  // exact size for the sanitizers
  if (!ReadOptionValue(command_line.c_str(), name, value.get())) return "<absent>";
  return value.get();
}

TEST(ReadOptionValue, ValueRunsToTheNextSlash) {
  EXPECT_EQ(ValueOf("x /desktop=1 /group=1", "/desktop="), "1 ");
  EXPECT_EQ(ValueOf("x /folder=/group=1", "/folder="), "");
  EXPECT_EQ(ValueOf("x /folder=C:\\a b\\c", "/folder="), "C:\\a b\\c");
  EXPECT_EQ(ValueOf("x /folder=C:/Tools/x", "/folder="), "C:");
  EXPECT_EQ(ValueOf("x /group=1", "/folder="), "<absent>");
  EXPECT_EQ(ValueOf("x /Folder=C:\\a", "/folder="), "<absent>");
}

TEST(ReadOptionValue, FirstOccurrenceCounts) {
  EXPECT_EQ(ValueOf("x /group=2 /group=1", "/group="), "2 ");
}

TEST(ReadOptionValue, ValueStopsAt260FromTheName) {
  std::string line = "x /folder=" + std::string(400, 'a');
  EXPECT_EQ(ValueOf(line, "/folder="), std::string(252, 'a'));
  line = "x /ini=" + std::string(400, 'b');
  EXPECT_EQ(ValueOf(line, "/ini="), std::string(255, 'b'));
  line = "x /folder=" + std::string(252, 'a');
  EXPECT_EQ(ValueOf(line, "/folder="), std::string(252, 'a'));
  line = "x /folder=" + std::string(251, 'a');
  EXPECT_EQ(ValueOf(line, "/folder="), std::string(251, 'a'));
}

TEST(CopyCommandLine, CutsAt519Characters) {
  char out[kCommandLineSize];
  std::string raw(600, 'z');
  CopyCommandLine(raw.c_str(), out);
  EXPECT_EQ(std::strlen(out), 519u);
  std::string exact(519, 'y');
  CopyCommandLine(exact.c_str(), out);
  EXPECT_EQ(std::string(out), exact);

  // A value beyond the cut is not seen: here the "1" is the 520th character.
  std::string line = std::string(512, ' ') + "/group=1";
  InstallOptions options;
  CopyCommandLine(line.c_str(), out);
  ApplyCommandLineOptions(out, options);
  EXPECT_EQ(options.start_menu_shortcut, 0);
  line = std::string(511, ' ') + "/group=1";
  CopyCommandLine(line.c_str(), out);
  ApplyCommandLineOptions(out, options);
  EXPECT_EQ(options.start_menu_shortcut, 1);
}

TEST(ApplyCommandLineOptions, NoOptionsKeepsDefaults) {
  InstallOptions options = Read("/silent");
  EXPECT_STREQ(options.target_folder, "C:\\Proposed\\");
  EXPECT_EQ(options.start_menu_shortcut, 0);
  EXPECT_EQ(options.desktop_shortcut, 0);
  EXPECT_EQ(options.thumbnails_shortcut, 0);
  EXPECT_EQ(options.all_users, 0);
  EXPECT_STREQ(options.ini_folder, "");
  EXPECT_EQ(options.associate, 0);
  EXPECT_EQ(MarkedCount(options), 0);
}

TEST(ApplyCommandLineOptions, ReadsEveryOption) {
  InstallOptions options = Read(
      "/silent /ini=%APPDATA%\\Pellumara /allusers=1 /assoc=1 /thumbs=1 /desktop=5 /group=1 "
      "/folder=\"C:\\Program Files\\Pellumara\" ");
  EXPECT_STREQ(options.target_folder, "C:\\Program Files\\Pellumara");
  EXPECT_EQ(options.desktop_shortcut, 5);
  EXPECT_EQ(options.thumbnails_shortcut, 1);
  EXPECT_EQ(options.start_menu_shortcut, 1);
  EXPECT_EQ(options.all_users, 1);
  EXPECT_STREQ(options.ini_folder, "%APPDATA%\\Pellumara");
  EXPECT_EQ(options.associate, 1);
}

TEST(ApplyCommandLineOptions, EmptyValues) {
  InstallOptions options = Read("/silent /desktop=/group=1 /folder=/thumbs=1");
  EXPECT_EQ(options.desktop_shortcut, 0);
  EXPECT_EQ(options.start_menu_shortcut, 1);
  EXPECT_STREQ(options.target_folder, "");  // an empty /folder= replaces the proposal
  EXPECT_EQ(options.thumbnails_shortcut, 1);
}

TEST(ApplyCommandLineOptions, AssocSelections) {
  InstallOptions images = Read("/silent /assoc=1");
  EXPECT_EQ(images.associate, 1);
  EXPECT_EQ(MarkedCount(images), kImageFormatCount);
  EXPECT_EQ(images.association_marks[51], 1);
  EXPECT_EQ(images.association_marks[52], 0);

  InstallOptions all = Read("/silent /assoc=2");
  EXPECT_EQ(all.associate, 1);
  EXPECT_EQ(MarkedCount(all), kFormatCount);

  for (const char* other : {"/assoc=3", "/assoc=0", "/assoc=", "/assoc=-1", "/assoc=x"}) {
    InstallOptions ignored = Read(std::string("/silent ") + other);
    EXPECT_EQ(ignored.associate, 0) << other;
    EXPECT_EQ(MarkedCount(ignored), 0) << other;
  }
}

TEST(ApplyCommandLineOptions, NamesAreCaseSensitive) {
  InstallOptions options = Read("/silent /Folder=C:\\X /GROUP=1 /Desktop=1");
  EXPECT_STREQ(options.target_folder, "C:\\Proposed\\");
  EXPECT_EQ(options.start_menu_shortcut, 0);
  EXPECT_EQ(options.desktop_shortcut, 0);
}

TEST(ApplyCommandLineOptions, FolderCutAtSlash) {
  InstallOptions options = Read("/silent /folder=C:\\Tools\\Pe/llumara /group=1");
  EXPECT_STREQ(options.target_folder, "C:\\Tools\\Pe");
  EXPECT_EQ(options.start_menu_shortcut, 1);
}

TEST(ApplyCommandLineOptions, LongFolderIsBounded) {
  InstallOptions options = Read("/silent /folder=C:\\" + std::string(300, 'd'));
  EXPECT_EQ(std::strlen(options.target_folder), 252u);
}

bool IsCut(const std::string& options, const char* name) {
  std::string raw = kProgram + options;
  char command_line[kCommandLineSize];
  CopyCommandLine(raw.c_str(), command_line);
  return OptionValueIsCut(command_line, name, raw.size() >= kCommandLineSize);
}

TEST(OptionValueIsCut, AValueThatReachesTheReadersLimitMayBeCut) {
  EXPECT_TRUE(IsCut("/silent /folder=C:\\" + std::string(249, 'd'), kFolderOption));
  EXPECT_FALSE(IsCut("/silent /folder=C:\\" + std::string(248, 'd'), kFolderOption));
  EXPECT_TRUE(IsCut("/silent /ini=C:\\" + std::string(300, 'i') + " /group=1", kIniOption));
  EXPECT_FALSE(IsCut("/silent /ini=C:\\" + std::string(251, 'i') + "/group=1", kIniOption));
  EXPECT_FALSE(IsCut("/silent /group=1", kFolderOption));
}

TEST(OptionValueIsCut, AValueRunningIntoTheCutOfTheCommandLine) {
  const std::string before(400, ' ');
  // The line ends inside the value: what follows is lost.
  EXPECT_TRUE(IsCut(before + "/folder=C:\\" + std::string(150, 'e'), kFolderOption));
  // The value ends before the cut at a slash; the rest of the line is cut.
  EXPECT_FALSE(IsCut(before + "/folder=C:\\x/group=1" + std::string(150, ' '), kFolderOption));
  // A line that fits is not cut, whatever its end.
  EXPECT_FALSE(IsCut(before + "/folder=C:\\" + std::string(50, 'e'), kFolderOption));
}

// A value cut inside a character of two (932) or three (UTF-8) bytes names
// another folder than the one typed: the limit refuses it like any cut.
TEST(OptionValueIsCut, AValueCutInsideACharacterIsCut) {
  std::string japanese = "C:\\";
  while (japanese.size() < 260) japanese += samples::kHyo;
  EXPECT_TRUE(IsCut("/silent /folder=" + japanese, kFolderOption));
  std::string utf8 = "C:\\a";
  while (utf8.size() < 260) utf8 += samples::kHyoUtf8;
  EXPECT_TRUE(IsCut("/silent /ini=" + utf8, kIniOption));
  // The command line's cut at 519 bytes falls inside the 11th "表".
  EXPECT_TRUE(IsCut(std::string(450, ' ') + "/folder=" + japanese.substr(0, 40), kFolderOption));
}

std::vector<std::string> Unread(const std::string& command_line) {
  char copy[kCommandLineSize];
  CopyCommandLine(command_line.c_str(), copy);
  return UnreadCommandLineText(copy);
}

TEST(UnreadCommandLineText, TextNoOptionReadsIsListed) {
  using Texts = std::vector<std::string>;
  EXPECT_EQ(Unread(kProgram + std::string("/silent /folder=C:\\x /group=1 /log=C:\\l.txt")),
            Texts{});
  // Other letter case, a repeated option (the first one counts) and stray text.
  EXPECT_EQ(Unread(kProgram + std::string("/silent /S /group=1 /group=2 /Folder=x")),
            (Texts{"/S", "/group=2 /Folder=x"}));
  // The program path is no option, with or without quotes, /silent in it too;
  // a switch counts wherever it stands.
  EXPECT_EQ(Unread("C:/silent/setup.exe /silent -q /silent"), (Texts{"-q"}));
  // A value stops at 260 characters from its name: the rest is left over.
  EXPECT_EQ(Unread(kProgram + std::string("/silent /folder=") + std::string(260, 'f')),
            Texts{std::string(8, 'f')});
}

TEST(WantsUsageText, HelpWithoutSilentOnly) {
  EXPECT_TRUE(WantsUsageText("setup.exe /?"));
  EXPECT_TRUE(WantsUsageText("setup.exe /folder=C:\\x /help"));
  EXPECT_FALSE(WantsUsageText("setup.exe /silent /?"));
  EXPECT_FALSE(WantsUsageText("setup.exe /HELP"));
  EXPECT_FALSE(WantsUsageText("setup.exe"));
}

// "/" before a character the code page lacks reads as "/?" in the ANSI
// form: that "?" asks for nothing, the setup starts as typed.
TEST(ReadStartRequest, SlashBeforeACharacterTheCodePageLacksIsNoUsageSwitch) {
  const std::string line = "setup.exe /? /x";
  std::vector<bool> inexact(line.size(), false);
  inexact[11] = true;
  EXPECT_EQ(ReadStartRequest(line.c_str(), &inexact).mode, StartMode::kWizard);
  inexact[11] = false;
  inexact[14] = true;
  EXPECT_EQ(ReadStartRequest(line.c_str(), &inexact).mode, StartMode::kUsageText);
}

std::string FolderOf(const std::string& command,
                     const CodePageCharacters& characters = samples::Western()) {
  auto out = std::make_unique<char[]>(kPathSize);
  std::memset(out.get(), 'x', kPathSize);
  if (!FolderFromOpenCommand(command.c_str(), out.get(), characters)) {
    EXPECT_STREQ(out.get(), "");
    return "<none>";
  }
  return out.get();
}

TEST(FolderFromOpenCommand, TakesTheViewersFolder) {
  EXPECT_EQ(FolderOf("\"D:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\""), "D:\\Tools\\Pellumara\\");
  EXPECT_EQ(FolderOf("\"C:\\Program Files\\Pellumara\\p_mara64.exe\" \"%1\""),
            "C:\\Program Files\\Pellumara\\");
  EXPECT_EQ(FolderOf("\"C:\\p_mara64.exe\""), "C:\\");
  EXPECT_EQ(FolderOf("\"C:\\Tools/Pellumara/p_mara64.exe\""), "C:\\Tools/Pellumara/\\");
}

TEST(FolderFromOpenCommand, UnquotedCommandKeepsItsFirstCharacter) {
  EXPECT_EQ(FolderOf("D:\\Tools\\Pellumara\\p_mara64.exe \"%1\""), "D:\\Tools\\Pellumara\\");
  EXPECT_EQ(FolderOf("D:\\Tools\\Pellumara\\p_mara64.exe"), "D:\\Tools\\Pellumara\\");
}

TEST(FolderFromOpenCommand, RejectsOtherCommands) {
  EXPECT_EQ(FolderOf("\"D:\\Tools\\other.exe\" \"%1\""), "<none>");
  EXPECT_EQ(FolderOf("\"D:\\Tools\\P_MARA64.EXE\" \"%1\""), "<none>");
  EXPECT_EQ(FolderOf(""), "<none>");
  EXPECT_EQ(FolderOf("\"p_mara64.exe\" \"%1\""), "<none>");
}

// Only a command whose program is the viewer itself names its folder: not
// a file whose name starts with the viewer's, nor a command that merely
// names the viewer among its arguments.
TEST(FolderFromOpenCommand, TakesOnlyTheViewerAsTheProgram) {
  EXPECT_EQ(FolderOf("\"D:\\Tools\\p_mara64.exe.old\" \"%1\""), "<none>");
  EXPECT_EQ(FolderOf("D:\\Tools\\p_mara64.exe.old %1"), "<none>");
  EXPECT_EQ(FolderOf("\"D:\\Tools\\p_mara64.exe\"x \"%1\""), "<none>");
  EXPECT_EQ(FolderOf("\"D:\\Other\\view.exe\" \"D:\\P\\p_mara64.exe\""), "<none>");
  EXPECT_EQ(FolderOf("D:\\Other\\view.exe D:\\P\\p_mara64.exe"), "<none>");
  EXPECT_EQ(FolderOf("\"D:\\Tools\\xp_mara64.exe\""), "<none>");
  EXPECT_EQ(FolderOf("\"D:\\Tools\\p_mara64.exe\"\t%1"), "D:\\Tools\\");
}

// In 932 a folder ending in "ソ" (0x83 0x5C) keeps it, and the viewer's
// name must begin with a character: "\x83p" is one.
TEST(FolderFromOpenCommand, WalksTheCommandByCharacter) {
  const std::string folder = std::string("C:\\") + samples::kFurii + samples::kSo + "\\";
  EXPECT_EQ(FolderOf("\"" + folder + "p_mara64.exe\" \"%1\"", samples::Japanese()), folder);
  EXPECT_EQ(FolderOf("\"" + folder + "\x83p_mara64.exe\" \"%1\"", samples::Japanese()),
            "<none>");
}

TEST(FolderFromOpenCommand, IgnoresAFolderThatIsNotAbsolute) {
  EXPECT_EQ(FolderOf("\"C:p_mara64.exe\""), "<none>");
  EXPECT_EQ(FolderOf("\"Earlier\\p_mara64.exe\" \"%1\""), "<none>");
  EXPECT_EQ(FolderOf("\"%SystemDrive%\\Earlier\\p_mara64.exe\" \"%1\""), "<none>");
  EXPECT_EQ(FolderOf("\"\\\\server\\share\\p_mara64.exe\""), "\\\\server\\share\\");
}

TEST(FolderFromOpenCommand, LongPathStaysInBounds) {
  std::string folder = "C:\\" + std::string(240, 'f') + "\\";
  EXPECT_EQ(FolderOf("\"" + folder + "p_mara64.exe\" \"%1\""), folder);
  std::string too_long = "C:\\" + std::string(258, 'f') + "\\p_mara64.exe";
  EXPECT_EQ(FolderOf("\"" + too_long + "\""), "<none>");
  // 259 characters and the terminator fill a path buffer; 260 do not fit.
  std::string longest = "C:\\" + std::string(243, 'f') + "\\";
  EXPECT_EQ(FolderOf("\"" + longest + "p_mara64.exe\""), longest);
  EXPECT_EQ(FolderOf("\"" + longest + "fp_mara64.exe\""), "<none>");
}

}  // namespace

TEST(ReadStartRequest, TheModeTheLogAndTheFolderReadOnce) {
  const StartRequest silent = ReadStartRequest("setup.exe /silent /log=\"C:\\Logs\\p.log\" /S");
  EXPECT_EQ(silent.mode, StartMode::kSilent);
  EXPECT_TRUE(silent.log_asked);
  EXPECT_STREQ(silent.log_value, "C:\\Logs\\p.log");
  EXPECT_FALSE(silent.log_value_cut);
  EXPECT_FALSE(silent.folder_given);
  EXPECT_EQ(silent.unread, std::vector<std::string>{"/S"});
  const StartRequest cut = ReadStartRequest(("setup.exe /folder=C:\\" + std::string(600, 'a')).c_str());
  EXPECT_EQ(cut.mode, StartMode::kWizard);
  EXPECT_TRUE(cut.line_cut);
  EXPECT_TRUE(cut.folder_given);
  EXPECT_TRUE(cut.folder_value_cut);
  EXPECT_FALSE(cut.ini_value_cut);
  EXPECT_FALSE(cut.log_asked);
}

// The platform layer maps each value's place back to the characters
// Windows gave: the place must hold exactly the value as read.
TEST(ReadStartRequest, EachFolderValuesPlaceHoldsTheValueAsRead) {
  const StartRequest request =
      ReadStartRequest("setup.exe /silent /log=\"C:\\L g\\p.log\" /folder=\"C:\\A B\"  "
                       "/ini= C:\\Ini \" /x");
  const std::string line = request.command_line;
  auto at = [&line](const ValueSpan& span) {
    return line.substr(span.begin, span.end - span.begin);
  };
  EXPECT_EQ(at(request.log_span), request.log_value);
  EXPECT_EQ(at(request.folder_span), request.options.target_folder);
  EXPECT_EQ(at(request.ini_span), request.options.ini_folder);
  EXPECT_EQ(at(request.ini_span), " C:\\Ini");
}

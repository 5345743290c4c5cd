// The message table as LoadStringA returns it: code page 1252 bytes.
#include "common/messages.h"

#include <gtest/gtest.h>

#include "common/windows_version.h"

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

TEST(WindowsVersion, ComparesMajorThenMinor) {
  EXPECT_TRUE(IsWindowsVersionAtLeast(5, 1, 0));
  EXPECT_TRUE(IsWindowsVersionAtLeast(6, 0, 0));
  EXPECT_TRUE(IsWindowsVersionAtLeast(4, 99, 0));
  EXPECT_FALSE(IsWindowsVersionAtLeast(99, 0, 0));
}

}  // namespace

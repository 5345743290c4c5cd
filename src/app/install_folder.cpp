#include "app/install_folder.h"

#include <windows.h>

#include "app/install_options.h"
#include "rules/option_reader.h"
#include "rules/text_rules.h"

int FindPreviousInstallFolder(char* out) {
  out[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return 0;
  }
  // One byte more than the value may fill, so that a value of 260 bytes
  // without a terminator still reads as a terminated string.
  char command[kPathSize + 1] = "";
  DWORD size = kPathSize;
  RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(command), &size);
  RegCloseKey(key);
  if (command[0] == '\0') return 0;
  return FolderFromOpenCommand(command, out) ? 1 : 0;
}

int DefaultInstallFolder(char* out) {
  CopyBounded(out, kPathSize, "C:\\Pellumara\\");
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return 1;
  }
  char program_files[kPathSize + 1] = "";
  DWORD size = kPathSize;
  LONG read = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(program_files), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || program_files[0] == '\0') return 1;

  char proposed[kPathSize];
  if (!CopyBounded(proposed, sizeof proposed, program_files)) return 1;
  AppendBackslash(proposed);
  // A Program Files path too long for the folder keeps the fallback.
  if (AppendBounded(proposed, sizeof proposed, "Pellumara")) CopyBounded(out, kPathSize, proposed);
  return 1;
}

void ProposeTargetFolder(char* out) {
  if (!FindPreviousInstallFolder(out)) DefaultInstallFolder(out);
}

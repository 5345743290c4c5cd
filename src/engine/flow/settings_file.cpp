#include "engine/flow/settings_file.h"

#include <windows.h>

#include <string>

#include "common/run_log.h"
#include "common/scoped_win.h"
#include "files/checked_files.h"
#include "files/file_identity.h"
#include "files/folder_security.h"
#include "files/held_folders.h"
#include "rules/folder_trust_rules.h"

namespace {

std::string ReadAll(HANDLE file) {
  std::string bytes;
  char piece[4096];
  DWORD read = 0;
  while (ReadFile(file, piece, sizeof piece, &read, nullptr) && read > 0) bytes.append(piece, read);
  return bytes;
}

// What the settings file at file holds, into bytes, when it is a real file
// that may be read. False, noted in the run log, when it stands there but
// cannot be read.
bool ReadExisting(CheckedFolder& folder, const std::string& file, const SettingsJudge& judge,
                  std::string* bytes) {
  std::string what;
  DWORD error = ERROR_SUCCESS;
  if (ScopedHandle existing = folder.OpenExisting(kSettingsFileName, GENERIC_READ, FILE_SHARE_READ,
                                                  &what, &error)) {
    // Judged through the very handle it would be read from; an owner that
    // cannot be read counts as someone else.
    FolderSecurity security;
    if (judge.reader != nullptr) judge.reader->ReadItem(existing.Get(), file, &security);
    if (judge.reader != nullptr &&
        (!security.read || !IsTrustedOwner(security.owner_sid, judge.running_user))) {
      const std::string owner =
          security.read ? security.owner_sid : std::string("an owner that cannot be read");
      TheRunLog().Note("settings file " + file + " belongs to " + owner +
                       ": not read, none of its keys are carried over");
    } else {
      *bytes = ReadAll(existing.Get());
    }
    return true;
  }
  if (!what.empty()) {
    TheRunLog().Note("settings file " + file + " is " + what +
                     ": replaced by a file of the setup's own, not written through");
    return true;
  }
  if (error == ERROR_FILE_NOT_FOUND) return true;
  TheRunLog().NoteFailure("settings file not written: it cannot be read: " + file, error);
  return false;
}

}  // namespace

bool WorkFolder::Make() {
  // Only SYSTEM, Administrators and the folder's owner may enter it:
  // nobody else can put a link in the profile functions' way there.
  if (!folder_.Make()) return false;
  TheRunLog().Note("settings work folder: " + folder_.path());
  file_ = folder_.path() + "\\" + kSettingsFileName;
  return true;
}

WorkFolder::~WorkFolder() {
  if (folder_.held()) DeleteRealFileIn(folder_.held(), kSettingsFileName);
}

const char* WorkFolder::FileWith(const std::string& bytes) {
  ScopedHandle file(CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                          nullptr)) {
    return "";
  }
  return file_.c_str();
}

std::string WorkFolder::Bytes() const {
  ScopedHandle file(CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return file ? ReadAll(file.Get()) : std::string();
}

void WriteSetting(const char* section, const char* key, const char* value, const char* work_file,
                  const std::string& file, bool& written) {
  if (!WritePrivateProfileStringA(section, key, value, work_file)) {
    TheRunLog().NoteFailure("settings file " + file + ": cannot write [" + section + "] " + key,
                            GetLastError());
    written = false;
  }
}

bool EditSettingsFile(const std::string& folder_path, WorkFolder& work, const SettingsJudge& judge,
                      const SettingsEdit& edit) {
  const std::string file = folder_path + kSettingsFileName;
  CheckedFolder folder;
  DWORD error = ERROR_SUCCESS;
  if (!folder.Hold(folder_path, &error)) {
    TheRunLog().NoteFailure("settings file not written: its folder cannot be held: " + file,
                            error);
    return false;
  }
  std::string bytes;
  if (!ReadExisting(folder, file, judge, &bytes)) return false;
  const char* work_file = work.FileWith(bytes);
  if (work_file[0] == '\0') {
    TheRunLog().NoteFailure("settings file not written: no work file: " + file, GetLastError());
    return false;
  }
  bool written = true;
  const std::string done = edit(work_file, file, written);
  if (!ReplaceFileWith(folder, kSettingsFileName, work.Bytes(), &error)) {
    TheRunLog().NoteFailure("settings file not written: " + file, error);
    return false;
  }
  TheRunLog().Note(done);
  return written;
}

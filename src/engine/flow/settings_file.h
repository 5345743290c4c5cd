// One settings file put in place without ever writing through what stands
// at its name: edited in a work folder of the setup's own with the profile
// functions, then moved over the name as a fresh file.
#pragma once

#include <functional>
#include <string>

#include "files/temp_folders.h"

class FolderSecurityReader;

constexpr char kSettingsFileName[] = "p_mara64.ini";

// The profile functions read and write by name and follow any link there.
// They get a fresh folder of the setup's own in the temporary folder, held
// while it lives and removed with its file at the end. It bears the name of
// the run's private folders, so that the next run's sweep removes it when
// this run is killed.
class WorkFolder {
 public:
  bool Make();
  ~WorkFolder();
  // The work file, holding bytes; empty when it cannot be written.
  const char* FileWith(const std::string& bytes);
  std::string Bytes() const;

 private:
  PrivateFolder folder_;
  std::string file_;
};

// Who judges the existing files (null: nobody, the setup is not elevated),
// and the account the setup runs as.
struct SettingsJudge {
  FolderSecurityReader* reader = nullptr;
  std::string running_user;
};

// Writes what edit(work_file, file, written) writes and answers what to
// note once the file is in place; it clears written when a value was refused.
using SettingsEdit =
    std::function<std::string(const char* work_file, const std::string& file, bool& written)>;

// One value of the settings file shown as file; a refused write goes to the
// run log and clears written.
void WriteSetting(const char* section, const char* key, const char* value, const char* work_file,
                  const std::string& file, bool& written);

// Puts the settings file in folder_path through edit. What a real file of
// one name there holds is copied into the work folder's file, edit writes
// there with the profile functions, and the result replaces the settings
// file through a fresh file moved over its name. What else stands at the
// name, a link or a hard link, is replaced and never read or written
// through. With a judge (the setup runs elevated), a file that neither a
// trusted account nor the running user owns is not read: someone else put
// it there, and its keys would reach every user's viewer. False, noted in
// the run log, when it cannot be written or a value was refused.
bool EditSettingsFile(const std::string& folder_path, WorkFolder& work, const SettingsJudge& judge,
                      const SettingsEdit& edit);

#include "engine/viewer_settings.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/planted_links.h"
#include "integration/folder_chain.h"
#include "rules/environment_expansion.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"

namespace {

class ProcessEnvironment final : public VariableSource {
 public:
  Found Lookup(const char* name, char* value, std::size_t value_size) override {
    DWORD length = GetEnvironmentVariableA(name, value, static_cast<DWORD>(value_size));
    if (length == 0) return Found::kUndefined;
    // A value that does not fit is reported with the size it needs, and
    // the buffer then holds nothing usable.
    if (length >= value_size) return Found::kTooLong;
    return Found::kValue;
  }
};

int ScalingPercent() {
  ScopedMemoryDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!display) return 100;
  int pixels_per_inch = GetDeviceCaps(display.Get(), LOGPIXELSX);
  return ScalingPercentFromDpi(pixels_per_inch);
}

// folder followed by the file name; false when it does not fit, so that no
// cut name is ever written to.
bool SettingsFileIn(const char* folder, char* file) {
  file[0] = '\0';
  return AppendBounded(file, kPathSize, folder) && AppendBounded(file, kPathSize, kSettingsFileName);
}

// One value of the settings file; a refused write goes to the run log.
void WriteSetting(const char* section, const char* key, const char* value, const char* file) {
  if (!WritePrivateProfileStringA(section, key, value, file)) {
    TheRunLog().NoteFailure(std::string("settings file ") + file + ": cannot write [" + section +
                                "] " + key,
                            GetLastError());
  }
}

}  // namespace

void ExpandEnvironmentReferences(const char* text, char* result) {
  ProcessEnvironment environment;
  ExpandReferences(text, environment, result, kPathSize);
}

ToolbarSkin ChooseToolbarSkin() {
  int scaling_percent = ScalingPercent();
  return ChooseToolbarSkinFor(GetSystemMetrics(SM_CYFULLSCREEN), scaling_percent);
}

void WriteViewerSettings(const char* target_folder, const char* ini_folder) {
  if (std::strlen(target_folder) >= kPathSize) return;
  const std::string program_folder = ProgramFolder(target_folder);
  char program_file[kPathSize];
  bool program_file_ok = SettingsFileIn(program_folder.c_str(), program_file);

  char settings_file[kPathSize];
  bool settings_file_ok = program_file_ok && CopyBounded(settings_file, sizeof settings_file, program_file);
  if (ini_folder[0] != '\0') {
    char settings_folder[kPathSize] = "";
    if (std::strchr(ini_folder, '%') != nullptr) {
      ExpandEnvironmentReferences(ini_folder, settings_folder);
    } else {
      CopyBounded(settings_folder, sizeof settings_folder, ini_folder);
    }
    // The chain's result is not checked: a folder that cannot be made
    // leaves the redirection while the other keys fail to be written.
    if (settings_folder[0] != '\0') CreateFolderChain(settings_folder);
    if (program_file_ok && ReplaceFileLink(program_file)) {
      WriteSetting("Others", "INI_Folder", ini_folder, program_file);
      TheRunLog().Note(std::string("settings file ") + program_file + ": the settings are kept in \"" +
                       settings_folder + "\"");
    }
    // An empty expansion names no folder: a bare file name would send the
    // profile functions to the Windows folder, so the settings then stay in
    // the program folder's file.
    if (settings_folder[0] != '\0') settings_file_ok = SettingsFileIn(settings_folder, settings_file);
  }
  // The profile functions follow a link; one placed at the file's name is
  // replaced by a file of the setup's own first.
  if (!settings_file_ok || !ReplaceFileLink(settings_file)) {
    TheRunLog().Note("settings file not written: its path does not fit, or a link at its name stays");
    return;
  }

  WriteSetting("Language", "DLL", "DEUTSCH.DLL", settings_file);
  WriteSetting("Language", "Lang", "Deutsch", settings_file);
  char skin[kPathSize] = "";
  GetPrivateProfileStringA("Toolbar", "Skin", "", skin, sizeof skin, settings_file);
  if (skin[0] != '\0') {
    TheRunLog().Note(std::string("settings file written: ") + settings_file +
                     " (the toolbar skin kept: " + skin + ")");
    return;
  }
  ToolbarSkin chosen = ChooseToolbarSkin();
  WriteSetting("Toolbar", "Skin", chosen.skin, settings_file);
  WriteSetting("Toolbar", "Size", chosen.size, settings_file);
  TheRunLog().Note(std::string("settings file written: ") + settings_file + " (toolbar skin " +
                   chosen.skin + ")");
}

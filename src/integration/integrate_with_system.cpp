#include "integration/integrate_with_system.h"

#include <string>

#include "common/code_page_bytes.h"
#include "common/run_log.h"
#include "integration/file_associations.h"
#include "integration/shortcuts.h"
#include "rules/integration_texts.h"
#include "rules/product_names.h"

namespace {

const char kBrowseVerb[] = "Browse with &Pellumara";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";

void RegisterBrowseVerbs(RegistryLayer& registry, const std::string& viewer_path) {
  const std::string browse_command = BrowseCommand(viewer_path);
  for (const char* shell_key :
       {"SOFTWARE\\Classes\\Directory\\shell\\", "SOFTWARE\\Classes\\Drive\\shell\\"}) {
    const std::string verb_key = shell_key + std::string(kBrowseVerb);
    registry.SetDefaultValue(HKEY_LOCAL_MACHINE, verb_key.c_str(), kBrowseVerb);
    registry.SetDefaultValue(HKEY_LOCAL_MACHINE, (verb_key + "\\command").c_str(),
                             browse_command.c_str());
  }
}

void RegisterGenericClass(RegistryLayer& registry, const std::string& open_command) {
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, kGenericClassKey, "Pellumara");
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, GenericOpenCommandKeyPath().c_str(),
                           open_command.c_str());
  // The generic class shows no icon of its own.
  registry.DeleteKey(HKEY_LOCAL_MACHINE, (std::string(kGenericClassKey) + "\\DefaultIcon").c_str());
}

void RegisterApplicationEntry(RegistryLayer& registry, const std::string& open_command) {
  const std::string application_key = ApplicationKeyPath();
  registry.SetDefaultValue(HKEY_CLASSES_ROOT, (application_key + kShellOpenCommand).c_str(),
                           open_command.c_str());
  if (HKEY application =
          registry.OpenKey(HKEY_CLASSES_ROOT, application_key.c_str(), KEY_ALL_ACCESS)) {
    registry.SetString(application, "FriendlyAppName", "Pellumara 64-bit");
    registry.CloseKey(application);
  }
}

void WriteUninstallEntry(RegistryLayer& registry, const std::string& program_folder,
                         const std::string& viewer_path) {
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, kUninstallKey, "");
  HKEY entry = registry.OpenKey(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_ALL_ACCESS);
  if (entry == nullptr) return;
  registry.SetString(entry, "DisplayName", "Pellumara 64 (remove only)");
  registry.SetString(entry, "UninstallString", UninstallCommand(program_folder).c_str());
  registry.SetString(entry, "Publisher", "Kestrelwood");
  registry.SetString(entry, "InstallLocation", viewer_path.c_str());
  registry.SetString(entry, "DisplayVersion", DisplayVersion().c_str());
  registry.SetString(entry, "DisplayIcon", (viewer_path + ",0").c_str());
  registry.SetDword(entry, "VersionMajor", kViewerVersionMajor);
  registry.SetDword(entry, "VersionMinor", kViewerVersionMinor);
  registry.SetDword(entry, "EstimatedSize", 5120);  // kilobytes
  registry.CloseKey(entry);
}

void RegisterCapabilities(RegistryLayer& registry, const std::string& viewer_path) {
  if (HKEY application = registry.CreateKey(HKEY_LOCAL_MACHINE, kProgramKey)) {
    registry.CloseKey(application);
  }
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, (std::string(kProgramKey) + kShellOpenCommand).c_str(),
                           ("\"" + viewer_path + "\"").c_str());
  const std::string capabilities_key = CapabilitiesKeyPath();
  if (HKEY capabilities = registry.CreateKey(HKEY_LOCAL_MACHINE, capabilities_key.c_str())) {
    registry.SetString(capabilities, "ApplicationDescription",
                       "Picture viewer, editor and converter - one of the most popular viewers "
                       "worldwide");
    registry.CloseKey(capabilities);
  }
  // Filled by the association pass.
  if (HKEY associations =
          registry.CreateKey(HKEY_LOCAL_MACHINE, FileAssociationsKeyPath().c_str())) {
    registry.CloseKey(associations);
  }
  // Only listed where the system keeps such a list: opened, never created.
  if (HKEY registered =
          registry.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", KEY_SET_VALUE)) {
    registry.SetString(registered, kRegisteredAppName, capabilities_key.c_str());
    registry.CloseKey(registered);
  }
}

// 1 for a link that could not be saved, so that it counts as a failed entry.
int NotSaved(int saved) { return saved ? 0 : 1; }

}  // namespace

int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks, int* failed_entries,
                        int as_local_system) {
  return IntegrateWithSystem(associations_confirmed, associate, target_folder, start_menu_shortcut,
                             desktop_shortcut, thumbnails_shortcut, all_users, association_marks,
                             SystemRegistry(), failed_entries, as_local_system);
}

int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks, RegistryLayer& registry,
                        int* failed_entries, int as_local_system) {
  if (as_local_system && !all_users &&
      (start_menu_shortcut || desktop_shortcut || thumbnails_shortcut)) {
    TheRunLog().Note("running as SYSTEM: the links go to all users' desktop and Start menu "
                     "instead of SYSTEM's own, which nobody sees");
    all_users = 1;
  }
  const int failed_writes_before = registry.failed_writes();
  int failed_links = 0;
  const std::string program_folder =
      ProgramFolder(target_folder, CodePageCharacters::Of(SystemAnsiCodePage()));
  if (start_menu_shortcut) CreateProgramGroup(program_folder.c_str(), all_users, &failed_links);
  const std::string viewer_path = ViewerPath(program_folder);
  if (desktop_shortcut) {
    failed_links += NotSaved(CreateShortcut(viewer_path.c_str(), "Pellumara 64.lnk", nullptr,
                                            "Pellumara 64 - Bildbetrachter", nullptr, 0,
                                            all_users, 0));
  }
  // Every link is made before the first registry write.
  if (thumbnails_shortcut) {
    failed_links += NotSaved(CreateShortcut(viewer_path.c_str(), "Pellumara 64 Thumbnails.lnk",
                                            viewer_path.c_str(), "Pellumara - Thumbnails",
                                            kThumbnailsArgument, 7, all_users, 0));
    RegisterBrowseVerbs(registry, viewer_path);
  }
  const std::string open_command = OpenCommand(viewer_path);
  RegisterGenericClass(registry, open_command);
  RegisterApplicationEntry(registry, open_command);
  WriteUninstallEntry(registry, program_folder, viewer_path);
  RegisterCapabilities(registry, viewer_path);
  RunAssociationPass(viewer_path, open_command, association_marks, associations_confirmed,
                     associate, registry,
                     as_local_system ? UserChoice::kLeaveToUsers : UserChoice::kWrite);
  if (failed_entries != nullptr) {
    *failed_entries = failed_links + registry.failed_writes() - failed_writes_before;
  }
  return 1;
}

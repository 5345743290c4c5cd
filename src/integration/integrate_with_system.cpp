#include "integration/integrate_with_system.h"

#include <string>

#include "common/scoped_win.h"
#include "integration/file_associations.h"
#include "integration/shortcuts.h"
#include "rules/integration_texts.h"
#include "rules/product_names.h"

namespace {

const char kBrowseVerb[] = "Browse with &Pellumara";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";

// 1 for a link that could not be saved, so that it counts as a failed entry.
int NotSaved(bool saved) { return saved ? 0 : 1; }

// Every link the request asks for; the number that could not be saved.
int MakeLinks(const IntegrationRequest& request, const std::string& viewer_path) {
  // One apartment for all the links: each link's own initialisation then
  // only counts up, instead of setting COM up and tearing it down per link.
  const ScopedCom com;
  int failed_links = 0;
  if (request.start_menu_links) {
    CreateProgramGroup(request.program_folder.c_str(), request.link_places, request.uninstall_link,
                       &failed_links);
  }
  if (request.desktop_link) {
    failed_links += NotSaved(CreateShortcut(viewer_path.c_str(), "Pellumara 64.lnk", nullptr,
                                            "Pellumara 64 - Bildbetrachter", nullptr, 0,
                                            request.link_places));
  }
  if (request.thumbnails_link) {
    failed_links += NotSaved(CreateShortcut(viewer_path.c_str(), "Pellumara 64 Thumbnails.lnk",
                                            viewer_path.c_str(), "Pellumara - Thumbnails",
                                            kThumbnailsArgument, 7, request.link_places));
  }
  return failed_links;
}

void RegisterBrowseVerbs(RegistryLayer& registry, const std::string& viewer_path) {
  const std::string browse_command = BrowseCommand(viewer_path);
  for (const char* shell_key :
       {"SOFTWARE\\Classes\\Directory\\shell\\", "SOFTWARE\\Classes\\Drive\\shell\\"}) {
    const std::string verb_key = shell_key + std::string(kBrowseVerb);
    RegistryKey verb =
        registry.CreateKey(HKEY_LOCAL_MACHINE, verb_key.c_str(), KeyRefusal::kPerValue);
    registry.SetString(verb, nullptr, kBrowseVerb);
    registry.SetSubkeyDefault(verb, "command", browse_command.c_str());
  }
}

void RegisterGenericClass(RegistryLayer& registry, const std::string& open_command) {
  RegistryKey generic =
      registry.CreateKey(HKEY_LOCAL_MACHINE, kGenericClassKey, KeyRefusal::kPerValue);
  registry.SetString(generic, nullptr, "Pellumara");
  registry.SetSubkeyDefault(generic, kOpenCommandSubkey, open_command.c_str());
  // The generic class shows no icon of its own.
  registry.DeleteSubkey(generic, "DefaultIcon");
}

// The key with every right, created if missing, and the default value of its
// subkey (or its own, with an empty subkey) written through it. Where those
// rights are refused, the default is written from the hive with the rights
// there are and the key is opened once more, so that the refusal is noted
// as the open's.
RegistryKey WithAllRights(RegistryLayer& registry, HKEY hive, const std::string& path,
                          const char* subkey, const char* text) {
  RegistryKey key = registry.CreateKey(hive, path.c_str(), KeyRefusal::kUnnoted, KEY_ALL_ACCESS);
  if (!key) {
    const std::string default_path = subkey[0] != '\0' ? path + "\\" + subkey : path;
    registry.SetDefaultValue(hive, default_path.c_str(), text);
    return registry.OpenKey(hive, path.c_str(), KEY_ALL_ACCESS);
  }
  if (subkey[0] != '\0') {
    registry.SetSubkeyDefault(key, subkey, text);
  } else {
    registry.SetString(key, nullptr, text);
  }
  return key;
}

void RegisterApplicationEntry(RegistryLayer& registry, const std::string& open_command) {
  RegistryKey application = WithAllRights(registry, HKEY_CLASSES_ROOT, ApplicationKeyPath(),
                                          kOpenCommandSubkey, open_command.c_str());
  registry.SetString(application, "FriendlyAppName", "Pellumara 64-bit");
}

void WriteUninstallEntry(RegistryLayer& registry, const std::string& program_folder,
                         const std::string& viewer_path) {
  // Without every right on it the entry keeps only its empty default.
  RegistryKey entry = WithAllRights(registry, HKEY_LOCAL_MACHINE, kUninstallKey, "", "");
  if (!entry) return;
  registry.SetString(entry, "DisplayName", "Pellumara 64 (remove only)");
  registry.SetString(entry, "UninstallString", UninstallCommand(program_folder).c_str());
  registry.SetString(entry, "Publisher", "Kestrelwood");
  registry.SetString(entry, "InstallLocation", viewer_path.c_str());
  registry.SetString(entry, "DisplayVersion", DisplayVersion().c_str());
  registry.SetString(entry, "DisplayIcon", (viewer_path + ",0").c_str());
  registry.SetDword(entry, "VersionMajor", kViewerVersionMajor);
  registry.SetDword(entry, "VersionMinor", kViewerVersionMinor);
  registry.SetDword(entry, "EstimatedSize", 5120);  // kilobytes
}

void RegisterCapabilities(RegistryLayer& registry, const std::string& viewer_path) {
  RegistryKey program = registry.CreateKey(HKEY_LOCAL_MACHINE, kProgramKey, KeyRefusal::kOnce);
  registry.SetSubkeyDefault(program, kOpenCommandSubkey, ("\"" + viewer_path + "\"").c_str());
  {
    RegistryKey capabilities = registry.CreateSubkey(program, "Capabilities", KeyRefusal::kOnce);
    registry.SetString(capabilities, "ApplicationDescription",
                       "Picture viewer, editor and converter - one of the most popular viewers "
                       "worldwide");
    // Filled by the association pass.
    registry.CreateSubkey(capabilities, "FileAssociations", KeyRefusal::kOnce);
  }
  // Only listed where the system keeps such a list: opened, never created.
  RegistryKey registered =
      registry.OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", KEY_SET_VALUE);
  registry.SetString(registered, kRegisteredAppName, CapabilitiesKeyPath().c_str());
}

}  // namespace

IntegrationResult IntegrateWithSystem(const IntegrationRequest& request, RegistryLayer& registry) {
  const int failed_writes_before = registry.failed_writes();
  const std::string viewer_path = ViewerPath(request.program_folder);
  // Every link is made before the first registry write.
  const int failed_links = MakeLinks(request, viewer_path);
  if (request.thumbnails_link) RegisterBrowseVerbs(registry, viewer_path);
  const std::string open_command = OpenCommand(viewer_path);
  RegisterGenericClass(registry, open_command);
  RegisterApplicationEntry(registry, open_command);
  WriteUninstallEntry(registry, request.program_folder, viewer_path);
  RegisterCapabilities(registry, viewer_path);
  RunAssociationPass(request, viewer_path, registry);
  return {failed_links + registry.failed_writes() - failed_writes_before};
}

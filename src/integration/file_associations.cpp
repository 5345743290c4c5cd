#include "integration/file_associations.h"

#include <shlobj.h>

#include "common/run_log.h"
#include "common/windows_version.h"
#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"

void AssociateExtension(const char* extension, const char* type_name, const char* open_command,
                        const char* icon_value, int marked, RegistryLayer& registry,
                        UserChoice users_choice) {
  const std::string prog_id = ProgId(type_name);
  const std::string prog_id_key = ProgIdKeyPath(type_name);

  if (marked) {
    registry.SetDefaultValue(HKEY_LOCAL_MACHINE, ExtensionKeyPath(extension).c_str(),
                             prog_id.c_str());
  }
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, prog_id_key.c_str(), TypeText(type_name).c_str());
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, (prog_id_key + kShellOpenCommand).c_str(),
                           open_command);
  registry.SetDefaultValue(HKEY_LOCAL_MACHINE, (prog_id_key + "\\DefaultIcon").c_str(), icon_value);

  if (HKEY capabilities =
          registry.OpenKey(HKEY_LOCAL_MACHINE, FileAssociationsKeyPath().c_str(), KEY_SET_VALUE)) {
    registry.SetString(capabilities, CapabilityValueName(type_name).c_str(), prog_id.c_str());
    registry.CloseKey(capabilities);
  }

  if (!marked) return;
  // Since Windows 8 the shell keeps the user's choice with a hash only it
  // can make: a choice written by a program counts as tampered with, and
  // the shell resets the type to Windows' own default app. There the
  // registration above is all a program may do; the user chooses in
  // Windows' default-apps settings.
  if (IsWindows8OrLater() || users_choice == UserChoice::kLeaveToUsers) return;
  // The choice is deleted and made anew: the shell guards an existing one.
  const std::string user_choice = UserChoiceKeyPath(extension);
  registry.DeleteKey(HKEY_CURRENT_USER, user_choice.c_str());
  HKEY choice = registry.CreateKey(HKEY_CURRENT_USER, user_choice.c_str());
  if (choice == nullptr) return;
  registry.SetString(choice, "Progid", prog_id.c_str());
  registry.CloseKey(choice);
}

void NotifyAssociationChange() {
  SystemParametersInfoA(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT | SHCNF_IDLIST, nullptr, nullptr);
}

void RunAssociationPass(const std::string& viewer_path, const std::string& open_command,
                        const int* association_marks, int associations_confirmed, int associate,
                        RegistryLayer& registry, UserChoice users_choice) {
  if (users_choice == UserChoice::kLeaveToUsers && associations_confirmed &&
      !IsWindows8OrLater()) {
    TheRunLog().Note("running as SYSTEM: the marked formats are the machine's default; no user's "
                     "own choice is written (SYSTEM's HKCU is nobody's)");
  }
  const std::string own_icon = IconValue(DefaultIcon::kOwnIcon, viewer_path);
  const std::string viewer_icon_0 = IconValue(DefaultIcon::kViewerIcon0, viewer_path);
  const std::string viewer_icon_9 = IconValue(DefaultIcon::kViewerIcon9, viewer_path);
  const std::string viewer_icon_8 = IconValue(DefaultIcon::kViewerIcon8, viewer_path);
  auto icon_of = [&](DefaultIcon icon) -> const std::string& {
    switch (icon) {
      case DefaultIcon::kOwnIcon:
        return own_icon;
      case DefaultIcon::kViewerIcon8:
        return viewer_icon_8;
      case DefaultIcon::kViewerIcon9:
        return viewer_icon_9;
      case DefaultIcon::kViewerIcon0:
        break;
    }
    return viewer_icon_0;
  };

  for (int row = 0; row < kFormatCount; ++row) {
    const FormatRow& format = FormatCatalogue[row];
    const int marked = associations_confirmed ? association_marks[row] : 0;
    const std::string& icon_value = icon_of(format.default_icon);
    for (int i = 0; i < format.registration_count(); ++i) {
      const Registration& registration = format.registrations[i];
      AssociateExtension(registration.extension, registration.type_name, open_command.c_str(),
                         icon_value.c_str(), marked, registry, users_choice);
    }
  }
  if (associations_confirmed && IsWindows8OrLater()) {
    TheRunLog().Note(
        "associations: the marked formats are registered; Windows leaves the choice of the "
        "default app to the user (default-apps settings)");
  }
  if (associate) NotifyAssociationChange();
}

#include "integration/file_associations.h"

#include <shlobj.h>

#include "common/run_log.h"
#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"

namespace {

// The icon values of the catalogue, formed once for the pass.
class IconValues {
 public:
  explicit IconValues(const std::string& viewer_path)
      : own_(IconValue(DefaultIcon::kOwnIcon, viewer_path)),
        viewer_0_(IconValue(DefaultIcon::kViewerIcon0, viewer_path)),
        viewer_9_(IconValue(DefaultIcon::kViewerIcon9, viewer_path)),
        viewer_8_(IconValue(DefaultIcon::kViewerIcon8, viewer_path)) {}

  const std::string& Of(DefaultIcon icon) const {
    switch (icon) {
      case DefaultIcon::kOwnIcon:
        return own_;
      case DefaultIcon::kViewerIcon8:
        return viewer_8_;
      case DefaultIcon::kViewerIcon9:
        return viewer_9_;
      case DefaultIcon::kViewerIcon0:
        break;
    }
    return viewer_0_;
  }

 private:
  std::string own_, viewer_0_, viewer_9_, viewer_8_;
};

void NoteRule(const IntegrationRequest& request, AssociationRule rule, const char* note) {
  if (request.associations_confirmed && request.association_rule == rule) TheRunLog().Note(note);
}

}  // namespace

void AssociateExtension(const Registration& registration, bool introduces_type,
                        const char* open_command, const char* icon_value, bool marked,
                        AssociationRule rule, const AssociationKeys& keys,
                        RegistryLayer& registry) {
  const char* extension = registration.extension;
  const char* type_name = registration.type_name;
  const std::string prog_id = ProgId(type_name);
  if (marked) {
    registry.SetSubkeyDefault(keys.classes, (std::string(".") + extension).c_str(),
                              prog_id.c_str());
  }
  // A type's keys and capability hold the same data for each of its
  // extensions: they are written with its first one.
  if (introduces_type) {
    RegistryKey prog_id_key =
        registry.CreateSubkey(keys.classes, prog_id.c_str(), KeyRefusal::kPerValue);
    registry.SetString(prog_id_key, nullptr, TypeText(type_name).c_str());
    registry.SetSubkeyDefault(prog_id_key, kOpenCommandSubkey, open_command);
    registry.SetSubkeyDefault(prog_id_key, "DefaultIcon", icon_value);
    // Not written when the capability key is not there to be opened.
    registry.SetString(keys.capabilities, CapabilityValueName(type_name).c_str(),
                       prog_id.c_str());
  }

  // Since Windows 8 the shell keeps the user's choice with a hash only it
  // can make: a choice written by a program counts as tampered with, and
  // the shell resets the type to Windows' own default app. There the
  // registration above is all a program may do; the user chooses in
  // Windows' default-apps settings.
  if (!marked || rule != AssociationRule::kUsersChoice) return;
  // The choice is deleted and made anew: the shell guards an existing one.
  const std::string user_choice = UserChoiceKeyPath(extension);
  registry.DeleteKey(HKEY_CURRENT_USER, user_choice.c_str());
  RegistryKey choice =
      registry.CreateKey(HKEY_CURRENT_USER, user_choice.c_str(), KeyRefusal::kOnce);
  registry.SetString(choice, "Progid", prog_id.c_str());
}

void NotifyAssociationChange() {
  SystemParametersInfoA(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT | SHCNF_IDLIST, nullptr, nullptr);
}

namespace {

// The 90 registrations of the 73 types in table order, through keys held for
// all of them;
// closed again before the shell hears of it.
void RegisterEveryExtension(const IntegrationRequest& request, const std::string& viewer_path,
                            RegistryLayer& registry) {
  const std::string open_command = OpenCommand(viewer_path);
  const IconValues icons(viewer_path);
  AssociationKeys keys;
  keys.classes =
      registry.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", KeyRefusal::kPerValue);
  // Opened once for the whole pass, never created: the registration made it.
  keys.capabilities =
      registry.OpenKey(HKEY_LOCAL_MACHINE, FileAssociationsKeyPath().c_str(), KEY_SET_VALUE);
  for (int row = 0; row < kFormatCount; ++row) {
    const FormatRow& format = FormatCatalogue[row];
    const std::string& icon_value = icons.Of(format.default_icon);
    for (int i = 0; i < format.registration_count(); ++i) {
      AssociateExtension(format.registrations[i], format.introduces_type(i),
                         open_command.c_str(), icon_value.c_str(), request.marks[row],
                         request.association_rule, keys, registry);
    }
  }
}

}  // namespace

void RunAssociationPass(const IntegrationRequest& request, const std::string& viewer_path,
                        RegistryLayer& registry) {
  NoteRule(request, AssociationRule::kMachineDefaultOnly,
           "running as SYSTEM: the marked formats are the machine's default; no user's own "
           "choice is written (SYSTEM's HKCU is nobody's)");
  RegisterEveryExtension(request, viewer_path, registry);
  NoteRule(request, AssociationRule::kRegisterOnly,
           "associations: the marked formats are registered; Windows leaves the choice of the "
           "default app to the user (default-apps settings)");
  if (request.notify_shell) NotifyAssociationChange();
}

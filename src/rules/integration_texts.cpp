#include "rules/integration_texts.h"

#include <cstdio>

#include "rules/product_names.h"
#include "rules/text_rules.h"

std::string ProgramFolder(const char* target_folder, const CodePageCharacters& characters) {
  char trimmed[kPathSize] = "";
  // The target folder comes from a kPathSize buffer; a longer text is cut
  // the way that buffer would have cut it, between two characters.
  std::string_view source(target_folder);
  CopyBounded(trimmed, sizeof trimmed,
              source.substr(0, characters.WholeLength(source, kPathSize - 1)));
  TrimBlanks(trimmed);
  std::string folder = trimmed;
  if (!characters.EndsWith(folder, '\\')) folder += '\\';
  return folder;
}

std::string ViewerPath(const std::string& program_folder) {
  return program_folder + kViewerFileName;
}

std::string OpenCommand(const std::string& viewer_path) { return "\"" + viewer_path + "\" \"%1\""; }

std::string BrowseCommand(const std::string& viewer_path) {
  return "\"" + viewer_path + "\" \"%1 " + kThumbnailsArgument + "\"";
}

std::string UninstallCommand(const std::string& program_folder) {
  return "\"" + program_folder + kUninstallerFileName + "\"";
}

std::string DisplayVersion() {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d", kViewerVersionMajor, kViewerVersionMinor);
  return text;
}

std::string VersionedLinkName() {
  char name[64];
  std::snprintf(name, sizeof name, "Pellumara 64 %d.%2d.lnk", kViewerVersionMajor,
                kViewerVersionMinor);
  return name;
}

std::string EarlierLinkName(const char* version) {
  return std::string("Pellumara 64 ") + version + ".lnk";
}

std::string ProgId(const char* type_name) { return std::string("Pellumara.") + type_name; }

std::string TypeText(const char* type_name) {
  std::string upper = type_name;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return "Pellumara " + upper + " File";
}

std::string IconValue(DefaultIcon icon, const std::string& viewer_path) {
  switch (icon) {
    case DefaultIcon::kOwnIcon:
      return "%1";
    case DefaultIcon::kViewerIcon0:
      return viewer_path + ",0";
    case DefaultIcon::kViewerIcon8:
      return viewer_path + ",8";
    case DefaultIcon::kViewerIcon9:
      return viewer_path + ",9";
  }
  return viewer_path + ",0";
}

std::string ExtensionKeyPath(const char* extension) {
  return std::string("SOFTWARE\\Classes\\.") + extension;
}

std::string ProgIdKeyPath(const char* type_name) {
  return "SOFTWARE\\Classes\\" + ProgId(type_name);
}

std::string GenericOpenCommandKeyPath() {
  return std::string(kGenericClassKey) + kShellOpenCommand;
}

std::string ApplicationKeyPath() { return std::string("Applications\\") + kViewerFileName; }

std::string CapabilitiesKeyPath() { return std::string(kProgramKey) + "\\Capabilities"; }

std::string FileAssociationsKeyPath() { return CapabilitiesKeyPath() + "\\FileAssociations"; }

std::string UserChoiceKeyPath(const char* extension) {
  return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.") +
         extension + "\\UserChoice";
}

std::string CapabilityValueName(const char* type_name) { return std::string(".") + type_name; }

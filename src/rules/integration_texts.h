// The paths, commands and names the system integration writes, formed from
// the install folder and the format catalogue. No Windows calls here.
#pragma once

#include <string>

#include "common/product_version.h"
#include "rules/code_page_characters.h"
#include "rules/format_catalogue.h"

constexpr int kViewerVersionMajor = PELLUMARA_VERSION_MAJOR;
constexpr int kViewerVersionMinor = PELLUMARA_VERSION_MINOR;
constexpr char kViewerFileName[] = "p_mara64.exe";
constexpr char kUninstallerFileName[] = "pm_uninstall.exe";

// The documents the Start-menu folder links to, file relative to the program
// folder. Link names are code page 1252: \334 is "Ü", \374 is "ü".
struct DocumentLink {
  const char* link_name;
  const char* file;
};
inline constexpr DocumentLink kDocumentLinks[] = {
    {"\334ber Pellumara.lnk", "p_about.txt"},
    {"Was ist neu.lnk", "p_changes.txt"},
    {"Kommandozeilen-Optionen.lnk", "p_options.txt"},
    {"Verf\374gbare PlugIns.lnk", "p_plugins.txt"},
    {"Verf\374gbare Sprachen.lnk", "p_languages.txt"},
    {"Pellumara Hilfe.lnk", "help\\p_mara32_deutsch.chm"},
};

// The canonical form of a folder the user gave: trimmed of blanks and ending
// in a backslash (beyond 259 characters too). Every place that needs the
// program folder takes it from here.
std::string ProgramFolder(const char* target_folder, const CodePageCharacters& characters);
// program_folder followed by the viewer's file name.
std::string ViewerPath(const std::string& program_folder);
// "<viewer>" "%1": the command that opens a document.
std::string OpenCommand(const std::string& viewer_path);
// "<viewer>" "%1 /thumbs": the switch sits inside the quotes around %1.
std::string BrowseCommand(const std::string& viewer_path);
// "<program folder>pm_uninstall.exe" in double quotes.
std::string UninstallCommand(const std::string& program_folder);
// "4.41"
std::string DisplayVersion();
// "Pellumara 64 4.41.lnk": the Start-menu link of this version.
std::string VersionedLinkName();
// The Start-menu link name of an earlier version such as "4.40".
std::string EarlierLinkName(const char* version);

// "Pellumara.<type>"
std::string ProgId(const char* type_name);
// "Pellumara <TYPE> File": only ASCII letters of the type are upper-cased.
std::string TypeText(const char* type_name);
// "%1" for the file's own icon, else "<viewer>,N".
std::string IconValue(DefaultIcon icon, const std::string& viewer_path);

// Registry key paths of one registration.
std::string ExtensionKeyPath(const char* extension);   // SOFTWARE\Classes\.<ext>
std::string ProgIdKeyPath(const char* type_name);      // SOFTWARE\Classes\Pellumara.<type>
std::string UserChoiceKeyPath(const char* extension);  // ...\FileExts\.<ext>\UserChoice
// The generic class, whose open command is written here and read back for
// the folder of an earlier installation.
constexpr char kGenericClassKey[] = "SOFTWARE\\Classes\\Pellumara";
constexpr char kShellOpenCommand[] = "\\shell\\open\\command";  // appended to a class key
constexpr char kOpenCommandSubkey[] = "shell\\open\\command";   // below an open class key
std::string GenericOpenCommandKeyPath();  // SOFTWARE\Classes\Pellumara\shell\open\command
std::string ApplicationKeyPath();         // Applications\p_mara64.exe (HKEY_CLASSES_ROOT)
constexpr char kProgramKey[] = "SOFTWARE\\Pellumara";
std::string CapabilitiesKeyPath();      // SOFTWARE\Pellumara\Capabilities
std::string FileAssociationsKeyPath();  // ...\Capabilities\FileAssociations
// The capability value is named after the type, not the extension.
std::string CapabilityValueName(const char* type_name);  // .<type>

// Whether an elevated setup may install into a folder that stands already.
// Its files are run later with administrators' rights (the uninstaller the
// uninstall entry names, the plug-ins the viewer loads): whoever may change
// the folder, or move a level of its path aside and put another folder in
// its place, decides what they run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/code_page_characters.h"

// Access rights as a folder's access entries grant them.
namespace folder_rights {
constexpr std::uint32_t kWriteData = 0x00000002u;      // add a file
constexpr std::uint32_t kAppendData = 0x00000004u;     // add a folder
constexpr std::uint32_t kWriteExtended = 0x00000010u;  // extended attributes
constexpr std::uint32_t kDeleteChild = 0x00000040u;
constexpr std::uint32_t kWriteAttributes = 0x00000100u;
constexpr std::uint32_t kDelete = 0x00010000u;
constexpr std::uint32_t kWriteDac = 0x00040000u;
constexpr std::uint32_t kWriteOwner = 0x00080000u;
constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kGenericExecute = 0x20000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kGenericRead = 0x80000000u;
}  // namespace folder_rights

// How an entry passes to what a folder holds (the entry's inheritance
// flags, inherit-only apart).
namespace folder_inheritance {
constexpr std::uint8_t kFiles = 0x01;          // object inherit
constexpr std::uint8_t kFolders = 0x02;        // container inherit
constexpr std::uint8_t kOneLevel = 0x04;       // no propagation below the children
constexpr std::uint8_t kInheritOnly = 0x08;    // the entry's flag for "contents only"
}  // namespace folder_inheritance

// One access entry of a folder's list, as read from its descriptor.
struct FolderAccessEntry {
  std::string sid;            // "S-1-5-32-545"
  bool allows = true;         // a deny entry grants nothing
  bool inherit_only = false;  // applies only to what is created inside
  std::uint32_t mask = 0;
  std::uint8_t inheritance = 0;  // folder_inheritance flags but kInheritOnly
};

// What one existing folder level's descriptor says.
struct FolderSecurity {
  std::string path;
  // False when the descriptor could not be read: the setup cannot tell who
  // controls the level, which counts as someone else.
  bool read = false;
  std::string owner_sid;
  // A folder without an access list grants everyone everything.
  bool has_access_list = true;
  std::vector<FolderAccessEntry> entries;
  // A link or junction: where it leads is decided by whoever made it.
  bool reparse_point = false;
  // Another handle that may rename or delete the level is open on it, so
  // it could not be held: whoever opened it may still move it aside.
  bool held_by_other = false;
};

// SYSTEM, Administrators, TrustedInstaller and the account the setup runs
// as; the owner's placeholders stand for an owner that is one of them.
bool IsTrustedPrincipal(std::string_view sid, std::string_view running_user);

// An owner that is SYSTEM, Administrators, TrustedInstaller or the
// account the setup runs as; an owner of any other account made the item.
bool IsTrustedOwner(std::string_view owner_sid, std::string_view running_user);

// Someone not trusted may change what the folder holds or its permissions,
// also through what it gives the files and folders created inside.
bool OthersMayChange(const FolderSecurity& folder, std::string_view running_user);

// Someone not trusted may change the item's permissions or take it over
// (change permissions, take ownership, full control). A handle they opened
// with such a right keeps it whatever permissions the setup gives the item
// afterwards.
bool OthersMayRepermission(const FolderSecurity& item, std::string_view running_user);

// Someone not trusted may rename, delete or re-permission the level
// itself, or a folder in it.
bool OthersMayMove(const FolderSecurity& level, std::string_view running_user);

// The access list that secures such a level the way a drive's root
// secures itself: every entry of others that lets them move the level or a
// folder in it applies to the contents only, exactly as before, and on the
// level itself others keep only listing, reading and adding folders.
// Trusted and deny entries stay as they are; deny entries come first. The
// list is meant to be set protected: inherited entries are written as the
// level's own.
std::vector<FolderAccessEntry> SecuredLevelEntries(const FolderSecurity& level,
                                                   std::string_view running_user);

enum class ExistingFolderAction {
  kLeave,    // nobody else controls it
  kProtect,  // trusted owner, but others may write: give it the protected permissions
  kRefuse,   // another user controls the folder or a level above it
};

// Why a level was refused.
enum class FolderRefusal {
  kOwner,          // another user owns it, or its descriptor could not be read
  kLink,           // a link or junction
  kHeldByOther,    // another handle may rename or delete it (held_by_other)
  kRepermission,   // a level above the target that others may re-permission
};

struct ExistingFolderVerdict {
  ExistingFolderAction action = ExistingFolderAction::kLeave;
  // With kRefuse, the level at fault (an index into the levels judged) and
  // why.
  std::size_t refused_level = 0;
  FolderRefusal refusal = FolderRefusal::kOwner;
  // Levels that others may move aside (rename or delete).
  std::vector<std::size_t> movable_levels;
  // The levels above the target whose access lists make them or a level
  // below movable: secured (SecuredLevelEntries) before anything goes in.
  std::vector<std::size_t> levels_to_secure;
};

// levels: the existing levels of the target's path below the volume's
// root, outermost first; when the target itself stands, it is the last one
// and target_exists is true. A level another user owns, whose descriptor
// could not be read, that is a link or junction or that another handle may
// move is refused; so is a level above the target that others may
// re-permission or take over, since a handle they opened with that right
// survives any list the setup gives it. Every level is judged before any
// is secured.
ExistingFolderVerdict JudgeExistingFolder(const std::vector<FolderSecurity>& levels,
                                          bool target_exists, std::string_view running_user);

// The folder levels of an absolute folder below its volume's root,
// outermost first: "C:\A\B\" gives "C:\A" and "C:\A\B"; for
// "\\server\share\A" the share is the root. Each level is named as the
// folder chain makes it: split at the backslashes among its characters,
// without trailing blanks, empty ones skipped.
std::vector<std::string> FolderLevelsBelowRoot(std::string_view folder,
                                               const CodePageCharacters& characters);

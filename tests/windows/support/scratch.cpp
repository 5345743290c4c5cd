#include "support/scratch.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/scoped_win.h"
#include "support/waiting.h"

ScratchFolder::ScratchFolder(const std::string& name) : path_("C:\\pellumara-tests\\" + name) {
  RemoveTree(path_);
  CreateDirectoryA("C:\\pellumara-tests", nullptr);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

namespace {

// In UTF-16, so that names beyond the code page go too.
void RemoveWideTree(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  WIN32_FIND_DATAW found;
  ScopedFind search(FindFirstFileW((path + L"\\*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveWideTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search.Get(), &found));
    search.Close();
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path) { RemoveWideTree(WideOfUtf8(path)); }

std::wstring WideOfUtf8(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 1u, L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

bool ExistsUtf8(const std::string& path) {
  return GetFileAttributesW(WideOfUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

LongPathFile::LongPathFile(const std::string& folder, const std::string& bytes) {
  path_ = folder;
  std::wstring wide = L"\\\\?\\" + std::wstring(folder.begin(), folder.end());
  for (wchar_t level : {L'L', L'M', L'N'}) {
    path_ += "\\" + std::string(100, static_cast<char>(level));
    wide += L"\\" + std::wstring(100, level);
    CreateDirectoryW(wide.c_str(), nullptr);
    levels_.push_back(wide);
  }
  path_ += "\\far-away.txt";
  file_ = wide + L"\\far-away.txt";
  ScopedHandle file(CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

LongPathFile::~LongPathFile() {
  DeleteFileW(file_.c_str());
  for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
    RemoveDirectoryW(level->c_str());
  }
}

std::string LongPathFile::Bytes() const {
  ScopedHandle file(CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<cannot be read>";
  char bytes[1024];
  DWORD read = 0;
  ReadFile(file.Get(), bytes, sizeof bytes, &read, nullptr);
  return std::string(bytes, read);
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string CurrentDirectory() {
  char current[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof current, current);
  return current;
}

namespace {

void AddTree(const std::string& folder, TreeCounts& counts) {
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++counts.folders;
      AddTree(folder + "\\" + name, counts);
    } else {
      ++counts.files;
    }
  } while (FindNextFileA(search.Get(), &found));
}

}  // namespace

TreeCounts CountTree(const std::string& folder) {
  TreeCounts counts;
  AddTree(folder, counts);
  return counts;
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return names;
}

namespace {

// The host's name of a Windows path; empty outside Wine.
std::string UnixName(const std::string& path) {
  using UnixFileName = char*(CDECL*)(const WCHAR*);
  auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  // Paths beyond MAX_PATH too: links to them are made here.
  std::vector<WCHAR> wide(path.size() + 1);
  if (unix_file_name == nullptr ||
      !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()))) {
    return {};
  }
  char* name = unix_file_name(wide.data());
  std::string result = name != nullptr ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Starts a host program like a Windows one; Wine gives no handle to wait
// for, so callers wait for what it does instead.
bool StartHostCommand(std::string line) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  ScopedHandle thread(process.hThread);
  ScopedHandle started(process.hProcess);
  return true;
}

bool WaitForName(const std::string& path, bool present) {
  return WaitUntil(
      [&] { return (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present; },
      2000);
}

}  // namespace

bool MakeHostLink(const std::string& link, const std::string& target) {
  std::string unix_link = UnixName(link);
  std::string unix_target = UnixName(target);
  if (unix_link.empty() || unix_target.empty()) return false;
  return StartHostCommand("Z:\\bin\\ln -s \"" + unix_target + "\" \"" + unix_link + "\"") &&
         WaitForName(link, true);
}

bool SwapForHostLinkWhenGone(const std::vector<std::string>& watched, const std::string& folder,
                             const std::string& target) {
  std::string unix_folder = UnixName(folder);
  std::string unix_target = UnixName(target);
  if (unix_folder.empty() || unix_target.empty()) return false;
  std::string all_there = "true";
  for (const std::string& name : watched) {
    std::string unix_name = UnixName(name);
    if (unix_name.empty()) return false;
    all_there += " && [ -e '" + unix_name + "' ]";
  }
  std::string script = "while " + all_there + "; do sleep 0.002; done; mv '" + unix_folder +
                       "' '" + unix_folder + ".away' && ln -s '" + unix_target + "' '" +
                       unix_folder + "'";
  return StartHostCommand("Z:\\bin\\sh -c \"" + script + "\"");
}

bool RemoveHostLink(const std::string& link) {
  std::string unix_link = UnixName(link);
  return !unix_link.empty() && StartHostCommand("Z:\\bin\\rm -f \"" + unix_link + "\"") &&
         WaitForName(link, false);
}

bool SetHostImmutable(const std::string& path, bool immutable) {
  // The host command's status comes back in a file beside path; Wine gives
  // no handle to wait for.
  const std::string status = path + ".chattr";
  std::string unix_name = UnixName(path);
  std::string unix_status = UnixName(status);
  if (unix_name.empty() || unix_status.empty()) return false;
  DeleteFileA(status.c_str());
  std::string script = std::string("chattr ") + (immutable ? "+i" : "-i") + " '" + unix_name +
                       "'; echo $? > '" + unix_status + ".new' && mv '" + unix_status + ".new' '" +
                       unix_status + "'";
  if (!StartHostCommand("Z:\\bin\\sh -c \"" + script + "\"") || !WaitForName(status, true)) {
    return false;
  }
  const std::string code = ReadFileBytes(status);
  DeleteFileA(status.c_str());
  return code == "0\n";
}

bool IsReparsePoint(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string SpecialFolder(int csidl) {
  char folder[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder))) return {};
  return folder;
}

namespace {

ScopedKey CreateKey(const std::string& path) {
  ScopedKey key;
  RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  key.Out(), nullptr);
  return key;
}

void DeleteKeyTree(HKEY hive, const std::string& path) {
  ScopedKey key;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, key.Out()) != ERROR_SUCCESS) return;
  char child[256];
  while (RegEnumKeyA(key.Get(), 0, child, sizeof child) == ERROR_SUCCESS) {
    DeleteKeyTree(hive, path + "\\" + child);
  }
  key.Close();
  RegDeleteKeyA(hive, path.c_str());
}

}  // namespace

RegistryOverride::RegistryOverride(const std::string& name)
    : root_("Software\\PellumaraTests\\" + name) {
  DeleteKeyTree(HKEY_CURRENT_USER, root_);
  machine_ = CreateKey(root_ + "\\HKLM");
  user_ = CreateKey(root_ + "\\HKCU");
  classes_ = CreateKey(root_ + "\\HKCR");
  // HKCU last: the keys above are created under the real HKCU.
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.Get());
  RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.Get());
  RegOverridePredefKey(HKEY_CURRENT_USER, user_.Get());
}

RegistryOverride::~RegistryOverride() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  machine_.Close();
  user_.Close();
  classes_.Close();
  DeleteKeyTree(HKEY_CURRENT_USER, root_);
}

void SetRegistryString(HKEY hive, const std::string& key, const char* name, const std::string& data) {
  ScopedKey opened;
  if (RegCreateKeyExA(hive, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.Out(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(opened.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
}

std::string ReadRegistryString(HKEY hive, const std::string& key, const char* name) {
  char data[1024];
  DWORD size = sizeof data;
  DWORD type = 0;
  if (RegGetValueA(hive, key.c_str(), name, RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS) {
    return "<missing>";
  }
  return data;
}

std::string PendingFileRenames() {
  std::string data(1 << 20, '\0');
  DWORD size = static_cast<DWORD>(data.size() - 2);
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                   "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, &data[0],
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  data.resize(size);
  for (char& c : data) {
    if (c == '\0') c = '|';
  }
  return data;
}

void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((root + "\\" + relative + "*").c_str(), &found));
  if (!search) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(relative + name + "\\");
      ListTree(root, relative + name + "\\", out);
    } else {
      out.push_back(relative + name);
    }
  } while (FindNextFileA(search.Get(), &found));
}

std::string Snapshot(const std::string& root) {
  std::vector<std::string> names;
  ListTree(root, "", names);
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) {
    joined += name;
    if (name.back() != '\\') {
      // Size and an FNV-1a hash of the bytes: a failure message stays short.
      const std::string bytes = ReadFileBytes(root + "\\" + name);
      std::uint64_t hash = 14695981039346656037ull;
      for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
      char figures[48];
      std::snprintf(figures, sizeof figures, "=%zu:%016llx", bytes.size(),
                    static_cast<unsigned long long>(hash));
      joined += figures;
    }
    joined += "\n";
  }
  return joined;
}

std::string Profile(const std::string& file, const char* section, const char* key) {
  char value[260] = "";
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
  return value;
}

ScopedHandle HoldFile(const std::string& path) {
  return ScopedHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

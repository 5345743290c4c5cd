#include "support/registry_dump.h"

#include <cstring>
#include <vector>

#include "common/scoped_win.h"

namespace {

bool StartsWith(const std::string& text, const std::string& start) {
  return text.size() >= start.size() &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                        static_cast<int>(start.size()), start.c_str(),
                        static_cast<int>(start.size())) == CSTR_EQUAL;
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD number;
    std::memcpy(&number, data.data(), sizeof number);
    return "dword:" + std::to_string(number);
  }
  if (type == REG_SZ) {
    std::string text(reinterpret_cast<const char*>(data.data()), size);
    std::size_t length = text.find('\0');
    if (length != std::string::npos && length + 1 == size) return "sz:" + text.substr(0, length);
    return "sz(size " + std::to_string(size) + "):" + text.substr(0, length);
  }
  return "type " + std::to_string(type) + " size " + std::to_string(size);
}

void DumpKey(HKEY key, const std::string& path, RegistryDump& dump) {
  dump.keys.insert(path);
  for (DWORD index = 0;; ++index) {
    char name[512];
    DWORD name_size = sizeof name;
    DWORD type = 0;
    std::vector<BYTE> data(8192);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegEnumValueA(key, index, name, &name_size, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    dump.values[path + "\\" + (name[0] == '\0' ? "@" : name)] = ValueText(type, data, size);
  }
  for (DWORD index = 0;; ++index) {
    char child[512];
    if (RegEnumKeyA(key, index, child, sizeof child) != ERROR_SUCCESS) break;
    ScopedKey opened;
    if (RegOpenKeyExA(key, child, 0, KEY_READ, opened.Out()) != ERROR_SUCCESS) continue;
    DumpKey(opened.Get(), path + "\\" + child, dump);
  }
}

}  // namespace

RegistryDump DumpRegistry() {
  RegistryDump dump;
  DumpKey(HKEY_LOCAL_MACHINE, "HKLM", dump);
  DumpKey(HKEY_CURRENT_USER, "HKCU", dump);
  DumpKey(HKEY_CLASSES_ROOT, "HKCR", dump);
  return dump;
}

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
  return lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

std::string RegistryDump::Text() const {
  NameSet lines(keys.begin(), keys.end());
  for (const auto& [name, value] : values) lines.insert(name + " = " + value);
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string RegistryDump::Value(const std::string& key, const std::string& name) const {
  auto found = values.find(key + "\\" + name);
  return found == values.end() ? "<missing>" : found->second;
}

NameSet RegistryDump::Children(const std::string& parent, const std::string& prefix) const {
  NameSet children;
  const std::string start = parent + "\\" + prefix;
  for (auto it = keys.begin(); it != keys.end(); ++it) {
    if (!StartsWith(*it, start)) continue;
    std::string rest = it->substr(parent.size() + 1);
    if (rest.find('\\') == std::string::npos) children.insert(rest);
  }
  return children;
}

NameSet RegistryDump::ValueNames(const std::string& key) const {
  NameSet names;
  const std::string start = key + "\\";
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (!StartsWith(it->first, start)) continue;
    std::string rest = it->first.substr(start.size());
    if (rest.find('\\') == std::string::npos) names.insert(rest);
  }
  return names;
}

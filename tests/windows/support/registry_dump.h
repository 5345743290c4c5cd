// The registry trees of HKLM, HKCU and HKCR (normally redirected to scratch
// keys by RegistryOverride) as sorted text, for comparing with expectations.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

// Key and value names compare without regard to case, as in the registry.
struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using NameSet = std::set<std::string, CaseLess>;

struct RegistryDump {
  // "HKLM\SOFTWARE\Classes\.jpg", every key including the ones without values.
  NameSet keys;
  // "HKLM\SOFTWARE\Classes\.jpg\@" (@ for the default value) -> "sz:Pellumara.jpg",
  // "dword:41"; a string stored without exactly one terminating NUL counted
  // shows as "sz(size N):text".
  std::map<std::string, std::string, CaseLess> values;

  // One line per key and value, sorted.
  std::string Text() const;
  // The value's text form, or "<missing>".
  std::string Value(const std::string& key, const std::string& name = "@") const;
  bool HasKey(const std::string& key) const { return keys.count(key) != 0; }
  // The keys directly below parent whose name starts with prefix.
  NameSet Children(const std::string& parent, const std::string& prefix = "") const;
  // The value names of one key.
  NameSet ValueNames(const std::string& key) const;
};

RegistryDump DumpRegistry();

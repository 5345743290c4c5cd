// Reading shell links back through IShellLinkA and IPersistFile::Load.
#pragma once

#include <ostream>
#include <string>

struct Link {
  bool loaded = false;
  std::string target;
  std::string arguments;
  std::string icon_path;
  int icon_index = -1;
  std::string description;
};

bool operator==(const Link& a, const Link& b);
std::ostream& operator<<(std::ostream& out, const Link& link);

// The link file at path; loaded stays false when it cannot be read.
Link ReadLink(const std::string& path);

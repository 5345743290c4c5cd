// Prints the default-associations file for /assoc=1 or /assoc=2, for an
// administrator to import on the machines that get the setup.
#include <cstdio>
#include <cstring>
#include <string>

#include "rules/default_associations.h"

int main(int argc, char** argv) {
  int selection = 0;
  if (argc == 2 && std::strcmp(argv[1], "1") == 0) selection = 1;
  if (argc == 2 && std::strcmp(argv[1], "2") == 0) selection = 2;
  if (selection == 0) {
    std::fputs("usage: default-associations 1|2  (1: the image formats, 2: all formats)\n", stderr);
    return 2;
  }
  std::string xml = DefaultAssociationsXml(selection);
  if (std::fwrite(xml.data(), 1, xml.size(), stdout) != xml.size() || std::fflush(stdout) != 0) {
    std::perror("default-associations");
    return 1;
  }
  return 0;
}

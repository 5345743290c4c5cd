// The earlier installation's folder from its open command: only a command
// whose program is the viewer itself names a folder, absolute, within its
// buffer, and the folder is the program's own.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/install_options.h"
#include "fuzz_check.h"
#include "rules/integration_texts.h"
#include "rules/option_reader.h"
#include "rules/text_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const CodePageCharacters characters = CodePageFromByte(data[0]);
  std::string command(reinterpret_cast<const char*>(data) + 1, size - 1);
  command = command.substr(0, command.find('\0'));
  auto out = std::make_unique<char[]>(kPathSize);  // exact size for the sanitizer
  std::memset(out.get(), 'x', kPathSize);
  if (!FolderFromOpenCommand(command.c_str(), out.get(), characters)) {
    FUZZ_CHECK(out[0] == '\0');
    return 0;
  }
  const std::string_view folder(out.get(), strnlen(out.get(), kPathSize));
  FUZZ_CHECK(folder.size() < kPathSize);
  FUZZ_CHECK(IsAbsoluteFolder(folder));
  FUZZ_CHECK(characters.EndsWith(folder, '\\'));
  // The command starts with the folder as typed (its last separator "\\",
  // or "/" to which the backslash was added) and the viewer's name, then a
  // closing quote, the end or a blank.
  const std::size_t quote = command[0] == '"' ? 1 : 0;
  const std::string_view program = std::string_view(command).substr(quote);
  std::size_t typed_length = folder.size();
  if (program.compare(0, folder.size(), folder) != 0) {
    typed_length = folder.size() - 1;
    FUZZ_CHECK(typed_length > 0 && program.compare(0, typed_length, folder.substr(0, typed_length)) == 0);
    FUZZ_CHECK(program[typed_length - 1] == '/');
  }
  const std::size_t name_length = std::strlen(kViewerFileName);
  FUZZ_CHECK(program.compare(typed_length, name_length, kViewerFileName) == 0);
  const std::size_t end = typed_length + name_length;
  FUZZ_CHECK(end == program.size() || program[end] == ' ' || program[end] == '\t' ||
             (quote == 1 && program[end] == '"'));
  FUZZ_CHECK(quote == 0 || end < program.size());
  return 0;
}

// Builds the viewer archive that the setup carries as its payload.
//
//   make-payload --viewer P_MARA64.EXE --program STANDIN.EXE
//                --library STANDIN.DLL --out ARCHIVE.zip
//   make-payload --folder DIR --out ARCHIVE.zip
//   make-payload --check ARCHIVE.zip [--out COPY.zip]
//
// The first form builds the stand-in payload of the tests: the three
// programs are real Windows programs of this project, and every program and
// library entry is one of them with filler appended behind its image
// (Windows ignores data after the last section), so each is loadable and has
// the size of its real counterpart. Help files, texts and toolbar images are
// made here. Everything is derived from fixed seeds and one fixed date, so
// the archive has the same bytes on every build.
//
// The other two take the viewer's own files for a release: a folder is
// packed (the same folder always gives the same bytes), a ready archive is
// checked and copied as it is. Both refuse a payload that lacks a file the
// setup refers to, has a name that would leave the target folder or that
// Windows would not keep as given, or holds a link, and name every such
// entry.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "own_payload.h"
#include "payload_archive.h"
#include "payload_names.h"
#include "rules/integration_texts.h"

namespace {

using Bytes = std::string;

// 2025-03-14 13:37:42 local time: not midnight, so the conversion to UTC on
// unpacking is visible.
constexpr unsigned kYear = 2025, kMonth = 3, kDay = 14, kHour = 13, kMinute = 37, kSecond = 42;
constexpr uLong kDosDateTime = ((kYear - 1980) << 25) | (kMonth << 21) | (kDay << 16) |
                               (kHour << 11) | (kMinute << 5) | (kSecond / 2);

// xorshift64*: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  unsigned Below(unsigned limit) { return static_cast<unsigned>((Next() >> 33) % limit); }
  // Small values far more often than large ones, as in real code and text.
  unsigned Skewed(unsigned limit) {
    double u = static_cast<double>(Next() >> 11) / 9007199254740992.0;
    return static_cast<unsigned>(u * u * u * limit);
  }

 private:
  std::uint64_t state_;
};

// Machine-code-like filler: a vocabulary of short byte sequences used with a
// skewed frequency, literals in between, now and then a zero run and a block
// of strings. Deflates to a bit under half, as optimised x64 code does.
Bytes CodeLike(std::size_t size, std::uint64_t seed) {
  Random random(seed);
  std::vector<Bytes> vocabulary(768);
  for (Bytes& word : vocabulary) {
    unsigned length = 2 + random.Below(6);
    for (unsigned i = 0; i < length; ++i) word += static_cast<char>(random.Below(256));
  }
  Bytes out;
  out.reserve(size + 64);
  while (out.size() < size) {
    unsigned pick = random.Below(1000);
    if (pick < 870) {
      out += vocabulary[random.Skewed(static_cast<unsigned>(vocabulary.size()))];
    } else if (pick < 988) {
      out += static_cast<char>(random.Below(256));
    } else if (pick < 996) {
      out.append(8 + random.Below(56), '\0');
    } else {
      static const char* const kNames[] = {"GetProcAddress", "LoadLibraryA", "CreateFileW",
                                           "ReadFile", "CloseHandle", "GdipDrawImageRectI",
                                           "image/jpeg", "Pellumara", "%s\\%s", "plugin"};
      out += kNames[random.Below(10)];
      out += '\0';
    }
  }
  out.resize(size);
  return out;
}

// Compiled-help-like filler: mostly compressed data already, with a few
// readable index blocks; deflate gains only a few percent on it.
Bytes HelpLike(std::size_t size, std::uint64_t seed) {
  Random random(seed);
  Bytes out;
  out.reserve(size + 64);
  while (out.size() < size) {
    if (random.Below(100) < 4) {
      out += "::DataSpace/Storage/MSCompressed/Content/page_";
      out += std::to_string(random.Below(400));
      out += ".htm";
    } else {
      for (int i = 0; i < 64; ++i) out += static_cast<char>(random.Below(256));
    }
  }
  out.resize(size);
  return out;
}

const char* const kWords[] = {
    "Pellumara", "Bild", "Bilder", "Ordner", "Datei", "Dateien", "Vorschau", "Miniaturansicht",
    "Format", "Plugin", "Einstellung", "Einstellungen", "Fenster", "Men\xFC", "Toolbar", "Skin",
    "\xF6" "ffnen", "speichern", "drehen", "zoomen", "drucken", "Diashow", "Farbe", "Tiefe",
    "und", "oder", "mit", "ohne", "f\xFCr", "die", "der", "das", "ein", "eine", "wird", "werden",
    "neu", "schneller", "Fehler", "behoben", "Unterst\xFCtzung", "hinzugef\xFCgt", "image", "viewer",
    "folder", "thumbnail", "fixed", "added", "the", "a", "for", "with", "option", "faster",
    "JPEG", "PNG", "TIFF", "WebP", "RAW", "EXIF", "IPTC", "ICC", "Zwischenablage", "Vollbild"};

// Readable text in code page 1252, made of sentences over a small vocabulary, in lines of
// about 70 characters, as change lists and read-me files are.
Bytes TextLike(const Bytes& heading, std::size_t size, std::uint64_t seed) {
  Random random(seed);
  Bytes out = heading + "\r\n" + Bytes(heading.size(), '=') + "\r\n\r\n";
  std::size_t line_start = out.size();
  bool sentence_start = true;
  while (out.size() < size) {
    Bytes word = kWords[random.Skewed(sizeof kWords / sizeof kWords[0])];
    if (sentence_start && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
    out += word;
    sentence_start = random.Below(9) == 0;
    if (sentence_start) out += random.Below(4) == 0 ? "!" : ".";
    if (out.size() - line_start > 68) {
      out += random.Below(6) == 0 ? "\r\n\r\n- " : "\r\n";
      line_start = out.size();
    } else {
      out += ' ';
    }
  }
  out.resize(size);
  return out + "\r\n";
}

Bytes HtmlTemplate(const Bytes& title, const Bytes& body) {
  return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1252\">\r\n"
         "<title>" + title + " - %TITLE%</title>\r\n"
         "<style>\r\nbody { background: %BACKGROUND%; color: %TEXTCOLOR%; font-family: sans-serif; }\r\n"
         "img { border: 0; }\r\n.thumb { display: inline-block; margin: 4px; text-align: center; }\r\n"
         "</style>\r\n</head>\r\n<body>\r\n" + body + "</body>\r\n</html>\r\n";
}

// --- PNG images -----------------------------------------------------------

void AppendBigEndian(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendChunk(Bytes& png, const char type[4], const Bytes& data) {
  AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed = Bytes(type, 4) + data;
  png += typed;
  AppendBigEndian(png, static_cast<std::uint32_t>(
                           crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                 static_cast<uInt>(typed.size()))));
}

// A toolbar strip: `count` icons of size x size pixels side by side, RGBA,
// each a shaded disc on a transparent ground.
Bytes ToolbarPng(unsigned size, unsigned count, std::uint64_t seed) {
  Random random(seed);
  unsigned width = size * count;
  Bytes raw;
  std::vector<unsigned> hues(count);
  for (unsigned& hue : hues) hue = random.Below(0xFFFFFF);
  for (unsigned y = 0; y < size; ++y) {
    raw += '\0';  // filter type None
    for (unsigned x = 0; x < width; ++x) {
      unsigned icon = x / size, ix = x % size;
      int dx = static_cast<int>(2 * ix) - static_cast<int>(size - 1);
      int dy = static_cast<int>(2 * y) - static_cast<int>(size - 1);
      bool inside = dx * dx + dy * dy <= static_cast<int>((size - 2) * (size - 2));
      unsigned shade = 128 + (size - y) * 96 / size;
      unsigned hue = hues[icon];
      raw += static_cast<char>(((hue >> 16) & 0xFF) * shade / 255);
      raw += static_cast<char>(((hue >> 8) & 0xFF) * shade / 255);
      raw += static_cast<char>((hue & 0xFF) * shade / 255);
      raw += static_cast<char>(inside ? 255 : 0);
    }
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  Bytes packed(packed_size, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &packed_size,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(packed_size);

  Bytes header;
  AppendBigEndian(header, width);
  AppendBigEndian(header, size);
  header += Bytes("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
  Bytes png("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", packed);
  AppendChunk(png, "IEND", "");
  return png;
}

// --- The archive ---------------------------------------------------------

Bytes ReadWhole(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "make-payload: cannot read %s\n", path);
    std::exit(1);
  }
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A real program image followed by filler up to the wanted size.
Bytes Padded(const Bytes& image, std::size_t size, std::uint64_t seed) {
  if (image.size() >= size) return image;
  return image + CodeLike(size - image.size(), seed);
}

std::vector<PayloadEntry> Layout(const Bytes& viewer, const Bytes& program, const Bytes& library) {
  std::vector<PayloadEntry> entries;
  auto add = [&entries](Bytes name, Bytes data) {
    entries.push_back({std::move(name), std::move(data), "", kDosDateTime});
  };

  add(kViewerFileName, Padded(viewer, 2450000, 1));
  add(kUninstallerFileName, Padded(program, 140000, 2));
  add("p_about.txt", TextLike("Pellumara 64-bit", 9000, 3));
  add("p_changes.txt", TextLike("Pellumara - \xC4nderungen", 150000, 4));
  add("p_languages.txt", TextLike("Pellumara - Sprachen", 7000, 5));
  add("p_options.txt", TextLike("Pellumara - Kommandozeilenoptionen", 60000, 6));
  add("p_plugins.txt", TextLike("Pellumara - Plugins", 11000, 7));
  add("p_mara32.chm", HelpLike(410000, 8));
  add("Help/", "");
  add("Help/p_mara32_deutsch.chm", HelpLike(450000, 9));
  add("Languages/", "");
  add("Languages/Deutsch.dll", Padded(library, 430000, 10));
  add("Languages/Plugins_Deutsch.lng", TextLike("[Plugins_Deutsch]", 90000, 11));
  add("Plugins/", "");
  const struct { const char* name; std::size_t size; } kPlugins[] = {
      {"p_formats.dll", 520000}, {"p_effects.dll", 240000}, {"p_exif.dll", 150000},
      {"p_jpeg_lossless.dll", 110000}, {"p_raw.dll", 330000}, {"p_scan.dll", 90000},
      {"p_capture.dll", 120000}, {"p_webp.dll", 260000}};
  std::uint64_t seed = 20;
  for (const auto& plugin : kPlugins) add(Bytes("Plugins/") + plugin.name, Padded(library, plugin.size, seed++));
  add("Plugins/p_convert.exe", Padded(program, 230000, 30));
  add("Plugins/p_slideshow.exe", Padded(program, 170000, 31));
  add("Html/", "");
  add("Html/frame.html", HtmlTemplate("Pellumara", "<iframe src=\"%FILE%\" width=\"100%\" height=\"100%\"></iframe>\r\n"));
  add("Html/slideshow.html", HtmlTemplate("Diashow", "<img id=\"slide\" src=\"%FIRST%\" alt=\"\">\r\n<script>\r\nvar images = [%IMAGES%];\r\nvar index = 0;\r\nsetInterval(function () { index = (index + 1) % images.length; document.getElementById('slide').src = images[index]; }, %DELAY%);\r\n</script>\r\n"));
  add("Html/thumbnails.html", HtmlTemplate("Miniaturansichten", "<h1>%TITLE%</h1>\r\n<!-- %BEGIN% -->\r\n<div class=\"thumb\"><a href=\"%LINK%\"><img src=\"%THUMB%\" width=\"%WIDTH%\" height=\"%HEIGHT%\" alt=\"%NAME%\"></a><br>%NAME%</div>\r\n<!-- %END% -->\r\n"));
  add("Toolbars/", "");
  const struct { const char* name; unsigned size; } kSkins[] = {
      {"Tavrel_16", 16}, {"Halvorne_24", 24}, {"gnome-colors-wise_32", 32}, {"gnome-colors-human_48", 48}};
  for (const auto& skin : kSkins) {
    add(Bytes("Toolbars/") + skin.name + ".png", ToolbarPng(skin.size, 42, skin.size));
    add(Bytes("Toolbars/") + skin.name + ".txt",
        Bytes("Toolbar skin ") + skin.name + "\r\nIcon size: " + std::to_string(skin.size) + " x " +
            std::to_string(skin.size) + " pixels, 42 buttons\r\n");
  }
  return entries;
}

// Prints the problems of a payload and says whether there were none.
bool Accepted(const std::string& payload, const std::vector<std::string>& problems) {
  if (problems.empty()) return true;
  std::fprintf(stderr, "make-payload: %s cannot be the setup's payload:\n", payload.c_str());
  for (const std::string& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
  return false;
}

// Writes a new archive at out; no half-written file stays behind.
int WriteOut(const char* out, const std::vector<PayloadEntry>& entries) {
  std::remove(out);
  if (!WritePayloadArchive(out, entries)) {
    std::fprintf(stderr, "make-payload: cannot write %s\n", out);
    std::remove(out);
    return 1;
  }
  return 0;
}

int PackFolder(const char* folder, const char* out) {
  std::vector<std::string> problems;
  std::vector<PayloadEntry> entries = FolderEntries(folder, problems);
  std::vector<std::string> names;
  for (const PayloadEntry& entry : entries) names.push_back(entry.name);
  CheckPayloadNames(names, problems);
  if (!Accepted(folder, problems)) return 1;
  return WriteOut(out, entries);
}

int CheckArchive(const char* archive, const char* out) {
  std::vector<std::string> problems;
  std::vector<std::string> names = ArchiveEntryNames(archive, problems);
  CheckPayloadNames(names, problems);
  if (!Accepted(archive, problems)) return 1;
  if (out == nullptr) return 0;
  const Bytes bytes = ReadWhole(archive);
  std::ofstream copy(out, std::ios::binary | std::ios::trunc);
  if (!copy.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !copy.flush()) {
    std::fprintf(stderr, "make-payload: cannot write %s\n", out);
    std::remove(out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* folder = nullptr;
  const char* check = nullptr;
  const char* viewer = nullptr;
  const char* program = nullptr;
  const char* library = nullptr;
  const char* out = nullptr;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--folder") == 0) folder = argv[i + 1];
    else if (std::strcmp(argv[i], "--check") == 0) check = argv[i + 1];
    else if (std::strcmp(argv[i], "--viewer") == 0) viewer = argv[i + 1];
    else if (std::strcmp(argv[i], "--program") == 0) program = argv[i + 1];
    else if (std::strcmp(argv[i], "--library") == 0) library = argv[i + 1];
    else if (std::strcmp(argv[i], "--out") == 0) out = argv[i + 1];
  }
  if (folder != nullptr && out != nullptr) return PackFolder(folder, out);
  if (check != nullptr) return CheckArchive(check, out);
  if (viewer == nullptr || program == nullptr || library == nullptr || out == nullptr) {
    std::fprintf(stderr,
                 "usage: make-payload --viewer EXE --program EXE --library DLL --out ZIP\n"
                 "       make-payload --folder DIR --out ZIP\n"
                 "       make-payload --check ZIP [--out COPY]\n");
    return 2;
  }
  return WriteOut(out, Layout(ReadWhole(viewer), ReadWhole(program), ReadWhole(library)));
}

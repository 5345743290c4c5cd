// Decisions of the two custom controls that need no window: the link's
// colour, the font records of the colour static, the fallback command line
// of the link and the link's fitted rectangle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using Colour = std::uint32_t;  // 0x00BBGGRR, as COLORREF

constexpr Colour MakeColour(unsigned red, unsigned green, unsigned blue) {
  return red | (green << 8) | (blue << 16);
}

// Hovering wins over visited, visited over the plain link colour.
Colour LinkTextColour(bool hovering, bool visited, Colour link, Colour visited_colour,
                      Colour hover);

// The fields of a LOGFONTA, in its order and with its sizes, so that the
// font decisions can be made and tested without windows.h.
struct FontRecord {
  std::int32_t height;
  std::int32_t width;
  std::int32_t escapement;
  std::int32_t orientation;
  std::int32_t weight;
  std::uint8_t italic;
  std::uint8_t underline;
  std::uint8_t strike_out;
  std::uint8_t char_set;
  std::uint8_t out_precision;
  std::uint8_t clip_precision;
  std::uint8_t quality;
  std::uint8_t pitch_and_family;
  char face_name[32];
};

constexpr std::int32_t kNormalWeight = 400;
constexpr std::int32_t kBoldWeight = 700;
constexpr std::uint8_t kAntialiasedQuality = 4;

// SetBoldText: the window's font with the weight the bold flag asks for.
FontRecord BoldFontRecord(const FontRecord& window_font, bool bold);
// SetFontFace: with a face, a record that is zero but for the face (at most
// 31 characters), the height and antialiased quality; without one, the
// window's font with that height and quality.
FontRecord FaceFontRecord(const char* face, const FontRecord& window_font, std::int32_t height);
// RebuildFont: the record the paint font is created from.
FontRecord PaintFontRecord(const FontRecord& record, bool bold);

// The fallback when the shell cannot open an address: the command line of
// the ".htm" handler, cut at its first "%1" placeholder (a quoted one first),
// then a blank and the address.
std::string LinkCommandLine(std::string_view handler_command, std::string_view address);

struct Box {
  long left, top, right, bottom;
};

// Text alignment styles of a static control that fitting looks at.
constexpr unsigned kStyleCenter = 0x0001;
constexpr unsigned kStyleRight = 0x0002;
constexpr unsigned kStyleCenterImage = 0x0200;

// FitToText: the window's rectangle sized to the text plus the window's
// borders, keeping its centre, right edge or left edge by the style.
Box FitBoxToText(const Box& window, const Box& client, long text_width, long text_height,
                 unsigned style);

// Decisions of the two custom controls that need no window: the link's
// colour, the fallback command line of the link and the link's fitted
// rectangle.
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

// A control's text as it reads: without the "&" that marks a mnemonic ("&&"
// stands for one "&").
std::string TextWithoutMnemonics(std::string_view shown);

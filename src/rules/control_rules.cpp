#include "rules/control_rules.h"

Colour LinkTextColour(bool hovering, bool visited, Colour link, Colour visited_colour,
                      Colour hover) {
  if (hovering) return hover;
  if (visited) return visited_colour;
  return link;
}

std::string LinkCommandLine(std::string_view handler_command, std::string_view address) {
  std::size_t cut = handler_command.find("\"%1\"");
  if (cut == std::string_view::npos) cut = handler_command.find("%1");
  std::string command(handler_command.substr(0, cut));
  command += ' ';
  command += address;
  return command;
}

Box FitBoxToText(const Box& window, const Box& client, long text_width, long text_height,
                 unsigned style) {
  Box fitted = window;
  const long window_height = window.bottom - window.top;
  const long height = text_height + window_height - (client.bottom - client.top);
  if (style & kStyleCenterImage) {
    const long shrink = (window_height - height) / 2;
    fitted.top += shrink;
    fitted.bottom -= shrink;
  } else {
    fitted.bottom = fitted.top + height;
  }
  const long window_width = window.right - window.left;
  const long width = text_width + window_width - (client.right - client.left);
  if (style & kStyleCenter) {
    const long shrink = (window_width - width) / 2;
    fitted.left += shrink;
    fitted.right -= shrink;
  } else if (style & kStyleRight) {
    fitted.left = fitted.right - width;
  } else {
    fitted.right = fitted.left + width;
  }
  return fitted;
}

std::string TextWithoutMnemonics(std::string_view shown) {
  std::string text;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '&' && ++i == shown.size()) break;
    text += shown[i];
  }
  return text;
}

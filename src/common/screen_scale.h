// Sizes drawn in pixels are given for a screen of 96 DPI (100 % display
// scaling). The setup declares itself DPI-aware, so Windows does not
// stretch it on a scaled display: what it draws in pixels it scales itself.
#pragma once

constexpr int kDefaultScreenDpi = 96;

// The screen's vertical DPI (LOGPIXELSY), as it is now.
int ScreenDpi();

// A size in pixels at 96 DPI, scaled to the screen's DPI as MulDiv rounds;
// at 96 DPI it stays as it is.
int ScaleToScreen(int pixels_at_96);

// The toolbar skin that suits a display, from its usable height and its
// scaling.
#pragma once

struct ToolbarSkin {
  const char* skin;  // file of the payload's Toolbars folder
  const char* size;  // icon size in pixels, as text
};

// Every skin the settings can name, smallest first.
inline constexpr ToolbarSkin kToolbarSkins[] = {{"Tavrel_16.png", "16"},
                                                {"Halvorne_24.png", "24"},
                                                {"gnome-colors-wise_32.png", "32"},
                                                {"gnome-colors-human_48.png", "48"}};

// Percent scaling from the horizontal pixels per logical inch: 96 is 100,
// 144 is 150; the remainder is dropped.
int ScalingPercentFromDpi(int pixels_per_inch);

// The first row that holds wins: height at least 1600 or scaling at least
// 170 gives 48; height above 1200 or scaling at least 150 gives 32; height
// below 768 gives 16; otherwise 24.
ToolbarSkin ChooseToolbarSkinFor(int height, int scaling_percent);

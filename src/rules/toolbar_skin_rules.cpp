#include "rules/toolbar_skin_rules.h"

int ScalingPercentFromDpi(int pixels_per_inch) {
  // No display reports this much; the bound only keeps the product in range.
  if (pixels_per_inch > 1000000) pixels_per_inch = 1000000;
  return pixels_per_inch * 100 / 96;
}

ToolbarSkin ChooseToolbarSkinFor(int height, int scaling_percent) {
  if (height >= 1600 || scaling_percent >= 170) return {"gnome-colors-human_48.png", "48"};
  if (height > 1200 || scaling_percent >= 150) return {"gnome-colors-wise_32.png", "32"};
  if (height < 768) return {"Tavrel_16.png", "16"};
  return {"Halvorne_24.png", "24"};
}

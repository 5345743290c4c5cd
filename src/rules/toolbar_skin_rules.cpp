#include "rules/toolbar_skin_rules.h"

int ScalingPercentFromDpi(int pixels_per_inch) {
  // No display reports this much; the bound only keeps the product in range.
  if (pixels_per_inch > 1000000) pixels_per_inch = 1000000;
  return pixels_per_inch * 100 / 96;
}

ToolbarSkin ChooseToolbarSkinFor(int height, int scaling_percent) {
  if (height >= 1600 || scaling_percent >= 170) return kToolbarSkins[3];
  if (height > 1200 || scaling_percent >= 150) return kToolbarSkins[2];
  if (height < 768) return kToolbarSkins[0];
  return kToolbarSkins[1];
}

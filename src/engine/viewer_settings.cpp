#include "engine/viewer_settings.h"

void WriteViewerSettings(const char*, const char*) {
  // The settings file is written together with the unpacked viewer.
}

#include "engine/payload_extraction.h"

int ExtractPayload(int, const char*, const char*, const char*) {
  // This build carries no payload yet, so nothing can be unpacked.
  return -1;
}

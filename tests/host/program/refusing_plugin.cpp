// A plug-in that accepts the processor but whose initialisation fails, as
// one does whose start-up step is refused.
#include "agsi.h"

extern "C" __attribute__((visibility("default"))) uint32_t AgsiEntry(uint32_t code, void* argument) {
  if (code == kAgsiCheck) return *static_cast<const uint32_t*>(argument) == kAgsiFamily80166 ? 1 : 0;
  if (code == kAgsiInitialise) return 0;
  return 1;
}

// Glyphpane: the character LCD module plug-in. Its one export, AgsiEntry.
#include <array>

#include "entry.h"
#include "host_api.h"
#include "lcd_startup.h"

namespace {

constexpr std::array<agsi::StartUpStep, 4> kStartUp = {
    glyphpane::DefineLcdSfrs,
    glyphpane::DefineLcdVtr,
    glyphpane::SetLcdWatches,
    glyphpane::DefineLcdMenuItem,
};

constexpr agsi::PluginSteps kGlyphpaneSteps = {
    agsi::kAllHostServices,  // Glyphpane issues host commands
    glyphpane::MapLcdBus,
    kStartUp,
    [] { return glyphpane::ResetLcd(); },
};

}  // namespace

extern "C" __attribute__((visibility("default"))) uint32_t AgsiEntry(uint32_t code, void* argument) {
  return agsi::RunAgsiEntry(kGlyphpaneSteps, code, argument);
}

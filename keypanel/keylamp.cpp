// Keylamp's one export. The library binds the host's services without the
// command service, which it never needs, and issues no host command.
#include <array>
#include <cstdint>

#include "entry.h"
#include "host_api.h"
#include "panel_startup.h"

namespace {

constexpr std::array<agsi::StartUpStep, 3> kPanelStartUp = {
    keylamp::DefinePanelVtrs, keylamp::SetPanelWatches, keylamp::DefinePanelMenuItem};

constexpr agsi::PluginSteps kKeylampSteps = {
    agsi::kHostServicesWithoutCommands,
    nullptr,
    kPanelStartUp,
    keylamp::ResetPanel,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) uint32_t AgsiEntry(uint32_t code,
                                                                     void* argument) {
  return agsi::RunAgsiEntry(kKeylampSteps, code, argument);
}

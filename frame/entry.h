// The entry protocol shared by both plug-ins: check, initialise, reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace agsi {

using StartUpStep = uint32_t (*)();

// What distinguishes one plug-in's entry from the other's.
struct PluginSteps {
  std::size_t hostServiceCount;       // 27 with AgsiExecuteCommand, else 26
  void (*issueHostCommands)();        // run right after binding; may be null
  std::span<const StartUpStep> startUp;  // in order; the first 0 ends start-up
  StartUpStep reset;
};

// The body of a plug-in's AgsiEntry.
uint32_t RunAgsiEntry(const PluginSteps& steps, uint32_t code, void* argument);

}  // namespace agsi

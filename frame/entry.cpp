#include "entry.h"

#include <cstring>

#include "agsi.h"
#include "host_api.h"

namespace agsi {

namespace {

uint32_t Check(const void* argument) {
  uint32_t family = 0;
  std::memcpy(&family, argument, sizeof(family));
  return family == kAgsiFamily80166 ? 1 : 0;
}

uint32_t Initialise(const PluginSteps& steps, const void* argument) {
  std::memcpy(&hostInitBlock, argument, sizeof(hostInitBlock));
  if (BindHostApi(steps.hostServiceCount) == 0) return 0;
  if (steps.issueHostCommands != nullptr) steps.issueHostCommands();
  for (StartUpStep step : steps.startUp) {
    if (step() == 0) return 0;
  }
  return 1;
}

}  // namespace

uint32_t RunAgsiEntry(const PluginSteps& steps, uint32_t code, void* argument) {
  switch (code) {
    case kAgsiCheck:
      return argument != nullptr ? Check(argument) : 0;
    case kAgsiInitialise:
      return argument != nullptr ? Initialise(steps, argument) : 0;
    case kAgsiReset:
      return steps.reset() != 0 ? 1 : 0;
    default:
      return 1;
  }
}

}  // namespace agsi

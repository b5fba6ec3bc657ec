// The plug-in's table of host services, bound by name at initialisation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "agsi.h"

namespace agsi {

// Every host service a plug-in binds, in binding order. The last one,
// AgsiExecuteCommand, is bound only by plug-ins that issue host commands.
#define AGSI_HOST_SERVICES(X) \
  X(AgsiDefineSFR)            \
  X(AgsiDefineVTR)            \
  X(AgsiDeclareInterrupt)     \
  X(AgsiSetWatchOnSFR)        \
  X(AgsiSetWatchOnVTR)        \
  X(AgsiSetWatchOnMemory)     \
  X(AgsiCreateTimer)          \
  X(AgsiDefineMenuItem)       \
  X(AgsiWriteSFR)             \
  X(AgsiReadSFR)              \
  X(AgsiWriteVTR)             \
  X(AgsiReadVTR)              \
  X(AgsiSetSFRReadValue)      \
  X(AgsiReadMemory)           \
  X(AgsiWriteMemory)          \
  X(AgsiGetLastMemoryAddress) \
  X(AgsiIsSimulatorAccess)    \
  X(AgsiSetTimer)             \
  X(AgsiGetClock)             \
  X(AgsiGetProgramCounter)    \
  X(AgsiIsInInterrupt)        \
  X(AgsiIsSleeping)           \
  X(AgsiStopSimulator)        \
  X(AgsiTriggerReset)         \
  X(AgsiUpdateWindows)        \
  X(AgsiHandleFocus)          \
  X(AgsiExecuteCommand)

// One pointer per service, named as the service it points to.
struct HostApi {
#define AGSI_HOST_API_FIELD(name) decltype(&::name) name;
  AGSI_HOST_SERVICES(AGSI_HOST_API_FIELD)
#undef AGSI_HOST_API_FIELD
};

inline constexpr std::size_t kAllHostServices = 27;
inline constexpr std::size_t kHostServicesWithoutCommands = 26;

// The plug-in's one table; filled by BindHostApi, never changed afterwards.
extern HostApi hostApi;

// The copy of the block that came with the initialise code.
extern HostInitBlock hostInitBlock;

// Looks up the first `count` services in the module of hostInitBlock word 0:
// all look-ups first, then the test. Returns 1 only if every one was found.
uint32_t BindHostApi(std::size_t count);

// The platform's look-up of an exported function by name in a loaded module.
void* LookUpExport(uintptr_t module, const char* name);

}  // namespace agsi

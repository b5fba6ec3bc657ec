// A host module for cost tests: exports every Agsi* service under its own
// name, counts each call a plug-in makes, and forwards it to our real host
// module. Tests install it with Simulator::UseHostModule before loading.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "agsi.h"

#define AGSI_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

uint32_t hostCalls = 0;

void* RealService(const char* name) {
  static void* realModule = dlopen(KEYLAMP_REAL_HOST_MODULE, RTLD_NOW | RTLD_LOCAL);
  void* service = realModule != nullptr ? dlsym(realModule, name) : nullptr;
  if (service == nullptr) {
    std::fprintf(stderr, "%s: no service %s\n", KEYLAMP_REAL_HOST_MODULE, name);
    std::abort();
  }
  return service;
}

}  // namespace

// Calls made through this module since the last reset of the count.
AGSI_TEST_EXPORT uint32_t CountedHostCalls() { return hostCalls; }
AGSI_TEST_EXPORT void ResetCountedHostCalls() { hostCalls = 0; }

#define AGSI_COUNTED_SERVICE(Result, name, parameters, arguments)                    \
  AGSI_TEST_EXPORT Result name parameters {                                          \
    ++hostCalls;                                                                     \
    static const auto real = reinterpret_cast<decltype(&::name)>(RealService(#name)); \
    return real arguments;                                                           \
  }

AGSI_COUNTED_SERVICE(uint32_t, AgsiExecuteCommand, (const char* c), (c))
AGSI_COUNTED_SERVICE(uint32_t, AgsiDefineSFR, (const char* n, uint32_t a, uint32_t t, uint32_t z), (n, a, t, z))
AGSI_COUNTED_SERVICE(uintptr_t, AgsiDefineVTR, (const char* n, uint32_t t, uint32_t v), (n, t, v))
AGSI_COUNTED_SERVICE(uint32_t, AgsiSetWatchOnMemory, (uint32_t f, uint32_t l, AgsiCallback c, uint32_t k),
                     (f, l, c, k))
AGSI_COUNTED_SERVICE(uint32_t, AgsiSetWatchOnSFR, (uint32_t a, AgsiCallback c, uint32_t k), (a, c, k))
AGSI_COUNTED_SERVICE(uint32_t, AgsiSetWatchOnVTR, (uintptr_t v, AgsiCallback c, uint32_t k), (v, c, k))
AGSI_COUNTED_SERVICE(uintptr_t, AgsiCreateTimer, (AgsiCallback c), (c))
AGSI_COUNTED_SERVICE(uint32_t, AgsiSetTimer, (uintptr_t t, uint32_t c), (t, c))
AGSI_COUNTED_SERVICE(uint32_t, AgsiReadSFR, (uint32_t a, uint32_t* v, uint32_t* s, uint32_t m), (a, v, s, m))
AGSI_COUNTED_SERVICE(uint32_t, AgsiReadVTR, (uintptr_t h, uint32_t* v), (h, v))
AGSI_COUNTED_SERVICE(uint32_t, AgsiWriteVTR, (uintptr_t h, uint32_t v), (h, v))
AGSI_COUNTED_SERVICE(uint32_t, AgsiReadMemory, (uint32_t a, uint32_t n, uint8_t* b), (a, n, b))
AGSI_COUNTED_SERVICE(uint32_t, AgsiWriteMemory, (uint32_t a, uint32_t n, const uint8_t* b), (a, n, b))
AGSI_COUNTED_SERVICE(uint32_t, AgsiDefineMenuItem, (MenuEntry* e), (e))
AGSI_COUNTED_SERVICE(uint32_t, AgsiHandleFocus, (uintptr_t w), (w))
AGSI_COUNTED_SERVICE(uint32_t, AgsiDeclareInterrupt, (uint32_t v, uint32_t c, const char* n), (v, c, n))
AGSI_COUNTED_SERVICE(uint32_t, AgsiWriteSFR, (uint32_t a, uint32_t v, uint32_t m), (a, v, m))
AGSI_COUNTED_SERVICE(uint32_t, AgsiSetSFRReadValue, (uint32_t v), (v))
AGSI_COUNTED_SERVICE(uint32_t, AgsiGetLastMemoryAddress, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiIsSimulatorAccess, (), ())
AGSI_COUNTED_SERVICE(uint64_t, AgsiGetClock, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiGetProgramCounter, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiIsInInterrupt, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiIsSleeping, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiStopSimulator, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiTriggerReset, (), ())
AGSI_COUNTED_SERVICE(uint32_t, AgsiUpdateWindows, (), ())

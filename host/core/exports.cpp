// The host module: the Agsi* services, exported by name, each forwarding to
// the process's active Simulator. Without an active simulator every service
// fails (0).
//
// Built a second and third time with one service left out, as the module of
// a host that lacks that service, so that the plug-ins' binding can be tested
// against it.
#include <cstdint>

#include "agsi.h"
#include "simulator.h"

#define AGSI_HOST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

template <typename Call>
auto WithSimulator(Call call) -> decltype(call(*agsi::host::Simulator::Active())) {
  agsi::host::Simulator* simulator = agsi::host::Simulator::Active();
  if (simulator == nullptr) return 0;
  return call(*simulator);
}

using agsi::host::Simulator;

}  // namespace

#ifndef AGSI_OMIT_EXECUTE_COMMAND
AGSI_HOST_EXPORT uint32_t AgsiExecuteCommand(const char* command) {
  return WithSimulator([&](Simulator& s) { return command != nullptr ? s.ExecuteCommand(command) : 0u; });
}
#endif

AGSI_HOST_EXPORT uint32_t AgsiDefineSFR(const char* name, uint32_t address, uint32_t typeCode, uint32_t) {
  return WithSimulator([&](Simulator& s) { return s.DefineSfr(name, address, typeCode); });
}

AGSI_HOST_EXPORT uintptr_t AgsiDefineVTR(const char* name, uint32_t typeCode, uint32_t initialValue) {
  return WithSimulator([&](Simulator& s) { return s.DefineVtr(name, typeCode, initialValue); });
}

AGSI_HOST_EXPORT uint32_t AgsiSetWatchOnMemory(uint32_t first, uint32_t last, AgsiCallback cb, uint32_t kind) {
  return WithSimulator([&](Simulator& s) { return s.SetWatchOnMemory(first, last, cb, kind); });
}

AGSI_HOST_EXPORT uint32_t AgsiSetWatchOnSFR(uint32_t address, AgsiCallback cb, uint32_t kind) {
  return WithSimulator([&](Simulator& s) { return s.SetWatchOnSfr(address, cb, kind); });
}

AGSI_HOST_EXPORT uint32_t AgsiSetWatchOnVTR(uintptr_t vtr, AgsiCallback cb, uint32_t kind) {
  return WithSimulator([&](Simulator& s) { return s.SetWatchOnVtr(vtr, cb, kind); });
}

AGSI_HOST_EXPORT uintptr_t AgsiCreateTimer(AgsiCallback cb) {
  return WithSimulator([&](Simulator& s) { return s.CreateTimer(cb); });
}

AGSI_HOST_EXPORT uint32_t AgsiSetTimer(uintptr_t timer, uint32_t cycles) {
  return WithSimulator([&](Simulator& s) { return s.SetTimer(timer, cycles); });
}

AGSI_HOST_EXPORT uint32_t AgsiReadSFR(uint32_t address, uint32_t* value, uint32_t* second, uint32_t mask) {
  return WithSimulator([&](Simulator& s) { return s.ReadSfrForPlugin(address, value, second, mask); });
}

AGSI_HOST_EXPORT uint32_t AgsiReadVTR(uintptr_t vtr, uint32_t* value) {
  return WithSimulator([&](Simulator& s) { return s.ReadVtr(vtr, value); });
}

AGSI_HOST_EXPORT uint32_t AgsiWriteVTR(uintptr_t vtr, uint32_t value) {
  return WithSimulator([&](Simulator& s) { return s.WriteVtr(vtr, value); });
}

AGSI_HOST_EXPORT uint32_t AgsiReadMemory(uint32_t address, uint32_t count, uint8_t* buffer) {
  return WithSimulator([&](Simulator& s) { return s.ReadMemory(address, count, buffer); });
}

AGSI_HOST_EXPORT uint32_t AgsiWriteMemory(uint32_t address, uint32_t count, const uint8_t* buffer) {
  return WithSimulator([&](Simulator& s) { return s.WriteMemory(address, count, buffer); });
}

AGSI_HOST_EXPORT uint32_t AgsiDefineMenuItem(MenuEntry* entry) {
  return WithSimulator([&](Simulator& s) { return s.DefineMenuItem(entry); });
}

AGSI_HOST_EXPORT uint32_t AgsiHandleFocus(uintptr_t window) {
  return WithSimulator([&](Simulator& s) { return s.HandleFocus(window); });
}

AGSI_HOST_EXPORT uint32_t AgsiDeclareInterrupt(uint32_t, uint32_t, const char*) {
  // Our chip model has no interrupt controller: nothing can be declared.
  return 0;
}

AGSI_HOST_EXPORT uint32_t AgsiWriteSFR(uint32_t address, uint32_t value, uint32_t mask) {
  return WithSimulator([&](Simulator& s) { return s.WriteSfrForPlugin(address, value, mask); });
}

AGSI_HOST_EXPORT uint32_t AgsiSetSFRReadValue(uint32_t value) {
  return WithSimulator([&](Simulator& s) { return s.SetSfrReadValue(value); });
}

AGSI_HOST_EXPORT uint32_t AgsiGetLastMemoryAddress(void) {
  return WithSimulator([&](Simulator& s) { return s.LastMemoryAddress(); });
}

AGSI_HOST_EXPORT uint32_t AgsiIsSimulatorAccess(void) {
  return WithSimulator([&](Simulator& s) { return s.IsSimulatorAccess(); });
}

#ifndef AGSI_OMIT_GET_CLOCK
AGSI_HOST_EXPORT uint64_t AgsiGetClock(void) {
  return WithSimulator([&](Simulator& s) { return s.Clock(); });
}
#endif

AGSI_HOST_EXPORT uint32_t AgsiGetProgramCounter(void) {
  // The program is a stimulus script, not machine code: there is no counter.
  return 0;
}

AGSI_HOST_EXPORT uint32_t AgsiIsInInterrupt(void) { return 0; }

AGSI_HOST_EXPORT uint32_t AgsiIsSleeping(void) { return 0; }

AGSI_HOST_EXPORT uint32_t AgsiStopSimulator(void) {
  return WithSimulator([&](Simulator& s) { return s.RequestStop(); });
}

AGSI_HOST_EXPORT uint32_t AgsiTriggerReset(void) {
  return WithSimulator([&](Simulator& s) { return s.RequestReset(); });
}

AGSI_HOST_EXPORT uint32_t AgsiUpdateWindows(void) {
  return WithSimulator([&](Simulator& s) { return s.RequestUpdate(); });
}

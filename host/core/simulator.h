// The core of our simulator host: a cycle clock with one-shot timers, a
// 24-bit memory space opened by MAP commands, chip registers, virtual
// registers, watches on all three, menu entries and window focus, and the
// plug-ins loaded with dlopen. The exported Agsi* services (exports.cpp)
// forward to the one active Simulator of the process.
//
// Everything runs on the caller's thread, one call at a time. A plug-in
// callback may re-enter the host (a write inside a watch runs that write's
// watches before it returns).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "agsi.h"

namespace agsi::host {

// Built-in chip registers of the 80C166 that the plug-ins rely on.
inline constexpr uint32_t kP2 = 0xFFC0;
inline constexpr uint32_t kDP2 = 0xFFC2;
inline constexpr uint32_t kP8 = 0xFFD4;
inline constexpr uint32_t kDP8 = 0xFFD6;
inline constexpr uint32_t kADDRSEL3 = 0xFE1C;
inline constexpr uint32_t kBUSCON3 = 0xFF18;

inline constexpr uint32_t kMemorySize = 1u << 24;  // 24-bit linear addresses
inline constexpr uint32_t kStopTimer = 0xFFFFFFFFu;

// A program access outside the mapped ranges, or of the wrong kind.
class AccessViolation : public std::runtime_error {
 public:
  AccessViolation(uint32_t address, bool write);
  uint32_t address() const { return address_; }
  bool write() const { return write_; }

 private:
  uint32_t address_;
  bool write_;
};

// A plug-in that cannot be loaded, or whose entry refused a code. The
// message names the file and the entry code.
class PluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A bad request of the user or the script: unknown register, bad value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using EntryFunction = uint32_t (*)(uint32_t code, void* argument);

struct Plugin {
  std::string path;
  void* handle = nullptr;  // never closed: a plug-in's state lives as long as the process
  EntryFunction entry = nullptr;
  // Only a plug-in that accepted the initialise code is reset, and only its
  // menu entries are offered.
  bool initialised = false;
  std::vector<MenuEntry*> menuEntries;
};

// The host services a test can make the host refuse.
enum class Service {
  kDefineSfr,
  kDefineVtr,
  kSetWatchOnMemory,
  kSetWatchOnSfr,
  kSetWatchOnVtr,
  kCreateTimer,
  kSetTimer,
  kWriteVtr,
  kDefineMenuItem,
  kExecuteCommand,
  kCount
};

enum class TraceKind { kService, kBus, kRegister, kTimer, kMessage };
using TraceSink = std::function<void(TraceKind, std::string_view)>;

struct VirtualRegister {
  std::string name;
  uint32_t typeCode = 0;
  uint32_t value = 0;
  uint32_t mask = 0xFFFFFFFFu;  // the register's width
  std::vector<AgsiCallback> readWatches;
  std::vector<AgsiCallback> writeWatches;
};

struct ChipRegister {
  std::string name;
  uint32_t address = 0;
  uint16_t value = 0;
  std::vector<AgsiCallback> readWatches;
  std::vector<AgsiCallback> writeWatches;
};

struct MappedRange {
  uint32_t first = 0;
  uint32_t last = 0;
  bool read = false;
  bool write = false;
};

class Simulator {
 public:
  // The new simulator becomes the process's active one, which the exported
  // services reach; the destructor hands that role back.
  Simulator();
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  static Simulator* Active();

  // ---- plug-ins -------------------------------------------------------
  // The module whose Agsi* exports the plug-ins bind (word 0 of the init
  // block). By default our own libagsihost.so, next to this library.
  void UseHostModule(const std::string& path);
  uintptr_t HostModule();

  // dlopen, find AgsiEntry, send code 0 with 80166 and code 1 with the init
  // block. Throws PluginError naming the file and the refused code.
  Plugin& Load(const std::string& path);
  // Code 3 to every initialised plug-in in load order; throws PluginError
  // on a refusal (after every plug-in has been reset).
  void ResetAll();
  const std::vector<std::unique_ptr<Plugin>>& Plugins() const { return plugins_; }

  // ---- clock and timers -----------------------------------------------
  uint64_t Clock() const { return clock_; }
  // Moves the clock on, running every timer that expires on the way in
  // cycle order (ties in the order of arming), each once per arming.
  void Advance(uint64_t cycles);
  // Cycle of the earliest armed timer, or nullopt.
  std::optional<uint64_t> NextDeadline() const;

  // ---- the program's view ---------------------------------------------
  // Byte accesses run the watches: a write stores and then runs the write
  // watches, a read runs the read watches and then returns the byte.
  void Write8(uint32_t address, uint8_t value);
  uint8_t Read8(uint32_t address);
  // Word accesses, little-endian, as two byte accesses (low byte first).
  void Write16(uint32_t address, uint16_t value);
  uint16_t Read16(uint32_t address);
  // Chip registers by address; a read of P2 returns the pin levels.
  void WriteSfr(uint32_t address, uint16_t value);
  uint16_t ReadSfr(uint32_t address);
  std::optional<uint32_t> FindSfr(std::string_view name) const;
  const std::vector<ChipRegister>& Sfrs() const { return sfrs_; }

  // ---- the user's view of virtual registers ---------------------------
  std::optional<uintptr_t> FindVtr(std::string_view name) const;
  uint32_t ReadVtrAsUser(uintptr_t handle);           // runs read watches
  void EditVtr(uintptr_t handle, uint32_t value);      // runs write watches
  const std::vector<VirtualRegister>& Vtrs() const { return vtrs_; }

  // ---- host commands --------------------------------------------------
  // "MAP first, last read|write" (one or both kinds). Returns 1 when run,
  // 0 (with a message to the trace) when malformed.
  uint32_t ExecuteCommand(std::string_view command);
  const std::vector<MappedRange>& MappedRanges() const { return ranges_; }

  // ---- menu and windows -----------------------------------------------
  std::vector<MenuEntry*> MenuEntries() const;
  // Finds an entry by its text without the '&' (e.g. "LCD-Module").
  MenuEntry* FindMenuEntry(std::string_view text) const;
  void SelectMenuEntry(MenuEntry* entry);
  void UpdateWindows();
  void CloseWindows();
  uintptr_t Focus() const { return focus_; }

  // ---- requests made by plug-ins through the services -----------------
  bool TakeStopRequest();
  bool TakeResetRequest();
  bool TakeUpdateRequest();

  // ---- tracing and faults ---------------------------------------------
  void SetTraceSink(TraceSink sink) { trace_ = std::move(sink); }
  // The n-th next call (1 = the next) of that service is refused.
  void RefuseCall(Service service, int occurrence = 1);

  // ---- the services, as the exported C functions call them ------------
  uint32_t DefineSfr(const char* name, uint32_t address, uint32_t typeCode);
  uintptr_t DefineVtr(const char* name, uint32_t typeCode, uint32_t initialValue);
  uint32_t SetWatchOnMemory(uint32_t first, uint32_t last, AgsiCallback cb, uint32_t kind);
  uint32_t SetWatchOnSfr(uint32_t address, AgsiCallback cb, uint32_t kind);
  uint32_t SetWatchOnVtr(uintptr_t vtr, AgsiCallback cb, uint32_t kind);
  uintptr_t CreateTimer(AgsiCallback cb);
  uint32_t SetTimer(uintptr_t timer, uint32_t cycles);
  uint32_t ReadSfrForPlugin(uint32_t address, uint32_t* value, uint32_t* second, uint32_t mask);
  uint32_t WriteSfrForPlugin(uint32_t address, uint32_t value, uint32_t mask);
  uint32_t SetSfrReadValue(uint32_t value);
  uint32_t ReadVtr(uintptr_t vtr, uint32_t* value);
  uint32_t WriteVtr(uintptr_t vtr, uint32_t value);
  uint32_t ReadMemory(uint32_t address, uint32_t count, uint8_t* buffer);
  uint32_t WriteMemory(uint32_t address, uint32_t count, const uint8_t* buffer);
  uint32_t DefineMenuItem(MenuEntry* entry);
  uint32_t HandleFocus(uintptr_t window);
  uint32_t LastMemoryAddress() const { return lastMemoryAddress_; }
  uint32_t IsSimulatorAccess() const { return simulatorAccess_ ? 1 : 0; }
  uint32_t RequestStop();
  uint32_t RequestReset();
  uint32_t RequestUpdate();

 private:
  struct MemoryWatch {
    uint32_t first;
    uint32_t last;
    AgsiCallback callback;
    uint32_t kind;
  };
  struct Timer {
    AgsiCallback callback;
    uint64_t deadline = 0;
    uint64_t sequence = 0;  // order of arming, for ties
    bool armed = false;
  };

  bool Refused(Service service);
  bool Allows(uint32_t address, bool write) const;
  void RunMemoryWatches(uint32_t address, uint32_t kind);
  void RecomputeNextDeadline();
  ChipRegister* SfrAt(uint32_t address);
  VirtualRegister* VtrAt(uintptr_t handle);
  uint16_t PortPins(uint32_t address, uint16_t latch);
  uint32_t CallEntry(Plugin& plugin, uint32_t code, void* argument);
  void Trace(TraceKind kind, const std::string& text) const;
  bool Tracing() const { return static_cast<bool>(trace_); }

  std::vector<uint8_t> memory_;
  std::vector<MappedRange> ranges_;
  std::vector<MemoryWatch> memoryWatches_;
  std::vector<ChipRegister> sfrs_;
  std::vector<VirtualRegister> vtrs_;
  std::vector<Timer> timers_;
  std::vector<std::unique_ptr<Plugin>> plugins_;
  Plugin* callingPlugin_ = nullptr;  // the plug-in whose entry is running

  uint64_t clock_ = 0;
  uint64_t nextDeadline_ = UINT64_MAX;
  uint64_t armingSequence_ = 0;
  std::optional<uint32_t> sfrReadOverride_;
  uint32_t lastMemoryAddress_ = 0;
  bool simulatorAccess_ = false;
  uintptr_t focus_ = 0;
  uintptr_t hostModule_ = 0;
  bool stopRequested_ = false;
  bool resetRequested_ = false;
  bool updateRequested_ = false;

  struct Refusal {
    Service service;
    int remaining;
  };
  std::vector<Refusal> refusals_;
  TraceSink trace_;
  Simulator* previous_ = nullptr;
};

}  // namespace agsi::host

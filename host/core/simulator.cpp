#include "simulator.h"

#include <dlfcn.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "command.h"

namespace agsi::host {

namespace {

Simulator* activeSimulator = nullptr;

constexpr const char* kHostModuleFile = "libagsihost.so";

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%0*" PRIX32, digits, value);
  return text;
}

uint32_t WidthMask(uint32_t typeCode) {
  switch (typeCode) {
    case 10: return 0xFFu;
    case 11: return 0xFFFFu;
    default: return 0xFFFFFFFFu;
  }
}

// The folder of this library, where the host module and the plug-ins lie.
std::filesystem::path OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  return std::filesystem::path(info.dli_fname).parent_path();
}

// Runs every callback of a list, by index: a callback may add watches.
void RunCallbacks(const std::vector<AgsiCallback>& callbacks) {
  for (std::size_t i = 0; i < callbacks.size(); ++i) callbacks[i]();
}

}  // namespace

AccessViolation::AccessViolation(uint32_t address, bool write)
    : std::runtime_error("access violation: program " + std::string(write ? "write to " : "read of ") +
                         Hex(address, 6) + (write ? " (not mapped for writing)" : " (not mapped for reading)")),
      address_(address),
      write_(write) {}

Simulator::Simulator() : memory_(kMemorySize, 0) {
  // The registers that our chip has whether or not a plug-in declares them.
  const std::pair<const char*, uint32_t> builtIn[] = {
      {"P2", kP2}, {"DP2", kDP2}, {"P8", kP8}, {"DP8", kDP8}, {"ADDRSEL3", kADDRSEL3}, {"BUSCON3", kBUSCON3}};
  for (const auto& [name, address] : builtIn) sfrs_.push_back(ChipRegister{name, address, 0, {}, {}});
  previous_ = activeSimulator;
  activeSimulator = this;
}

Simulator::~Simulator() { activeSimulator = previous_; }

Simulator* Simulator::Active() { return activeSimulator; }

// ---- plug-ins -------------------------------------------------------------

void Simulator::UseHostModule(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw PluginError(path + ": cannot load host module: " + dlerror());
  hostModule_ = reinterpret_cast<uintptr_t>(handle);
}

uintptr_t Simulator::HostModule() {
  if (hostModule_ == 0) UseHostModule((OwnFolder() / kHostModuleFile).string());
  return hostModule_;
}

uint32_t Simulator::CallEntry(Plugin& plugin, uint32_t code, void* argument) {
  Plugin* outer = callingPlugin_;
  callingPlugin_ = &plugin;
  const uint32_t result = plugin.entry(code, argument);
  callingPlugin_ = outer;
  if (Tracing()) Trace(TraceKind::kService, plugin.path + ": AgsiEntry(" + std::to_string(code) + ") = " +
                                                 std::to_string(result));
  return result;
}

Plugin& Simulator::Load(const std::string& path) {
  const uintptr_t module = HostModule();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) throw PluginError(path + ": cannot load: " + dlerror());
  void* entry = dlsym(handle, "AgsiEntry");
  if (entry == nullptr) throw PluginError(path + ": not a plug-in: it exports no AgsiEntry");

  auto plugin = std::make_unique<Plugin>();
  plugin->path = path;
  plugin->handle = handle;
  plugin->entry = reinterpret_cast<EntryFunction>(entry);
  Plugin& loaded = *plugins_.emplace_back(std::move(plugin));

  uint32_t family = kAgsiFamily80166;
  if (CallEntry(loaded, kAgsiCheck, &family) == 0) {
    throw PluginError(path + ": refused the 80166 processor family (entry code 0)");
  }
  HostInitBlock block{{module, 0, 0, 0}};
  if (CallEntry(loaded, kAgsiInitialise, &block) == 0) {
    throw PluginError(path + ": initialisation failed (entry code 1)");
  }
  loaded.initialised = true;
  return loaded;
}

void Simulator::ResetAll() {
  std::string failures;
  for (auto& plugin : plugins_) {
    if (!plugin->initialised) continue;
    if (CallEntry(*plugin, kAgsiReset, nullptr) == 0) {
      failures += (failures.empty() ? "" : "; ") + plugin->path + ": reset failed (entry code 3)";
    }
  }
  if (!failures.empty()) throw PluginError(failures);
}

// ---- clock and timers -----------------------------------------------------

void Simulator::RecomputeNextDeadline() {
  nextDeadline_ = UINT64_MAX;
  for (const Timer& timer : timers_) {
    if (timer.armed) nextDeadline_ = std::min(nextDeadline_, timer.deadline);
  }
}

std::optional<uint64_t> Simulator::NextDeadline() const {
  if (nextDeadline_ == UINT64_MAX) return std::nullopt;
  return nextDeadline_;
}

void Simulator::Advance(uint64_t cycles) {
  const uint64_t target = clock_ + cycles;
  while (nextDeadline_ <= target) {
    // The earliest deadline first; among equal deadlines the earliest arming.
    Timer* due = nullptr;
    std::size_t dueIndex = 0;
    for (std::size_t i = 0; i < timers_.size(); ++i) {
      Timer& timer = timers_[i];
      if (!timer.armed || timer.deadline != nextDeadline_) continue;
      if (due == nullptr || timer.sequence < due->sequence) {
        due = &timer;
        dueIndex = i;
      }
    }
    clock_ = nextDeadline_;
    due->armed = false;  // one expiry per arming, whatever the callback does
    const AgsiCallback callback = due->callback;
    RecomputeNextDeadline();
    if (Tracing()) Trace(TraceKind::kTimer, "timer " + std::to_string(dueIndex + 1) + " expires at cycle " +
                                                std::to_string(clock_));
    callback();
  }
  clock_ = target;
}

uintptr_t Simulator::CreateTimer(AgsiCallback cb) {
  if (Refused(Service::kCreateTimer) || cb == nullptr) return 0;
  timers_.push_back(Timer{cb});
  if (Tracing()) Trace(TraceKind::kService, "AgsiCreateTimer() = " + std::to_string(timers_.size()));
  return timers_.size();
}

uint32_t Simulator::SetTimer(uintptr_t handle, uint32_t cycles) {
  if (Refused(Service::kSetTimer) || handle == 0 || handle > timers_.size()) return 0;
  Timer& timer = timers_[handle - 1];
  if (cycles == kStopTimer) {
    timer.armed = false;
  } else {
    timer.armed = true;
    timer.deadline = clock_ + cycles;
    timer.sequence = ++armingSequence_;
  }
  RecomputeNextDeadline();
  if (Tracing()) {
    Trace(TraceKind::kTimer, "timer " + std::to_string(handle) +
                                 (cycles == kStopTimer ? std::string(" stopped")
                                                       : " armed for " + std::to_string(cycles) + " cycles, expires at " +
                                                             std::to_string(timer.deadline)));
  }
  return 1;
}

// ---- memory -----------------------------------------------------------------

bool Simulator::Allows(uint32_t address, bool write) const {
  for (const MappedRange& range : ranges_) {
    if (address >= range.first && address <= range.last && (write ? range.write : range.read)) return true;
  }
  return false;
}

void Simulator::RunMemoryWatches(uint32_t address, uint32_t kind) {
  for (std::size_t i = 0; i < memoryWatches_.size(); ++i) {
    const MemoryWatch watch = memoryWatches_[i];
    if (watch.kind == kind && address >= watch.first && address <= watch.last) {
      lastMemoryAddress_ = address;
      watch.callback();
    }
  }
}

void Simulator::Write8(uint32_t address, uint8_t value) {
  if (address >= kMemorySize || !Allows(address, true)) throw AccessViolation(address, true);
  memory_[address] = value;
  if (Tracing()) Trace(TraceKind::kBus, "write " + Hex(address, 6) + " = " + Hex(value, 2));
  RunMemoryWatches(address, kAgsiWriteAccess);
}

uint8_t Simulator::Read8(uint32_t address) {
  if (address >= kMemorySize || !Allows(address, false)) throw AccessViolation(address, false);
  RunMemoryWatches(address, kAgsiReadAccess);
  const uint8_t value = memory_[address];
  if (Tracing()) Trace(TraceKind::kBus, "read  " + Hex(address, 6) + " = " + Hex(value, 2));
  return value;
}

void Simulator::Write16(uint32_t address, uint16_t value) {
  Write8(address, static_cast<uint8_t>(value & 0xFF));
  Write8(address + 1, static_cast<uint8_t>(value >> 8));
}

uint16_t Simulator::Read16(uint32_t address) {
  const uint16_t low = Read8(address);
  const uint16_t high = Read8(address + 1);
  return static_cast<uint16_t>(low | (high << 8));
}

uint32_t Simulator::ReadMemory(uint32_t address, uint32_t count, uint8_t* buffer) {
  if (buffer == nullptr || address >= kMemorySize || count > kMemorySize - address) return 0;
  std::memcpy(buffer, &memory_[address], count);
  return 1;
}

uint32_t Simulator::WriteMemory(uint32_t address, uint32_t count, const uint8_t* buffer) {
  if (buffer == nullptr || address >= kMemorySize || count > kMemorySize - address) return 0;
  std::memcpy(&memory_[address], buffer, count);
  return 1;
}

uint32_t Simulator::SetWatchOnMemory(uint32_t first, uint32_t last, AgsiCallback cb, uint32_t kind) {
  if (Refused(Service::kSetWatchOnMemory)) return 0;
  if (cb == nullptr || first > last || last >= kMemorySize || kind > kAgsiWriteAccess) return 0;
  memoryWatches_.push_back(MemoryWatch{first, last, cb, kind});
  if (Tracing()) {
    Trace(TraceKind::kService, "AgsiSetWatchOnMemory(" + Hex(first, 6) + ", " + Hex(last, 6) + ", " +
                                   (kind == kAgsiWriteAccess ? "write" : "read") + ")");
  }
  return 1;
}

// ---- commands ---------------------------------------------------------------

uint32_t Simulator::ExecuteCommand(std::string_view command) {
  if (Refused(Service::kExecuteCommand)) return 0;
  if (Tracing()) Trace(TraceKind::kService, "AgsiExecuteCommand(\"" + std::string(command) + "\")");
  std::string error;
  const std::optional<MappedRange> range = ParseMapCommand(command, error);
  if (!range) {
    Trace(TraceKind::kMessage, "command refused: " + error);
    return 0;
  }
  ranges_.push_back(*range);
  return 1;
}

// ---- chip registers -------------------------------------------------------

ChipRegister* Simulator::SfrAt(uint32_t address) {
  for (ChipRegister& sfr : sfrs_) {
    if (sfr.address == address) return &sfr;
  }
  return nullptr;
}

std::optional<uint32_t> Simulator::FindSfr(std::string_view name) const {
  for (const ChipRegister& sfr : sfrs_) {
    if (sfr.name == name) return sfr.address;
  }
  return std::nullopt;
}

uint32_t Simulator::DefineSfr(const char* name, uint32_t address, uint32_t typeCode) {
  if (Refused(Service::kDefineSfr) || name == nullptr || address > 0xFFFF) return 0;
  if (Tracing()) {
    Trace(TraceKind::kService, std::string("AgsiDefineSFR(\"") + name + "\", " + Hex(address, 4) + ", " +
                                   std::to_string(typeCode) + ")");
  }
  if (ChipRegister* existing = SfrAt(address)) {
    // Declaring a register the chip already has names it; a second name for
    // one address is refused.
    return existing->name == name ? 1 : 0;
  }
  if (FindSfr(name)) return 0;
  sfrs_.push_back(ChipRegister{name, address, 0, {}, {}});
  return 1;
}

uint32_t Simulator::SetWatchOnSfr(uint32_t address, AgsiCallback cb, uint32_t kind) {
  if (Refused(Service::kSetWatchOnSfr)) return 0;
  ChipRegister* sfr = SfrAt(address);
  if (sfr == nullptr || cb == nullptr || kind > kAgsiWriteAccess) return 0;
  (kind == kAgsiWriteAccess ? sfr->writeWatches : sfr->readWatches).push_back(cb);
  if (Tracing()) {
    Trace(TraceKind::kService, "AgsiSetWatchOnSFR(" + Hex(address, 4) + ", " +
                                   (kind == kAgsiWriteAccess ? "write" : "read") + ")");
  }
  return 1;
}

void Simulator::WriteSfr(uint32_t address, uint16_t value) {
  ChipRegister* sfr = SfrAt(address);
  if (sfr == nullptr) throw UsageError("no chip register at " + Hex(address, 4));
  sfr->value = value;
  if (Tracing()) Trace(TraceKind::kRegister, "write " + sfr->name + " = " + Hex(value, 4));
  RunCallbacks(sfr->writeWatches);
}

uint16_t Simulator::PortPins(uint32_t address, uint16_t latch) {
  if (address != kP2) return latch;
  // Output pins read back the latch; input pins read PORT2 where a plug-in
  // models what drives them, else the pull-ups.
  const uint16_t direction = SfrAt(kDP2)->value;
  uint32_t inputs = 0xFFFF;
  if (const std::optional<uintptr_t> port = FindVtr("PORT2")) inputs = VtrAt(*port)->value;
  return static_cast<uint16_t>((latch & direction) | (inputs & ~direction & 0xFFFFu));
}

uint16_t Simulator::ReadSfr(uint32_t address) {
  ChipRegister* sfr = SfrAt(address);
  if (sfr == nullptr) throw UsageError("no chip register at " + Hex(address, 4));
  sfrReadOverride_.reset();
  RunCallbacks(sfr->readWatches);
  const uint16_t value = sfrReadOverride_ ? static_cast<uint16_t>(*sfrReadOverride_) : PortPins(address, sfr->value);
  sfrReadOverride_.reset();
  if (Tracing()) Trace(TraceKind::kRegister, "read  " + sfr->name + " = " + Hex(value, 4));
  return value;
}

uint32_t Simulator::ReadSfrForPlugin(uint32_t address, uint32_t* value, uint32_t* second, uint32_t mask) {
  const ChipRegister* sfr = SfrAt(address);
  const uint32_t raw = sfr != nullptr ? sfr->value : 0;
  if (value != nullptr) *value = raw & mask;
  if (second != nullptr) *second = raw;
  return sfr != nullptr ? 1 : 0;
}

uint32_t Simulator::WriteSfrForPlugin(uint32_t address, uint32_t value, uint32_t mask) {
  ChipRegister* sfr = SfrAt(address);
  if (sfr == nullptr) return 0;
  sfr->value = static_cast<uint16_t>((sfr->value & ~mask) | (value & mask));
  return 1;
}

uint32_t Simulator::SetSfrReadValue(uint32_t value) {
  sfrReadOverride_ = value & 0xFFFF;
  return 1;
}

// ---- virtual registers ------------------------------------------------------

VirtualRegister* Simulator::VtrAt(uintptr_t handle) {
  if (handle == 0 || handle > vtrs_.size()) return nullptr;
  return &vtrs_[handle - 1];
}

std::optional<uintptr_t> Simulator::FindVtr(std::string_view name) const {
  for (std::size_t i = 0; i < vtrs_.size(); ++i) {
    if (vtrs_[i].name == name) return i + 1;
  }
  return std::nullopt;
}

uintptr_t Simulator::DefineVtr(const char* name, uint32_t typeCode, uint32_t initialValue) {
  if (Refused(Service::kDefineVtr) || name == nullptr || *name == '\0' || FindVtr(name)) return 0;
  const uint32_t mask = WidthMask(typeCode);
  vtrs_.push_back(VirtualRegister{name, typeCode, initialValue & mask, mask, {}, {}});
  if (Tracing()) {
    Trace(TraceKind::kService, std::string("AgsiDefineVTR(\"") + name + "\", " + std::to_string(typeCode) + ", " +
                                   std::to_string(initialValue) + ") = " + std::to_string(vtrs_.size()));
  }
  return vtrs_.size();
}

uint32_t Simulator::SetWatchOnVtr(uintptr_t handle, AgsiCallback cb, uint32_t kind) {
  if (Refused(Service::kSetWatchOnVtr)) return 0;
  VirtualRegister* vtr = VtrAt(handle);
  if (vtr == nullptr || cb == nullptr || kind > kAgsiWriteAccess) return 0;
  (kind == kAgsiWriteAccess ? vtr->writeWatches : vtr->readWatches).push_back(cb);
  if (Tracing()) {
    Trace(TraceKind::kService, "AgsiSetWatchOnVTR(" + vtr->name + ", " +
                                   (kind == kAgsiWriteAccess ? "write" : "read") + ")");
  }
  return 1;
}

uint32_t Simulator::ReadVtr(uintptr_t handle, uint32_t* value) {
  const VirtualRegister* vtr = VtrAt(handle);
  if (vtr == nullptr || value == nullptr) return 0;
  *value = vtr->value;
  return 1;
}

uint32_t Simulator::WriteVtr(uintptr_t handle, uint32_t value) {
  if (Refused(Service::kWriteVtr)) return 0;
  VirtualRegister* vtr = VtrAt(handle);
  if (vtr == nullptr) return 0;
  vtr->value = value & vtr->mask;
  if (Tracing()) Trace(TraceKind::kRegister, "write " + vtr->name + " = " + Hex(vtr->value, 4));
  RunCallbacks(vtr->writeWatches);
  return 1;
}

uint32_t Simulator::ReadVtrAsUser(uintptr_t handle) {
  VirtualRegister* vtr = VtrAt(handle);
  if (vtr == nullptr) throw UsageError("no virtual register with handle " + std::to_string(handle));
  RunCallbacks(vtr->readWatches);
  return vtr->value;
}

void Simulator::EditVtr(uintptr_t handle, uint32_t value) {
  if (VtrAt(handle) == nullptr) throw UsageError("no virtual register with handle " + std::to_string(handle));
  simulatorAccess_ = true;
  WriteVtr(handle, value);
  simulatorAccess_ = false;
}

// ---- menu and windows -------------------------------------------------------

uint32_t Simulator::DefineMenuItem(MenuEntry* entry) {
  if (Refused(Service::kDefineMenuItem) || entry == nullptr || entry->onSelect == nullptr ||
      callingPlugin_ == nullptr) {
    return 0;
  }
  callingPlugin_->menuEntries.push_back(entry);
  if (Tracing()) {
    Trace(TraceKind::kService, std::string("AgsiDefineMenuItem(\"") + (entry->menuText ? entry->menuText : "") +
                                   "\", " + std::to_string(entry->dialogId) + ")");
  }
  return 1;
}

std::vector<MenuEntry*> Simulator::MenuEntries() const {
  std::vector<MenuEntry*> entries;
  for (const auto& plugin : plugins_) {
    if (plugin->initialised) entries.insert(entries.end(), plugin->menuEntries.begin(), plugin->menuEntries.end());
  }
  return entries;
}

MenuEntry* Simulator::FindMenuEntry(std::string_view text) const {
  for (MenuEntry* entry : MenuEntries()) {
    std::string plain;
    for (const char* c = entry->menuText; c != nullptr && *c != '\0'; ++c) {
      if (*c != '&') plain += *c;
    }
    if (plain == text) return entry;
  }
  return nullptr;
}

void Simulator::SelectMenuEntry(MenuEntry* entry) {
  if (entry == nullptr || entry->onSelect == nullptr) throw UsageError("no such menu entry");
  entry->onSelect(entry);
}

void Simulator::UpdateWindows() {
  for (MenuEntry* entry : MenuEntries()) {
    WindowSlot* slot = entry->slot;
    if (slot != nullptr && slot->window != 0 && slot->update != nullptr) slot->update();
  }
}

void Simulator::CloseWindows() {
  for (MenuEntry* entry : MenuEntries()) {
    WindowSlot* slot = entry->slot;
    if (slot != nullptr && slot->window != 0 && slot->close != nullptr) slot->close(slot);
  }
}

uint32_t Simulator::HandleFocus(uintptr_t window) {
  focus_ = window;
  return 1;
}

// ---- requests ---------------------------------------------------------------

uint32_t Simulator::RequestStop() {
  stopRequested_ = true;
  return 1;
}
uint32_t Simulator::RequestReset() {
  resetRequested_ = true;
  return 1;
}
uint32_t Simulator::RequestUpdate() {
  updateRequested_ = true;
  return 1;
}
bool Simulator::TakeStopRequest() { return std::exchange(stopRequested_, false); }
bool Simulator::TakeResetRequest() { return std::exchange(resetRequested_, false); }
bool Simulator::TakeUpdateRequest() { return std::exchange(updateRequested_, false); }

// ---- faults and tracing -----------------------------------------------------

void Simulator::RefuseCall(Service service, int occurrence) {
  if (occurrence >= 1) refusals_.push_back(Refusal{service, occurrence});
}

bool Simulator::Refused(Service service) {
  if (refusals_.empty()) return false;
  bool refused = false;
  for (Refusal& refusal : refusals_) {
    if (refusal.service == service && --refusal.remaining == 0) refused = true;
  }
  std::erase_if(refusals_, [](const Refusal& r) { return r.remaining <= 0; });
  if (refused && Tracing()) Trace(TraceKind::kService, "(call refused by the host)");
  return refused;
}

void Simulator::Trace(TraceKind kind, const std::string& text) const {
  if (trace_) {
    trace_(kind, text);
  } else if (kind == TraceKind::kMessage) {
    std::fprintf(stderr, "agsi-host: %s\n", text.c_str());
  }
}

}  // namespace agsi::host

// ScanPorts with no, one and two selected scan lines, each against the same
// host calls made bare through the same host table: what the scan adds is
// the difference. Steady state: the unselected digits' timers already run,
// so a scan makes 6 + 3 * (selected lines) host calls.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "host_api.h"
#include "panel_startup.h"
#include "port_scanner.h"
#include "simulator.h"

namespace {

using agsi::hostApi;
using agsi::host::Simulator;
using keylamp::scanner;

// P2 latch values: scan lines driven low are selected.
constexpr uint16_t kLatchFor[] = {0x003F, 0x003E, 0x003C};

Simulator& Host() {
  static Simulator* sim = [] {
    auto* s = new Simulator;
    agsi::hostInitBlock.words[0] = s->HostModule();
    if (agsi::BindHostApi(agsi::kHostServicesWithoutCommands) == 0) std::abort();
    if (keylamp::DefinePanelVtrs() == 0 || keylamp::SetPanelWatches() == 0) std::abort();
    s->WriteSfr(agsi::host::kDP2, 0x003F);
    s->WriteSfr(agsi::host::kP8, 0x00C0);
    s->WriteSfr(agsi::host::kDP8, 0x00FF);
    s->EditVtr(scanner.panelVtrs[keylamp::kFirstKeyVtr + 1].handle, 0x04);
    return s;
  }();
  return *sim;
}

void SelectLines(int selected) {
  Host().WriteSfr(agsi::host::kP2, kLatchFor[selected]);  // runs one scan: timers armed
}

void BM_ScanPorts(benchmark::State& state) {
  const int selected = static_cast<int>(state.range(0));
  SelectLines(selected);
  for (auto _ : state) keylamp::ScanPorts();
  state.counters["host_calls"] = 6 + 3 * selected;
}

// The calls of one scan in the same order with the same arguments, without
// the scan's own work.
void BM_BareHostCalls(benchmark::State& state) {
  const int selected = static_cast<int>(state.range(0));
  SelectLines(selected);
  keylamp::PortSnapshot snapshot;
  const uintptr_t port2 = keylamp::Port2Vtr(scanner);
  for (auto _ : state) {
    hostApi.AgsiReadSFR(keylamp::kP2Address, &snapshot.p2, &snapshot.second[0], keylamp::kSfrMask);
    hostApi.AgsiReadSFR(keylamp::kDP2Address, &snapshot.dp2, &snapshot.second[1], keylamp::kSfrMask);
    hostApi.AgsiReadSFR(keylamp::kP8Address, &snapshot.p8, &snapshot.second[2], keylamp::kSfrMask);
    hostApi.AgsiReadSFR(keylamp::kDP8Address, &snapshot.dp8, &snapshot.second[3], keylamp::kSfrMask);
    uint32_t keys = 0;
    for (int line = 0; line < selected; ++line) {
      hostApi.AgsiWriteVTR(keylamp::LedVtr(scanner, line), 0x3F);
      uint32_t value = 0;
      hostApi.AgsiReadVTR(keylamp::KeyVtr(scanner, line), &value);
      keys |= value;
      hostApi.AgsiSetTimer(scanner.ledTimers[line].timer, keylamp::kStopTimer);
    }
    uint32_t old = 0;
    hostApi.AgsiReadVTR(port2, &old);
    hostApi.AgsiWriteVTR(port2, 0x3F00 | (old & keys));
    benchmark::DoNotOptimize(snapshot);
  }
  state.counters["host_calls"] = 6 + 3 * selected;
}

BENCHMARK(BM_ScanPorts)->ArgName("selected")->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_BareHostCalls)->ArgName("selected")->Arg(0)->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();

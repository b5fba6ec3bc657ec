// The cost of each LCD callback against an empty callback reached through
// the same host path, with the number of heap allocations per iteration.
#include <benchmark/benchmark.h>

#include "allocation_counter.h"
#include "simulator.h"

namespace {

using agsi::host::Simulator;

constexpr uint32_t kEmptyRead = 0x50000;
constexpr uint32_t kEmptyWrite = 0x50001;
constexpr uint32_t kEmptySfr = 0xFFD4;  // P8: no plug-in here watches it
uintptr_t emptyTimer = 0;

void Empty() {}
void EmptyTimer() { AgsiSetTimer(emptyTimer, 0xFFFFFFFF); }

// One host with Glyphpane ready (state 15) and empty watches beside it.
Simulator& Host() {
  static Simulator* sim = [] {
    auto* s = new Simulator;
    s->Load(GLYPHPANE_PATH);
    s->ResetAll();
    s->Advance(393680);
    s->WriteSfr(0xFE1C, 0x0400);
    s->WriteSfr(0xFF18, 0x0600);
    for (int code : {0x38, 0x0F, 0x06}) {
      s->Write8(0x40000, static_cast<uint8_t>(code));
      s->Advance(740);
    }
    s->ExecuteCommand("MAP 0x50000, 0x50001 read write");
    AgsiSetWatchOnMemory(kEmptyRead, kEmptyRead, Empty, 0);
    AgsiSetWatchOnMemory(kEmptyWrite, kEmptyWrite, Empty, 1);
    AgsiSetWatchOnSFR(kEmptySfr, Empty, 1);
    emptyTimer = AgsiCreateTimer(EmptyTimer);
    return s;
  }();
  return *sim;
}

template <typename Body>
void Measure(benchmark::State& state, Body body) {
  Simulator& sim = Host();
  body(sim);  // warm
  const std::size_t before = agsi::testing::AllocationCount();
  for (auto _ : state) body(sim);
  state.counters["allocs/iter"] =
      benchmark::Counter(static_cast<double>(agsi::testing::AllocationCount() - before) / static_cast<double>(state.iterations()));
}

void EmptyReadWatch(benchmark::State& state) {
  Measure(state, [](Simulator& sim) { benchmark::DoNotOptimize(sim.Read8(kEmptyRead)); });
}
void OnStatusReadCost(benchmark::State& state) {
  Measure(state, [](Simulator& sim) { benchmark::DoNotOptimize(sim.Read8(0x40002)); });
}
// A read that arms a timer, and the timer's expiry, against the empty pair.
void EmptyReadWatchAndTimer(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    benchmark::DoNotOptimize(sim.Read8(kEmptyRead));
    AgsiSetTimer(emptyTimer, 740);
    sim.Advance(740);
  });
}
void OnDataReadAndTimer(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    benchmark::DoNotOptimize(sim.Read8(0x40003));
    sim.Advance(740);
  });
}
void EmptyWriteWatchAndTimer(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    sim.Write8(kEmptyWrite, 0x41);
    AgsiSetTimer(emptyTimer, 740);
    sim.Advance(740);
  });
}
void OnDataWriteAndTimer(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    sim.Write8(0x40001, 0x41);
    sim.Advance(740);
  });
}
void OnInstructionWriteAndTimer(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    sim.Write8(0x40000, 0x14);  // cursor right
    sim.Advance(740);
  });
}
void OnInstructionWriteWhileBusy(benchmark::State& state) {
  Measure(state, [](Simulator& sim) {
    sim.Write8(0x40000, 0x02);  // return home keeps the controller busy
    sim.Write8(0x40000, 0x14);  // lost
    sim.Advance(16280);
  });
}
void EmptySfrWatch(benchmark::State& state) {
  Measure(state, [](Simulator& sim) { sim.WriteSfr(kEmptySfr, 0); });
}
void CheckBusSelectCost(benchmark::State& state) {
  Measure(state, [](Simulator& sim) { sim.WriteSfr(0xFF18, 0x0600); });
}

BENCHMARK(EmptyReadWatch);
BENCHMARK(OnStatusReadCost);
BENCHMARK(EmptyReadWatchAndTimer);
BENCHMARK(OnDataReadAndTimer);
BENCHMARK(EmptyWriteWatchAndTimer);
BENCHMARK(OnDataWriteAndTimer);
BENCHMARK(OnInstructionWriteAndTimer);
BENCHMARK(OnInstructionWriteWhileBusy);
BENCHMARK(EmptySfrWatch);
BENCHMARK(CheckBusSelectCost);

}  // namespace

BENCHMARK_MAIN();

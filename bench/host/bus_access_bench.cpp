// Simulated bus accesses per second through Glyphpane: a firmware-style
// busy-poll loop (poll the LCD's status until idle, then send an
// instruction that keeps it busy for 740 cycles), once as a Lua stimulus
// script in agsi-host's runner and once as the same loop in C++.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "script_runner.h"
#include "simulator.h"

namespace {

using agsi::host::Simulator;
using agsi::host::program::kBusAccessCycles;
using agsi::host::program::ScriptRunner;

constexpr uint32_t kInstruction = 0x40000;
constexpr uint32_t kStatus = 0x40002;
constexpr uint8_t kBusy = 0x80;
constexpr uint8_t kCursorRight = 0x14;
constexpr int kAccessesPerRun = 2'000'000;
constexpr uint64_t kPowerOnCycles = 400'000;

// Glyphpane loaded once per process (a plug-in stays loaded), reset and
// brought to its ready state as a driver does.
Simulator& ReadyLcd() {
  static Simulator* simulator = [] {
    auto* s = new Simulator;
    s->Load(GLYPHPANE_PATH);
    return s;
  }();
  simulator->ResetAll();
  simulator->WriteSfr(agsi::host::kADDRSEL3, 0x0400);
  simulator->WriteSfr(agsi::host::kBUSCON3, 0x0600);
  simulator->Advance(kPowerOnCycles);
  for (const uint8_t code : {uint8_t{0x38}, uint8_t{0x0C}}) {
    while (simulator->Read8(kStatus) & kBusy) simulator->Advance(kBusAccessCycles);
    simulator->Write8(kInstruction, code);
  }
  return *simulator;
}

std::string WritePollScript() {
  const std::string path = "/tmp/agsi-host-bench-" + std::to_string(getpid()) + ".lua";
  std::ofstream(path) << "local STATUS, INSTRUCTION, BUSY = 0x40002, 0x40000, 0x80\n"
                         "local accesses = 0\n"
                         "while accesses < " << kAccessesPerRun << " do\n"
                         "  if mem.read(STATUS) & BUSY == 0 then\n"
                         "    mem.write(INSTRUCTION, 0x14)\n"
                         "    accesses = accesses + 1\n"
                         "  end\n"
                         "  accesses = accesses + 1\n"
                         "end\n";
  return path;
}

void BM_LuaBusyPoll(benchmark::State& state) {
  const std::string script = WritePollScript();
  uint64_t accesses = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Simulator& simulator = ReadyLcd();
    ScriptRunner runner(simulator, script, {});
    if (!runner.Load()) state.SkipWithError(runner.Error().c_str());
    state.ResumeTiming();
    while (runner.Run(std::chrono::milliseconds(10)) == ScriptRunner::Outcome::kPaused) {
    }
    accesses += runner.Accesses();
  }
  std::remove(script.c_str());
  state.counters["accesses/s"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LuaBusyPoll)->Unit(benchmark::kMillisecond);

void BM_CppBusyPoll(benchmark::State& state) {
  uint64_t accesses = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Simulator& simulator = ReadyLcd();
    state.ResumeTiming();
    for (int count = 0; count < kAccessesPerRun; ++count) {
      const uint8_t status = simulator.Read8(kStatus);
      simulator.Advance(kBusAccessCycles);
      if ((status & kBusy) == 0) {
        simulator.Write8(kInstruction, kCursorRight);
        simulator.Advance(kBusAccessCycles);
        ++count;
      }
    }
    accesses += kAccessesPerRun;
  }
  state.counters["accesses/s"] = benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CppBusyPoll)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

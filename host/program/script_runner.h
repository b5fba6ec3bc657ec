// The stimulus script: a Lua 5.4 chunk that plays the program running on
// the simulated chip. It runs as a coroutine in slices, so that the host's
// windows stay live while a script loops forever like a firmware main loop.
//
// Each bus or chip-register access of the script costs kBusAccessCycles
// processor cycles, so a program that busy-polls a status register sees the
// plug-ins' cycle timers expire.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace agsi::host {
class Simulator;
}

namespace agsi::host::program {

// Processor cycles that one access of the script (mem.*, sfr.*) takes; a
// 16-bit access is one access of the 16-bit bus.
inline constexpr uint64_t kBusAccessCycles = 2;
// VM instructions between two chances of the host to end a slice; a loop
// that makes no host call is still sliced.
inline constexpr int kInstructionsPerCheck = 20000;

class ScriptRunner {
 public:
  enum class Outcome {
    kPaused,      // the slice (or the step) is over; run again to go on
    kSleeping,    // sleep(ms): run again after SleepDuration() of real time
    kFinished,    // the script's main body returned
    kQuit,        // quit(): the script ends the whole run
    kFailed,      // Error() says where and why
    kCycleLimit,  // the clock reached the cycle limit
  };

  ScriptRunner(Simulator& simulator, std::string path, std::vector<std::string> arguments);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Reads and compiles the script; false with Error() when the file is
  // missing or has a syntax error.
  bool Load();
  void SetCycleLimit(std::optional<uint64_t> cycles);

  // Runs the script for about one slice of real time.
  Outcome Run(std::chrono::nanoseconds slice);
  // Runs the script up to and including its next host call (or one slice).
  Outcome Step(std::chrono::nanoseconds slice);

  const std::string& Error() const;
  std::chrono::milliseconds SleepDuration() const;
  // Bus and chip-register accesses the script has made.
  uint64_t Accesses() const;
  const std::string& Path() const;

  struct Context;

 private:
  Outcome Resume(std::chrono::nanoseconds slice, bool stepping);
  std::unique_ptr<Context> context_;
};

}  // namespace agsi::host::program

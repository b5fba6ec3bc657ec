// The script runner in-process with Glyphpane loaded: slices, single steps,
// the cycle limit and real-time sleeps, the way the GUI drives them.
#include <gtest/gtest.h>

#include "program_run.h"
#include "script_runner.h"
#include "simulator.h"

namespace agsi::host::program {
namespace {

using Outcome = ScriptRunner::Outcome;
using namespace std::chrono_literals;

constexpr uint32_t kLcdStatus = 0x40002;

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    simulator_.Load(GLYPHPANE_PATH);
    simulator_.ResetAll();
  }

  ScriptRunner& Start(const std::string& text) {
    runner_ = std::make_unique<ScriptRunner>(simulator_, testing::WriteScript("script.lua", text),
                                             std::vector<std::string>{});
    EXPECT_TRUE(runner_->Load()) << runner_->Error();
    return *runner_;
  }

  Simulator simulator_;
  std::unique_ptr<ScriptRunner> runner_;
};

TEST_F(Runner, ASliceEndsALoopThatMakesNoHostCall) {
  ScriptRunner& runner = Start("local n = 0\nwhile true do n = n + 1 end\n");
  EXPECT_EQ(runner.Run(2ms), Outcome::kPaused);
  EXPECT_EQ(runner.Run(2ms), Outcome::kPaused);
  EXPECT_EQ(simulator_.Clock(), 0u);
}

TEST_F(Runner, ABusyPollLoopGoesOnFromSliceToSlice) {
  ScriptRunner& runner = Start("while true do mem.read(0x40002) end\n");
  EXPECT_EQ(runner.Run(2ms), Outcome::kPaused);
  const uint64_t first = runner.Accesses();
  EXPECT_GT(first, 0u);
  EXPECT_EQ(runner.Run(2ms), Outcome::kPaused);
  EXPECT_GT(runner.Accesses(), first);
  EXPECT_EQ(simulator_.Clock(), runner.Accesses() * kBusAccessCycles);
}

TEST_F(Runner, AStepRunsOneHostCall) {
  ScriptRunner& runner = Start("for i = 1, 3 do mem.read(0x40002) end\nwait(100)\n");
  for (uint64_t step = 1; step <= 3; ++step) {
    EXPECT_EQ(runner.Step(1s), Outcome::kPaused);
    EXPECT_EQ(runner.Accesses(), step);
    EXPECT_EQ(simulator_.Clock(), step * kBusAccessCycles);
  }
  EXPECT_EQ(runner.Step(1s), Outcome::kPaused);
  EXPECT_EQ(simulator_.Clock(), 3 * kBusAccessCycles + 100);
  EXPECT_EQ(runner.Step(1s), Outcome::kFinished);
}

TEST_F(Runner, TheCycleLimitStopsTheClockExactlyThere) {
  ScriptRunner& runner = Start("while true do wait(7) end\n");
  runner.SetCycleLimit(1000);
  EXPECT_EQ(runner.Run(1s), Outcome::kCycleLimit);
  EXPECT_EQ(simulator_.Clock(), 1000u);
  EXPECT_EQ(runner.Run(1s), Outcome::kCycleLimit);  // and it does not go on
  EXPECT_EQ(simulator_.Clock(), 1000u);
}

TEST_F(Runner, TimersExpireWhileTheProgramPolls) {
  // After the reset the LCD is busy until its power-on delay has passed;
  // the poll loop ends because its accesses move the clock.
  ScriptRunner& runner = Start(R"(
    local polls = 0
    while mem.read(0x40002) & 0x80 ~= 0 do polls = polls + 1 end
    expect(clock() >= 393680, "power-on delay over at " .. clock())
    expect(clock() < 393680 + 2 * CYCLES_PER_ACCESS, "no later than the next poll")
  )");
  EXPECT_EQ(runner.Run(10s), Outcome::kFinished) << runner.Error();
  EXPECT_EQ(simulator_.Read8(kLcdStatus) & 0x80, 0);
}

TEST_F(Runner, SleepHandsRealTimeBackToTheHost) {
  ScriptRunner& runner = Start("sleep(25)\nwait(5)\n");
  EXPECT_EQ(runner.Run(1s), Outcome::kSleeping);
  EXPECT_EQ(runner.SleepDuration(), 25ms);
  EXPECT_EQ(runner.Run(1s), Outcome::kFinished);
  EXPECT_EQ(simulator_.Clock(), 5u);
}

TEST_F(Runner, CoroutinesOfTheScriptKeepTheirOwnYields) {
  // The host never yields out of the script's own coroutines, not even in
  // single steps, so a generator gets exactly its values.
  ScriptRunner& runner = Start(R"(
    local next_status = coroutine.wrap(function()
      for i = 1, 3 do coroutine.yield(mem.read(0x40002)) end
      return "done"
    end)
    local values = {next_status(), next_status(), next_status(), next_status()}
    expect(#values == 4 and values[4] == "done", "generator values")
  )");
  Outcome outcome = Outcome::kPaused;
  for (int step = 0; step < 10 && outcome == Outcome::kPaused; ++step) outcome = runner.Step(1s);
  EXPECT_EQ(outcome, Outcome::kFinished) << runner.Error();
  EXPECT_EQ(runner.Accesses(), 3u);
}

TEST_F(Runner, AccessViolationCanBeCaughtByTheScript) {
  ScriptRunner& runner = Start(R"(
    local ok, message = pcall(mem.write, 0x100, 1)
    expect(not ok and message:find("access violation: program write to 0x000100", 1, true), tostring(message))
    error("stop here")
  )");
  EXPECT_EQ(runner.Run(1s), Outcome::kFailed);
  EXPECT_NE(runner.Error().find("script.lua:4: stop here"), std::string::npos) << runner.Error();
}

TEST_F(Runner, ValuesOutOfRangeAreRefused) {
  ScriptRunner& runner = Start("mem.write(0x40000, 256)\n");
  EXPECT_EQ(runner.Run(1s), Outcome::kFailed);
  EXPECT_NE(runner.Error().find("byte out of range: 256"), std::string::npos) << runner.Error();
}

TEST_F(Runner, AUserEditOfAVirtualRegisterRunsThroughTheHost) {
  ScriptRunner& runner = Start(R"(
    vtr.set("LCD_STATUS", 0x1234)
    expect(vtr.get("LCD_STATUS") == 0x1234, "edited")
  )");
  EXPECT_EQ(runner.Run(1s), Outcome::kFinished) << runner.Error();
  EXPECT_EQ(simulator_.ReadVtrAsUser(*simulator_.FindVtr("LCD_STATUS")), 0x1234u);
}

}  // namespace
}  // namespace agsi::host::program

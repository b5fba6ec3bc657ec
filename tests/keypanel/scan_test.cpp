// The port scan as the program sees it: port settings and pressed keys in,
// digit patterns and port 2 pin levels out.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>

#include "keylamp_fixture.h"

namespace keylamp_test {
namespace {

constexpr uint32_t kUntouched = 0xAA;  // a digit pattern the scan must not overwrite

struct ScanCase {
  const char* name;
  Ports ports;
  std::array<uint32_t, kLines> keys;  // KEY0..KEY5
  uint32_t port2Before;               // PORT2 as the user left it
  uint32_t wantWrittenDigits;         // bit n: LEDn receives the pattern
  uint32_t wantPattern;
  uint32_t wantPort2;
};

constexpr ScanCase kScanCases[] = {
    {"NoLineSelectedAllHigh", {0x003F, 0x003F, 0x0000, 0x00FF}, {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}, 0,
     0x00, 0, 0x3F3F},
    {"NoLineSelectedAllInputs", {0x0000, 0x0000, 0x0000, 0x00FF}, {0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F}, 0,
     0x00, 0, 0x3F00},
    {"LineWithDirectionClearNeverSelected", {0x0000, 0x0037, 0x00C0, 0x00FF}, {0, 0, 0, 0x01, 0, 0}, 0,
     0x37, 0x3F, 0x3F00},
    {"TwoLinesShareThePatternAndReturnLines", {0x002D, 0x003F, 0x0006, 0x00FF}, {0, 0x01, 0x02, 0, 0x20, 0},
     0, 0x12, 0xF9, 0x1E2D},
    {"KeyOnSelectedLinePullsItsReturnLineLow", {0x003E, 0x003F, 0x00FF, 0x00FF}, {0x04, 0, 0, 0, 0, 0}, 0,
     0x01, 0x00, 0x3B3E},
    {"KeyOnUnselectedLineHasNoEffect", {0x003E, 0x003F, 0x00FF, 0x00FF}, {0, 0x04, 0, 0, 0, 0}, 0, 0x01,
     0x00, 0x3F3E},
    {"SegmentsWithDirectionClearStayDark", {0x003E, 0x003F, 0x0000, 0x000F}, {0, 0, 0, 0, 0, 0}, 0, 0x01,
     0x0F, 0x3F3E},
    {"PatternHasNoBitsAbove7", {0x003E, 0x003F, 0x0000, 0xFFFF}, {0, 0, 0, 0, 0, 0}, 0, 0x01, 0xFF, 0x3F3E},
    {"ReturnLinesAsOutputsFollowTheLatch", {0x2A00, 0x3F01, 0x0000, 0x00FF}, {0x3F, 0, 0, 0, 0, 0}, 0, 0x01,
     0xFF, 0x2A00},
    {"InputPins14And15KeptAnd0To7ReadZero", {0x0000, 0x0001, 0x0000, 0x00FF}, {0, 0, 0, 0, 0, 0}, 0xC0FF,
     0x01, 0xFF, 0xFF00},
    {"DrivenPin15FollowsTheLatch", {0x0000, 0x8001, 0x0000, 0x00FF}, {0, 0, 0, 0, 0, 0}, 0xC0FF, 0x01, 0xFF,
     0x7F00},
    {"KeyBits6And7NeverReachPort2", {0x003B, 0x003F, 0x00FF, 0x00FF}, {0, 0, 0xC0, 0, 0, 0}, 0, 0x04, 0x00,
     0x3F3B},
};

class ScanTable : public KeylampTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanTable, LatchesDigitsAndComposesPort2) {
  const ScanCase& c = GetParam();
  for (int n = 0; n < kLines; ++n) {
    SetLed(n, kUntouched);
    SetKeys(n, c.keys[n]);
  }
  sim.EditVtr(Vtr("PORT2"), c.port2Before);

  WritePorts(c.ports);

  for (int n = 0; n < kLines; ++n) {
    const bool written = (c.wantWrittenDigits >> n & 1) != 0;
    EXPECT_EQ(Led(n), written ? c.wantPattern : kUntouched)
        << "LED" << n << (written ? " is selected and should show the segment pattern"
                                  : " is not selected and should keep its value");
  }
  EXPECT_EQ(Port2(), c.wantPort2) << "PORT2 pin levels";
  EXPECT_EQ(ProgramReadsP2(), c.wantPort2) << "the program's read of port 2";
}

INSTANTIATE_TEST_SUITE_P(PortSettings, ScanTable, ::testing::ValuesIn(kScanCases),
                         [](const auto& test) { return std::string(test.param.name); });

// A key pressed while its line is selected shows on the next read of port 2
// at once: the key register's watch runs the scan.
TEST_F(KeylampTest, KeyEditReachesPort2WithoutPortAccess) {
  WritePorts(SelectLine(3, 0xFF));
  ASSERT_EQ(ProgramReadsP2() & 0x3F00, 0x3F00u) << "no key pressed yet";

  SetKeys(3, 0x04);  // panel key 20, "9"
  EXPECT_EQ(ProgramReadsP2() & 0x3F00, 0x3B00u) << "return line 2 (bit 10) should read low";

  SetKeys(3, 0x00);
  EXPECT_EQ(ProgramReadsP2() & 0x3F00, 0x3F00u) << "released key should let bit 10 read high";
}

// ---- digit blanking, counted in processor cycles ------------------------

class DigitTimeout : public KeylampTest {
 protected:
  static constexpr uint16_t kZero = 0xC0;  // segments a-f low: the pattern 0x3F
  void ShowDigit0() { WritePorts(SelectLine(0, kZero)); }
  void DeselectAll() { sim.WriteSfr(agsi::host::kP2, 0x003F); }
  void RescanUnselected() { sim.WriteSfr(agsi::host::kP8, kZero); }
  void Reselect0() { sim.WriteSfr(agsi::host::kP2, 0x003E); }
};

TEST_F(DigitTimeout, GoesDarkExactly400000CyclesAfterFirstUnselectedScan) {
  ShowDigit0();
  ASSERT_EQ(Led(0), 0x3Fu);
  DeselectAll();

  Advance(kLedTimeoutCycles - 1);
  EXPECT_EQ(Led(0), 0x3Fu) << "one cycle before expiry the digit should still be lit";
  Advance(1);
  EXPECT_EQ(Led(0), 0u) << "at expiry the digit should be dark";
}

TEST_F(DigitTimeout, LaterUnselectedScansDoNotRestartTheCountdown) {
  ShowDigit0();
  DeselectAll();
  Advance(300000);
  RescanUnselected();
  RescanUnselected();

  Advance(kLedTimeoutCycles - 300000 - 1);
  EXPECT_EQ(Led(0), 0x3Fu) << "one cycle before the first deadline";
  Advance(1);
  EXPECT_EQ(Led(0), 0u) << "the countdown runs from the first unselected scan";
}

TEST_F(DigitTimeout, ReselectionStopsTheCountdown) {
  ShowDigit0();
  DeselectAll();
  Advance(300000);
  Reselect0();

  Advance(kLedTimeoutCycles);  // well past the first deadline
  EXPECT_EQ(Led(0), 0x3Fu) << "a reselected digit's timer must be stopped";
}

TEST_F(DigitTimeout, ReselectedThenDeselectedCountsFromTheNewDeselection) {
  ShowDigit0();
  DeselectAll();
  Advance(300000);
  Reselect0();
  DeselectAll();

  Advance(kLedTimeoutCycles - 1);
  EXPECT_EQ(Led(0), 0x3Fu) << "one cycle before the new deadline";
  Advance(1);
  EXPECT_EQ(Led(0), 0u);
}

TEST_F(DigitTimeout, SelectedDigitStaysLitIndefinitely) {
  ShowDigit0();
  Advance(10 * kLedTimeoutCycles);
  EXPECT_EQ(Led(0), 0x3Fu);
}

TEST_F(DigitTimeout, DarkDigitStillUnselectedIsBlankedAgainAfterTheNextScan) {
  ShowDigit0();
  DeselectAll();
  Advance(kLedTimeoutCycles);
  ASSERT_EQ(Led(0), 0u);

  SetLed(0, 0x06);  // the user lights it by hand
  RescanUnselected();  // the next scan arms the idle timer again
  Advance(kLedTimeoutCycles - 1);
  EXPECT_EQ(Led(0), 0x06u);
  Advance(1);
  EXPECT_EQ(Led(0), 0u);
}

// ---- the guard against a scan from within a scan ------------------------

// A user watch on LED0 writes a key register while the scan is latching the
// digit; the key register's watch calls the scan again, which must return
// without touching any register or timer.
Simulator* nestingSim = nullptr;
uintptr_t nestingKey = 0;
std::size_t traceBeforeNested = 0;
std::size_t traceAfterNested = 0;
TraceRecorder* nestingTrace = nullptr;

void WriteKeyFromInsideTheScan() {
  if (nestingKey == 0) return;
  const uintptr_t key = std::exchange(nestingKey, 0);
  traceBeforeNested = nestingTrace->Size();
  nestingSim->EditVtr(key, 0x01);
  traceAfterNested = nestingTrace->Size();
}

TEST_F(KeylampTest, NestedScanChangesNothing) {
  WritePorts(SelectLine(0, 0xFF));
  sim.SetWatchOnVtr(LedVtr(0), WriteKeyFromInsideTheScan, kAgsiWriteAccess);
  TraceRecorder trace(sim);
  nestingSim = &sim;
  nestingTrace = &trace;
  nestingKey = KeyVtr(5);  // line 5 is unselected: its key would not show anyway

  sim.WriteSfr(agsi::host::kP8, 0xFE);  // the outer scan: LED0 := 0x01

  const auto nested = trace.TextsSince(traceBeforeNested);
  ASSERT_GT(traceAfterNested, traceBeforeNested);
  EXPECT_EQ(traceAfterNested - traceBeforeNested, 1u)
      << "only the user's own write of KEY5 should be traced inside the nested call; got "
      << ::testing::PrintToString(nested);
  EXPECT_EQ(Led(0), 0x01u) << "the outer scan completes";
  EXPECT_EQ(Key(5), 0x01u);
  nestingTrace = nullptr;
}

}  // namespace
}  // namespace keylamp_test

// Instruction decoding over all 256 codes in each interface state.
#include <array>

#include "lcd_bus.h"

namespace glyphpane::testing {
namespace {

enum class Outcome { kIgnored, kBusy, kHome, kClear };

const char* Name(Outcome outcome) {
  switch (outcome) {
    case Outcome::kIgnored: return "ignored";
    case Outcome::kBusy: return "accepted, busy 740 cycles";
    case Outcome::kHome: return "return home, busy 16280 cycles";
    case Outcome::kClear: return "clear, not busy";
  }
  return "?";
}

// What each code does in the states 3 (awaiting function set), 5 (function
// set received) and 15 (ready).
struct CodeRange {
  int first;
  int last;
  std::array<Outcome, 3> inState;  // 3, 5, 15
};

constexpr Outcome I = Outcome::kIgnored;
constexpr Outcome B = Outcome::kBusy;
constexpr CodeRange kDecoding[] = {
    {0x00, 0x00, {I, I, I}},
    {0x01, 0x01, {I, Outcome::kClear, Outcome::kClear}},
    {0x02, 0x03, {I, I, Outcome::kHome}},
    {0x04, 0x07, {I, B, B}},  // entry mode
    {0x08, 0x0F, {I, B, B}},  // display control
    {0x10, 0x1F, {I, I, B}},  // cursor and display shift
    {0x20, 0x37, {I, I, I}},  // other function sets
    {0x38, 0x3B, {B, I, I}},  // function set, 8-bit, two lines
    {0x3C, 0x7F, {I, I, I}},  // other function sets, character generator
    {0x80, 0xFF, {I, I, B}},  // set display address
};

Outcome Expected(int code, int stateIndex) {
  for (const CodeRange& range : kDecoding) {
    if (code >= range.first && code <= range.last) return range.inState[stateIndex];
  }
  return I;
}

class Decoding : public LcdBus {
 protected:
  void EnterState(uint32_t state) {
    PowerUpSelected();
    if (state == 3) return;
    Command(0x38);
    Command(0x0E);  // ready, cursor shown
    Command(0x85);  // counter away from 0, so that clear and home show
    // State 5 with the counter away from 0 is reached by a user's edit.
    if (state == 5) EditLcdStatus((LcdStatus() & ~0xFu) | 5);
  }

  Outcome Observe(uint8_t code) {
    const uint32_t statusBefore = LcdStatus();
    const int counterBefore = AddressCounter();
    WriteInstruction(code);
    if (!Busy()) {
      if (AddressCounter() == 0 && counterBefore != 0) return Outcome::kClear;
      EXPECT_EQ(LcdStatus(), statusBefore) << "an ignored code changed LCD_STATUS";
      return Outcome::kIgnored;
    }
    Advance(kInstructionCycles - 1);
    if (!Busy()) return Outcome::kIgnored;  // wrong: busy too short
    Advance(1);
    if (!Busy()) return Outcome::kBusy;
    Advance(kHomeCycles - kInstructionCycles - 1);
    if (!Busy()) return Outcome::kIgnored;
    Advance(1);
    return Busy() ? Outcome::kIgnored : Outcome::kHome;
  }
};

TEST_F(Decoding, EveryCodeInStates3And5And15) {
  constexpr uint32_t kStates[] = {3, 5, 15};
  for (int stateIndex = 0; stateIndex < 3; ++stateIndex) {
    for (int code = 0; code < 256; ++code) {
      EnterState(kStates[stateIndex]);
      const Outcome want = Expected(code, stateIndex);
      const Outcome got = Observe(static_cast<uint8_t>(code));
      EXPECT_EQ(got, want) << "state " << kStates[stateIndex] << ", code 0x" << std::hex << code << ": got "
                           << Name(got) << ", want " << Name(want);
    }
  }
}

TEST_F(Decoding, NoCodeIsTakenWhileTheBusIsNotSelectedOrBeforePowerOn) {
  struct Situation {
    const char* name;
    bool poweredUp;
    bool selected;
    uint32_t state;
  };
  for (const Situation& s : {Situation{"before power-on, selected", false, true, 1},
                             Situation{"powered up, not selected", true, false, 2}}) {
    for (int code = 0; code < 256; ++code) {
      Reset();
      if (s.poweredUp) Advance(kPowerOnCycles);
      if (s.selected) SelectBus();
      ASSERT_EQ(LcdStatus() & 0xF, s.state) << s.name;
      WriteInstruction(static_cast<uint8_t>(code));
      EXPECT_EQ(LcdStatus() & 0xF, s.state) << s.name << ", code 0x" << std::hex << code;
      if (s.poweredUp) {
        EXPECT_FALSE(Busy()) << s.name << ", code 0x" << std::hex << code;
      }
    }
  }
}

TEST_F(Decoding, NothingIsTakenBeforeTheFirstReset) {
  EXPECT_EQ(ReadStatus(), 0x80) << "busy, address 0";
  Advance(kPowerOnCycles * 2);
  SelectBus();
  WriteInstruction(0x38);
  WriteData('A');
  EXPECT_EQ(ReadData(), 0) << "a data read before the reset supplies nothing";
  EXPECT_EQ(ReadStatus(), 0x80);
  EXPECT_EQ(LcdStatus() & 0xF, 1u) << "only the bus-select bit follows the chip select";
}

}  // namespace
}  // namespace glyphpane::testing

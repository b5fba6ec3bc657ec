// The LCD controller as a program on the simulated chip drives it.
#include "lcd_bus.h"

namespace glyphpane::testing {
namespace {

using Controller = LcdBus;

// Busy times at the cycle boundary: busy one cycle before, idle at expiry.
TEST_F(Controller, BusyTimesEndExactlyAtTheirCycleCount) {
  struct Case {
    const char* name;
    uint8_t code;  // 0: the power-on delay itself
    uint64_t cycles;
  };
  for (const Case& c : {Case{"power-on delay", 0, kPowerOnCycles}, Case{"display control", 0x0E, kInstructionCycles},
                        Case{"return home", 0x02, kHomeCycles}, Case{"set address", 0xC5, kInstructionCycles}}) {
    if (c.code == 0) {
      Reset();
      SelectBus();
    } else {
      BringToReady();
      WriteInstruction(c.code);
    }
    Advance(c.cycles - 1);
    EXPECT_TRUE(Busy()) << c.name << ": one cycle before the end";
    Advance(1);
    EXPECT_FALSE(Busy()) << c.name << ": at the end";
  }
}

TEST_F(Controller, WritesWhileBusyAreLost) {
  BringToReady();
  WriteInstruction(0x85);
  Advance(kInstructionCycles - 1);
  WriteInstruction(0x8A);  // lost
  Advance(1);
  EXPECT_EQ(ReadStatus(), 0x05);
  WriteInstruction(0x8A);
  EXPECT_EQ(ReadStatus(), 0x80 | 0x0A) << "accepted once idle; a status read shows busy and the counter";
  Advance(kInstructionCycles);
  WriteInstruction(0x02);
  Advance(kInstructionCycles);
  WriteInstruction(0x8F);  // return home still busy: lost
  Advance(kHomeCycles);
  EXPECT_EQ(AddressCounter(), 0) << "return home puts the counter back to 0";
}

TEST_F(Controller, StartUpSequenceThroughTheInterfaceStates) {
  Reset();
  EXPECT_EQ(LcdStatus(), 0u);
  SelectBus();
  WriteInstruction(0x38);
  EXPECT_LT(LcdStatus(), 2u) << "nothing is accepted during the power-on delay";
  Advance(kPowerOnCycles);
  EXPECT_EQ(LcdStatus(), 3u);
  Command(0x30);
  Command(0x3C);
  EXPECT_EQ(LcdStatus(), 3u) << "only the 8-bit two-line function set opens the controller";
  Command(0x38);
  EXPECT_EQ(LcdStatus(), 5u);
  WriteData('A');
  EXPECT_FALSE(Busy()) << "no data before the display control";
  Command(0x04);
  Command(0x07);
  EXPECT_EQ(LcdStatus(), 0x15u) << "entry mode 0x04 then 0x07: increment with shift";
  Command(0x08);
  EXPECT_EQ(LcdStatus(), 0x1Fu) << "display control completes the start-up, display off";
}

TEST_F(Controller, DisplayControlAndEntryModeBits) {
  struct Case {
    uint8_t code;
    uint32_t before;
    uint32_t after;  // bits 4-5 and 8-10
  };
  const Case cases[] = {
      {0x0D, 0x0000, 0x0100}, {0x0F, 0x0000, 0x0700}, {0x0E, 0x0700, 0x0300}, {0x0B, 0x0700, 0x0600},
      {0x08, 0x0300, 0x0200}, {0x04, 0x0010, 0x0020}, {0x05, 0x0000, 0x0030}, {0x06, 0x0030, 0x0000},
      {0x07, 0x0020, 0x0010},
  };
  for (const Case& c : cases) {
    BringToReady();
    EditLcdStatus(0x000F | c.before);
    Command(c.code);
    EXPECT_EQ(LcdStatus(), 0x000Fu | c.after) << "code 0x" << std::hex << int(c.code);
  }
}

TEST_F(Controller, ClearLeavesTheControllerIdleAndKeepsTheModes) {
  BringToReady();
  Command(0x06);
  Command(0x0F);
  WriteText("HELLO");
  Command(0x01);
  EXPECT_FALSE(Busy());
  EXPECT_EQ(AddressCounter(), 0);
  EXPECT_EQ(LcdStatus(), 0x070Fu);
  WriteInstruction(0x85);
  EXPECT_TRUE(Busy()) << "an instruction right after clear is accepted";
  Advance(kInstructionCycles);
  EXPECT_EQ(ReadBack(0, 5), "     ");
}

// Where the address counter goes after one data write or read.
struct StepCase {
  const char* name;
  uint8_t entryMode;
  uint8_t start;
  bool read;
  int counterAfter;
};

void PrintTo(const StepCase& c, std::ostream* out) { *out << c.name; }

class Stepping : public LcdBus, public ::testing::WithParamInterface<StepCase> {};

TEST_P(Stepping, CounterFollowsTheLineLayout) {
  const StepCase& c = GetParam();
  BringToReady();
  Command(c.entryMode);
  Command(static_cast<uint8_t>(0x80 | c.start));
  if (c.read) {
    ReadData();
  } else {
    WriteData('x');
  }
  WaitWhileBusy();
  EXPECT_EQ(AddressCounter(), c.counterAfter) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    DataAccesses, Stepping,
    ::testing::Values(StepCase{"write at 39, increment", 0x06, 39, false, 64},
                      StepCase{"write at 103, increment", 0x06, 103, false, 0},
                      StepCase{"write at 0, decrement", 0x04, 0, false, 103},
                      StepCase{"write at 64, decrement", 0x04, 64, false, 39},
                      StepCase{"read at 39, increment", 0x06, 39, true, 64},
                      StepCase{"read at 0, decrement", 0x04, 0, true, 103},
                      StepCase{"write at 120, increment", 0x06, 120, false, 121},
                      StepCase{"write at 127, increment: stays in display memory", 0x06, 127, false, 0},
                      StepCase{"read at 127, increment: stays in display memory", 0x06, 127, true, 0}));

TEST_F(Controller, FortyCharactersFillLineOneThenLineTwoBegins) {
  BringToReady();
  const std::string line1 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
  WriteText(line1);
  EXPECT_EQ(AddressCounter(), 64);
  WriteText("!");
  EXPECT_EQ(ReadBack(0, 40), line1);
  EXPECT_EQ(ReadBack(64, 1), "!");
}

TEST_F(Controller, CounterNeverLeavesDisplayMemoryFromTheHiddenTail) {
  BringToReady();
  Command(0xE8);  // address 104
  for (int i = 0; i < 30; ++i) {
    Command(0x14);  // cursor right
    ASSERT_LE(AddressCounter(), 127);
  }
  EXPECT_EQ(AddressCounter(), (104 + 30) % 128);
  Command(0xFF);
  WriteText("AB");  // 'A' at 127, 'B' wraps to 0
  EXPECT_EQ(ReadBack(127, 1), "A");
  EXPECT_EQ(ReadBack(0, 1), "B");
}

TEST_F(Controller, StatusReadShowsBusyAndCounterInEveryState) {
  Reset();
  EXPECT_EQ(ReadStatus(), 0x80);
  BringToReady();
  WriteInstruction(0xC5);
  EXPECT_EQ(ReadStatus(), 0xC5) << "busy after set address 0xC5: busy bit and counter 69";
  Advance(kInstructionCycles);
  EXPECT_EQ(ReadStatus(), 69);
}

TEST_F(Controller, DataReadIsServedInState3AndRefusedWhileBusy) {
  PowerUpSelected();
  EXPECT_EQ(ReadData(), ' ') << "after a reset display memory holds spaces";
  EXPECT_EQ(AddressCounter(), 1);
  EXPECT_TRUE(Busy());
  EXPECT_EQ(ReadData(), ' ') << "refused while busy: memory still holds the last byte supplied";
  Reset();
  Advance(10);
  EXPECT_EQ(ReadData(), 0) << "after a reset the bus addresses read 0";
}

TEST_F(Controller, BusSelectFollowsBothChipSelectRegistersInEitherOrder) {
  struct Step {
    uint32_t sfr;
    uint16_t value;
    bool selectedAfter;
  };
  const std::vector<std::vector<Step>> orders = {
      {{kADDRSEL3, 0x0400, false}, {kBUSCON3, 0x0600, true}},
      {{kBUSCON3, 0x0600, false}, {kADDRSEL3, 0x0400, true}},
      {{kADDRSEL3, 0x040F, false}, {kBUSCON3, 0x0600, true}},  // ADDRSEL3 low bits are masked off
      {{kADDRSEL3, 0x0400, false}, {kBUSCON3, 0x0602, false}, {kBUSCON3, 0x2F00, true}},  // BUSCON3 under 0xD6E2
      {{kADDRSEL3, 0x0400, false}, {kBUSCON3, 0x0600, true}, {kBUSCON3, 0x0680, false}},
  };
  for (std::size_t i = 0; i < orders.size(); ++i) {
    Reset();
    sim.WriteSfr(kADDRSEL3, 0);
    sim.WriteSfr(kBUSCON3, 0);
    for (const Step& step : orders[i]) {
      sim.WriteSfr(step.sfr, step.value);
      EXPECT_EQ((LcdStatus() & 1) != 0, step.selectedAfter)
          << "sequence " << i << ": after writing 0x" << std::hex << step.value << " to 0x" << step.sfr;
    }
  }
}

TEST_F(Controller, DeselectingTheBusStopsTheReadyController) {
  BringToReady();
  sim.WriteSfr(kBUSCON3, 0x0000);
  EXPECT_EQ(LcdStatus() & 0xF, 14u);
  WriteInstruction(0x85);
  WriteData('Z');
  EXPECT_FALSE(Busy()) << "state 14 takes neither instructions nor data";
  SelectBus();
  EXPECT_EQ(LcdStatus() & 0xF, 15u);
}

TEST_F(Controller, AUserEditOfLcdStatusTakesEffectAtTheNextAccess) {
  BringToReady();
  Command(0x85);
  EditLcdStatus(LcdStatus() | 0x20);  // the user switches to decrement
  WriteText("q");
  EXPECT_EQ(AddressCounter(), 4);
  EditLcdStatus(LcdStatus() & ~0xFu);  // the user puts the interface back to state 0
  WriteInstruction(0x80);
  EXPECT_FALSE(Busy());
  EXPECT_EQ(AddressCounter(), 4);
}

TEST_F(Controller, DriverInitialisationWithBusyPollingThenText) {
  // What firmware does: select the module, wait for power-on, function set
  // three times, display on, clear, entry mode, then text on both lines.
  Reset();
  sim.WriteSfr(kBUSCON3, 0x0600);
  sim.WriteSfr(kADDRSEL3, 0x0400);
  WaitWhileBusy();
  for (int i = 0; i < 3; ++i) Command(0x38);
  Command(0x0C);
  Command(0x01);
  Command(0x06);
  WriteText("Hello, world");
  Command(0xC0);
  WriteText("line two");
  EXPECT_EQ(LcdStatus(), 0x010Fu);
  EXPECT_EQ(ReadBack(0, 12), "Hello, world");
  EXPECT_EQ(ReadBack(64, 8), "line two");
  EXPECT_EQ(ReadBack(12, 1), " ");
}

}  // namespace
}  // namespace glyphpane::testing

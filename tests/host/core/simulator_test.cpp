// The host core on its own: clock and timers, the memory map, registers and
// watches, driven with callbacks as a plug-in would register them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agsi.h"
#include "command.h"
#include "simulator.h"

namespace agsi::host {
namespace {

// Callbacks take no argument, so what they see is recorded here.
std::vector<std::string> events;
Simulator* sim = nullptr;
uintptr_t timerA = 0;
uintptr_t timerB = 0;
uintptr_t vtrHandle = 0;

void OnTimerA() { events.push_back("A@" + std::to_string(sim->Clock())); }
void OnTimerB() { events.push_back("B@" + std::to_string(sim->Clock())); }
void RearmA() {
  OnTimerA();
  AgsiSetTimer(timerA, 5);
}

class Core : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    sim = &simulator;
  }
  Simulator simulator;
};

TEST_F(Core, TimersExpireInCycleOrderOncePerArming) {
  timerA = AgsiCreateTimer(OnTimerA);
  timerB = AgsiCreateTimer(OnTimerB);
  ASSERT_NE(timerA, 0u);
  ASSERT_NE(timerB, 0u);
  AgsiSetTimer(timerA, 100);
  AgsiSetTimer(timerB, 40);
  simulator.Advance(39);
  EXPECT_TRUE(events.empty()) << "one cycle before the first deadline";
  simulator.Advance(1);
  EXPECT_EQ(events, (std::vector<std::string>{"B@40"}));
  simulator.Advance(1000);
  EXPECT_EQ(events, (std::vector<std::string>{"B@40", "A@100"})) << "each arming yields one expiry";
  EXPECT_EQ(simulator.Clock(), 1040u);
}

TEST_F(Core, EqualDeadlinesRunInArmingOrderAndReArmingReplaces) {
  timerA = AgsiCreateTimer(OnTimerA);
  timerB = AgsiCreateTimer(OnTimerB);
  AgsiSetTimer(timerB, 10);
  AgsiSetTimer(timerA, 10);
  simulator.Advance(10);
  EXPECT_EQ(events, (std::vector<std::string>{"B@10", "A@10"}));
  events.clear();
  AgsiSetTimer(timerA, 10);
  AgsiSetTimer(timerA, 30);  // replaces the deadline
  AgsiSetTimer(timerB, 5);
  AgsiSetTimer(timerB, 0xFFFFFFFF);  // stopped
  simulator.Advance(100);
  EXPECT_EQ(events, (std::vector<std::string>{"A@40"}));
}

TEST_F(Core, ATimerReArmedInItsCallbackRunsAgainLater) {
  timerA = AgsiCreateTimer(RearmA);
  AgsiSetTimer(timerA, 5);
  simulator.Advance(12);
  EXPECT_EQ(events, (std::vector<std::string>{"A@5", "A@10"}));
  EXPECT_EQ(simulator.NextDeadline(), 15u);
}

TEST_F(Core, TimerServicesRefuseBadHandles) {
  EXPECT_EQ(AgsiCreateTimer(nullptr), 0u);
  EXPECT_EQ(AgsiSetTimer(0, 10), 0u);
  EXPECT_EQ(AgsiSetTimer(99, 10), 0u);
}

struct MapCase {
  const char* command;
  bool accepted;
  uint32_t first = 0;
  uint32_t last = 0;
  bool read = false;
  bool write = false;
};

void PrintTo(const MapCase& c, std::ostream* out) { *out << '"' << c.command << '"'; }

class MapCommand : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapCommand, ParsesOrRefuses) {
  const MapCase& c = GetParam();
  std::string error;
  const std::optional<MappedRange> range = ParseMapCommand(c.command, error);
  ASSERT_EQ(range.has_value(), c.accepted) << c.command << ": " << error;
  if (!c.accepted) {
    EXPECT_FALSE(error.empty());
    return;
  }
  EXPECT_EQ(range->first, c.first);
  EXPECT_EQ(range->last, c.last);
  EXPECT_EQ(range->read, c.read);
  EXPECT_EQ(range->write, c.write);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MapCommand,
    ::testing::Values(MapCase{"MAP 0x00040000, 0x00040001 write", true, 0x40000, 0x40001, false, true},
                      MapCase{"MAP 0x00040002, 0x00040003 read", true, 0x40002, 0x40003, true, false},
                      MapCase{"map 0, 65535 read write", true, 0, 0xFFFF, true, true},
                      MapCase{"MAP 0x100,0x1FF read|write", true, 0x100, 0x1FF, true, true},
                      MapCase{"MAP 0x10, 0x0F read", false}, MapCase{"MAP 0x0, 0x1000000 read", false},
                      MapCase{"MAP 0x0 0x10 read", false}, MapCase{"MAP 0x0, 0x10", false},
                      MapCase{"MAP 0x0, 0x10 execute", false}, MapCase{"MAP 0x0, 0x10 read 7", false},
                      MapCase{"MAP zz, 0x10 read", false}, MapCase{"UNMAP 0, 1 read", false},
                      MapCase{"", false}));

TEST_F(Core, ProgramAccessesNeedAMappedRangeOfTheirKind) {
  EXPECT_THROW(simulator.Read8(0x40000), AccessViolation);
  EXPECT_EQ(AgsiExecuteCommand("MAP 0x40000, 0x40001 write"), 1u);
  EXPECT_EQ(AgsiExecuteCommand("MAP 0x40000 0x40001 write"), 0u) << "malformed: refused";
  simulator.Write8(0x40001, 0x41);
  try {
    simulator.Read8(0x40001);
    ADD_FAILURE() << "a read of a write-only range was allowed";
  } catch (const AccessViolation& violation) {
    EXPECT_EQ(violation.address(), 0x40001u);
    EXPECT_FALSE(violation.write());
    EXPECT_NE(std::string(violation.what()).find("0x040001"), std::string::npos) << violation.what();
  }
  EXPECT_THROW(simulator.Write8(0x40002, 0), AccessViolation);
  EXPECT_THROW(simulator.Write8(0x2000000, 0), AccessViolation);
}

uint8_t seenInWriteWatch = 0;
void WriteWatch() { AgsiReadMemory(0x200, 1, &seenInWriteWatch); }
void ReadWatch() {
  const uint8_t supplied = 0x5A;
  AgsiWriteMemory(0x201, 1, &supplied);
}

TEST_F(Core, WriteWatchesSeeTheByteAndReadWatchesSupplyIt) {
  AgsiExecuteCommand("MAP 0x200, 0x2FF read write");
  ASSERT_EQ(AgsiSetWatchOnMemory(0x200, 0x200, WriteWatch, kAgsiWriteAccess), 1u);
  ASSERT_EQ(AgsiSetWatchOnMemory(0x201, 0x201, ReadWatch, kAgsiReadAccess), 1u);
  simulator.Write8(0x200, 0x77);
  EXPECT_EQ(seenInWriteWatch, 0x77);
  EXPECT_EQ(simulator.Read8(0x201), 0x5A);
  simulator.Write16(0x202, 0xBEEF);
  EXPECT_EQ(simulator.Read16(0x202), 0xBEEF);
  EXPECT_EQ(simulator.Read8(0x202), 0xEF) << "words are little-endian";
  EXPECT_EQ(AgsiSetWatchOnMemory(0x300, 0x200, WriteWatch, kAgsiWriteAccess), 0u) << "first after last";
  EXPECT_EQ(AgsiReadMemory(0xFFFFFF, 2, &seenInWriteWatch), 0u) << "beyond the 24-bit space";
}

void SfrWatch() { events.push_back("sfr"); }

TEST_F(Core, ChipRegistersMaskReadsAndRunWriteWatches) {
  for (const char* name : {"P2", "DP2", "P8", "DP8", "ADDRSEL3", "BUSCON3"}) {
    EXPECT_TRUE(simulator.FindSfr(name).has_value()) << name;
  }
  EXPECT_EQ(AgsiDefineSFR("BUSCON3", 0xFF18, 2, 0), 1u) << "naming a built-in register as it is";
  EXPECT_EQ(AgsiDefineSFR("OTHER", 0xFF18, 2, 0), 0u) << "a second name for one address";
  ASSERT_EQ(AgsiSetWatchOnSFR(0xFF18, SfrWatch, kAgsiWriteAccess), 1u);
  EXPECT_EQ(AgsiSetWatchOnSFR(0x1234, SfrWatch, kAgsiWriteAccess), 0u);
  simulator.WriteSfr(0xFF18, 0x06FF);
  EXPECT_EQ(events, std::vector<std::string>{"sfr"});
  uint32_t value = 0;
  uint32_t second = 0;
  EXPECT_EQ(AgsiReadSFR(0xFF18, &value, &second, 0xD6E2), 1u);
  EXPECT_EQ(value, 0x06FFu & 0xD6E2u);
  EXPECT_EQ(second, 0x06FFu);
  EXPECT_THROW(simulator.WriteSfr(0x1234, 0), UsageError);
}

TEST_F(Core, PortTwoReadsLatchOnOutputsAndPort2RegisterOnInputs) {
  simulator.WriteSfr(kDP2, 0x00FF);
  simulator.WriteSfr(kP2, 0x12FE);
  EXPECT_EQ(simulator.ReadSfr(kP2), 0xFFFE) << "inputs read the pull-ups while nothing drives them";
  const uintptr_t port2 = AgsiDefineVTR("PORT2", 11, 0);
  AgsiWriteVTR(port2, 0x3B00);
  EXPECT_EQ(simulator.ReadSfr(kP2), 0x3BFE);
}

void VtrWatch() {
  uint32_t value = 0;
  AgsiReadVTR(vtrHandle, &value);
  events.push_back("vtr=" + std::to_string(value));
}

TEST_F(Core, VirtualRegistersKeepTheirWidthAndRunWatchesOnEveryWrite) {
  vtrHandle = AgsiDefineVTR("KEY0", 10, 0x1FF);
  ASSERT_NE(vtrHandle, 0u);
  EXPECT_EQ(AgsiDefineVTR("KEY0", 10, 0), 0u) << "one name, one register";
  EXPECT_EQ(simulator.Vtrs()[0].value, 0xFFu) << "type 10 holds 8 bits";
  const uintptr_t wide = AgsiDefineVTR("WIDE", 11, 0);
  AgsiWriteVTR(wide, 0x12345);
  EXPECT_EQ(simulator.Vtrs()[1].value, 0x2345u) << "type 11 holds 16 bits";
  ASSERT_EQ(AgsiSetWatchOnVTR(vtrHandle, VtrWatch, kAgsiWriteAccess), 1u);
  AgsiWriteVTR(vtrHandle, 3);
  simulator.EditVtr(vtrHandle, 0x104);
  EXPECT_EQ(events, (std::vector<std::string>{"vtr=3", "vtr=4"})) << "plug-in writes and user edits alike";
  EXPECT_EQ(simulator.FindVtr("WIDE"), wide);
  EXPECT_FALSE(simulator.FindVtr("NONE").has_value());
  EXPECT_EQ(AgsiWriteVTR(77, 1), 0u);
}

uintptr_t secondVtr = 0;
void NestedWrite() {
  events.push_back("outer");
  AgsiWriteVTR(secondVtr, 1);  // its watch runs inside this one
}
void InnerWatch() { events.push_back("inner"); }

TEST_F(Core, ACallbackMayReEnterTheHost) {
  const uintptr_t first = AgsiDefineVTR("FIRST", 10, 0);
  secondVtr = AgsiDefineVTR("SECOND", 10, 0);
  AgsiSetWatchOnVTR(first, NestedWrite, kAgsiWriteAccess);
  AgsiSetWatchOnVTR(secondVtr, InnerWatch, kAgsiWriteAccess);
  simulator.EditVtr(first, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"outer", "inner"}));
}

void SelectEntry(MenuEntry*) { events.push_back("selected"); }

TEST_F(Core, MenuEntriesNeedACallingPluginAndFocusIsKept) {
  static MenuEntry entry = {1, "&Thing", SelectEntry, 0, 5, nullptr};
  EXPECT_EQ(AgsiDefineMenuItem(&entry), 0u) << "outside a plug-in's initialisation there is no owner";
  EXPECT_EQ(AgsiHandleFocus(0x1234), 1u);
  EXPECT_EQ(simulator.Focus(), 0x1234u);
  AgsiHandleFocus(0);
  EXPECT_EQ(simulator.Focus(), 0u);
}

TEST(CoreWithoutSimulator, ServicesFailWhenNoSimulatorIsActive) {
  EXPECT_EQ(AgsiDefineVTR("X", 10, 0), 0u);
  EXPECT_EQ(AgsiExecuteCommand("MAP 0, 1 read"), 0u);
  EXPECT_EQ(AgsiGetClock(), 0u);
}

TEST(CoreLoading, ErrorsNameTheFile) {
  Simulator simulator;
  try {
    simulator.Load("/nonexistent/libnothing.so");
    ADD_FAILURE();
  } catch (const PluginError& error) {
    EXPECT_NE(std::string(error.what()).find("/nonexistent/libnothing.so: cannot load"), std::string::npos);
  }
  try {
    simulator.Load(HOST_MODULE_PATH);  // a library without AgsiEntry
    ADD_FAILURE();
  } catch (const PluginError& error) {
    EXPECT_NE(std::string(error.what()).find("exports no AgsiEntry"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace agsi::host

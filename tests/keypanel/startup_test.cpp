// Keylamp's entry codes, start-up steps and reset, against our host, also
// when the host refuses a call.
#include <gtest/gtest.h>

#include <string>

#include "keylamp_fixture.h"

namespace keylamp_test {
namespace {

using agsi::host::PluginError;
using agsi::host::Service;
using agsi::host::TraceKind;

const char* const kVtrNames[] = {"KEY0", "KEY1", "KEY2", "KEY3", "KEY4", "KEY5", "LED0",
                                 "LED1", "LED2", "LED3", "LED4", "LED5", "PORT2"};

class KeylampStartUp : public ::testing::Test {
 protected:
  Simulator sim;
};

TEST_F(KeylampStartUp, DefinesThirteenRegistersTenWatchesSixTimersAndTheMenuEntry) {
  TraceRecorder trace(sim);
  sim.Load(KEYLAMP_LIBRARY);

  for (const char* name : kVtrNames) EXPECT_TRUE(sim.FindVtr(name)) << name;
  const auto& vtrs = sim.Vtrs();
  for (const auto& vtr : vtrs) {
    EXPECT_EQ(vtr.typeCode, vtr.name == "PORT2" ? 11u : 10u) << vtr.name;
    EXPECT_EQ(vtr.value, 0u) << vtr.name;
  }
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnSFR(0xFFC0, write)"), 1u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnSFR(0xFFC2, write)"), 1u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnSFR(0xFFD4, write)"), 1u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnSFR(0xFFD6, write)"), 1u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiCreateTimer"), 6u);
  for (int n = 0; n < kLines; ++n) {
    EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnVTR(KEY" + std::to_string(n) + ", write)"), 1u);
  }
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnVTR(LED"), 0u) << "digits are not watched";
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnVTR(PORT2"), 0u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiDefineSFR"), 0u) << "Keylamp declares no chip register";
  EXPECT_EQ(trace.Count(TraceKind::kTimer, ""), 0u) << "no timer is started at start-up";

  MenuEntry* entry = sim.FindMenuEntry("Key/LEDs");
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(entry->menuText, "&Key/LEDs");
  EXPECT_EQ(entry->entryKind, 1u);
  EXPECT_EQ(entry->dialogId, 1000u);
  ASSERT_NE(entry->slot, nullptr);
  EXPECT_EQ(entry->slot->window, 0u);
  EXPECT_EQ(entry->slot->rect.left, -1);
  EXPECT_EQ(entry->slot->rect.bottom, -1);
  EXPECT_NE(entry->slot->update, nullptr);
  EXPECT_NE(entry->slot->close, nullptr);
}

TEST_F(KeylampStartUp, RefusedRegisterDefinesTheOthersAndStopsBeforeWatches) {
  TraceRecorder trace(sim);
  sim.RefuseCall(Service::kDefineVtr, 5);  // KEY4
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);

  for (const char* name : kVtrNames) {
    EXPECT_EQ(sim.FindVtr(name).has_value(), std::string(name) != "KEY4") << name;
  }
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOn"), 0u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiCreateTimer"), 0u);
  EXPECT_TRUE(sim.MenuEntries().empty());
}

TEST_F(KeylampStartUp, RefusedSfrWatchStillCreatesTimersAndTriesEveryKeyWatch) {
  TraceRecorder trace(sim);
  sim.RefuseCall(Service::kSetWatchOnSfr, 2);  // DP2
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);

  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnSFR"), 3u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiCreateTimer"), 6u);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnVTR(KEY"), 6u);
  EXPECT_TRUE(sim.MenuEntries().empty()) << "the menu entry step must not run";

  // The armed flags were cleared: the first scan starts all six timers.
  const std::size_t before = trace.Count(TraceKind::kTimer, "");
  sim.EditVtr(*sim.FindVtr("KEY0"), 0);
  EXPECT_EQ(trace.Count(TraceKind::kTimer, "") - before, 6u);
}

TEST_F(KeylampStartUp, RefusedTimerStillTriesEveryKeyWatch) {
  TraceRecorder trace(sim);
  sim.RefuseCall(Service::kCreateTimer, 3);
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);
  EXPECT_EQ(trace.Count(TraceKind::kService, "AgsiSetWatchOnVTR(KEY"), 6u);
  EXPECT_TRUE(sim.MenuEntries().empty());
}

TEST_F(KeylampStartUp, RefusedKeyWatchFailsBeforeTheMenuEntry) {
  sim.RefuseCall(Service::kSetWatchOnVtr, 6);
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);
  EXPECT_TRUE(sim.MenuEntries().empty());
}

TEST_F(KeylampStartUp, RefusedMenuEntryLeavesTheScanInPlace) {
  sim.RefuseCall(Service::kDefineMenuItem, 1);
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);
  EXPECT_TRUE(sim.MenuEntries().empty());

  sim.WriteSfr(agsi::host::kDP2, 0x003F);  // every scan line selected
  sim.EditVtr(*sim.FindVtr("KEY2"), 0x08);
  EXPECT_EQ(sim.ReadVtrAsUser(*sim.FindVtr("PORT2")), 0x3700u) << "watches set before the failure still work";
}

TEST_F(KeylampStartUp, HostWithoutCommandServiceIsEnough) {
  sim.UseHostModule(KEYLAMP_HOST_WITHOUT_COMMAND);
  EXPECT_NO_THROW(sim.Load(KEYLAMP_LIBRARY));
  EXPECT_NE(sim.FindMenuEntry("Key/LEDs"), nullptr);
}

TEST_F(KeylampStartUp, HostWithoutAnUnusedServiceIsRefused) {
  TraceRecorder trace(sim);
  sim.UseHostModule(KEYLAMP_HOST_WITHOUT_CLOCK);
  EXPECT_THROW(sim.Load(KEYLAMP_LIBRARY), PluginError);
  EXPECT_TRUE(sim.Vtrs().empty()) << "nothing is defined when binding fails";
  EXPECT_EQ(trace.Count(TraceKind::kService, "Agsi"), 0u);
}

struct EntryCase {
  uint32_t code;
  uint32_t family;
  uint32_t want;
};

class EntryCodes : public KeylampStartUp, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryCodes, AnswerAndChangeNothing) {
  agsi::host::Plugin& plugin = sim.Load(KEYLAMP_LIBRARY);
  sim.ResetAll();
  sim.EditVtr(*sim.FindVtr("KEY1"), 0x21);
  TraceRecorder trace(sim);
  uint32_t family = GetParam().family;
  EXPECT_EQ(plugin.entry(GetParam().code, &family), GetParam().want);
  EXPECT_EQ(trace.Size(), 0u) << "the code should not touch the host";
  EXPECT_EQ(sim.ReadVtrAsUser(*sim.FindVtr("KEY1")), 0x21u);
}

INSTANTIATE_TEST_SUITE_P(Codes, EntryCodes,
                         ::testing::Values(EntryCase{0, 80166, 1}, EntryCase{0, 166, 0}, EntryCase{0, 0x13927, 0},
                                           EntryCase{2, 0, 1}, EntryCase{4, 0, 1}, EntryCase{1000, 0, 1}),
                         [](const auto& test) {
                           return "Code" + std::to_string(test.param.code) + "Word" +
                                  std::to_string(test.param.family);
                         });

// ---- reset ------------------------------------------------------------------

class KeylampReset : public KeylampTest {
 protected:
  // The chip's reset makes every port pin an input again, direction first.
  void PortsToResetState() {
    sim.WriteSfr(agsi::host::kDP2, 0);
    sim.WriteSfr(agsi::host::kP2, 0);
    sim.WriteSfr(agsi::host::kDP8, 0);
    sim.WriteSfr(agsi::host::kP8, 0);
  }
};

TEST_F(KeylampReset, ReleasesEveryKeyAndDarkensEveryDigit) {
  WritePorts(Ports{0x0000, 0x003F, 0x0000, 0x00FF});  // all digits lit
  for (int n = 0; n < kLines; ++n) SetKeys(n, 0x3F);
  sim.EditVtr(Vtr("PORT2"), 0xC000);
  ASSERT_EQ(Led(5), 0xFFu);
  PortsToResetState();

  sim.ResetAll();

  EXPECT_EQ(Port2(), 0x3F00u);
  for (int n = 0; n < kLines; ++n) {
    EXPECT_EQ(Key(n), 0u) << "KEY" << n;
    EXPECT_EQ(Led(n), 0u) << "LED" << n;
  }
}

TEST_F(KeylampReset, RefusedWriteFailsTheResetButMakesTheOtherWrites) {
  for (int n = 0; n < kLines; ++n) SetKeys(n, 0x01);
  SetLed(4, 0x3F);
  sim.EditVtr(Vtr("PORT2"), 0xC000);
  sim.RefuseCall(Service::kWriteVtr, 1);  // the reset's first write, PORT2 := 0x3F00

  EXPECT_THROW(sim.ResetAll(), PluginError);

  for (int n = 0; n < kLines; ++n) {
    EXPECT_EQ(Key(n), 0u) << "KEY" << n;
    EXPECT_EQ(Led(n), 0u) << "LED" << n;
  }
  EXPECT_EQ(Port2(), 0xFF00u) << "the key writes' scans keep bits 14-15 that the refused write left";
}

TEST_F(KeylampReset, DoesNotStopTheDigitTimers) {
  WritePorts(SelectLine(2, 0x00));
  sim.WriteSfr(agsi::host::kP2, 0x003F);  // digit 2 starts its countdown
  sim.Advance(100000);
  PortsToResetState();
  sim.ResetAll();
  SetLed(2, 0x7F);  // shown by hand after the reset

  sim.Advance(kLedTimeoutCycles - 100000 - 1);
  EXPECT_EQ(Led(2), 0x7Fu);
  sim.Advance(1);
  EXPECT_EQ(Led(2), 0u) << "the countdown started before the reset still runs";
}

}  // namespace
}  // namespace keylamp_test

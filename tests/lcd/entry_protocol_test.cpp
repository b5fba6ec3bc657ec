// The entry protocol and start-up of libglyphpane.so as a host sees them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host_api.h"
#include "simulator.h"

namespace {

using agsi::host::PluginError;
using agsi::host::Service;
using agsi::host::Simulator;
using agsi::host::TraceKind;

// The plug-in's entry function, reached without the host's start-up, so that
// single codes can be sent.
agsi::host::EntryFunction RawEntry() {
  void* handle = dlopen(GLYPHPANE_PATH, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(handle, nullptr) << dlerror();
  return reinterpret_cast<agsi::host::EntryFunction>(dlsym(handle, "AgsiEntry"));
}

// Every service call the plug-in makes, as the host traces it.
class ServiceLog {
 public:
  explicit ServiceLog(Simulator& sim) {
    sim.SetTraceSink([this](TraceKind kind, std::string_view text) {
      if (kind == TraceKind::kService && text.find("AgsiEntry") == std::string_view::npos) calls.emplace_back(text);
    });
  }
  std::vector<std::string> calls;
};

TEST(EntryProtocol, CheckAcceptsOnly80166) {
  Simulator sim;
  const auto entry = RawEntry();
  uint32_t family = 80166;
  EXPECT_EQ(entry(0, &family), 1u);
  family = 166;
  EXPECT_EQ(entry(0, &family), 0u);
  family = 0x13926;
  EXPECT_EQ(entry(0, &family), 1u);
  EXPECT_EQ(entry(0, nullptr), 0u) << "a missing family word is a refusal, not a crash";
  EXPECT_TRUE(sim.Vtrs().empty()) << "the check touches nothing in the host";
}

TEST(EntryProtocol, UnknownCodesSucceedAndChangeNothing) {
  Simulator sim;
  const auto entry = RawEntry();
  for (uint32_t code : {2u, 4u, 5u, 100u, 0xFFFFFFFFu}) {
    EXPECT_EQ(entry(code, nullptr), 1u) << "code " << code;
  }
  EXPECT_TRUE(sim.Vtrs().empty());
  EXPECT_TRUE(sim.MappedRanges().empty());
}

TEST(EntryProtocol, InitialiseIssuesMapCommandsFirstThenDefinesInOrder) {
  Simulator sim;
  ServiceLog log(sim);
  sim.Load(GLYPHPANE_PATH);
  const std::vector<std::string> expected = {
      "AgsiExecuteCommand(\"MAP 0x00040000, 0x00040001 write\")",
      "AgsiExecuteCommand(\"MAP 0x00040002, 0x00040003 read\")",
      "AgsiDefineSFR(\"ADDRSEL3\", 0xFE1C, 2)",
      "AgsiDefineSFR(\"BUSCON3\", 0xFF18, 2)",
      "AgsiDefineVTR(\"LCD_STATUS\", 11, 0) = 1",
      "AgsiSetWatchOnMemory(0x040000, 0x040000, write)",
      "AgsiSetWatchOnMemory(0x040001, 0x040001, write)",
      "AgsiSetWatchOnMemory(0x040002, 0x040002, read)",
      "AgsiSetWatchOnMemory(0x040003, 0x040003, read)",
      "AgsiSetWatchOnSFR(0xFF18, write)",
      "AgsiSetWatchOnSFR(0xFE1C, write)",
      "AgsiCreateTimer() = 1",
      "AgsiCreateTimer() = 2",
      "AgsiCreateTimer() = 3",
      "AgsiDefineMenuItem(\"LCD-&Module\", 101)",
  };
  EXPECT_EQ(log.calls, expected);
  ASSERT_EQ(sim.MappedRanges().size(), 2u);
  EXPECT_TRUE(sim.MappedRanges()[0].write && !sim.MappedRanges()[0].read);
  EXPECT_TRUE(sim.MappedRanges()[1].read && !sim.MappedRanges()[1].write);
}

TEST(EntryProtocol, MenuEntryAndSlotCarryGlyphpanesValues) {
  Simulator sim;
  sim.Load(GLYPHPANE_PATH);
  MenuEntry* entry = sim.FindMenuEntry("LCD-Module");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->entryKind, 1u);
  EXPECT_STREQ(entry->menuText, "LCD-&Module");
  EXPECT_EQ(entry->dialogId, 101u);
  ASSERT_NE(entry->slot, nullptr);
  EXPECT_EQ(entry->slot->window, 0u);
  EXPECT_EQ(entry->slot->openFlag, 0u);
  EXPECT_EQ(entry->slot->rect.left, -1);
  EXPECT_EQ(entry->slot->rect.bottom, -1);
  EXPECT_NE(entry->slot->update, nullptr);
  EXPECT_NE(entry->slot->close, nullptr);
}

// A host module that lacks one service, built from the same exports.
struct MissingService {
  const char* module;
  std::size_t services;  // how many the plug-in binds
  bool binds;
};

void PrintTo(const MissingService& m, std::ostream* out) {
  *out << std::filesystem::path(m.module).filename().string() << " binding " << m.services;
}

class HostWithoutService : public ::testing::TestWithParam<MissingService> {};

TEST_P(HostWithoutService, BindingNeedsEveryServiceItLooksUp) {
  Simulator sim;
  sim.UseHostModule(GetParam().module);
  agsi::hostInitBlock.words[0] = sim.HostModule();
  EXPECT_EQ(agsi::BindHostApi(GetParam().services), GetParam().binds ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, HostWithoutService,
    ::testing::Values(MissingService{NO_EXECUTE_COMMAND_MODULE, agsi::kHostServicesWithoutCommands, true},
                      MissingService{NO_EXECUTE_COMMAND_MODULE, agsi::kAllHostServices, false},
                      MissingService{NO_GET_CLOCK_MODULE, agsi::kHostServicesWithoutCommands, false},
                      MissingService{NO_GET_CLOCK_MODULE, agsi::kAllHostServices, false},
                      MissingService{FULL_HOST_MODULE, agsi::kAllHostServices, true}));

TEST(EntryProtocol, GlyphpaneRefusesAHostWithoutCommandsAndDefinesNothing) {
  for (const char* module : {NO_EXECUTE_COMMAND_MODULE, NO_GET_CLOCK_MODULE}) {
    Simulator sim;
    ServiceLog log(sim);
    sim.UseHostModule(module);
    try {
      sim.Load(GLYPHPANE_PATH);
      ADD_FAILURE() << "initialisation succeeded with " << module;
    } catch (const PluginError& error) {
      EXPECT_NE(std::string(error.what()).find("entry code 1"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(log.calls.empty()) << module << ": first call " << log.calls.front();
    EXPECT_TRUE(sim.MappedRanges().empty());
    EXPECT_TRUE(sim.Vtrs().empty());
  }
}

TEST(EntryProtocol, RefusedMenuItemFailsAfterEverythingElseIsDefined) {
  Simulator sim;
  ServiceLog log(sim);
  sim.RefuseCall(Service::kDefineMenuItem);
  EXPECT_THROW(sim.Load(GLYPHPANE_PATH), PluginError);
  EXPECT_TRUE(sim.FindVtr("LCD_STATUS").has_value());
  EXPECT_EQ(sim.MappedRanges().size(), 2u);
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "AgsiCreateTimer() = 3"), 1);
  EXPECT_TRUE(sim.MenuEntries().empty());
}

TEST(EntryProtocol, APlugInWhoseInitialisationFailedIsNeverReset) {
  Simulator sim;
  sim.RefuseCall(Service::kDefineMenuItem);
  EXPECT_THROW(sim.Load(GLYPHPANE_PATH), PluginError);
  EXPECT_NO_THROW(sim.ResetAll());
  EXPECT_FALSE(sim.NextDeadline().has_value()) << "a reset would have armed the power-on timer";
}

TEST(EntryProtocol, RefusedSecondMemoryWatchFailsAfterAllWatchesAndTimers) {
  Simulator sim;
  ServiceLog log(sim);
  sim.RefuseCall(Service::kSetWatchOnMemory, 2);
  EXPECT_THROW(sim.Load(GLYPHPANE_PATH), PluginError);
  auto count = [&](std::string_view prefix) {
    return std::count_if(log.calls.begin(), log.calls.end(),
                         [&](const std::string& call) { return call.starts_with(prefix); });
  };
  EXPECT_EQ(count("AgsiSetWatchOnMemory("), 3) << "three accepted, the refused one was still requested";
  EXPECT_EQ(count("(call refused"), 1);
  EXPECT_EQ(count("AgsiSetWatchOnSFR("), 2);
  EXPECT_EQ(count("AgsiCreateTimer("), 3);
  EXPECT_EQ(count("AgsiDefineMenuItem("), 0);
}

TEST(EntryProtocol, RefusedVirtualRegisterEndsStartUpBeforeTheWatches) {
  Simulator sim;
  ServiceLog log(sim);
  sim.RefuseCall(Service::kDefineVtr);
  EXPECT_THROW(sim.Load(GLYPHPANE_PATH), PluginError);
  for (const std::string& call : log.calls) {
    EXPECT_FALSE(call.starts_with("AgsiSetWatch")) << call;
    EXPECT_FALSE(call.starts_with("AgsiCreateTimer")) << call;
  }
}

TEST(EntryProtocol, ResetReportsAFailedStatusWrite) {
  Simulator sim;
  sim.Load(GLYPHPANE_PATH);
  sim.RefuseCall(Service::kWriteVtr);
  try {
    sim.ResetAll();
    ADD_FAILURE() << "the reset reported success";
  } catch (const PluginError& error) {
    EXPECT_NE(std::string(error.what()).find("entry code 3"), std::string::npos) << error.what();
  }
  // The rest of the reset happened all the same: the power-on delay runs.
  EXPECT_TRUE(sim.NextDeadline().has_value());
}

}  // namespace

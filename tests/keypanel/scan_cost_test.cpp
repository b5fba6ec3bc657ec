// What one scan costs: the host calls it makes, counted by a host module
// that forwards every service, and the heap allocations in the process while
// it runs (none).
#include <dlfcn.h>
#include <gtest/gtest.h>


#include "allocation_counter.h"
#include "keylamp_fixture.h"

namespace keylamp_test {
namespace {

using CallCounter = uint32_t (*)();
using CallCounterReset = void (*)();

class ScanCost : public KeylampTest {
 protected:
  void SetUp() override {
    sim.UseHostModule(KEYLAMP_COUNTING_HOST_MODULE);
    void* module = reinterpret_cast<void*>(sim.HostModule());
    counted_ = reinterpret_cast<CallCounter>(dlsym(module, "CountedHostCalls"));
    resetCount_ = reinterpret_cast<CallCounterReset>(dlsym(module, "ResetCountedHostCalls"));
    ASSERT_NE(counted_, nullptr);
    ASSERT_NE(resetCount_, nullptr);
    KeylampTest::SetUp();
  }

  // Host calls made by one scan, run by the program's write of P8.
  uint32_t HostCallsOfOneScan(uint16_t p8) {
    resetCount_();
    sim.WriteSfr(agsi::host::kP8, p8);
    return counted_();
  }

  CallCounter counted_ = nullptr;
  CallCounterReset resetCount_ = nullptr;
};

struct CostCase {
  const char* name;
  uint16_t p2;  // scan lines 0-5, all outputs
  uint32_t wantCalls;
};

// Four SFR reads and two PORT2 calls always; three per selected digit; a
// digit that stays unselected costs nothing once its timer runs.
constexpr CostCase kCostCases[] = {
    {"NoLineSelected", 0x3F, 4 + 2},
    {"OneLineSelected", 0x3E, 4 + 3 + 2},
    {"TwoLinesSelected", 0x3C, 4 + 2 * 3 + 2},
    {"AllSixSelected", 0x00, 4 + 6 * 3 + 2},
};

class ScanCostTable : public ScanCost, public ::testing::WithParamInterface<CostCase> {};

TEST_P(ScanCostTable, HostCallsPerScan) {
  const CostCase& c = GetParam();
  WritePorts(Ports{c.p2, 0x003F, 0x00FF, 0x00FF});
  EXPECT_EQ(HostCallsOfOneScan(0x00FE), c.wantCalls);
}

INSTANTIATE_TEST_SUITE_P(Selections, ScanCostTable, ::testing::ValuesIn(kCostCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(ScanCost, LinesJustDeselectedEachStartTheirTimerOnce) {
  WritePorts(Ports{0x0000, 0x003F, 0x00FF, 0x00FF});  // all six selected, all timers stopped
  sim.WriteSfr(agsi::host::kP2, 0x003F);              // all six deselected
  EXPECT_EQ(HostCallsOfOneScan(0x00FE), 4u + 2u) << "timers already armed by the deselecting scan";

  WritePorts(Ports{0x0000, 0x003F, 0x00FF, 0x00FF});
  resetCount_();
  sim.WriteSfr(agsi::host::kP2, 0x003F);
  EXPECT_EQ(counted_(), 4u + 6u + 2u) << "one timer start per digit that has just become unselected";
}

TEST_F(ScanCost, ScanAllocatesNothing) {
  WritePorts(Ports{0x0036, 0x003F, 0x0000, 0x00FF});  // lines 0 and 3 selected
  SetKeys(3, 0x04);
  const std::size_t before = agsi::testing::AllocationCount();
  for (int i = 0; i < 100; ++i) sim.WriteSfr(agsi::host::kP8, static_cast<uint16_t>(i));
  SetKeys(0, 0x01);
  EXPECT_EQ(agsi::testing::AllocationCount(), before);
}

}  // namespace
}  // namespace keylamp_test

// A host without a Qt application object: the window cannot be made, and the
// frame stays closed instead of keeping an object without a window.
#include <gtest/gtest.h>

#include "simulator.h"

namespace {

TEST(WindowFrameWithoutApplication, MenuEntryOpensNothingAndTheSlotStaysClosed) {
  agsi::host::Simulator sim;
  sim.Load(GLYPHPANE_PATH);
  sim.ResetAll();
  MenuEntry* entry = sim.FindMenuEntry("LCD-Module");
  ASSERT_NE(entry, nullptr);
  WindowSlot* slot = entry->slot;

  sim.SelectMenuEntry(entry);
  EXPECT_EQ(slot->window, 0u);
  // With no window object, update and close reach nothing.
  slot->update();
  slot->openFlag = 1;
  slot->close(slot);
  EXPECT_EQ(slot->openFlag, 1u);
  sim.SelectMenuEntry(entry);
  EXPECT_EQ(slot->window, 0u);
}

}  // namespace

// Glyphpane's window as the host and a user reach it: the built
// libglyphpane.so loaded by our host core, its menu entry selected, and the
// real Qt dialog found through the handle the plug-in left in its slot.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDialog>
#include <QPlainTextEdit>
#include <QWidget>
#include <cstdint>

#include "simulator.h"

namespace agsi::testing {

using agsi::host::Simulator;

inline constexpr uint32_t kInstruction = 0x40000;
inline constexpr uint32_t kData = 0x40001;
inline constexpr uint32_t kStatus = 0x40002;
inline constexpr uint32_t kADDRSEL3 = 0xFE1C;
inline constexpr uint32_t kBUSCON3 = 0xFF18;
inline constexpr uint64_t kPowerOnCycles = 393680;
inline constexpr uint8_t kBusy = 0x80;

class GlyphpaneWindow : public ::testing::Test {
 public:
  void SetUp() override {
    sim.Load(GLYPHPANE_PATH);
    sim.ResetAll();
    entry = sim.FindMenuEntry("LCD-Module");
    ASSERT_NE(entry, nullptr);
    slot = entry->slot;
  }

  // Leaves no window whose timer would call a host that is gone.
  void TearDown() override {
    if (slot != nullptr && slot->window != 0) slot->close(slot);
  }

  void SelectMenuEntry() { sim.SelectMenuEntry(entry); }

  QDialog* Window() const {
    return slot->window != 0 ? qobject_cast<QDialog*>(QWidget::find(slot->window)) : nullptr;
  }
  QPlainTextEdit* Display() const {
    QDialog* window = Window();
    return window != nullptr ? window->findChild<QPlainTextEdit*>("1251") : nullptr;
  }
  // The control's 8-bit text, as the plug-in set it.
  QByteArray DisplayText() const { return Display()->property("controlText").toByteArray(); }

  // ---- the LCD as a program drives it -------------------------------------
  void WaitWhileBusy() {
    for (int polls = 0; polls < 100000 && (sim.Read8(kStatus) & kBusy) != 0; ++polls) sim.Advance(10);
    ASSERT_EQ(sim.Read8(kStatus) & kBusy, 0) << "the controller never became idle";
  }
  void Command(uint8_t code) {
    sim.Write8(kInstruction, code);
    WaitWhileBusy();
  }
  void Write(uint8_t byte) {
    sim.Write8(kData, byte);
    WaitWhileBusy();
  }
  void Write(const QByteArray& bytes) {
    for (char byte : bytes) Write(static_cast<uint8_t>(byte));
  }
  // Power-on delay, chip select, function set 8-bit two lines: state 5.
  void PowerUp() {
    sim.Advance(kPowerOnCycles);
    sim.WriteSfr(kADDRSEL3, 0x0400);
    sim.WriteSfr(kBUSCON3, 0x0600);
    Command(0x38);
  }
  void SetAddress(int address) { Command(static_cast<uint8_t>(0x80 | address)); }
  uintptr_t LcdStatusHandle() const { return *sim.FindVtr("LCD_STATUS"); }

  Simulator sim;
  MenuEntry* entry = nullptr;
  WindowSlot* slot = nullptr;
};

}  // namespace agsi::testing

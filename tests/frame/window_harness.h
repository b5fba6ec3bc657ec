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

#include "lcd_bus.h"

namespace agsi::testing {

class GlyphpaneWindow : public glyphpane::testing::LcdBus {
 public:
  void SetUp() override {
    LcdBus::SetUp();
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
  void Write(uint8_t byte) {
    WriteData(byte);
    WaitWhileBusy();
  }
  void Write(const QByteArray& bytes) {
    for (char byte : bytes) Write(static_cast<uint8_t>(byte));
  }
  // Power-on delay, chip select, function set 8-bit two lines: state 5.
  void PowerUp() {
    Advance(glyphpane::testing::kPowerOnCycles);
    SelectBus();
    Command(0x38);
  }
  void SetAddress(int address) { Command(static_cast<uint8_t>(0x80 | address)); }
  uintptr_t LcdStatusHandle() const { return *sim.FindVtr("LCD_STATUS"); }

  MenuEntry* entry = nullptr;
  WindowSlot* slot = nullptr;
};

}  // namespace agsi::testing

// The panel window opened from Keylamp's menu entry in our host, with real
// Qt widgets on the offscreen platform, clicked like a user clicks them.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <string>

#include "keylamp_fixture.h"

namespace keylamp_test {

inline constexpr int kFirstKeyBox = 1100;
inline constexpr int kModeList = 1300;
// Long enough for a 500 ms window timer on a loaded machine.
inline constexpr int kReleaseWaitLimitMs = 5000;
// A Qt timer may fire up to 5% early; a release sooner than this did not
// come from the 500 ms timer.
inline constexpr qint64 kEarliestReleaseMs = 450;

class PanelTest : public KeylampTest {
 protected:
  void SetUp() override {
    KeylampTest::SetUp();
    entry = sim.FindMenuEntry("Key/LEDs");
    ASSERT_NE(entry, nullptr);
  }
  void TearDown() override { sim.CloseWindows(); }

  void ToggleWindow() { sim.SelectMenuEntry(entry); }
  void OpenWindow() {
    ToggleWindow();
    ASSERT_NE(entry->slot->window, 0u) << "the panel window should be open";
    ASSERT_NE(Dialog(), nullptr);
  }

  QWidget* Dialog() const { return QWidget::find(static_cast<WId>(entry->slot->window)); }
  template <typename Widget>
  Widget* Control(int number) const {
    QWidget* dialog = Dialog();
    Widget* widget = dialog != nullptr ? dialog->findChild<Widget*>(QString::number(number)) : nullptr;
    if (widget == nullptr) ADD_FAILURE() << "no control " << number << " in the panel";
    return widget;
  }
  QCheckBox* Box(int key) const { return Control<QCheckBox>(kFirstKeyBox + key); }
  QComboBox* ModeList() const { return Control<QComboBox>(kModeList); }
  QLabel* Segment(int digit, int bit) const { return Control<QLabel>(1200 + 8 * digit + bit); }

  // A mouse click in the middle of the key's box.
  void ClickKey(int key) {
    QCheckBox* box = Box(key);
    if (box == nullptr) return;
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
  }
  // The user picks the other item of the mode list with the arrow keys.
  void ChooseManual() { QTest::keyClick(ModeList(), Qt::Key_Up); }
  void ChooseAutomatic() { QTest::keyClick(ModeList(), Qt::Key_Down); }

  bool KeyDown(int key) { return (Key(key / 6) >> (key % 6) & 1) != 0; }
  bool Checked(int key) const { return Box(key) != nullptr && Box(key)->isChecked(); }

  // Waits, processing the window's events, until the key is released.
  bool WaitForRelease(int key) {
    return QTest::qWaitFor([&] { return !KeyDown(key) && !Checked(key); }, kReleaseWaitLimitMs);
  }

  uint32_t ShownSegments(int digit) const {
    uint32_t shown = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if (QLabel* segment = Segment(digit, bit); segment != nullptr && !segment->isHidden()) shown |= 1u << bit;
    }
    return shown;
  }

  MenuEntry* entry = nullptr;
};

// Keys by their labels on the panel.
inline constexpr int kKey9 = 20;     // KEY3 bit 2
inline constexpr int kKey1 = 34;     // KEY5 bit 4
inline constexpr int kKeyPlus = 17;  // KEY2 bit 5
inline constexpr int kKey1OverX = 0; // KEY0 bit 0

}  // namespace keylamp_test

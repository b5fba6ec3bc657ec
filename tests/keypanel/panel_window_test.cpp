// The panel window: its layout, the digits, and the keys in manual and
// automatic mode, clicked on real widgets.
#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <set>
#include <string_view>

#include "panel_fixture.h"

namespace keylamp_test {
namespace {

using agsi::host::TraceKind;

// ---- layout ---------------------------------------------------------------

TEST_F(PanelTest, LayoutHasTheCaptionKeysLabelsModeListAndHiddenButtons) {
  OpenWindow();
  QWidget* dialog = Dialog();
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Keyboard / LED\u00B4s"));
  EXPECT_EQ(dialog->findChildren<QCheckBox*>().size(), 36);

  std::set<std::string> labels;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) labels.insert(label->text().toStdString());
  }
  for (const char* text : {"1/x", "cos", "log", "ln", "down", "right", "2nd", "sin", "tan", "xy", "up", "left",
                           "D", ")", "/", "*", "-", "+", "C", "(", "9", "6", "3", "=", "B", "F", "8", "5",
                           "2", ".", "A", "E", "7", "4", "1", "0", "Dec", "H", "L", "P", "T", "X", "Hex", "G",
                           "K", "O", "S", "W", "Z", "Bin", "J", "N", "R", "V", "Y", "Oct", "I", "M", "Q", "U",
                           "Keyboard:"}) {
    EXPECT_EQ(labels.count(text), 1u) << "label " << text;
  }
  std::set<std::string> groups;
  for (QGroupBox* group : dialog->findChildren<QGroupBox*>()) groups.insert(group->title().toStdString());
  EXPECT_EQ(groups, (std::set<std::string>{"LED Output", "Keyboard"}));

  ASSERT_NE(ModeList(), nullptr);
  ASSERT_EQ(ModeList()->count(), 2);
  EXPECT_EQ(ModeList()->itemText(0), "manual");
  EXPECT_EQ(ModeList()->itemText(1), "automatic");
  for (int command : {1, 2}) {
    auto* button = Control<QPushButton>(command);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isHidden()) << "button " << command;
  }
}

TEST_F(PanelTest, KeysFormColumnsByRegisterAndRowsByBit) {
  OpenWindow();
  for (int key = 0; key < 36; ++key) {
    QCheckBox* box = Box(key);
    ASSERT_NE(box, nullptr);
    if (key % 6 != 0) {
      EXPECT_GT(box->y(), Box(key - 1)->y()) << "key " << key << " lies below key " << key - 1;
    }
    if (key >= 6) {
      EXPECT_LT(box->x(), Box(key - 6)->x()) << "KEY" << key / 6 << " is left of the next column";
    }
  }
}

// Dialog units to pixels as the platform converts them: a quarter of the
// font's average character width across, an eighth of its height down,
// rounded to the nearest pixel.
struct Units {
  int baseX;
  int baseY;
  static int Scale(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }
  QRect Rect(int x, int y, int width, int height) const {
    return {Scale(x, baseX, 4), Scale(y, baseY, 8), Scale(width, baseX, 4), Scale(height, baseY, 8)};
  }
};

// The bases that turn the template's 227 by 186 units into the window's size.
Units UnitsOf(const QWidget* dialog) {
  Units units{0, 0};
  for (int base = 1; base < 64; ++base) {
    if (Units::Scale(227, base, 4) == dialog->width()) units.baseX = base;
    if (Units::Scale(186, base, 8) == dialog->height()) units.baseY = base;
  }
  return units;
}

struct KeyPlace {
  int x;
  int y;
  const char* beside;
  const char* above;
};

// By key number, as laid out in template 1000.
constexpr KeyPlace kKeyPlaces[36] = {
    {185, 60, "1/x", nullptr}, {185, 80, "cos", nullptr}, {185, 100, "log", nullptr}, {185, 120, "ln", nullptr},
    {185, 140, "down", nullptr}, {185, 160, "right", nullptr}, {155, 60, "2nd", nullptr}, {155, 80, "sin", nullptr},
    {155, 100, "tan", nullptr}, {155, 120, "xy", nullptr}, {155, 140, "up", nullptr}, {155, 160, "left", nullptr},
    {110, 60, "D", "Dec"}, {110, 80, ")", "H"}, {110, 100, "/", "L"}, {110, 120, "*", "P"}, {110, 140, "-", "T"},
    {110, 160, "+", "X"}, {80, 60, "C", "Hex"}, {80, 80, "(", "G"}, {80, 100, "9", "K"}, {80, 120, "6", "O"},
    {80, 140, "3", "S"}, {80, 160, "=", "W"}, {50, 60, "B", "Z"}, {50, 80, "F", "Bin"}, {50, 100, "8", "J"},
    {50, 120, "5", "N"}, {50, 140, "2", "R"}, {50, 160, ".", "V"}, {20, 60, "A", "Y"}, {20, 80, "E", "Oct"},
    {20, 100, "7", "I"}, {20, 120, "4", "M"}, {20, 140, "1", "Q"}, {20, 160, "0", "U"},
};

QLabel* LabelWithText(QWidget* dialog, const char* text) {
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->text() == QString::fromUtf8(text)) return label;
  }
  ADD_FAILURE() << "no label " << text;
  return nullptr;
}

TEST_F(PanelTest, EveryBoxLabelAndSegmentStandsWhereTheTemplatePutsIt) {
  OpenWindow();
  QWidget* dialog = Dialog();
  const Units units = UnitsOf(dialog);
  ASSERT_GT(units.baseX, 0) << "window width " << dialog->width();
  ASSERT_GT(units.baseY, 0) << "window height " << dialog->height();

  for (int key = 0; key < 36; ++key) {
    const KeyPlace& place = kKeyPlaces[key];
    ASSERT_NE(Box(key), nullptr);
    EXPECT_EQ(Box(key)->geometry(), units.Rect(place.x, place.y, 10, 8)) << "box of key " << key;

    QLabel* beside = LabelWithText(dialog, place.beside);
    ASSERT_NE(beside, nullptr);
    QRect wantBeside = units.Rect(place.x - 10, place.y, 10, 10);
    Qt::Alignment wantAlignment = Qt::AlignHCenter;
    if (place.x == 155) {
      wantBeside = units.Rect(135, place.y, 15, 10);
      wantAlignment = Qt::AlignRight;
    } else if (place.x == 185) {
      wantBeside = units.Rect(200, place.y, std::string_view(place.beside) == "down" ? 20 : 15, 10);
      wantAlignment = Qt::AlignLeft;
    }
    EXPECT_EQ(beside->geometry(), wantBeside) << "label " << place.beside;
    EXPECT_EQ(beside->alignment(), wantAlignment | Qt::AlignVCenter) << "label " << place.beside;

    if (place.above == nullptr) continue;
    QLabel* above = LabelWithText(dialog, place.above);
    ASSERT_NE(above, nullptr);
    const bool wide = std::string_view(place.above).size() == 3;
    EXPECT_EQ(above->geometry(),
              wide ? units.Rect(place.x - 5, place.y - 10, 20, 10) : units.Rect(place.x, place.y - 10, 10, 10))
        << "label " << place.above;
  }

  // Top-left corners of digit 0's segments; digit n stands 15 units left.
  constexpr int kSegmentX[8] = {88, 96, 96, 88, 86, 86, 88, 98};
  constexpr int kSegmentY[8] = {10, 12, 21, 28, 21, 12, 19, 29};
  for (int digit = 0; digit < 6; ++digit) {
    for (int bit = 0; bit < 8; ++bit) {
      ASSERT_NE(Segment(digit, bit), nullptr);
      EXPECT_EQ(Segment(digit, bit)->pos(), units.Rect(kSegmentX[bit] - 15 * digit, kSegmentY[bit], 0, 0).topLeft())
          << "digit " << digit << " segment " << bit;
    }
  }
  EXPECT_EQ(LabelWithText(dialog, "Keyboard:")->geometry(), units.Rect(125, 7, 40, 10));
  EXPECT_EQ(ModeList()->pos(), units.Rect(167, 5, 0, 0).topLeft());
}

// Each bitmap shows at its own pixel size: red with light-grey corners.
TEST_F(PanelTest, SegmentBitmapsAreRedWithGreyCorners) {
  struct Expected {
    int bit;
    int width;
    int height;
  };
  OpenWindow();
  for (const Expected& e : {Expected{0, 12, 3}, Expected{1, 3, 12}, Expected{7, 4, 4}}) {
    QLabel* segment = Segment(0, e.bit);
    ASSERT_NE(segment, nullptr);
    const QImage image = segment->pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(e.width, e.height)) << "segment bit " << e.bit;
    EXPECT_EQ(segment->size(), QSize(e.width, e.height));
    for (int y = 0; y < e.height; ++y) {
      for (int x = 0; x < e.width; ++x) {
        const bool corner = (x == 0 || x == e.width - 1) && (y == 0 || y == e.height - 1);
        EXPECT_EQ(image.pixel(x, y), corner ? 0xFFC0C0C0u : 0xFFFF0000u) << "bit " << e.bit << " at " << x << ","
                                                                         << y;
      }
    }
  }
  EXPECT_GT(Segment(0, 0)->x(), Segment(5, 0)->x()) << "LED0 is the rightmost digit";
}

// ---- opening and the digits -----------------------------------------------

TEST_F(PanelTest, OpensInAutomaticModeWithBoxesUncheckedWhateverTheKeysHold) {
  SetKeys(1, 0x05);
  SetLed(2, 0x3F);
  OpenWindow();

  EXPECT_EQ(ModeList()->currentIndex(), 1);
  for (int key = 0; key < 36; ++key) EXPECT_FALSE(Checked(key)) << "key " << key;
  EXPECT_EQ(Key(1), 0x05u) << "opening neither reads nor writes the key registers";
  EXPECT_EQ(ShownSegments(2), 0x3Fu) << "the digits are shown from the start";
  EXPECT_EQ(ShownSegments(3), 0x00u);
}

struct DigitCase {
  uint32_t led;
  uint32_t wantShown;
};

class DigitSegments : public PanelTest, public ::testing::WithParamInterface<DigitCase> {};

TEST_P(DigitSegments, ShowTheBitsOfLedAtTheNextUpdate) {
  OpenWindow();
  for (int digit = 0; digit < 6; ++digit) {
    SetLed(digit, GetParam().led);
    EXPECT_EQ(ShownSegments(digit), 0x00u) << "unchanged until the host asks for an update";
  }
  sim.UpdateWindows();
  for (int digit = 0; digit < 6; ++digit) EXPECT_EQ(ShownSegments(digit), GetParam().wantShown) << "LED" << digit;
}

INSTANTIATE_TEST_SUITE_P(Patterns, DigitSegments,
                         ::testing::Values(DigitCase{0xFF, 0xFF}, DigitCase{0x3F, 0x3F}, DigitCase{0x80, 0x80},
                                           DigitCase{0x13F, 0x3F}));

TEST_F(PanelTest, DigitsFollowTheScanAtEachUpdate) {
  OpenWindow();
  WritePorts(SelectLine(4, 0xF9));  // segments b and c low: the pattern of a one
  sim.UpdateWindows();
  EXPECT_EQ(ShownSegments(4), 0x06u);
  sim.WriteSfr(agsi::host::kP2, 0x3F);
  Advance(kLedTimeoutCycles);
  sim.UpdateWindows();
  EXPECT_EQ(ShownSegments(4), 0x00u) << "the digit has gone dark";
}

// Every update sets all 48 segment controls from the registers, whatever
// they showed before.
TEST_F(PanelTest, EachUpdateSetsEverySegmentAgain) {
  OpenWindow();
  SetLed(1, 0x3F);
  sim.UpdateWindows();
  Segment(1, 0)->hide();  // out of step with LED1 behind the panel's back
  Segment(1, 6)->show();
  sim.UpdateWindows();
  EXPECT_EQ(ShownSegments(1), 0x3Fu);
}

// ---- manual mode --------------------------------------------------------------

TEST_F(PanelTest, ManualKeyStaysDownUntilClickedAgainAndKeepsOtherBits) {
  OpenWindow();
  ChooseManual();
  ASSERT_EQ(ModeList()->currentIndex(), 0);
  SetKeys(3, 0x29);

  ClickKey(kKey9);
  EXPECT_TRUE(Checked(kKey9));
  EXPECT_EQ(Key(3), 0x2Du) << "only bit 2 of KEY3 is set";
  ClickKey(kKey9);
  EXPECT_FALSE(Checked(kKey9));
  EXPECT_EQ(Key(3), 0x29u) << "only bit 2 of KEY3 is cleared";
}

TEST_F(PanelTest, ManualKeysInAnyRegistersAreHeldTogether) {
  OpenWindow();
  ChooseManual();
  for (int key : {kKey1OverX, kKey1, kKey9, kKeyPlus}) ClickKey(key);
  EXPECT_EQ(Key(0), 0x01u);
  EXPECT_EQ(Key(2), 0x20u);
  EXPECT_EQ(Key(3), 0x04u);
  EXPECT_EQ(Key(5), 0x10u);

  // An automatic press and its release take their time; the manual keys
  // must have stayed down all along.
  ChooseAutomatic();
  ClickKey(kKey1OverX + 1);
  ASSERT_TRUE(WaitForRelease(kKey1OverX + 1));
  for (int key : {kKey1OverX, kKey1, kKey9, kKeyPlus}) {
    EXPECT_TRUE(KeyDown(key) && Checked(key)) << "manual key " << key << " is still held";
  }
}

// The space bar toggles the focused box like a click.
TEST_F(PanelTest, SpaceBarOnAFocusedBoxPressesTheKey) {
  OpenWindow();
  ChooseManual();
  QCheckBox* box = Box(kKey9);
  ASSERT_NE(box, nullptr);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_TRUE(Checked(kKey9));
  EXPECT_TRUE(KeyDown(kKey9));
}

// ---- automatic mode ---------------------------------------------------------

TEST_F(PanelTest, AutomaticKeyReleasesItselfAfter500msOfWindowTime) {
  OpenWindow();
  WritePorts(SelectLine(3, 0xFF));
  QElapsedTimer clock;
  clock.start();
  ClickKey(kKey9);
  EXPECT_TRUE(KeyDown(kKey9));
  EXPECT_TRUE(Checked(kKey9));
  EXPECT_EQ(ProgramReadsP2() & 0x3F00, 0x3B00u) << "the key shows on return line 2 at once";

  ASSERT_TRUE(WaitForRelease(kKey9));
  EXPECT_GE(clock.elapsed(), kEarliestReleaseMs);
  EXPECT_EQ(sim.Clock(), 0u) << "released by the window's timer with the simulated clock standing still";
  EXPECT_EQ(ProgramReadsP2() & 0x3F00, 0x3F00u);
}

TEST_F(PanelTest, SecondKeyReleasesTheFirstAtOnceAndRunsItsOwn500ms) {
  OpenWindow();
  ClickKey(kKey1);
  QTest::qWait(200);
  ASSERT_TRUE(KeyDown(kKey1)) << "the first key must still be pending for this test";
  QElapsedTimer sinceSecond;
  sinceSecond.start();
  ClickKey(kKeyPlus);

  EXPECT_TRUE(KeyDown(kKeyPlus));
  EXPECT_FALSE(KeyDown(kKey1)) << "the earlier key is released by the new press";
  EXPECT_FALSE(Checked(kKey1));
  ASSERT_TRUE(WaitForRelease(kKeyPlus));
  EXPECT_GE(sinceSecond.elapsed(), kEarliestReleaseMs) << "500 ms from the second key's own click";
}

TEST_F(PanelTest, UncheckingThePendingKeyReleasesItAndTheTickWritesZeroOnceMore) {
  OpenWindow();
  ClickKey(kKey9);
  TraceRecorder trace(sim);
  ClickKey(kKey9);
  EXPECT_FALSE(Checked(kKey9));
  EXPECT_FALSE(KeyDown(kKey9));
  EXPECT_EQ(trace.Count(TraceKind::kRegister, "write KEY3"), 1u);

  EXPECT_TRUE(QTest::qWaitFor([&] { return trace.Count(TraceKind::kRegister, "write KEY3") == 2; },
                              kReleaseWaitLimitMs))
      << "the tick releases the forgotten key once more";
  EXPECT_FALSE(KeyDown(kKey9));
}

TEST_F(PanelTest, PressingThePendingKeyAgainHoldsItForItsOwn500ms) {
  OpenWindow();
  ClickKey(kKey9);  // pending
  ClickKey(kKey9);  // mark taken off, released
  QElapsedTimer sinceThird;
  sinceThird.start();
  ClickKey(kKey9);  // pressed again

  EXPECT_TRUE(Checked(kKey9)) << "a press holds the key";
  EXPECT_TRUE(KeyDown(kKey9));
  ASSERT_TRUE(WaitForRelease(kKey9));
  EXPECT_GE(sinceThird.elapsed(), kEarliestReleaseMs);
}

TEST_F(PanelTest, HeldManualKeyClickedInAutomaticModeIsReleasedWithoutTouchingThePendingKey) {
  OpenWindow();
  ChooseManual();
  ClickKey(kKey1);
  ChooseAutomatic();
  ClickKey(kKeyPlus);  // pending

  ClickKey(kKey1);
  EXPECT_FALSE(Checked(kKey1));
  EXPECT_FALSE(KeyDown(kKey1));
  EXPECT_TRUE(KeyDown(kKeyPlus)) << "the pending key is not released early";
  EXPECT_TRUE(Checked(kKeyPlus));
  ASSERT_TRUE(WaitForRelease(kKeyPlus));
}

TEST_F(PanelTest, SwitchingToManualWhilePendingStillReleasesTheKey) {
  OpenWindow();
  ClickKey(kKey9);
  ChooseManual();
  EXPECT_TRUE(KeyDown(kKey9));
  ASSERT_TRUE(WaitForRelease(kKey9));
}

TEST_F(PanelTest, BoxesDoNotFollowTheRegistersAfterAReset) {
  OpenWindow();
  ChooseManual();
  ClickKey(kKey9);
  sim.ResetAll();
  EXPECT_EQ(Key(3), 0u);
  EXPECT_TRUE(Checked(kKey9)) << "the box keeps its mark";

  TraceRecorder trace(sim);
  ClickKey(kKey9);
  EXPECT_FALSE(Checked(kKey9));
  EXPECT_EQ(Key(3), 0u);
  EXPECT_EQ(trace.Count(TraceKind::kRegister, "write KEY3"), 1u) << "the bit is written on every click";
}

// ---- closing while a key waits for its release -------------------------------

enum class CloseBy { kMenuEntry, kHostClose, kEscapeKey, kCloseBox };

class ClosePending : public PanelTest, public ::testing::WithParamInterface<CloseBy> {
 protected:
  void CloseWindow() {
    switch (GetParam()) {
      case CloseBy::kMenuEntry: ToggleWindow(); break;
      case CloseBy::kHostClose: sim.CloseWindows(); break;
      case CloseBy::kEscapeKey: QTest::keyClick(Dialog(), Qt::Key_Escape); break;
      case CloseBy::kCloseBox: Dialog()->close(); break;
    }
  }
};

TEST_P(ClosePending, ReleasesThePendingKey) {
  OpenWindow();
  ClickKey(kKey9);
  ASSERT_TRUE(KeyDown(kKey9));

  CloseWindow();
  EXPECT_EQ(entry->slot->window, 0u);
  EXPECT_FALSE(KeyDown(kKey9)) << "no key may stay pressed without a box that shows it";

  OpenWindow();
  EXPECT_FALSE(Checked(kKey9));
  EXPECT_FALSE(KeyDown(kKey9));
}

std::string CloseByName(const ::testing::TestParamInfo<CloseBy>& close) {
  constexpr const char* kNames[] = {"MenuEntry", "HostClose", "EscapeKey", "CloseBox"};
  return kNames[static_cast<int>(close.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosePending,
                         ::testing::Values(CloseBy::kMenuEntry, CloseBy::kHostClose, CloseBy::kEscapeKey,
                                           CloseBy::kCloseBox),
                         CloseByName);

TEST_F(PanelTest, ManualKeysStayHeldAcrossClosingAndReopening) {
  OpenWindow();
  ChooseManual();
  ClickKey(kKey9);
  ToggleWindow();
  EXPECT_TRUE(KeyDown(kKey9));
  OpenWindow();
  EXPECT_FALSE(Checked(kKey9)) << "the boxes start unchecked";
  EXPECT_EQ(ModeList()->currentIndex(), 1) << "each opening starts in automatic mode";
}

}  // namespace
}  // namespace keylamp_test

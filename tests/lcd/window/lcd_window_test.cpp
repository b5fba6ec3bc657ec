// Glyphpane's window on the screen: the blinking cursor across ticks and
// reopening, renders that leave an unchanged display alone, the fixed-pitch
// field of two rows of 24 characters, and screenshots checked by content.
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "eventually.h"
#include "window_harness.h"

namespace agsi::testing {
namespace {

constexpr char kBlinkMark = '\x83';
constexpr int kColumns = 24;
constexpr int kRows = 2;

class LcdWindow : public GlyphpaneWindow {
 public:
  void SetUp() override {
    GlyphpaneWindow::SetUp();
    SelectMenuEntry();
    ASSERT_NE(Display(), nullptr);
    PowerUp();
  }

  // The byte at index of the display text; 0 past its end.
  char Character(int index) const {
    const QByteArray text = DisplayText();
    return index < text.size() ? text.at(index) : '\0';
  }

  // The cursor blinking on the first shown address of line 2, over an 'A'.
  void BlinkOnLetterAt64() {
    Command(0x0F);
    SetAddress(64);
    Write('A');
    SetAddress(64);
    slot->update();
  }

  // ---- the display as drawn ------------------------------------------------
  // Glyphs stand at fractional advances.
  qreal CharacterWidth() const { return QFontMetricsF(Display()->font()).horizontalAdvance(QLatin1Char('M')); }

  // The cell of a row and column in the display's viewport, counted on the
  // screen from the first character's place, one character width across and
  // one line height down each.
  QRect Cell(int row, int column) const {
    const QRect first = Display()->cursorRect(QTextCursor(Display()->document()));
    const int left = first.x() + qRound(column * CharacterWidth());
    const int right = first.x() + qRound((column + 1) * CharacterWidth());
    return QRect(left, first.y() + row * first.height(), right - left, first.height());
  }

  QImage Screen() const { return Display()->viewport()->grab().toImage(); }

  // Share of dark pixels in a cell: 0 for a blank, some for a letter, most
  // for a solid block. The cell's outermost pixel columns are left out: a
  // neighbour's glyph may reach one pixel into them.
  static double Ink(const QImage& screen, const QRect& cell) {
    int dark = 0;
    int all = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
      for (int x = cell.left() + 1; x < cell.left() + cell.width() - 1; ++x) {
        if (!screen.rect().contains(x, y)) continue;
        ++all;
        if (qGray(screen.pixel(x, y)) < 128) ++dark;
      }
    }
    return all > 0 ? static_cast<double>(dark) / all : 0.0;
  }

  // "#" for a cell with ink, "." for a blank one, row by row.
  std::string InkMap(const QImage& screen) const {
    std::string map;
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) map += Ink(screen, Cell(row, column)) > 0.02 ? '#' : '.';
      map += '\n';
    }
    return map;
  }

  void SaveScreenshot(const char* name) const {
    QDir().mkpath(SCREENSHOT_DIR);
    ASSERT_TRUE(Window()->grab().save(QString(SCREENSHOT_DIR) + "/" + name + ".png"));
  }
};

// Counts the timer events that reach the window.
class TickCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Timer) ++count;
    return false;
  }
};

std::string Row(const std::string& marks) { return marks + std::string(kColumns - marks.size(), '.') + '\n'; }

TEST_F(LcdWindow, DisplayFieldIsFixedPitchTwoRowsOf24Characters) {
  QPlainTextEdit* display = Display();
  const QFontInfo font(display->font());
  EXPECT_TRUE(font.fixedPitch()) << "got font " << font.family().toStdString();
  const QFontMetrics metrics(display->font());
  EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
  EXPECT_TRUE(metrics.inFontUcs4(0x2588)) << "the blink mark's block must be drawn by the same font";
  EXPECT_TRUE(metrics.inFontUcs4(0x2591));
  EXPECT_TRUE(metrics.inFontUcs4(0x2592));

  const int margin = static_cast<int>(display->document()->documentMargin());
  const QRect text = display->contentsRect().adjusted(margin, margin, -margin, -margin);
  EXPECT_EQ(static_cast<int>(text.width() / CharacterWidth()), kColumns);
  EXPECT_EQ(text.height() / metrics.lineSpacing(), kRows);
  EXPECT_TRUE(display->isReadOnly());
  EXPECT_EQ(display->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(display->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(LcdWindow, BlinkMarkTakesTurnsWithTheLetterOnEveryTick) {
  BlinkOnLetterAt64();
  ASSERT_EQ(Character(24), 'A');
  EXPECT_EVENTUALLY_EQ(Character(24), kBlinkMark, 2000);
  EXPECT_EQ(DisplayText().size(), 48);
  EXPECT_EVENTUALLY_EQ(Character(24), 'A', 2000);
  EXPECT_EQ(DisplayText().size(), 48);
  EXPECT_EVENTUALLY_EQ(Character(24), kBlinkMark, 2000);
}

TEST_F(LcdWindow, BlinkPhaseCarriesOverAReopening) {
  BlinkOnLetterAt64();
  EXPECT_EVENTUALLY_EQ(Character(24), kBlinkMark, 2000);
  SelectMenuEntry();  // closes
  SelectMenuEntry();  // opens again, rendering at once
  ASSERT_NE(Display(), nullptr);
  EXPECT_EQ(Character(24), kBlinkMark) << "the phase goes on from where it was";
  EXPECT_EVENTUALLY_EQ(Character(24), 'A', 2000);
}

TEST_F(LcdWindow, UpdateRendersAtOnceWithoutTouchingTheBlinkPhase) {
  Command(0x0F);
  SetAddress(64);
  Write('A');  // the cursor moves on to 65, over a space
  SetAddress(64);
  ASSERT_TRUE(DisplayText().isEmpty()) << "the window shows the model only at a render";
  slot->update();
  EXPECT_EQ(Character(24), 'A');
  slot->update();
  EXPECT_EQ(Character(24), 'A') << "an update must not flip the blink phase";
}

TEST_F(LcdWindow, RendersWithoutChangeLeaveTheControlUntouched) {
  Command(0x0C);
  Write(QByteArray("HELLO"));
  slot->update();
  QSignalSpy changes(Display(), &QPlainTextEdit::textChanged);
  slot->update();
  slot->update();
  EXPECT_EQ(changes.count(), 0);
  Write('!');
  slot->update();
  EXPECT_EQ(changes.count(), 1) << "a changed display replaces the text once";
}

TEST_F(LcdWindow, TicksOfAnUnchangedDisplayLeaveTheControlUntouched) {
  // The cursor blinks at address 40, out of view: every tick flips the phase
  // and renders the same text.
  Command(0x0F);
  SetAddress(40);
  slot->update();
  TickCounter ticks;
  Window()->installEventFilter(&ticks);
  QSignalSpy changes(Display(), &QPlainTextEdit::textChanged);
  EXPECT_EVENTUALLY_EQ(ticks.count >= 2, true, 3000);
  EXPECT_EQ(changes.count(), 0) << "ticks of an unchanged display replaced its text";
}

TEST_F(LcdWindow, ScreenshotShowsLineOneAndLineTwoInTheirRows) {
  Command(0x0C);
  Write(QByteArray("HELLO"));
  SetAddress(65);
  Write(QByteArray("WORLD"));  // line 2 starts with a space at 64
  slot->update();
  ASSERT_EQ(DisplayText().size(), 49);
  const QImage screen = Screen();
  EXPECT_EQ(InkMap(screen), Row("#####") + Row(".#####"));
  SaveScreenshot("lcd-hello-world");
}

TEST_F(LcdWindow, ScreenshotShowsTheBlinkMarkAsASolidBlockAt64) {
  Command(0x0F);
  Write(QByteArray("Blink"));
  SetAddress(65);
  Write(QByteArray("WORLD"));
  SetAddress(64);  // over a space: no extra space, 48 characters
  slot->update();
  ASSERT_EQ(DisplayText().size(), 48);
  EXPECT_EQ(InkMap(Screen()), Row("#####") + Row(".#####")) << "phase 0 shows the stored space";
  EXPECT_EVENTUALLY_EQ(Character(24), kBlinkMark, 2000);
  const QImage screen = Screen();
  EXPECT_EQ(InkMap(screen), Row("#####") + Row("######"));
  EXPECT_GT(Ink(screen, Cell(1, 0)), 0.6) << "the blink mark is a solid block";
  SaveScreenshot("lcd-blink-mark");
}

TEST_F(LcdWindow, ScreenshotShowsTheSteadyCursorAndNothingAfterAZeroByte) {
  Command(0x0E);
  Write(QByteArray("AB"));
  Write(uint8_t{0});
  Write(QByteArray("CD"));
  SetAddress(64 + 3);
  slot->update();
  EXPECT_EQ(InkMap(Screen()), Row("##") + Row("")) << "nothing after the zero byte";
  SetAddress(2);
  Write(uint8_t{'X'});  // over the zero byte: "ABXCD"
  SetAddress(6);
  slot->update();
  EXPECT_EQ(InkMap(Screen()), Row("#####.#") + Row("")) << "the underscore at address 6";
  SaveScreenshot("lcd-steady-cursor");
}

TEST_F(LcdWindow, ScreenshotOfAGreetingWithTheBlinkingCursor) {
  Command(0x0F);
  Write(QByteArray("Hello, world!"));
  SetAddress(64);
  Write(QByteArray("80C166 LCD demo"));  // the cursor stays behind it, at 79
  slot->update();
  EXPECT_EVENTUALLY_EQ(Character(24 + 15), kBlinkMark, 2000);
  SaveScreenshot("lcd-hello");
  EXPECT_EQ(InkMap(Screen()), Row("######.######") + Row("######.###.#####"));  // block at 79
}

TEST_F(LcdWindow, ScreenshotOfTheDisplayOffIsBlank) {
  Command(0x0F);
  Write(QByteArray("HELLO"));
  Command(0x08);
  slot->update();
  EXPECT_EQ(InkMap(Screen()), Row("") + Row(""));
  SaveScreenshot("lcd-display-off");
}

TEST_F(LcdWindow, OtherCodesAreDrawnVisibly) {
  Command(0x0C);
  for (uint8_t code : {uint8_t{0x01}, uint8_t{0x1F}, uint8_t{0x7F}, uint8_t{0x90}, uint8_t{0xA0}, uint8_t{0xE4}}) {
    Write(code);
  }
  slot->update();
  EXPECT_EQ(InkMap(Screen()), Row("######") + Row(""));
  SaveScreenshot("lcd-other-codes");
}

}  // namespace
}  // namespace agsi::testing

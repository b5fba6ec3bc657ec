// The display text of Glyphpane's window for the cases a program can bring
// about on the LCD, read from control 1251 as the plug-in set it. Each case
// runs in a process of its own, so the blink phase is 0 throughout: the tests
// render through the host's update and never let the window's timer tick.
#include <QByteArray>
#include <ostream>
#include <string>

#include "window_harness.h"

namespace agsi::testing {
namespace {

constexpr char kBlinkMark = '\x83';
constexpr uint32_t kDisplayOn = 0x0100;
constexpr uint32_t kCursorShown = 0x0200;
constexpr uint32_t kCursorBlinks = 0x0400;

QByteArray Spaces(int count) { return QByteArray(count, ' '); }

struct DisplayCase {
  const char* name;
  void (*drive)(GlyphpaneWindow& lcd);  // after reset, power-up and function set
  QByteArray want;
};

const DisplayCase kCases[] = {
    {"DisplayOff",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0F);  // on, cursor, blink: into the ready state
       lcd.Write(QByteArray("HELLO"));
       lcd.Command(0x0B);  // off; cursor and blink bits stay
     },
     QByteArray()},
    {"FortyNineSpacesAfterReset", [](GlyphpaneWindow& lcd) { lcd.Command(0x0C); },
     Spaces(24) + ' ' + Spaces(24)},
    {"FiveLetters",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0C);
       lcd.Write(QByteArray("HELLO"));
     },
     QByteArray("HELLO") + Spaces(19) + ' ' + Spaces(24)},
    {"SteadyCursorAtFive",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0E);
       lcd.SetAddress(5);
     },
     Spaces(5) + '_' + Spaces(18) + ' ' + Spaces(24)},
    {"BlinkingCursorOnLetterAt64",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0F);
       lcd.SetAddress(64);
       lcd.Write('A');
       lcd.SetAddress(64);
     },
     Spaces(24) + 'A' + Spaces(23)},
    {"BlinkingCursorOnSpaceAt64",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0F);
       lcd.SetAddress(64);
     },
     Spaces(24) + ' ' + Spaces(23)},
    {"ShiftTwentyCursorAtTwo",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0E);
       lcd.Write(QByteArray("abcdefghijklmnopqrstuvwxyz0123456789ABCD"));  // addresses 0-39
       for (int shift = 0; shift < 20; ++shift) lcd.Command(0x18);
       lcd.SetAddress(2);
     },
     // Line 1 shows 20-39 and 0-3: "uvwxyz0123456789ABCD" "ab_d".
     QByteArray("uvwxyz0123456789ABCDab_d") + ' ' + Spaces(24)},
    {"CursorAt40IsOutOfView",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0E);
       lcd.SetAddress(40);
     },
     Spaces(24) + ' ' + Spaces(24)},
    {"CursorAt30IsOutOfView",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0E);
       lcd.SetAddress(30);
     },
     Spaces(24) + ' ' + Spaces(24)},
    {"BlinkBitWithoutCursorBitDrawsNoCursor",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0C);
       lcd.SetAddress(3);
       auto& sim = lcd.sim;
       const uintptr_t status = lcd.LcdStatusHandle();
       // Only the user's edit in the host can set bit 10 without bit 9.
       sim.EditVtr(status, (sim.ReadVtrAsUser(status) | kCursorBlinks | kDisplayOn) & ~kCursorShown);
     },
     Spaces(24) + ' ' + Spaces(24)},
    {"ZeroByteEndsTheText",
     [](GlyphpaneWindow& lcd) {
       lcd.Command(0x0C);
       lcd.Write(QByteArray("ABC"));
       lcd.Write(uint8_t{0});
       lcd.Write(QByteArray("DE"));
     },
     QByteArray("ABC")},
};

class LcdDisplayText : public GlyphpaneWindow, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(LcdDisplayText, ShowsWhatTheModuleShows) {
  SelectMenuEntry();
  ASSERT_NE(Display(), nullptr);
  PowerUp();
  GetParam().drive(*this);
  slot->update();
  const QByteArray got = DisplayText();
  EXPECT_EQ(got.toStdString(), GetParam().want.toStdString())
      << "got " << got.size() << " characters, want " << GetParam().want.size();
}

void PrintTo(const DisplayCase& display, std::ostream* out) { *out << display.name; }

std::string CaseName(const ::testing::TestParamInfo<DisplayCase>& display) { return display.param.name; }

INSTANTIATE_TEST_SUITE_P(Lcd, LcdDisplayText, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace agsi::testing

// A picture of the panel with a few lit digits and a pressed key, checked by
// its content and saved as PNG (to $KEYLAMP_SCREENSHOT if set, else beside
// the test).
#include <QImage>
#include <QPixmap>
#include <cstdlib>

#include "panel_fixture.h"

namespace keylamp_test {
namespace {

// Segment patterns, bit 0 = a ... bit 6 = g, bit 7 = point.
constexpr uint32_t kOne = 0x06;
constexpr uint32_t kTwoWithPoint = 0x5B | 0x80;
constexpr uint32_t kThree = 0x4F;
constexpr uint32_t kFour = 0x66;

TEST_F(PanelTest, ScreenshotShowsLitDigitsAndAPressedKey) {
  OpenWindow();
  SetLed(3, kOne);  // "  12.34", LED0 the rightmost digit
  SetLed(2, kTwoWithPoint);
  SetLed(1, kThree);
  SetLed(0, kFour);
  sim.UpdateWindows();
  ChooseManual();
  ClickKey(kKeyPlus);
  ASSERT_TRUE(Checked(kKeyPlus));

  QWidget* dialog = Dialog();
  const QImage picture = dialog->grab().toImage();
  const auto colourAtSegment = [&](int digit, int bit) {
    const QLabel* segment = Segment(digit, bit);
    const QPoint centre = segment->geometry().center();
    return picture.pixel(centre * picture.devicePixelRatio());
  };
  EXPECT_EQ(colourAtSegment(3, 1), 0xFFFF0000u) << "segment b of the one is lit";
  EXPECT_EQ(colourAtSegment(2, 7), 0xFFFF0000u) << "the point after the two is lit";
  EXPECT_NE(colourAtSegment(3, 0), 0xFFFF0000u) << "segment a of the one is dark";
  EXPECT_NE(colourAtSegment(5, 6), 0xFFFF0000u) << "the leftmost digit is blank";

  const char* path = std::getenv("KEYLAMP_SCREENSHOT");
  EXPECT_TRUE(picture.save(path != nullptr ? path : KEYLAMP_SCREENSHOT_DEFAULT, "PNG"));
}

}  // namespace
}  // namespace keylamp_test

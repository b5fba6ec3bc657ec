// The LED digits as the headless printout draws them.
#include <gtest/gtest.h>

#include <array>

#include "seven_segment.h"

namespace agsi::host::program {
namespace {

struct DigitArt {
  uint8_t pattern;
  const char* art;  // three rows of four characters, joined by '\n'
};

class SevenSegment : public ::testing::TestWithParam<DigitArt> {};

TEST_P(SevenSegment, LightsTheSegmentsOfTheRegisterBits) {
  const std::array<uint8_t, 1> digit{GetParam().pattern};
  EXPECT_EQ(DrawSevenSegmentDigits(digit), GetParam().art);
}

INSTANTIATE_TEST_SUITE_P(Digits, SevenSegment,
                         ::testing::Values(DigitArt{0x00, "    \n    \n    "},   // dark
                                           DigitArt{0x3F, " _  \n| | \n|_| "},   // a-f: zero
                                           DigitArt{0x06, "    \n  | \n  | "},   // b, c: one
                                           DigitArt{0x5B, " _  \n _| \n|_  "},   // two
                                           DigitArt{0xFF, " _  \n|_| \n|_|."},   // all and the point
                                           DigitArt{0x80, "    \n    \n   ."}));  // the point alone

TEST(SevenSegmentRow, DigitsStandSideBySideInTheGivenOrder) {
  const std::array<uint8_t, 3> digits{0x06, 0x00, 0x3F};
  EXPECT_EQ(DrawSevenSegmentDigits(digits), "         _  \n  |     | | \n  |     |_| ");
}

}  // namespace
}  // namespace agsi::host::program

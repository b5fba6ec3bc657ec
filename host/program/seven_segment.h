// Seven-segment digits as ASCII art, for the headless printout of the LED
// digits (LED5 leftmost, LED0 rightmost, as on the panel).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace agsi::host::program {

// Segment bits of an LED register: a..g in bits 0..6, the point in bit 7.
enum SegmentBit : uint8_t {
  kSegmentA = 1u << 0,  // top bar
  kSegmentB = 1u << 1,  // upper right
  kSegmentC = 1u << 2,  // lower right
  kSegmentD = 1u << 3,  // bottom bar
  kSegmentE = 1u << 4,  // lower left
  kSegmentF = 1u << 5,  // upper left
  kSegmentG = 1u << 6,  // middle bar
  kSegmentPoint = 1u << 7,
};

inline constexpr int kDigitArtRows = 3;
inline constexpr int kDigitArtWidth = 4;  // three cells of the digit and the point

// Three rows, the digits side by side in the order given, each kDigitArtWidth
// wide, rows joined by '\n' (no newline after the last).
std::string DrawSevenSegmentDigits(std::span<const uint8_t> patterns);

}  // namespace agsi::host::program

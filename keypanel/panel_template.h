// Dialog template 1000, the keyboard / LED panel, as data: 36 key check
// boxes with their labels, six seven-segment digits of bitmap controls, the
// mode list, and the hidden OK and Cancel buttons that carry Enter and Escape.
#pragma once

#include <array>
#include <cstdint>

#include "dialog_template.h"
#include "port_scanner.h"

namespace keylamp {

inline constexpr int kPanelTemplate = 1000;

inline constexpr int kFirstKeyControl = 1100;  // key k is control 1100 + k
inline constexpr int kLastKeyControl = kFirstKeyControl + kKeyCount - 1;
inline constexpr int kFirstSegmentControl = 1200;  // digit n, bit j: 1200 + 8n + j
inline constexpr int kSegmentsPerDigit = 8;
inline constexpr int kModeList = 1300;
inline constexpr int kManualMode = 0;
inline constexpr int kAutomaticMode = 1;

inline constexpr int kVerticalSegmentBitmap = 1001;
inline constexpr int kHorizontalSegmentBitmap = 1002;
inline constexpr int kDotBitmap = 1003;

constexpr int SegmentControl(int digit, int bit) {
  return kFirstSegmentControl + kSegmentsPerDigit * digit + bit;
}

// Key k sits in row k mod 6 + 1 and column 6 - k / 6: each key register is
// one column, KEY0 the rightmost, bit 0 the top row.
inline constexpr std::array<int, kScanLineCount> kKeyColumnX = {20, 50, 80, 110, 155, 185};
constexpr int KeyColumn(int key) { return kScanLineCount - key / kScanLineCount; }  // 1..6
constexpr int KeyBoxX(int key) { return kKeyColumnX[KeyColumn(key) - 1]; }
constexpr int KeyBoxY(int key) { return 60 + 20 * (key % kScanLineCount); }

struct KeyLabels {
  const char* beside;
  const char* above;  // null in columns 5 and 6
};

// By key number: KEY0 bits 0-5, KEY1 bits 0-5, ...
inline constexpr std::array<KeyLabels, kKeyCount> kKeyLabels = {{
    {"1/x", nullptr}, {"cos", nullptr}, {"log", nullptr}, {"ln", nullptr},  {"down", nullptr}, {"right", nullptr},
    {"2nd", nullptr}, {"sin", nullptr}, {"tan", nullptr}, {"xy", nullptr},  {"up", nullptr},   {"left", nullptr},
    {"D", "Dec"},     {")", "H"},       {"/", "L"},       {"*", "P"},       {"-", "T"},        {"+", "X"},
    {"C", "Hex"},     {"(", "G"},       {"9", "K"},       {"6", "O"},       {"3", "S"},        {"=", "W"},
    {"B", "Z"},       {"F", "Bin"},     {"8", "J"},       {"5", "N"},       {"2", "R"},        {".", "V"},
    {"A", "Y"},       {"E", "Oct"},     {"7", "I"},       {"4", "M"},       {"1", "Q"},        {"0", "U"},
}};

// One segment of digit 0; digit n stands 15 units further left.
struct SegmentPlace {
  int bitmap;
  int x;
  int y;
  int width;  // template size; the control takes its bitmap's size
  int height;
};
inline constexpr int kDigitPitch = 15;
inline constexpr std::array<SegmentPlace, kSegmentsPerDigit> kSegmentPlaces = {{
    {kHorizontalSegmentBitmap, 88, 10, 8, 2},  // a, top bar
    {kVerticalSegmentBitmap, 96, 12, 2, 7},    // b, upper right
    {kVerticalSegmentBitmap, 96, 21, 2, 7},    // c, lower right
    {kHorizontalSegmentBitmap, 88, 28, 8, 2},  // d, bottom bar
    {kVerticalSegmentBitmap, 86, 21, 2, 7},    // e, lower left
    {kVerticalSegmentBitmap, 86, 12, 2, 7},    // f, upper left
    {kHorizontalSegmentBitmap, 88, 19, 8, 2},  // g, middle bar
    {kDotBitmap, 98, 29, 3, 2},                // dp, right of the bottom bar
}};

extern const agsi::DialogTemplate kPanelDialogTemplate;

}  // namespace keylamp

#include "seven_segment.h"

namespace agsi::host::program {
namespace {

// One cell of the 3x3 art (plus the point column): which segment lights it
// and the character it shows then.
struct ArtCell {
  int row;
  int column;
  uint8_t segment;
  char lit;
};

//  _
// |_|
// |_|.
constexpr ArtCell kArtCells[] = {
    {0, 1, kSegmentA, '_'}, {1, 0, kSegmentF, '|'}, {1, 1, kSegmentG, '_'},     {1, 2, kSegmentB, '|'},
    {2, 0, kSegmentE, '|'}, {2, 1, kSegmentD, '_'}, {2, 2, kSegmentC, '|'},     {2, 3, kSegmentPoint, '.'},
};

}  // namespace

std::string DrawSevenSegmentDigits(std::span<const uint8_t> patterns) {
  std::string rows[kDigitArtRows];
  for (std::string& row : rows) row.assign(patterns.size() * kDigitArtWidth, ' ');
  for (std::size_t digit = 0; digit < patterns.size(); ++digit) {
    for (const ArtCell& cell : kArtCells) {
      if ((patterns[digit] & cell.segment) != 0) {
        rows[cell.row][digit * kDigitArtWidth + static_cast<std::size_t>(cell.column)] = cell.lit;
      }
    }
  }
  return rows[0] + '\n' + rows[1] + '\n' + rows[2];
}

}  // namespace agsi::host::program

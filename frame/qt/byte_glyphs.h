// How an edit control draws the 8-bit bytes of its text. The bytes are kept
// unchanged as the control's text; only their drawing is chosen here, with
// glyphs that every fixed-pitch font we rely on holds, so that each byte
// takes exactly one column:
//   0x20-0x7E  printable ASCII, as itself
//   0x83       a solid block (the LCD window's blink mark)
//   0x01-0x0F  a medium shade: the module's user-defined characters, whose
//              patterns we do not model
//   0xA1-0xFF  the Latin-1 character of the code
//   all other codes (0x10-0x1F, 0x7F-0xA0) a light shade, so that a code
//   without a character of its own still shows as a visible cell
// 0x00 never reaches the drawing: it ends the text.
#pragma once

#include <array>
#include <cstdint>

namespace agsi::qt {

inline constexpr char16_t kSolidBlock = u'\u2588';
inline constexpr char16_t kMediumShade = u'\u2592';
inline constexpr char16_t kLightShade = u'\u2591';
inline constexpr uint8_t kBlinkMarkByte = 0x83;

inline constexpr std::array<char16_t, 256> kByteGlyphs = [] {
  std::array<char16_t, 256> glyphs{};
  for (int code = 0; code < 256; ++code) {
    char16_t glyph = kLightShade;
    if (code >= 0x20 && code <= 0x7E) glyph = static_cast<char16_t>(code);
    if (code >= 0x01 && code <= 0x0F) glyph = kMediumShade;
    if (code >= 0xA1) glyph = static_cast<char16_t>(code);
    if (code == kBlinkMarkByte) glyph = kSolidBlock;
    glyphs[static_cast<std::size_t>(code)] = glyph;
  }
  glyphs[0] = u' ';
  return glyphs;
}();

}  // namespace agsi::qt

// Dialog templates as data: a window's caption, font, size and every control
// with its number, kind, position and size in dialog units, and its style.
// Each library holds its own templates and bitmaps and answers
// FindDialogTemplate for them.
//
// Dialog units follow the font of the template: one horizontal unit is a
// quarter of the font's average character width, one vertical unit an eighth
// of its character height.
#pragma once

#include <cstdint>
#include <span>

namespace agsi {

enum class ControlKind : uint8_t {
  kPushButton,
  kDefaultPushButton,
  kEdit,
  kStaticText,
  kGroupBox,
  kAutoCheckBox,
  kDropDownList,
  kBitmap,
};

// Control style bits, the ones the templates use.
namespace style {
inline constexpr uint32_t kVisible = 1u << 0;
inline constexpr uint32_t kTabStop = 1u << 1;
inline constexpr uint32_t kBorder = 1u << 2;
inline constexpr uint32_t kMultiLine = 1u << 3;   // edit
inline constexpr uint32_t kReadOnly = 1u << 4;    // edit
inline constexpr uint32_t kAutoHScroll = 1u << 5; // edit: scrolls instead of wrapping
inline constexpr uint32_t kAlignLeft = 0;         // static text (the default)
inline constexpr uint32_t kAlignCentre = 1u << 6;
inline constexpr uint32_t kAlignRight = 1u << 7;
inline constexpr uint32_t kCentreVertically = 1u << 8;  // static text, one line
}  // namespace style

// The command numbers of the Enter and Escape keys, carried by the two hidden
// push buttons of every template.
inline constexpr int kOkCommand = 1;
inline constexpr int kCancelCommand = 2;

// Control number of controls that nothing addresses (labels, group boxes).
inline constexpr int kNoControlNumber = -1;

struct ControlTemplate {
  int number;
  ControlKind kind;
  const char* text;  // UTF-8; the caption of buttons, boxes and labels
  int x;
  int y;
  int width;   // a bitmap static takes its bitmap's size instead
  int height;  // a drop-down list: including the opened list
  uint32_t style;
  std::span<const char* const> items = {};  // drop-down list items, in order
  int bitmap = 0;                           // bitmap static: its bitmap number
};

enum class FontPitch : uint8_t { kVariable, kFixed };

// A bitmap among the library's resources, as 0xAARRGGBB pixels row by row.
struct BitmapResource {
  int number;
  int width;
  int height;
  std::span<const uint32_t> pixels;
};

struct DialogTemplate {
  int number;
  const char* caption;  // UTF-8
  const char* fontName;
  int fontPoints;
  FontPitch fontPitch;
  int x;  // of the outer top-left corner, in the owner's client area
  int y;
  int width;  // client area
  int height;
  std::span<const ControlTemplate> controls;
  std::span<const BitmapResource> bitmaps = {};
};

// Defined by each library: its template with that number, or null.
const DialogTemplate* FindDialogTemplate(int number);

}  // namespace agsi

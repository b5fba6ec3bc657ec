#include "panel_template.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace keylamp {

namespace {

using agsi::BitmapResource;
using agsi::ControlKind;
using agsi::ControlTemplate;
namespace style = agsi::style;

#include "segment_bitmaps.inc"

constexpr std::array<BitmapResource, 3> kSegmentBitmaps = {{
    {kVerticalSegmentBitmap, 3, 12, kBitmap1001Pixels},
    {kHorizontalSegmentBitmap, 12, 3, kBitmap1002Pixels},
    {kDotBitmap, 4, 4, kBitmap1003Pixels},
}};

constexpr std::array<const char*, 2> kModeItems = {"manual", "automatic"};

constexpr uint32_t kLabelStyle = style::kVisible | style::kCentreVertically;

constexpr std::array<ControlTemplate, 6> kFrameControls = {{
    // Carry the Enter key's OK command (ignored) and the Escape key's cancel
    // command (closes the window); never shown.
    {agsi::kOkCommand, ControlKind::kDefaultPushButton, "OK", 0, 170, 50, 14, style::kTabStop},
    {agsi::kCancelCommand, ControlKind::kPushButton, "Cancel", 175, 170, 50, 14, style::kTabStop},
    {agsi::kNoControlNumber, ControlKind::kGroupBox, "LED Output", 5, 0, 100, 35, style::kVisible},
    {agsi::kNoControlNumber, ControlKind::kGroupBox, "Keyboard", 5, 40, 220, 135, style::kVisible},
    {agsi::kNoControlNumber, ControlKind::kStaticText, "Keyboard:", 125, 7, 40, 10,
     style::kVisible | style::kAlignCentre},
    {kModeList, ControlKind::kDropDownList, nullptr, 167, 5, 50, 36, style::kVisible | style::kTabStop,
     kModeItems},
}};

constexpr bool IsWideLabel(const char* text) {
  const std::string_view t = text;
  return t == "Hex" || t == "Dec" || t == "Oct" || t == "Bin";
}

constexpr ControlTemplate KeyBox(int key) {
  return {kFirstKeyControl + key, ControlKind::kAutoCheckBox, "Check1", KeyBoxX(key), KeyBoxY(key), 10, 8,
          style::kVisible | style::kTabStop};
}

// Left of the box in columns 1-5, right of it in column 6.
constexpr ControlTemplate LabelBeside(int key) {
  const char* text = kKeyLabels[key].beside;
  const int x = KeyBoxX(key);
  const int y = KeyBoxY(key);
  switch (KeyColumn(key)) {
    case 5:
      return {agsi::kNoControlNumber, ControlKind::kStaticText, text, 135, y, 15, 10,
              kLabelStyle | style::kAlignRight};
    case 6:
      return {agsi::kNoControlNumber, ControlKind::kStaticText, text, 200, y,
              std::string_view(text) == "down" ? 20 : 15, 10, kLabelStyle | style::kAlignLeft};
    default:
      return {agsi::kNoControlNumber, ControlKind::kStaticText, text, x - 10, y, 10, 10,
              kLabelStyle | style::kAlignCentre};
  }
}

// Centred over the box, columns 1-4 only.
constexpr ControlTemplate LabelAbove(int key) {
  const char* text = kKeyLabels[key].above;
  const bool wide = IsWideLabel(text);
  return {agsi::kNoControlNumber, ControlKind::kStaticText, text, KeyBoxX(key) - (wide ? 5 : 0),
          KeyBoxY(key) - 10, wide ? 20 : 10, 10, kLabelStyle | style::kAlignCentre};
}

constexpr ControlTemplate Segment(int digit, int bit) {
  const SegmentPlace& place = kSegmentPlaces[bit];
  ControlTemplate segment{SegmentControl(digit, bit), ControlKind::kBitmap, nullptr, place.x - kDigitPitch * digit,
                          place.y, place.width, place.height, style::kVisible};
  segment.bitmap = place.bitmap;
  return segment;
}

constexpr int CountLabelsAbove() {
  int count = 0;
  for (const KeyLabels& labels : kKeyLabels) count += labels.above != nullptr ? 1 : 0;
  return count;
}

constexpr std::size_t kControlCount = kFrameControls.size() + kKeyCount * 2 + CountLabelsAbove() +
                                      kScanLineCount * kSegmentsPerDigit;

constexpr std::array<ControlTemplate, kControlCount> BuildControls() {
  std::array<ControlTemplate, kControlCount> controls{};
  std::size_t next = 0;
  for (const ControlTemplate& control : kFrameControls) controls[next++] = control;
  for (int key = 0; key < kKeyCount; ++key) {
    if (kKeyLabels[key].above != nullptr) controls[next++] = LabelAbove(key);
    controls[next++] = LabelBeside(key);
    controls[next++] = KeyBox(key);
  }
  for (int digit = 0; digit < kScanLineCount; ++digit) {
    for (int bit = 0; bit < kSegmentsPerDigit; ++bit) controls[next++] = Segment(digit, bit);
  }
  return controls;
}

constexpr std::array<ControlTemplate, kControlCount> kPanelControls = BuildControls();

static_assert(kPanelControls.size() == 150, "6 frame controls, 36 boxes, 60 labels, 48 segments");
static_assert(kPanelControls[kControlCount - 1].number == SegmentControl(5, 7));

}  // namespace

// "LED´s" with the acute accent U+00B4, as UTF-8.
constinit const agsi::DialogTemplate kPanelDialogTemplate = {
    kPanelTemplate, "Keyboard / LED\xC2\xB4s", "MS Sans Serif", 8, agsi::FontPitch::kVariable, 0, 0, 227, 186,
    kPanelControls, kSegmentBitmaps,
};

}  // namespace keylamp

namespace agsi {

const DialogTemplate* FindDialogTemplate(int number) {
  return number == keylamp::kPanelTemplate ? &keylamp::kPanelDialogTemplate : nullptr;
}

}  // namespace agsi

#include "lcd_template.h"

#include <array>

namespace glyphpane {

namespace {

using agsi::ControlKind;
using agsi::ControlTemplate;
namespace style = agsi::style;

constexpr std::array<ControlTemplate, 3> kLcdControls = {{
    // Carries the Enter key's OK command, which leaves the window as it is.
    {agsi::kOkCommand, ControlKind::kDefaultPushButton, "OK", 8, 15, 13, 14, style::kTabStop},
    // Carries the Escape key's cancel command, which closes the window.
    {agsi::kCancelCommand, ControlKind::kPushButton, "Cancel", 80, 15, 16, 14, style::kTabStop},
    // Two rows of 24 characters in the window's fixed-pitch font; wraps at
    // its right edge instead of scrolling.
    {kDisplayControl, ControlKind::kEdit, "", 3, 3, 99, 18,
     style::kVisible | style::kBorder | style::kTabStop | style::kMultiLine | style::kReadOnly},
}};

}  // namespace

constinit const agsi::DialogTemplate kLcdDialogTemplate = {
    kLcdTemplate, "LCD-Modul", "Fixedsys", 20, agsi::FontPitch::kFixed, 0, 0, 110, 35, kLcdControls,
};

}  // namespace glyphpane

namespace agsi {

const DialogTemplate* FindDialogTemplate(int number) {
  return number == glyphpane::kLcdTemplate ? &glyphpane::kLcdDialogTemplate : nullptr;
}

}  // namespace agsi

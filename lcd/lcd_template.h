// Glyphpane's dialog template 101, the LCD window's layout.
#pragma once

#include "dialog_template.h"

namespace glyphpane {

inline constexpr int kLcdTemplate = 101;
inline constexpr int kDisplayControl = 1251;  // the edit showing the display text

extern const agsi::DialogTemplate kLcdDialogTemplate;

}  // namespace glyphpane

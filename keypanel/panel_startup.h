// Keylamp's start-up and reset steps under the shared entry protocol, and the
// records through which it offers its panel window in the host's menu.
#pragma once

#include <cstdint>

#include "agsi.h"

namespace keylamp {

inline constexpr uint32_t kPanelDialogId = 1000;

// Defines the thirteen virtual registers in table order; all are tried even
// after a refusal. 1 only if every handle is non-zero.
uint32_t DefinePanelVtrs();
// Write watches with ScanPorts on the four port registers, the six digit
// timers, write watches on KEY0-KEY5; every call is made even after a
// refusal. 1 only if all ten watches were accepted and all timers created.
uint32_t SetPanelWatches();
// Hands the menu entry to the host (panel_menu.cpp, beside the window).
uint32_t DefinePanelMenuItem();
// No key pressed, every digit dark: PORT2 = 0x3F00, KEYn = LEDn = 0.
uint32_t ResetPanel();

extern MenuEntry panelMenuEntry;
extern WindowSlot panelWindowSlot;

}  // namespace keylamp

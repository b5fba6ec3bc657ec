#include "host_api.h"
#include "panel_startup.h"
#include "window_frame.h"

namespace keylamp {

// Both records hold their values from load on; the host keeps the entry's
// address and reaches the slot through it.
WindowSlot panelWindowSlot = {
    0, 0, 0, {-1, -1, -1, -1}, agsi::UpdateSlotWindow, agsi::CloseSlotWindow,
};
MenuEntry panelMenuEntry = {
    1, "&Key/LEDs", agsi::ToggleWindow, 0, kPanelDialogId, &panelWindowSlot,
};

uint32_t DefinePanelMenuItem() {
  return agsi::hostApi.AgsiDefineMenuItem(&panelMenuEntry) != 0 ? 1 : 0;
}

}  // namespace keylamp

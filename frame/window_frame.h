// The frame of a plug-in's one window, as the host reaches it through the
// MenuEntry and WindowSlot records: the host calls ToggleWindow when the user
// picks the menu entry, and the slot's update and close functions.
#pragma once

#include "agsi.h"

namespace agsi {

// The menu entry's onSelect: opens the library's window, or closes it when
// one is open (decided by slot.window alone).
void ToggleWindow(MenuEntry* entry);
// The slot's update: brings the open window up to date; nothing without one.
void UpdateSlotWindow();
// The slot's close: closes the open window and marks the slot closed;
// nothing at all when no window exists.
void CloseSlotWindow(WindowSlot* slot);

}  // namespace agsi

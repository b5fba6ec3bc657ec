#include "window_frame.h"

#include "frame_window.h"

namespace agsi {

void ToggleWindow(MenuEntry* entry) {
  WindowSlot* slot = entry->slot;
  if (slot->window != 0) {  // open: decided by the slot alone
    CloseSlotWindow(slot);
    slot->window = 0;
    return;
  }
  FrameWindow* window = NewLibraryWindow(entry);
  if (!window->CreateDialogWindow()) {
    // No native window: keep no object that later calls would use.
    delete window;
    currentWindow = nullptr;
    return;
  }
  currentWindow = window;
  slot->window = window->Handle();
}

void UpdateSlotWindow() {
  if (currentWindow != nullptr) currentWindow->Refresh();
}

void CloseSlotWindow(WindowSlot* slot) {
  if (currentWindow == nullptr) return;
  // Synchronous: the window's OnCloseRequest saves the rectangle and
  // destroys it, and its OnDestroyed deletes the object.
  currentWindow->dialog().SendCloseRequest();
  currentWindow = nullptr;
  slot->openFlag = 0;
  slot->window = 0;
}

}  // namespace agsi

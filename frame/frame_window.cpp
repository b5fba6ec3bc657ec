#include "frame_window.h"

#include "host_api.h"

namespace agsi {

namespace {
// A saved left edge of -1 means that no position has been saved.
constexpr int32_t kNoSavedPosition = -1;
}  // namespace

FrameWindow* currentWindow = nullptr;

FrameWindow::FrameWindow(MenuEntry* entry, int templateId) : menuEntry(entry), templateId_(templateId) {}

FrameWindow::~FrameWindow() = default;

bool FrameWindow::CreateDialogWindow() {
  dialog_ = CreateModelessDialog(templateId_, *this);
  return dialog_ != nullptr;
}

NativeWindow FrameWindow::Handle() const { return dialog_ != nullptr ? dialog_->Handle() : 0; }

uint32_t FrameWindow::OnStart(PlatformDialog& dialog) {
  dialog_ = &dialog;  // creation has not returned yet
  dialog_->RunDefaultHandling();
  RestorePosition();
  Start();
  return 1;  // the platform chooses the control that gets the focus first
}

void FrameWindow::RestorePosition() {
  const SlotRect& saved = menuEntry->slot->rect;
  if (saved.left == kNoSavedPosition) return;  // placed like any new dialog
  dialog_->MoveTo(saved.left, saved.top);
}

void FrameWindow::OnActivate(uint32_t state) {
  dialog_->RunDefaultHandling();
  if (state == kInactive) {
    hostApi.AgsiHandleFocus(0);
  } else if (state == kActive || state == kClickActive) {
    hostApi.AgsiHandleFocus(Handle());
  }
}

void FrameWindow::OnCloseRequest() {
  WindowSlot& slot = *menuEntry->slot;
  slot.rect = dialog_->OuterRect();
  slot.window = 0;
  // Runs OnDestroyed, which deletes this object: nothing may follow.
  dialog_->Destroy();
}

void FrameWindow::OnOk() {}

void FrameWindow::OnCancel() { OnCloseRequest(); }

void FrameWindow::OnDestroyed() {
  delete this;
  currentWindow = nullptr;
}

void FrameWindow::OnTick(uint32_t) {}

void FrameWindow::OnCommand(int, ControlEvent) {}

}  // namespace agsi

// The frame of a library's one window: the behaviour that LcdWindow and
// PanelWindow share (saved position, focus hand-off to the host, closing by
// close box or Escape, Enter ignored, the object deleting itself once its
// native window is gone). A window class adds its content through Start,
// Refresh, OnTick and OnCommand.
#pragma once

#include <cstdint>

#include "agsi.h"
#include "platform.h"

namespace agsi {

class FrameWindow : public DialogEvents {
 public:
  FrameWindow(MenuEntry* entry, int templateId);
  virtual ~FrameWindow();
  FrameWindow(const FrameWindow&) = delete;
  FrameWindow& operator=(const FrameWindow&) = delete;

  // Creates the dialog window from the template; false when the platform
  // could not make one (the object then has no window).
  bool CreateDialogWindow();
  NativeWindow Handle() const;
  PlatformDialog& dialog() const { return *dialog_; }

  // Brings the window's content up to date (the host's update).
  virtual void Refresh() = 0;

  uint32_t OnStart(PlatformDialog& dialog) final;
  void OnActivate(uint32_t state) final;
  void OnCloseRequest() final;
  void OnOk() final;
  void OnCancel() final;
  void OnDestroyed() final;
  void OnTick(uint32_t timer) override;
  void OnCommand(int control, ControlEvent event) override;

 protected:
  // The window-specific part of OnStart, after the position is restored.
  virtual void Start() = 0;

  MenuEntry* const menuEntry;

 private:
  void RestorePosition();

  const int templateId_;
  PlatformDialog* dialog_ = nullptr;
};

// The library's window object while one exists, else null.
extern FrameWindow* currentWindow;

// Defined by each library: a new object of its window class for the entry.
FrameWindow* NewLibraryWindow(MenuEntry* entry);

}  // namespace agsi

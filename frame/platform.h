// The platform operations that the window frame and the windows' own logic
// need of the windowing toolkit. The frame, LcdWindow and PanelWindow are
// written against these alone; one implementation per toolkit provides them
// (frame/qt/ for Qt Widgets).
#pragma once

#include <cstddef>
#include <cstdint>

#include "agsi.h"
#include "dialog_template.h"

namespace agsi {

// The native window handle as the host sees it (slot.window, AgsiHandleFocus).
using NativeWindow = uintptr_t;

// Activation states as the platform reports them.
inline constexpr uint32_t kInactive = 0;
inline constexpr uint32_t kActive = 1;
inline constexpr uint32_t kClickActive = 2;

inline constexpr uint32_t kUnchecked = 0;
inline constexpr uint32_t kChecked = 1;

enum class ControlEvent { kClicked, kSelectionChanged };

class PlatformDialog;

// The events of one dialog window, delivered by the platform to the window
// object; the frame's window class implements them.
class DialogEvents {
 public:
  // The dialog's controls exist; the window has not been shown yet. `dialog`
  // is the window being initialised, valid until OnDestroyed.
  virtual uint32_t OnStart(PlatformDialog& dialog) = 0;
  virtual void OnActivate(uint32_t state) = 0;
  // Close box, system menu, Alt+F4, or a close request delivered by the frame.
  virtual void OnCloseRequest() = 0;
  virtual void OnOk() = 0;      // the Enter key
  virtual void OnCancel() = 0;  // the Escape key
  virtual void OnTick(uint32_t timer) = 0;
  virtual void OnCommand(int control, ControlEvent event) = 0;
  // The native window is gone; the platform delivers nothing more afterwards.
  virtual void OnDestroyed() = 0;

 protected:
  ~DialogEvents() = default;
};

// The operations on one open dialog window. The object belongs to the
// platform and stays valid until the dialog's OnDestroyed has run.
class PlatformDialog {
 public:
  virtual NativeWindow Handle() const = 0;
  // The platform's own handling of the event being handled.
  virtual void RunDefaultHandling() = 0;
  // Moves the outer top-left corner to screen coordinates, keeping the size
  // and the place in the z-order.
  virtual void MoveTo(int32_t left, int32_t top) = 0;
  // Outer rectangle in screen coordinates; right and bottom are exclusive.
  virtual SlotRect OuterRect() const = 0;
  // Delivers a close request and returns once it has been handled.
  virtual void SendCloseRequest() = 0;
  // Destroys the native window; OnDestroyed runs before this returns.
  virtual void Destroy() = 0;

  // Arms window timer `number`; arming it again restarts its period.
  virtual void SetTimer(uint32_t number, uint32_t milliseconds) = 0;
  virtual void KillTimer(uint32_t number) = 0;

  virtual bool HasControl(int control) const = 0;
  // Copies the control's 8-bit text, zero-terminated and cut to fit; returns
  // the number of bytes copied without the terminator.
  virtual std::size_t ControlText(int control, char* buffer, std::size_t capacity) const = 0;
  virtual void SetControlText(int control, const char* text) = 0;
  virtual void ShowControl(int control, bool shown) = 0;
  virtual uint32_t CheckState(int control) const = 0;
  // Sets the check mark without reporting a click.
  virtual void SetCheckState(int control, uint32_t state) = 0;
  // Selects a list item without reporting a selection change; -1: none.
  virtual void SelectItem(int control, int index) = 0;
  virtual int SelectedItem(int control) const = 0;

 protected:
  ~PlatformDialog() = default;
};

// Creates a modeless dialog window from the library's template `templateId`,
// owned by the application's active window. OnStart runs before the window
// first shows; the window is then shown and activated. Returns null, having
// run no event, when the dialog cannot be created.
PlatformDialog* CreateModelessDialog(int templateId, DialogEvents& events);

}  // namespace agsi

// PanelWindow, Keylamp's window: the six digits of LED0-LED5 as segment
// bitmaps shown or hidden, and the 36 keys as check boxes that press and
// release single bits of KEY0-KEY5. In automatic mode a pressed key releases
// itself after 500 ms of the window's timer, in real time and independent of
// the simulated clock; in manual mode it stays down until clicked again.
//
// The window reaches the model only through the host's virtual registers:
// it reads LEDn and changes KEYn bits with ModifyVtrBits, whose write runs
// the scan through the key register's watch. Its boxes follow clicks alone,
// never the registers.
#pragma once

#include <array>
#include <cstdint>

#include "frame_window.h"
#include "panel_template.h"
#include "port_scanner.h"

namespace keylamp {

inline constexpr uint32_t kReleaseTimer = 0;
inline constexpr uint32_t kReleaseMilliseconds = 500;

// The digit patterns as the latest Refresh read them, word n for LEDn.
extern std::array<uint32_t, kScanLineCount> ledShown;

class PanelWindow final : public agsi::FrameWindow {
 public:
  explicit PanelWindow(MenuEntry* entry);
  ~PanelWindow() override;

  // Shows the digits from LED0-LED5: all 48 segment controls, every call.
  void Refresh() override;
  // Releases the key that waits for its automatic release, and stops the
  // release timer; the timer's number is not examined.
  void OnTick(uint32_t timer) override;
  void OnCommand(int control, agsi::ControlEvent event) override;

  // A key box has toggled its own check mark.
  void OnKeyClicked(int32_t control);
  void OnModeChanged();

 protected:
  void Start() override;

 private:
  void ReleasePendingKey();

  int32_t keyMode = kAutomaticMode;  // index of the mode list: 0 manual, 1 automatic
  int32_t pendingKey = 0;            // control of the key awaiting release, 0: none
};

}  // namespace keylamp

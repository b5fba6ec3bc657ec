// LcdWindow, Glyphpane's window: the two visible lines of the LCD, 24
// characters each, with the display shift applied and the cursor drawn as a
// steady underscore or as a blink mark that takes turns with the character
// under it every 500 ms. It reads the controller's storage directly and
// LCD_STATUS through the host, and never changes the model.
#pragma once

#include <cstdint>

#include "frame_window.h"
#include "lcd_controller.h"

namespace glyphpane {

inline constexpr uint32_t kBlinkTimer = 0;
inline constexpr uint32_t kBlinkMilliseconds = 500;
inline constexpr char kSteadyCursorMark = '_';
inline constexpr char kBlinkMark = '\x83';

// 24 characters of line 1, the extra space, 24 of line 2.
inline constexpr int kMaxDisplayText = 2 * kVisibleColumns + 1;

// 0 or 1; flipped by each tick of the window's timer, never reset, so the
// blinking goes on from where it was when the window reopens.
extern uint8_t blinkPhase;

struct DisplayText {
  char bytes[kMaxDisplayText + 1];  // zero-terminated
  int length;
};

// The display text for the controller's storage, a value of LCD_STATUS and a
// blink phase: empty while the display is off.
void ComposeDisplayText(const LcdController& c, uint32_t status, uint8_t phase, DisplayText& text);

class LcdWindow final : public agsi::FrameWindow {
 public:
  explicit LcdWindow(MenuEntry* entry);

  void Refresh() override;
  void OnTick(uint32_t timer) override;
  void RenderDisplay();

 protected:
  void Start() override;
};

}  // namespace glyphpane

#include "lcd_window.h"

#include <cstring>

#include "host_api.h"
#include "lcd_template.h"

namespace glyphpane {

uint8_t blinkPhase = 0;

namespace {

constexpr int kLine1End = kLineLength - 1;               // 39
constexpr int kLine2End = kLine2Start + kLineLength - 1;  // 103
// Room for the longest text and one more byte, so that a longer text in the
// control cannot compare equal.
constexpr std::size_t kShownTextCapacity = kMaxDisplayText + 2;

bool CursorOn(int p, const LcdController& c, uint32_t status) {
  return p == c.addressCounter && (status & kCursorShown) != 0;
}

char CharacterFor(int p, const LcdController& c, uint32_t status, uint8_t phase) {
  const char stored = static_cast<char>(c.displayRam[p]);
  if (!CursorOn(p, c, status)) return stored;
  if ((status & kCursorBlinks) == 0) return kSteadyCursorMark;
  return phase == 1 ? kBlinkMark : stored;
}

// The platform's edit takes a blank at its wrap point as the wrap itself; a
// blank that starts the second line is doubled so that one of them shows.
bool ExtraSpaceBefore(int p, const LcdController& c, uint32_t status) {
  return p == c.displayShift + kLine2Start && c.displayRam[p] == ' ' && !CursorOn(p, c, status);
}

void Append(DisplayText& text, char character) { text.bytes[text.length++] = character; }

}  // namespace

void ComposeDisplayText(const LcdController& c, uint32_t status, uint8_t phase, DisplayText& text) {
  text.length = 0;
  if ((status & kDisplayOn) != 0) {
    int p = c.displayShift;
    for (int column = 0; column < kVisibleColumns; ++column) {
      Append(text, CharacterFor(p, c, status, phase));
      p = p + 1 > kLine1End ? 0 : p + 1;
    }
    p = c.displayShift + kLine2Start;
    for (int column = 0; column < kVisibleColumns; ++column) {
      if (ExtraSpaceBefore(p, c, status)) Append(text, ' ');
      Append(text, CharacterFor(p, c, status, phase));
      p = p + 1 > kLine2End ? kLine2Start : p + 1;
    }
  }
  text.bytes[text.length] = '\0';
  // Like the control, the text ends at its first zero byte.
  text.length = static_cast<int>(std::strlen(text.bytes));
}

LcdWindow::LcdWindow(MenuEntry* entry) : FrameWindow(entry, kLcdTemplate) {}

void LcdWindow::Start() {
  dialog().SetTimer(kBlinkTimer, kBlinkMilliseconds);
  RenderDisplay();
}

void LcdWindow::OnTick(uint32_t) {
  blinkPhase = blinkPhase == 0 ? 1 : 0;
  dialog().SetTimer(kBlinkTimer, kBlinkMilliseconds);  // restarts the period
  RenderDisplay();
}

void LcdWindow::Refresh() { RenderDisplay(); }

void LcdWindow::RenderDisplay() {
  uint32_t status = 0;
  agsi::hostApi.AgsiReadVTR(lcd.statusVtr.handle, &status);  // once per render
  DisplayText text;
  ComposeDisplayText(lcd, status, blinkPhase, text);
  char shown[kShownTextCapacity];
  dialog().ControlText(kDisplayControl, shown, sizeof shown);
  // Replaced only when it differs, so that ticks and updates leave an
  // unchanged display alone.
  if (std::strcmp(shown, text.bytes) != 0) dialog().SetControlText(kDisplayControl, text.bytes);
}

}  // namespace glyphpane

namespace agsi {

FrameWindow* NewLibraryWindow(MenuEntry* entry) { return new glyphpane::LcdWindow(entry); }

}  // namespace agsi

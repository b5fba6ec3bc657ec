#include "panel_window.h"

#include "host_api.h"
#include "panel_template.h"

namespace keylamp {

std::array<uint32_t, kScanLineCount> ledShown = {};

namespace {

bool IsKeyControl(int control) { return control >= kFirstKeyControl && control <= kLastKeyControl; }

// Presses (down != 0) or releases the key of a key box in its register.
void SetKeyBit(int32_t control, int32_t down) {
  const int key = control - kFirstKeyControl;
  ModifyVtrBits(KeyVtr(scanner, KeyLine(key)), KeyMask(key), down);
}

}  // namespace

PanelWindow::PanelWindow(MenuEntry* entry) : FrameWindow(entry, kPanelTemplate) {}

// The release timer ends with the window. A key still waiting for it would
// stay pressed in its register while the next window shows every box
// released, with nothing left to release it: release it here.
PanelWindow::~PanelWindow() { ReleasePendingKey(); }

void PanelWindow::Start() {
  keyMode = kAutomaticMode;
  pendingKey = 0;
  dialog().SelectItem(kModeList, kAutomaticMode);
  Refresh();
}

void PanelWindow::Refresh() {
  for (int digit = 0; digit < kScanLineCount; ++digit) {
    agsi::hostApi.AgsiReadVTR(LedVtr(scanner, digit), &ledShown[digit]);
    for (int bit = 0; bit < kSegmentsPerDigit; ++bit) {
      dialog().ShowControl(SegmentControl(digit, bit), (ledShown[digit] >> bit & 1) != 0);
    }
  }
}

void PanelWindow::OnCommand(int control, agsi::ControlEvent event) {
  if (event == agsi::ControlEvent::kClicked && IsKeyControl(control)) {
    OnKeyClicked(control);
  } else if (event == agsi::ControlEvent::kSelectionChanged && control == kModeList) {
    OnModeChanged();
  }
}

void PanelWindow::OnKeyClicked(int32_t control) {
  const int32_t down = dialog().CheckState(control) == agsi::kChecked ? 1 : 0;
  SetKeyBit(control, down);  // on every click, also when the bit holds it already
  if (keyMode == kManualMode || down == 0) return;
  // A press in automatic mode releases the previous press at once. A press
  // of the key that is itself pending (its mark taken off by an earlier
  // click) is held like any other press rather than released again at once.
  if (control != pendingKey) OnTick(0);
  pendingKey = control;
  dialog().SetTimer(kReleaseTimer, kReleaseMilliseconds);  // restarts the period
}

void PanelWindow::OnTick(uint32_t) {
  ReleasePendingKey();
  dialog().KillTimer(kReleaseTimer);  // one shot: the first tick ends it
}

void PanelWindow::ReleasePendingKey() {
  if (pendingKey == 0) return;
  dialog().SetCheckState(pendingKey, agsi::kUnchecked);
  SetKeyBit(pendingKey, 0);
  pendingKey = 0;
}

void PanelWindow::OnModeChanged() {
  // A pending key stays pending and keys held from manual mode stay held.
  keyMode = dialog().SelectedItem(kModeList);
}

}  // namespace keylamp

namespace agsi {

FrameWindow* NewLibraryWindow(MenuEntry* entry) { return new keylamp::PanelWindow(entry); }

}  // namespace agsi

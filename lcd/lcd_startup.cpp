#include "lcd_startup.h"

#include <cstring>

#include "host_api.h"
#include "window_frame.h"

namespace glyphpane {

using agsi::hostApi;

MenuEntry lcdMenuEntry = {1, "LCD-&Module", agsi::ToggleWindow, 0, kLcdDialogId, &lcdWindowSlot};
WindowSlot lcdWindowSlot = {0, 0, 0, {-1, -1, -1, -1}, agsi::UpdateSlotWindow, agsi::CloseSlotWindow};

namespace {

// The bus watches: the instruction and data registers are written by the
// program, status and read-back data are read by it.
struct BusWatch {
  uint32_t address;
  AgsiCallback callback;
  uint32_t kind;
};
constexpr BusWatch kBusWatches[] = {
    {kInstructionAddress, OnInstructionWrite, kAgsiWriteAccess},
    {kDataWriteAddress, OnDataWrite, kAgsiWriteAccess},
    {kStatusAddress, OnStatusRead, kAgsiReadAccess},
    {kDataReadAddress, OnDataRead, kAgsiReadAccess},
};

void IssueMap(uint32_t first, uint32_t last, const char* kind) {
  const std::string command = "MAP " + FormatHex32(first) + ", " + FormatHex32(last) + " " + kind;
  hostApi.AgsiExecuteCommand(command.c_str());
}

}  // namespace

std::string FormatHex32(uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

void MapLcdBus() {
  IssueMap(kInstructionAddress, kDataWriteAddress, "write");
  IssueMap(kStatusAddress, kDataReadAddress, "read");
}

uint32_t DefineLcdSfrs() {
  hostApi.AgsiDefineSFR("ADDRSEL3", kADDRSEL3, kSfrTypeCode, 0);
  hostApi.AgsiDefineSFR("BUSCON3", kBUSCON3, kSfrTypeCode, 0);
  return 1;
}

uint32_t DefineLcdVtr() {
  VtrDefinition& vtr = lcd.statusVtr;
  vtr.handle = hostApi.AgsiDefineVTR(vtr.name, vtr.typeCode, vtr.initialValue);
  return vtr.handle != 0 ? 1 : 0;
}

uint32_t SetLcdWatches() {
  uint32_t accepted = 1;
  for (const BusWatch& watch : kBusWatches) {
    accepted &= hostApi.AgsiSetWatchOnMemory(watch.address, watch.address, watch.callback, watch.kind);
  }
  accepted &= hostApi.AgsiSetWatchOnSFR(kBUSCON3, CheckBusSelect, kAgsiWriteAccess);
  accepted &= hostApi.AgsiSetWatchOnSFR(kADDRSEL3, CheckBusSelect, kAgsiWriteAccess);
  lcd.instructionTimer = hostApi.AgsiCreateTimer(OnInstructionTimer);
  lcd.homeTimer = hostApi.AgsiCreateTimer(OnHomeTimer);
  lcd.powerOnTimer = hostApi.AgsiCreateTimer(OnPowerOnTimer);
  return accepted & 1;
}

uint32_t DefineLcdMenuItem() { return hostApi.AgsiDefineMenuItem(&lcdMenuEntry) != 0 ? 1 : 0; }

void CheckBusSelect(LcdController& c) {
  uint32_t addrSel = 0;
  uint32_t busCon = 0;
  uint32_t unused = 0;
  hostApi.AgsiReadSFR(kADDRSEL3, &addrSel, &unused, kAddrSelMask);
  hostApi.AgsiReadSFR(kBUSCON3, &busCon, &unused, kBusConMask);
  uint32_t status = ReadStatus(c);
  if (busCon == kSelectedBusCon && addrSel == kSelectedAddrSel) {
    status |= kBusSelected;
  } else {
    status &= ~kBusSelected;
  }
  hostApi.AgsiWriteVTR(c.statusVtr.handle, status);
}

void CheckBusSelect() { CheckBusSelect(lcd); }

uint32_t ResetLcd(LcdController& c) {
  static constexpr uint8_t kZeroes[4] = {};
  std::memset(c.displayRam, 0x20, sizeof(c.displayRam));
  c.addressCounter = 0;
  c.displayShift = 0;
  hostApi.AgsiWriteMemory(kInstructionAddress, sizeof(kZeroes), kZeroes);
  c.busyFlag = 1;
  const uint32_t written = hostApi.AgsiWriteVTR(c.statusVtr.handle, 0);
  hostApi.AgsiSetTimer(c.powerOnTimer, kPowerOnCycles);
  return written & 1;
}

uint32_t ResetLcd() { return ResetLcd(lcd); }

}  // namespace glyphpane

// Glyphpane's LCD controller: an HD44780-style character module with an
// 8-bit interface and two lines of 40 characters, on the external bus.
//
//   0x40000  write  instruction register
//   0x40001  write  data register (character to store)
//   0x40002  read   busy flag (bit 7) and address counter (bits 0-6)
//   0x40003  read   data register (character read back)
//
// Modelled: the initialisation sequence (power-on delay, function set 8-bit
// two-line, display control), clear, return home, entry mode, display
// control with cursor and blink, cursor and display shift, set display
// address, busy flag and address counter, data reads. Busy times are counted
// in processor cycles by host timers. Left out: the character generator, the
// 4-bit interface, one-line and 5x10 modes.
//
// The controller's interface state and mode bits live in the host's virtual
// register LCD_STATUS, which the model reads before and writes after every
// use, so that a user's edit in the host takes effect at the next access.
#pragma once

#include <cstdint>

#include "agsi.h"

namespace glyphpane {

inline constexpr uint32_t kInstructionAddress = 0x40000;
inline constexpr uint32_t kDataWriteAddress = 0x40001;
inline constexpr uint32_t kStatusAddress = 0x40002;
inline constexpr uint32_t kDataReadAddress = 0x40003;

// Busy times in processor cycles.
inline constexpr uint32_t kInstructionCycles = 740;
inline constexpr uint32_t kHomeCycles = 16280;
inline constexpr uint32_t kPowerOnCycles = 393680;
inline constexpr uint32_t kStopTimer = 0xFFFFFFFFu;

inline constexpr int kDisplayRamSize = 128;
inline constexpr int kLineLength = 40;        // addresses per line
inline constexpr int kLine2Start = 64;        // line 1 is 0-39, line 2 64-103
inline constexpr int kVisibleColumns = 24;

// LCD_STATUS bits.
inline constexpr uint32_t kInterfaceStateMask = 0x000F;
inline constexpr uint32_t kBusSelected = 0x0001;     // bit 0: chip select programmed
inline constexpr uint32_t kPoweredUp = 0x0002;       // bit 1: power-on delay over
inline constexpr uint32_t kShiftOnWrite = 0x0010;
inline constexpr uint32_t kDecrement = 0x0020;
inline constexpr uint32_t kDisplayOn = 0x0100;
inline constexpr uint32_t kCursorShown = 0x0200;
inline constexpr uint32_t kCursorBlinks = 0x0400;

// Interface states, bits 0-3 of LCD_STATUS taken as a whole.
inline constexpr uint32_t kStateAwaitingFunctionSet = 3;
inline constexpr uint32_t kStateFunctionSet = 5;
inline constexpr uint32_t kStateReady = 15;

struct LcdController {
  uint8_t displayRam[kDisplayRamSize] = {};
  int32_t addressCounter = 0;  // next data access and cursor; always 0-127
  int32_t displayShift = 0;    // first visible column offset, 0-39
  uint8_t busyFlag = 1;        // busy from load until the first reset's power-on delay
  VtrDefinition statusVtr = {"LCD_STATUS", 11, 0, 0};
  uintptr_t instructionTimer = 0;
  uintptr_t homeTimer = 0;
  uintptr_t powerOnTimer = 0;
};

// The library's one controller, which the host's argument-less callbacks and
// the display window reach.
extern LcdController lcd;

// The model's operations on a given controller. They call the host through
// the bound host table.
void OnInstructionWrite(LcdController& c);
void OnDataWrite(LcdController& c);
void OnStatusRead(LcdController& c);
void OnDataRead(LcdController& c);
void OnInstructionTimer(LcdController& c);
void OnHomeTimer(LcdController& c);
void OnPowerOnTimer(LcdController& c);
void CheckBusSelect(LcdController& c);
uint32_t ResetLcd(LcdController& c);

// The same operations on the library's instance, as the host calls them.
void OnInstructionWrite();
void OnDataWrite();
void OnStatusRead();
void OnDataRead();
void OnInstructionTimer();
void OnHomeTimer();
void OnPowerOnTimer();
void CheckBusSelect();

// The two stepping rules of the address counter.
int32_t StepForward(int32_t address);
int32_t StepBackward(int32_t address);

// Reads LCD_STATUS of the controller from the host.
uint32_t ReadStatus(const LcdController& c);

}  // namespace glyphpane

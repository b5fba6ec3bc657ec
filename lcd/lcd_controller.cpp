#include "lcd_controller.h"

#include <cstring>

#include "host_api.h"

namespace glyphpane {

using agsi::hostApi;

LcdController lcd;

namespace {

// What an accepted instruction does, beyond making the controller busy.
enum class Effect {
  kIgnored,
  kEnterFunctionSet,
  kClear,
  kHomeWait,
  kEntryMode,
  kDisplayControl,
  kCursorStep,
  kDisplayShift,
  kSetAddress,
};

constexpr uint32_t kModeBits = kShiftOnWrite | kDecrement;
constexpr uint32_t kDisplayBits = kDisplayOn | kCursorShown | kCursorBlinks;
constexpr uint8_t kSpace = 0x20;

// Instruction decoding by interface state: the function set opens the
// controller, display control completes the initialisation, and only the
// ready controller takes the full instruction set.
Effect Decode(uint8_t code, uint32_t state) {
  const bool initialising = state == kStateFunctionSet;
  const bool ready = state == kStateReady;
  if (state == kStateAwaitingFunctionSet) {
    return code >= 0x38 && code <= 0x3B ? Effect::kEnterFunctionSet : Effect::kIgnored;
  }
  if (!initialising && !ready) return Effect::kIgnored;
  if (code == 0x01) return Effect::kClear;
  if (code >= 0x04 && code <= 0x07) return Effect::kEntryMode;
  if (code >= 0x08 && code <= 0x0F) return Effect::kDisplayControl;
  if (!ready) return Effect::kIgnored;
  if (code == 0x02 || code == 0x03) return Effect::kHomeWait;
  if (code >= 0x10 && code <= 0x17) return Effect::kCursorStep;
  if (code >= 0x18 && code <= 0x1F) return Effect::kDisplayShift;
  if (code >= 0x80) return Effect::kSetAddress;
  return Effect::kIgnored;
}

// Entry mode set: code bit 1 selects increment, bit 0 the display shift.
uint32_t EntryMode(uint32_t status, uint8_t code) {
  uint32_t mode = (code & 0x02) != 0 ? 0 : kDecrement;
  if ((code & 0x01) != 0) mode |= kShiftOnWrite;
  return (status & ~kModeBits) | mode;
}

// Display control: bit 2 display, bit 1 cursor, bit 0 blink. Switching the
// display off keeps the cursor settings; the cursor cannot blink unshown.
uint32_t DisplayControl(uint32_t status, uint8_t code) {
  if ((code & 0x04) == 0) return status & ~kDisplayOn;
  uint32_t bits = kDisplayOn;
  if ((code & 0x02) != 0) {
    bits |= kCursorShown;
    if ((code & 0x01) != 0) bits |= kCursorBlinks;
  }
  return (status & ~kDisplayBits) | bits;
}

int32_t ShiftRight(int32_t shift) { return shift + 1 == kLineLength ? 0 : shift + 1; }
int32_t ShiftLeft(int32_t shift) { return shift == 0 ? kLineLength - 1 : shift - 1; }

uint8_t FetchByte(uint32_t address) {
  uint8_t value = 0;
  hostApi.AgsiReadMemory(address, 1, &value);
  return value;
}

void Supply(uint32_t address, uint8_t value) { hostApi.AgsiWriteMemory(address, 1, &value); }

void BeginBusy(LcdController& c, uintptr_t timer, uint32_t cycles) {
  c.busyFlag = 1;
  hostApi.AgsiSetTimer(timer, cycles);
}

void WriteStatus(const LcdController& c, uint32_t status) { hostApi.AgsiWriteVTR(c.statusVtr.handle, status); }

}  // namespace

uint32_t ReadStatus(const LcdController& c) {
  uint32_t status = 0;
  hostApi.AgsiReadVTR(c.statusVtr.handle, &status);
  return status;
}

int32_t StepForward(int32_t address) {
  const int32_t next = address + 1;
  if (next == kLineLength) return kLine2Start;
  if (next == kLine2Start + kLineLength) return 0;
  // Addresses 104-127 are reachable only by set address; the controller's
  // counter is seven bits wide, so stepping past 127 wraps to 0 rather than
  // running off the display memory.
  return next & (kDisplayRamSize - 1);
}

int32_t StepBackward(int32_t address) {
  const int32_t previous = address - 1;
  if (previous == -1) return kLine2Start + kLineLength - 1;
  if (previous == kLine2Start - 1) return kLineLength - 1;
  return previous;
}

void OnInstructionWrite(LcdController& c) {
  const uint32_t status = ReadStatus(c);
  if (c.busyFlag != 0) return;  // lost, as on the real module
  const uint8_t code = FetchByte(kInstructionAddress);
  switch (Decode(code, status & kInterfaceStateMask)) {
    case Effect::kIgnored:
      return;
    case Effect::kEnterFunctionSet:
      c.busyFlag = 1;
      WriteStatus(c, status + 2);  // state 3 becomes 5
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
    case Effect::kClear:
      // The clear completes at once in this model: the controller stays idle.
      std::memset(c.displayRam, kSpace, sizeof(c.displayRam));
      c.addressCounter = 0;
      c.displayShift = 0;
      return;
    case Effect::kHomeWait:
      // As the real controller does: cursor and display back to the start.
      c.busyFlag = 1;
      c.addressCounter = 0;
      c.displayShift = 0;
      hostApi.AgsiSetTimer(c.homeTimer, kHomeCycles);
      return;
    case Effect::kEntryMode:
      c.busyFlag = 1;
      WriteStatus(c, EntryMode(status, code));
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
    case Effect::kDisplayControl: {
      c.busyFlag = 1;
      uint32_t next = DisplayControl(status, code);
      if ((status & kInterfaceStateMask) == kStateFunctionSet) next |= kInterfaceStateMask;
      WriteStatus(c, next);
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
    }
    case Effect::kCursorStep:
      c.busyFlag = 1;
      c.addressCounter = (code & 0x04) != 0 ? StepForward(c.addressCounter) : StepBackward(c.addressCounter);
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
    case Effect::kDisplayShift:
      c.busyFlag = 1;
      c.displayShift = (code & 0x04) != 0 ? ShiftLeft(c.displayShift) : ShiftRight(c.displayShift);
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
    case Effect::kSetAddress:
      c.busyFlag = 1;
      c.addressCounter = code & 0x7F;
      hostApi.AgsiSetTimer(c.instructionTimer, kInstructionCycles);
      return;
  }
}

void OnDataWrite(LcdController& c) {
  const uint32_t status = ReadStatus(c);
  if (c.busyFlag != 0 || (status & kInterfaceStateMask) != kStateReady) return;
  const uint8_t value = FetchByte(kDataWriteAddress);
  BeginBusy(c, c.instructionTimer, kInstructionCycles);
  c.displayRam[c.addressCounter] = value;
  const bool backwards = (status & kDecrement) != 0;
  c.addressCounter = backwards ? StepBackward(c.addressCounter) : StepForward(c.addressCounter);
  if ((status & kShiftOnWrite) != 0) {
    c.displayShift = backwards ? ShiftLeft(c.displayShift) : ShiftRight(c.displayShift);
  }
}

void OnStatusRead(LcdController& c) {
  Supply(kStatusAddress, static_cast<uint8_t>((c.busyFlag << 7) | (c.addressCounter & 0x7F)));
}

void OnDataRead(LcdController& c) {
  const uint32_t status = ReadStatus(c);
  if (c.busyFlag != 0) return;  // the read sees what memory held before
  BeginBusy(c, c.instructionTimer, kInstructionCycles);
  const uint8_t value = c.displayRam[c.addressCounter];
  c.addressCounter = (status & kDecrement) != 0 ? StepBackward(c.addressCounter) : StepForward(c.addressCounter);
  Supply(kDataReadAddress, value);
}

void OnInstructionTimer(LcdController& c) {
  hostApi.AgsiSetTimer(c.instructionTimer, kStopTimer);
  c.busyFlag = 0;
}

void OnHomeTimer(LcdController& c) {
  hostApi.AgsiSetTimer(c.homeTimer, kStopTimer);
  c.busyFlag = 0;
}

void OnPowerOnTimer(LcdController& c) {
  c.busyFlag = 0;
  hostApi.AgsiSetTimer(c.powerOnTimer, kStopTimer);
  WriteStatus(c, ReadStatus(c) | kPoweredUp);
}

void OnInstructionWrite() { OnInstructionWrite(lcd); }
void OnDataWrite() { OnDataWrite(lcd); }
void OnStatusRead() { OnStatusRead(lcd); }
void OnDataRead() { OnDataRead(lcd); }
void OnInstructionTimer() { OnInstructionTimer(lcd); }
void OnHomeTimer() { OnHomeTimer(lcd); }
void OnPowerOnTimer() { OnPowerOnTimer(lcd); }

}  // namespace glyphpane

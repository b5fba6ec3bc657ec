// Keylamp's port scanner: a 6x6 key matrix and six multiplexed seven-segment
// digits, both driven by the program over two ports of the chip.
//
//   P2   0xFFC0  port 2 latch: scan lines in bits 0-5 (active low)
//   DP2  0xFFC2  port 2 direction (1 = output)
//   P8   0xFFD4  port 8 latch: segment lines a..g, dp in bits 0-7 (active low)
//   DP8  0xFFD6  port 8 direction (1 = output)
//
// Scan line n selects digit n and key column n at once. A selected digit
// latches the segment pattern into LEDn; the keys of every selected line pull
// their return lines (port 2 bits 8-13) low, which the scan composes into the
// pin levels in PORT2. A digit that is not refreshed goes dark 400000 cycles
// after the first scan that found it unselected.
//
// Modelled: selection by direction and latch, segment masking by DP8, return
// lines, the pins that the program drives itself, digit blanking. Left out:
// electrical effects (ghost keys, bounce, brightness); the program debounces.
//
// Keys and digits live in the host's virtual registers KEY0-KEY5, LED0-LED5
// and PORT2; the model keeps no copy of them and reads each one whenever it
// needs it.
#pragma once

#include <array>
#include <cstdint>

#include "agsi.h"

namespace keylamp {

inline constexpr uint32_t kP2Address = 0xFFC0;
inline constexpr uint32_t kDP2Address = 0xFFC2;
inline constexpr uint32_t kP8Address = 0xFFD4;
inline constexpr uint32_t kDP8Address = 0xFFD6;
inline constexpr std::array<uint32_t, 4> kPortSfrs = {kP2Address, kDP2Address, kP8Address,
                                                      kDP8Address};
inline constexpr uint32_t kSfrMask = 0xFFFF;

inline constexpr int kScanLineCount = 6;  // digits, key columns, KEYn and LEDn
inline constexpr int kKeyCount = 36;
inline constexpr uint32_t kScanLineMask = 0x003F;
inline constexpr uint32_t kSegmentMask = 0x00FF;
inline constexpr uint32_t kReturnLineMask = 0x3F00;  // port 2 bits 8-13
inline constexpr int kReturnLineShift = 8;
inline constexpr uint32_t kKeptPinMask = 0xC000;  // port 2 bits 14-15
inline constexpr uint32_t kPort2ResetValue = 0x3F00;

// A digit goes dark this many cycles after the program stopped selecting it.
inline constexpr uint32_t kLedTimeoutCycles = 400000;
inline constexpr uint32_t kStopTimer = 0xFFFFFFFFu;

// Host type codes: registers of 8 and of 16 bits.
inline constexpr uint32_t kByteVtr = 10;
inline constexpr uint32_t kWordVtr = 11;

inline constexpr int kPanelVtrCount = 13;
inline constexpr int kFirstKeyVtr = 0;
inline constexpr int kFirstLedVtr = 6;
inline constexpr int kPort2Vtr = 12;

using PanelVtrTable = std::array<VtrDefinition, kPanelVtrCount>;

inline constexpr PanelVtrTable kPanelVtrDefinitions = {{
    {"KEY0", kByteVtr, 0, 0},
    {"KEY1", kByteVtr, 0, 0},
    {"KEY2", kByteVtr, 0, 0},
    {"KEY3", kByteVtr, 0, 0},
    {"KEY4", kByteVtr, 0, 0},
    {"KEY5", kByteVtr, 0, 0},
    {"LED0", kByteVtr, 0, 0},
    {"LED1", kByteVtr, 0, 0},
    {"LED2", kByteVtr, 0, 0},
    {"LED3", kByteVtr, 0, 0},
    {"LED4", kByteVtr, 0, 0},
    {"LED5", kByteVtr, 0, 0},
    {"PORT2", kWordVtr, 0, 0},
}};

// One digit's blanking timer; armed while the scan has started it and it has
// neither expired nor been stopped.
struct LedTimer {
  uintptr_t timer = 0;
  uint32_t armed = 0;
};
using LedTimerTable = std::array<LedTimer, kScanLineCount>;

// The port registers as the latest scan read them. The host also hands back
// a second word per read, which the model keeps but never uses.
struct PortSnapshot {
  uint32_t p2 = 0;
  uint32_t dp2 = 0;
  uint32_t p8 = 0;
  uint32_t dp8 = 0;
  std::array<uint32_t, 4> second = {};
};

// All of the model's state; the library holds one.
struct PortScanner {
  PanelVtrTable panelVtrs = kPanelVtrDefinitions;
  LedTimerTable ledTimers = {};
  PortSnapshot snapshot = {};
  uint16_t scanInProgress = 0;  // guards against a scan started from within a scan
};

extern PortScanner scanner;

constexpr uintptr_t KeyVtr(const PortScanner& s, int line) {
  return s.panelVtrs[kFirstKeyVtr + line].handle;
}
constexpr uintptr_t LedVtr(const PortScanner& s, int digit) {
  return s.panelVtrs[kFirstLedVtr + digit].handle;
}
constexpr uintptr_t Port2Vtr(const PortScanner& s) { return s.panelVtrs[kPort2Vtr].handle; }

// A scan line is selected while its pin is an output and its latch holds 0.
constexpr uint32_t SelectedScanLines(uint32_t p2, uint32_t dp2) {
  return dp2 & ~p2 & kScanLineMask;
}

// A segment is lit while its pin is an output and its latch holds 0.
constexpr uint32_t SegmentPattern(uint32_t p8, uint32_t dp8) { return ~p8 & dp8 & kSegmentMask; }

// The port 2 pin levels: driven pins follow the latch; an input return line
// reads 0 while a key of a selected line pulls it low; input pins 14-15 keep
// what PORT2 held; input pins 0-7 read 0.
constexpr uint32_t ComposePort2(uint32_t keys, uint32_t old, uint32_t p2, uint32_t dp2) {
  const uint32_t returnLines = ~(keys << kReturnLineShift) & kReturnLineMask;
  return ((returnLines | (old & kKeptPinMask)) & ~dp2) | (p2 & dp2);
}

static_assert(ComposePort2(0, 0, 0, 0) == 0x3F00, "idle return lines read high");
static_assert(ComposePort2(0x04, 0, 0, 0) == 0x3B00, "key on return line 2 reads low");
static_assert(ComposePort2(0xC0, 0, 0, 0) == 0x3F00, "KEYn bits 6-7 reach no pin");
static_assert(ComposePort2(0, 0xFFFF, 0, 0) == 0xFF00, "input pins 14-15 keep their level");
static_assert(ComposePort2(0x3F, 0, 0x1234, 0xFF3F) == 0x1234, "driven pins follow the latch");

// The scan: the watch callback on the four port registers and on KEY0-KEY5.
void ScanPorts(PortScanner& s);
void ScanPorts();

// Expiry of digit n's timer: the digit goes dark.
void LedTimeout(PortScanner& s, int32_t digit);
void LedTimeout(int32_t digit);

// The six timer callbacks, digit 0 first.
extern const std::array<AgsiCallback, kScanLineCount> kLedTimerCallbacks;

// Sets (set != 0) or clears the bits of mask in a virtual register.
void ModifyVtrBits(uintptr_t handle, uint32_t mask, int32_t set);

// Panel key k (0-35) is bit k mod 6 of KEYn, n = k / 6.
constexpr int KeyLine(int key) { return key / kScanLineCount; }
constexpr uint32_t KeyMask(int key) { return 1u << (key % kScanLineCount); }

}  // namespace keylamp

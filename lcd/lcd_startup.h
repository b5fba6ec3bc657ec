// Glyphpane's attachment to the host: the bus map commands, the start-up
// steps run at initialisation, the chip-select check and the reset.
#pragma once

#include <cstdint>
#include <string>

#include "agsi.h"
#include "lcd_controller.h"

namespace glyphpane {

// The chip-select registers that place the module at 0x40000.
inline constexpr uint32_t kADDRSEL3 = 0xFE1C;
inline constexpr uint32_t kBUSCON3 = 0xFF18;
inline constexpr uint32_t kAddrSelMask = 0xFFF0;
inline constexpr uint32_t kBusConMask = 0xD6E2;
inline constexpr uint32_t kSelectedAddrSel = 0x0400;
inline constexpr uint32_t kSelectedBusCon = 0x0600;
inline constexpr uint32_t kSfrTypeCode = 2;

inline constexpr uint32_t kLcdDialogId = 101;

extern MenuEntry lcdMenuEntry;
extern WindowSlot lcdWindowSlot;

// "0x" and eight upper-case hexadecimal digits.
std::string FormatHex32(uint32_t value);

void MapLcdBus();
uint32_t DefineLcdSfrs();
uint32_t DefineLcdVtr();
uint32_t SetLcdWatches();
uint32_t DefineLcdMenuItem();

// The reset step of the library's controller.
uint32_t ResetLcd();

}  // namespace glyphpane

// A program's view of Glyphpane inside our host: the built libglyphpane.so,
// loaded and reset by a fresh Simulator, driven through its bus registers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "simulator.h"

namespace glyphpane::testing {

using agsi::host::Simulator;

inline constexpr uint32_t kInstruction = 0x40000;
inline constexpr uint32_t kData = 0x40001;
inline constexpr uint32_t kStatus = 0x40002;
inline constexpr uint32_t kDataRead = 0x40003;
inline constexpr uint32_t kADDRSEL3 = 0xFE1C;
inline constexpr uint32_t kBUSCON3 = 0xFF18;

inline constexpr uint64_t kInstructionCycles = 740;
inline constexpr uint64_t kHomeCycles = 16280;
inline constexpr uint64_t kPowerOnCycles = 393680;

inline constexpr uint8_t kBusy = 0x80;

class LcdBus : public ::testing::Test {
 public:
  // Loads and initialises the plug-in; the tests reset it themselves, since
  // the model takes nothing before its first reset.
  void SetUp() override { sim.Load(GLYPHPANE_PATH); }

  void Reset() { sim.ResetAll(); }
  void Advance(uint64_t cycles) { sim.Advance(cycles); }
  void WriteInstruction(uint8_t code) { sim.Write8(kInstruction, code); }
  void WriteData(uint8_t value) { sim.Write8(kData, value); }
  uint8_t ReadStatus() { return sim.Read8(kStatus); }
  uint8_t ReadData() { return sim.Read8(kDataRead); }
  bool Busy() { return (ReadStatus() & kBusy) != 0; }
  int AddressCounter() { return ReadStatus() & 0x7F; }

  uint32_t LcdStatus() { return sim.Vtrs().at(*sim.FindVtr("LCD_STATUS") - 1).value; }
  void EditLcdStatus(uint32_t value) { sim.EditVtr(*sim.FindVtr("LCD_STATUS"), value); }

  // The chip-select programming that places the module at 0x40000.
  void SelectBus() {
    sim.WriteSfr(kADDRSEL3, 0x0400);
    sim.WriteSfr(kBUSCON3, 0x0600);
  }

  // Polls the busy flag as a driver does, a bounded number of times.
  void WaitWhileBusy() {
    for (int polls = 0; polls < 100000 && Busy(); ++polls) Advance(10);
    ASSERT_FALSE(Busy()) << "the controller never became idle";
  }

  // Reset, power-on delay, chip select: interface state 3.
  void PowerUpSelected() {
    Reset();
    Advance(kPowerOnCycles);
    SelectBus();
  }

  void Command(uint8_t code) {
    WriteInstruction(code);
    WaitWhileBusy();
  }

  // State 3, function set, display on: the ready state 15, cursor off.
  void BringToReady() {
    PowerUpSelected();
    Command(0x38);
    Command(0x0C);
    ASSERT_EQ(LcdStatus() & 0xF, 15u);
  }

  void WriteText(const std::string& text) {
    for (char c : text) {
      WriteData(static_cast<uint8_t>(c));
      WaitWhileBusy();
    }
  }

  // Reads display memory back through the data register, as a program can.
  std::string ReadBack(uint8_t address, int count) {
    Command(static_cast<uint8_t>(0x80 | address));
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += static_cast<char>(ReadData());
      WaitWhileBusy();
    }
    return text;
  }

  Simulator sim;
};

}  // namespace glyphpane::testing

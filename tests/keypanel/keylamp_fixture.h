// Keylamp as the host sees it: the built library loaded by our host core,
// reset, and driven through the chip's port registers and the virtual
// registers, the way a program and a user drive it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "agsi.h"
#include "simulator.h"

namespace keylamp_test {

using agsi::host::Simulator;

inline constexpr uint32_t kLedTimeoutCycles = 400000;
inline constexpr int kLines = 6;

// The port registers as a program sets them up for one multiplex step.
struct Ports {
  uint16_t p2 = 0;
  uint16_t dp2 = 0;
  uint16_t p8 = 0;
  uint16_t dp8 = 0;
};

// Scan line n driven low, every other scan line driven high; all six scan
// lines outputs, segments all outputs.
constexpr Ports SelectLine(int line, uint16_t p8) {
  return Ports{static_cast<uint16_t>(0x3F & ~(1u << line)), 0x003F, p8, 0x00FF};
}

class KeylampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.Load(KEYLAMP_LIBRARY);
    sim.ResetAll();
  }

  uintptr_t Vtr(std::string_view name) {
    const auto handle = sim.FindVtr(name);
    if (!handle) ADD_FAILURE() << "Keylamp defined no virtual register " << name;
    return handle.value_or(0);
  }
  uintptr_t KeyVtr(int line) { return Vtr("KEY" + std::to_string(line)); }
  uintptr_t LedVtr(int digit) { return Vtr("LED" + std::to_string(digit)); }

  uint32_t Key(int line) { return sim.ReadVtrAsUser(KeyVtr(line)); }
  uint32_t Led(int digit) { return sim.ReadVtrAsUser(LedVtr(digit)); }
  uint32_t Port2() { return sim.ReadVtrAsUser(Vtr("PORT2")); }

  // The user presses keys by editing a key register in the host.
  void SetKeys(int line, uint32_t bits) { sim.EditVtr(KeyVtr(line), bits); }
  void SetLed(int digit, uint32_t bits) { sim.EditVtr(LedVtr(digit), bits); }

  // The program writes the four port registers, latch before direction.
  void WritePorts(const Ports& ports) {
    sim.WriteSfr(agsi::host::kP2, ports.p2);
    sim.WriteSfr(agsi::host::kDP2, ports.dp2);
    sim.WriteSfr(agsi::host::kP8, ports.p8);
    sim.WriteSfr(agsi::host::kDP8, ports.dp8);
  }
  // What the program reads from port 2: latch on outputs, pins on inputs.
  uint16_t ProgramReadsP2() { return sim.ReadSfr(agsi::host::kP2); }

  void Advance(uint64_t cycles) { sim.Advance(cycles); }

  Simulator sim;
};

// Records the host's trace lines of the chosen kinds.
class TraceRecorder {
 public:
  explicit TraceRecorder(Simulator& sim) {
    sim.SetTraceSink([this](agsi::host::TraceKind kind, std::string_view text) {
      lines_.push_back({kind, std::string(text)});
    });
  }
  std::size_t Count(agsi::host::TraceKind kind, std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& line : lines_) {
      if (line.kind == kind && std::string_view(line.text).starts_with(prefix)) ++n;
    }
    return n;
  }
  std::size_t Size() const { return lines_.size(); }
  std::vector<std::string> TextsSince(std::size_t first) const {
    std::vector<std::string> texts;
    for (std::size_t i = first; i < lines_.size(); ++i) texts.push_back(lines_[i].text);
    return texts;
  }

 private:
  struct Line {
    agsi::host::TraceKind kind;
    std::string text;
  };
  std::vector<Line> lines_;
};

}  // namespace keylamp_test

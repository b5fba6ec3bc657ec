#include "run_report.h"

#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "seven_segment.h"
#include "simulator.h"
#include "window_access.h"

namespace agsi::host::program {
namespace {

constexpr std::array<const char*, 6> kLedRegistersLeftToRight = {"LED5", "LED4", "LED3", "LED2", "LED1", "LED0"};

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

// Hex digits enough for the register's width.
int DigitsFor(uint32_t mask) {
  int digits = 1;
  while (digits < 8 && (mask >> (4 * digits)) != 0) ++digits;
  return digits;
}

std::optional<uint32_t> VtrValue(const Simulator& simulator, std::string_view name) {
  for (const VirtualRegister& vtr : simulator.Vtrs()) {
    if (vtr.name == name) return vtr.value;
  }
  return std::nullopt;
}

// A text field drawn as a framed block of its rows, so that blanks at the
// ends of the rows stay visible.
std::string DescribeTextField(QWidget* control) {
  std::vector<std::string> rows = ControlRows(control);
  std::size_t width = static_cast<std::size_t>(std::max(0, ControlColumns(control)));
  for (std::string& row : rows) {
    while (row.size() > width && !row.empty() && row.back() == ' ') row.pop_back();
    width = std::max(width, row.size());
  }
  const std::string label = "  " + std::to_string(ControlNumber(control));
  const std::string indent(label.size(), ' ');
  const std::string rule = indent + " +" + std::string(width, '-') + "+\n";
  std::string text = rule;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string padded = rows[i] + std::string(width - rows[i].size(), ' ');
    text += (i == 0 ? label : indent) + " |" + Latin1ToTerminal(padded) + "|\n";
  }
  return text + rule;
}

std::string DescribeWindow(QWidget* window) {
  std::string text = "[" + WindowCaption(window) + "]\n";
  std::vector<std::string> checked;
  for (QWidget* control : NumberedControls(window)) {
    if (!IsShown(control)) continue;
    if (IsTextDisplay(control)) {
      text += DescribeTextField(control);
    } else if (IsList(control)) {
      text += "  " + std::to_string(ControlNumber(control)) + ": " + Latin1ToTerminal(ControlText(control)) + "\n";
    } else if (IsCheckable(control) && IsChecked(control)) {
      checked.push_back(std::to_string(ControlNumber(control)));
    }
  }
  if (!checked.empty()) {
    text += "  checked:";
    for (const std::string& number : checked) text += " " + number;
    text += "\n";
  }
  return text;
}

}  // namespace

std::string DescribeWindows(Simulator& simulator) {
  std::string text;
  for (MenuEntry* entry : simulator.MenuEntries()) {
    if (QWidget* window = FindSlotWindow(*entry)) text += DescribeWindow(window);
  }
  return text;
}

std::string DescribeLedDigits(const Simulator& simulator) {
  std::array<uint8_t, kLedRegistersLeftToRight.size()> patterns{};
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const std::optional<uint32_t> value = VtrValue(simulator, kLedRegistersLeftToRight[i]);
    if (!value) return {};
    patterns[i] = static_cast<uint8_t>(*value & 0xFF);
  }
  std::string text = "LED5..LED0\n";
  const std::string art = DrawSevenSegmentDigits(patterns);
  std::size_t start = 0;
  while (start <= art.size()) {
    const std::size_t end = std::min(art.find('\n', start), art.size());
    text += "  " + art.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return text;
}

std::string DescribeVirtualRegisters(const Simulator& simulator) {
  if (simulator.Vtrs().empty()) return {};
  std::size_t width = 0;
  for (const VirtualRegister& vtr : simulator.Vtrs()) width = std::max(width, vtr.name.size());
  std::string text = "Virtual registers\n";
  for (const VirtualRegister& vtr : simulator.Vtrs()) {
    text += "  " + vtr.name + std::string(width - vtr.name.size(), ' ') + " = " +
            Hex(vtr.value, DigitsFor(vtr.mask)) + "\n";
  }
  return text;
}

std::string DescribeRun(Simulator& simulator) {
  return DescribeWindows(simulator) + DescribeLedDigits(simulator) + DescribeVirtualRegisters(simulator);
}

}  // namespace agsi::host::program

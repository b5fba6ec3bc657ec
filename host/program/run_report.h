// What a person at a terminal sees of a headless run: each open plug-in
// window with its caption and the text of its text fields (rows as the
// window wraps them), the LED digits as seven-segment art, the virtual
// registers.
#pragma once

#include <string>

namespace agsi::host {
class Simulator;
}

namespace agsi::host::program {

std::string DescribeWindows(Simulator& simulator);
// LED5..LED0 side by side, when all six registers are defined; else "".
std::string DescribeLedDigits(const Simulator& simulator);
std::string DescribeVirtualRegisters(const Simulator& simulator);
std::string DescribeRun(Simulator& simulator);

}  // namespace agsi::host::program

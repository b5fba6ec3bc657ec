// The host's command language: "MAP first, last kinds" opens an address
// range of the 24-bit memory space to program accesses of the given kinds
// ("read", "write", or both, separated by a space or '|').
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "simulator.h"

namespace agsi::host {

// The range a MAP command opens, or nullopt with the reason in `error`.
std::optional<MappedRange> ParseMapCommand(std::string_view command, std::string& error);

}  // namespace agsi::host

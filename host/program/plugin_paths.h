// Where the host finds its default plug-ins.
#pragma once

#include <string>
#include <vector>

namespace agsi::host::program {

inline constexpr const char* kDefaultPluginFiles[] = {"libglyphpane.so", "libkeylamp.so"};

// Our plug-ins that exist in the host core's library folder (the build's
// lib/ or the install's lib/), in load order.
std::vector<std::string> DefaultPluginPaths();

}  // namespace agsi::host::program

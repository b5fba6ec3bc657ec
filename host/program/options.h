// The command line of agsi-host.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace agsi::host::program {

enum class DisplayMode { kAuto, kHeadless, kGui };

struct Options {
  std::string script;                   // the stimulus script, the simulated program
  std::vector<std::string> scriptArguments;  // after the script: the script's `arg`
  std::vector<std::string> plugins;     // empty: our two plug-ins
  DisplayMode display = DisplayMode::kAuto;
  std::optional<uint64_t> cycleLimit;
  bool openWindows = false;
  std::optional<std::string> screenshotFolder;
  bool trace = false;
  bool traceServices = false;
  bool help = false;
  bool version = false;
};

struct OptionError {
  std::string message;  // one line, for "agsi-host: <message>"
};

// Parses the arguments after the program name.
std::variant<Options, OptionError> ParseOptions(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionText();

}  // namespace agsi::host::program

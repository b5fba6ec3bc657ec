#include "options.h"

#include <charconv>

namespace agsi::host::program {
namespace {

bool ParseCount(const std::string& text, uint64_t& value) {
  int base = 10;
  std::string_view digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
  return error == std::errc() && stop == end && !digits.empty();
}

// An option that takes a value, given as "--name VALUE" or "--name=VALUE".
bool TakeValue(const std::string& argument, const char* name, const std::vector<std::string>& arguments,
               std::size_t& index, std::optional<std::string>& value) {
  const std::string option(name);
  if (argument == option) {
    if (index + 1 < arguments.size()) value = arguments[++index];
    return true;
  }
  if (argument.rfind(option + "=", 0) == 0) {
    value = argument.substr(option.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

std::variant<Options, OptionError> ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::optional<std::string> value;
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "--headless") {
      options.display = DisplayMode::kHeadless;
    } else if (argument == "--gui") {
      options.display = DisplayMode::kGui;
    } else if (argument == "--open-windows") {
      options.openWindows = true;
    } else if (argument == "--trace") {
      options.trace = true;
    } else if (argument == "--trace-services") {
      options.trace = true;
      options.traceServices = true;
    } else if (TakeValue(argument, "--plugin", arguments, i, value)) {
      if (!value) return OptionError{"option --plugin needs a library path"};
      options.plugins.push_back(*value);
    } else if (TakeValue(argument, "--cycles", arguments, i, value)) {
      uint64_t cycles = 0;
      if (!value || !ParseCount(*value, cycles)) return OptionError{"option --cycles needs a cycle count"};
      options.cycleLimit = cycles;
    } else if (TakeValue(argument, "--screenshot", arguments, i, value)) {
      if (!value || value->empty()) return OptionError{"option --screenshot needs a folder"};
      options.screenshotFolder = *value;
    } else if (argument == "--") {
      if (i + 1 < arguments.size()) {
        options.script = arguments[i + 1];
        options.scriptArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2, arguments.end());
      }
      break;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return OptionError{"unknown option " + argument};
    } else {
      // The script ends the options; what follows belongs to the script.
      options.script = argument;
      options.scriptArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      break;
    }
  }
  if (options.script.empty() && !options.help && !options.version) return OptionError{"no script given"};
  return options;
}

std::string HelpText() {
  return R"(Usage: agsi-host [options] SCRIPT.lua [script arguments]

Loads the peripheral plug-ins into the simulated 80C166, resets them and runs
the Lua stimulus script as the program on the chip.

Options:
  --plugin PATH       load this plug-in library (repeatable); without it the
                      host loads libglyphpane.so and libkeylamp.so from its
                      own library folder
  --headless          no main window; plug-in windows open offscreen and the
                      end of the run prints what they show (the default when
                      there is no display)
  --gui               the main window: Peripherals menu, Run/Pause/Step/Reset,
                      the clock and the virtual registers
  --cycles N          stop the program when the clock reaches N cycles
  --open-windows      select each plug-in's menu entry at the start
  --screenshot DIR    write a PNG of every open plug-in window at the end
  --trace             one line on stderr per bus, register and timer event
  --trace-services    the same, and every service call of the plug-ins
  --help              this text
  --version           the program's version

Exit status: 0 when the script ends or the cycle limit stops it, 1 on a
script error (syntax, runtime, failed expect, access violation), 2 on a bad
command line, 3 when a plug-in cannot be loaded, initialised or reset.
)";
}

std::string VersionText() { return std::string("agsi-host ") + AGSI_HOST_VERSION + "\n"; }

}  // namespace agsi::host::program

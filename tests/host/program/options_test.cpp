// The command line of agsi-host, option by option.
#include <gtest/gtest.h>

#include "options.h"

namespace agsi::host::program {
namespace {

Options Parsed(const std::vector<std::string>& arguments) {
  auto result = ParseOptions(arguments);
  const auto* error = std::get_if<OptionError>(&result);
  EXPECT_EQ(error, nullptr) << (error ? error->message : "");
  return error ? Options{} : std::get<Options>(result);
}

TEST(Options, EveryOptionBeforeTheScriptIsTaken) {
  const Options options = Parsed({"--plugin", "a.so", "--plugin=b.so", "--gui", "--cycles", "0x1000", "--open-windows",
                                  "--screenshot", "shots", "--trace", "run.lua", "one", "--two"});
  EXPECT_EQ(options.plugins, (std::vector<std::string>{"a.so", "b.so"}));
  EXPECT_EQ(options.display, DisplayMode::kGui);
  EXPECT_EQ(options.cycleLimit, 0x1000u);
  EXPECT_TRUE(options.openWindows);
  EXPECT_EQ(options.screenshotFolder, "shots");
  EXPECT_TRUE(options.trace);
  EXPECT_FALSE(options.traceServices);
  EXPECT_EQ(options.script, "run.lua");
  // What follows the script is the script's, options included.
  EXPECT_EQ(options.scriptArguments, (std::vector<std::string>{"one", "--two"}));
}

TEST(Options, DefaultsLeaveTheChoicesToTheHost) {
  const Options options = Parsed({"run.lua"});
  EXPECT_TRUE(options.plugins.empty());
  EXPECT_EQ(options.display, DisplayMode::kAuto);
  EXPECT_FALSE(options.cycleLimit.has_value());
  EXPECT_FALSE(options.screenshotFolder.has_value());
}

TEST(Options, HeadlessAndDecimalCycles) {
  const Options options = Parsed({"--headless", "--cycles=250000", "--trace-services", "x.lua"});
  EXPECT_EQ(options.display, DisplayMode::kHeadless);
  EXPECT_EQ(options.cycleLimit, 250000u);
  EXPECT_TRUE(options.trace && options.traceServices);
}

TEST(Options, HelpAndVersionNeedNoScript) {
  EXPECT_TRUE(Parsed({"--help"}).help);
  EXPECT_TRUE(Parsed({"--version"}).version);
  EXPECT_NE(HelpText().find("--screenshot DIR"), std::string::npos);
  EXPECT_EQ(VersionText().rfind("agsi-host ", 0), 0u);
}

struct BadLine {
  std::vector<std::string> arguments;
  const char* message;
};

class OptionErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(OptionErrors, SayWhatIsWrong) {
  auto result = ParseOptions(GetParam().arguments);
  const auto* error = std::get_if<OptionError>(&result);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionErrors,
    ::testing::Values(BadLine{{"--frobnicate", "x.lua"}, "unknown option --frobnicate"},
                      BadLine{{}, "no script given"},
                      BadLine{{"--cycles", "many", "x.lua"}, "option --cycles needs a cycle count"},
                      BadLine{{"--cycles", "-5", "x.lua"}, "option --cycles needs a cycle count"},
                      BadLine{{"--plugin"}, "option --plugin needs a library path"},
                      BadLine{{"--screenshot="}, "option --screenshot needs a folder"}));

}  // namespace
}  // namespace agsi::host::program

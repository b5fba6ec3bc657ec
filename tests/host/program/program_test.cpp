// agsi-host as a user runs it: the built program, headless, on scripts,
// with our built plug-ins; what it prints and how it exits.
#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>

#include "program_run.h"

namespace agsi::host::program {
namespace {

using testing::MakeFolder;
using testing::ProgramRun;
using testing::RunAgsiHost;
using testing::WriteScript;

const std::string kLcdHello = std::string(EXAMPLES_FOLDER) + "/lcd_hello.lua";
constexpr const char* kMiddleDot = "\xC2\xB7";  // how the printout shows the LCD's blink mark

// The rows of the LCD window's text field as the printout frames them.
std::vector<std::string> LcdRows(const std::string& out) {
  std::vector<std::string> rows;
  const std::size_t window = out.find("[LCD-Modul]\n");
  if (window == std::string::npos) return rows;
  std::size_t line = out.find('\n', window) + 1;
  while (line < out.size() && out[line] != '[') {
    const std::size_t end = out.find('\n', line);
    const std::string text = out.substr(line, end - line);
    const std::size_t open = text.find(" |");
    if (open != std::string::npos && text.back() == '|') rows.push_back(text.substr(open + 2, text.size() - open - 3));
    line = end + 1;
  }
  return rows;
}

std::string WithoutBlinkMark(std::string row) {
  for (std::size_t at = row.find(kMiddleDot); at != std::string::npos; at = row.find(kMiddleDot)) {
    row.replace(at, 2, " ");
  }
  return row;
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(LcdHello, PrintsBothRowsAndExitsZeroWithoutADisplay) {
  const ProgramRun run = RunAgsiHost({kLcdHello});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> rows = LcdRows(run.out);
  ASSERT_EQ(rows.size(), 2u) << run.out;
  // The display is shifted right by one column; the cursor blinks after the
  // second line, shown as its character or as the blink mark.
  EXPECT_EQ(rows[0], " Hello, world!          ");
  EXPECT_EQ(WithoutBlinkMark(rows[1]), " 80C166 LCD demo        ");
  EXPECT_NE(run.out.find("script finished at cycle"), std::string::npos);
  EXPECT_NE(run.out.find("LCD_STATUS = 0x070F"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("PORT2      = 0x3F00"), std::string::npos) << run.out;
}

struct BadInput {
  const char* name;
  const char* script;  // nullptr: the script file does not exist
  std::vector<std::string> options;
  int status;
  const char* message;  // part of the one line on stderr
};

void PrintTo(const BadInput& input, std::ostream* os) { *os << input.name; }

class BadInputs : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputs, EndWithOneClearLineAndANonZeroStatus) {
  const BadInput& input = GetParam();
  const std::string script = input.script ? WriteScript("bad.lua", input.script) : "/nonexistent/missing.lua";
  std::vector<std::string> arguments = input.options;
  arguments.push_back(script);
  const ProgramRun run = RunAgsiHost(arguments);
  EXPECT_EQ(run.status, input.status) << run.err;
  std::string expected = input.message;
  const std::size_t at = expected.find("SCRIPT");
  // Lua names a long script path by its end, the file name.
  if (at != std::string::npos) expected.replace(at, 6, "bad.lua");
  EXPECT_NE(run.err.find(expected), std::string::npos) << "stderr: " << run.err;
  EXPECT_EQ(run.err.rfind("agsi-host: ", 0), 0u) << run.err;
  EXPECT_EQ(Lines(run.err), 1u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInputs,
    ::testing::Values(
        BadInput{"SyntaxError", "local x = = 1\n", {}, 1, "SCRIPT:1: unexpected symbol near '='"},
        BadInput{"RuntimeErrorAtALine", "local t\n\nprint(t.x)\n", {}, 1, "SCRIPT:3: attempt to index a nil value"},
        BadInput{"UnmappedMemory", "\nmem.write(0x123456, 1)\n", {}, 1,
                 "SCRIPT:2: access violation: program write to 0x123456"},
        BadInput{"ReadOfAWriteOnlyRegister", "mem.read(0x40000)\n", {}, 1, "SCRIPT:1: access violation: program read of 0x040000"},
        BadInput{"UnknownVirtualRegister", "vtr.get('NOPE')\n", {}, 1, "SCRIPT:1: unknown virtual register 'NOPE'"},
        BadInput{"UnknownChipRegister", "sfr.write('XYZ', 1)\n", {}, 1, "SCRIPT:1: unknown chip register 'XYZ'"},
        BadInput{"FailedExpectation", "\nexpect(1 == 2, 'one is two')\n", {}, 1,
                 "SCRIPT:2: expectation failed: one is two"},
        BadInput{"UnknownMenuEntry", "menu('Oscilloscope')\n", {}, 1, "SCRIPT:1: no menu entry 'Oscilloscope'"},
        BadInput{"MissingScript", nullptr, {}, 1, "cannot open /nonexistent/missing.lua"},
        BadInput{"PluginPathThatDoesNotExist", "", {"--plugin", "/nonexistent/libnothing.so"}, 3,
                 "/nonexistent/libnothing.so: cannot load"},
        BadInput{"LibraryWithoutAgsiEntry", "", {"--plugin", NO_ENTRY_LIBRARY}, 3,
                 "it exports no AgsiEntry"},
        BadInput{"PluginWhoseInitialisationFails", "", {"--plugin", REFUSING_PLUGIN}, 3,
                 "libtest_refusing_plugin.so: initialisation failed (entry code 1)"},
        BadInput{"UnknownOption", "", {"--bogus"}, 2, "unknown option --bogus"}),
    [](const ::testing::TestParamInfo<BadInput>& param) { return std::string(param.param.name); });

struct EndlessProgram {
  const char* name;
  const char* script;
};

class CycleLimit : public ::testing::TestWithParam<EndlessProgram> {};

TEST_P(CycleLimit, StopsAProgramThatLoopsForever) {
  const ProgramRun run = RunAgsiHost({"--cycles", "100000", WriteScript("forever.lua", GetParam().script)});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("stopped at the cycle limit of 100000 cycles at cycle 100000"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Loops, CycleLimit,
                         ::testing::Values(EndlessProgram{"BusyPoll", "while true do mem.read(0x40002) end\n"},
                                           EndlessProgram{"Waits", "while true do wait(333) end\n"},
                                           EndlessProgram{"ChipRegisterLoop",
                                                          "local n = 0\nwhile true do sfr.write('P2', n & 0xFF); n = n + 1 end\n"}),
                         [](const ::testing::TestParamInfo<EndlessProgram>& param) { return std::string(param.param.name); });

TEST(Script, EachBusAccessTakesTwoCyclesAndArgumentsReachTheScript) {
  const ProgramRun run = RunAgsiHost({WriteScript("count.lua", R"(
    expect(CYCLES_PER_ACCESS == 2, "documented cost")
    for i = 1, 10 do mem.read(0x40002) end
    mem.write16(0x40000, 0x0000)   -- one access of the 16-bit bus
    sfr.write("DP2", 0)
    expect(clock() == 24, "clock " .. clock())
    wait(1000)
    expect(clock() == 1024, "clock " .. clock())
    expect(arg[1] == "alpha" and arg[2] == "--beta", "script arguments")
  )"), "alpha", "--beta"});
  EXPECT_EQ(run.status, 0) << run.err;
}

// Port 2 read by the program: output pins give the latch, input pins
// PORT2 (Keylamp's return lines) or the pull-ups without it.
TEST(PortPins, InputPinsReadPort2OfThePanelOrThePullUps) {
  const std::string withPanel = WriteScript("panel.lua", R"(
    sfr.write("DP2", 0x003F)                 -- scan lines out, return lines in
    sfr.write("P2", 0x003F & ~(1 << 3))      -- scan line 3 low
    expect(sfr.read("P2") == 0x3F37, string.format("no key: %04X", sfr.read("P2")))
    vtr.set("KEY3", 1 << 2)                  -- key "9" held, as a user edit
    expect(sfr.read(0xFFC0) == 0x3B37, string.format("key 9: %04X", sfr.read(0xFFC0)))
    sfr.write("P2", 0x003F)                  -- line 3 released: the key is not seen
    expect(sfr.read("P2") == 0x3F3F, string.format("unselected: %04X", sfr.read("P2")))
  )");
  const ProgramRun panel = RunAgsiHost({withPanel});
  EXPECT_EQ(panel.status, 0) << panel.err;

  const std::string pullUps = WriteScript("pullups.lua", R"(
    sfr.write("DP2", 0x00FF)
    sfr.write("P2", 0x0012)
    expect(sfr.read("P2") == 0xFF12, string.format("pull-ups: %04X", sfr.read("P2")))
  )");
  const ProgramRun alone = RunAgsiHost({"--plugin", GLYPHPANE_PATH, pullUps});
  EXPECT_EQ(alone.status, 0) << alone.err;
}

TEST(Trace, PrintsOneLinePerBusRegisterAndTimerEvent) {
  const ProgramRun run = RunAgsiHost({"--trace", WriteScript("trace.lua", R"(
    sfr.write("BUSCON3", 0x0600)
    mem.read(0x40002)
  )")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("register write BUSCON3 = 0x0600"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("bus read  0x040002 = 0x80"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("           0 timer 3 armed for 393680 cycles"), std::string::npos) << run.err;  // power-on
  EXPECT_EQ(run.err.find("service"), std::string::npos) << "service calls only with --trace-services";
}

TEST(Windows, OpenWindowsShowsBothAndScreenshotsArePictures) {
  const std::string folder = MakeFolder("shots");
  const ProgramRun run = RunAgsiHost({"--open-windows", "--screenshot", folder, WriteScript("open.lua", R"(
    expect(window("LCD-Module") ~= nil, "LCD window open")
    expect(window("Key/LEDs") ~= nil, "panel window open")
  )")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("[LCD-Modul]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("[Keyboard / LED\xC2\xB4s]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  1300: automatic"), std::string::npos) << run.out;
  for (const char* file : {"LCD-Module.png", "Key-LEDs.png"}) {
    const QImage picture(QString::fromStdString(folder + "/" + file));
    ASSERT_FALSE(picture.isNull()) << file;
    EXPECT_GT(picture.width(), 100) << file;
    // A window, not a blank: more than one colour.
    const QRgb first = picture.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < picture.height() && !varied; y += 3) {
      for (int x = 0; x < picture.width() && !varied; x += 3) varied = picture.pixel(x, y) != first;
    }
    EXPECT_TRUE(varied) << file;
  }
}

TEST(Windows, ScriptUsesThePanelAsAUserDoes) {
  const ProgramRun run = RunAgsiHost({WriteScript("panel.lua", R"(
    expect(window("Key/LEDs") == nil, "closed at the start")
    local panel = open("Key/LEDs")
    expect(panel:caption() == "Keyboard / LED\xC2\xB4s", panel:caption())
    expect(panel:selected(1300) == 1, "automatic mode at opening")

    panel:click(1120)                                   -- key "9"
    expect(panel:checked(1120), "box checked")
    expect(vtr.get("KEY3") == 1 << 2, "KEY3 bit 2")
    repeat sleep(10) until not panel:checked(1120)      -- released by the window's timer
    expect(vtr.get("KEY3") == 0, "released")

    panel:select(1300, 0)                               -- manual
    panel:click(1135)
    expect(vtr.get("KEY5") == 1 << 5, "held in manual mode")
    panel:click(1135)
    expect(vtr.get("KEY5") == 0, "released by the second click")

    -- A digit shows what the program multiplexes out.
    sfr.write("DP8", 0xFF); sfr.write("P8", 0xFF & ~0x06)   -- segments b and c low: "1"
    sfr.write("P2", 0x3F); sfr.write("DP2", 0x3F)           -- all scan lines high
    sfr.write("P2", 0x3F & ~1)                              -- digit 0 selected
    update()
    expect(panel:visible(1201) and panel:visible(1202) and not panel:visible(1200), "digit 0 shows 1")

    panel:key("Enter")
    expect(panel:isopen(), "Enter leaves the window open")
    panel:key("Escape")
    expect(window("Key/LEDs") == nil, "Escape closes it")
    expect(not pcall(panel.text, panel, 1300), "a closed window has no controls")
  )")});
  EXPECT_EQ(run.status, 0) << run.err;
  // LED0, the rightmost digit, shows "1"; the others are dark.
  const std::string one = "  | ";
  const std::string margin = "  ";
  const std::string digits = "LED5..LED0\n" + margin + std::string(24, ' ') + "\n" + margin + std::string(20, ' ') + one +
                             "\n" + margin + std::string(20, ' ') + one + "\n";
  EXPECT_NE(run.out.find(digits), std::string::npos) << run.out;
}

TEST(Windows, ScriptErrorsOnControlsNameTheControl) {
  const ProgramRun run = RunAgsiHost({WriteScript("controls.lua", R"(
    local lcd = open("LCD-Module")
    lcd:checked(1251)
  )")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("controls.lua:3: control 1251 is no check box"), std::string::npos) << run.err;
}

TEST(Script, QuitEndsTheRunThere) {
  const ProgramRun run = RunAgsiHost({WriteScript("quit.lua", "wait(10)\nquit()\nerror('not reached')\n")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("script quit at cycle 10"), std::string::npos) << run.out;
}

TEST(Help, ListsTheOptionsAndExitsZero) {
  const ProgramRun run = RunAgsiHost({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const char* option : {"--plugin PATH", "--headless", "--gui", "--cycles N", "--open-windows", "--screenshot DIR",
                             "--trace", "--version"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace agsi::host::program

// Runs the built agsi-host as a user does and keeps what it printed.
#pragma once

#include <string>
#include <vector>

namespace agsi::host::program::testing {

struct ProgramRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs agsi-host with the arguments, without a display (headless).
ProgramRun RunAgsiHost(const std::vector<std::string>& arguments);
// The same on the display that this process's DISPLAY names.
ProgramRun RunAgsiHostOnDisplay(const std::vector<std::string>& arguments);

// A fresh file with the text, in a folder of the test's own.
std::string WriteScript(const std::string& name, const std::string& text);
// A fresh empty folder.
std::string MakeFolder(const std::string& name);

}  // namespace agsi::host::program::testing

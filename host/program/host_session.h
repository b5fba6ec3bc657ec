// One run of agsi-host: the simulator with its plug-ins, the script, and
// either the headless end-of-run printout or the main window.
#pragma once

#include <iosfwd>
#include <memory>

#include "options.h"

class QWidget;

namespace agsi::host {
class Simulator;
}

namespace agsi::host::program {

class MainWindow;
class ScriptDriver;

// Exit statuses of agsi-host.
enum ExitStatus : int {
  kExitSuccess = 0,
  kExitScriptError = 1,
  kExitUsage = 2,
  kExitPluginError = 3,
};

class HostSession {
 public:
  HostSession(Options options, std::ostream& out, std::ostream& err);
  ~HostSession();

  // Loads, initialises and resets the plug-ins and compiles the script;
  // anything else than kExitSuccess ends the run (the message is written).
  int Prepare();

  // Headless: opens the windows if asked, runs the script to its end in the
  // event loop, prints what the windows show; the exit status.
  int RunHeadless();

  // GUI: shows the main window, opens the windows if asked, starts the
  // script. The caller runs the event loop, then calls FinishGui.
  void StartGui();
  int FinishGui();

  Simulator& simulator() { return *simulator_; }
  ScriptDriver& driver() { return *driver_; }
  MainWindow* mainWindow() { return mainWindow_.get(); }

 private:
  void OpenAllWindows();
  void WriteScreenshots(QWidget* mainWindow);
  int ExitStatusOfRun() const;
  void ReportEnd();

  Options options_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<Simulator> simulator_;
  std::unique_ptr<ScriptDriver> driver_;
  std::unique_ptr<MainWindow> mainWindow_;
};

// The whole program, as main() runs it.
int RunHost(int argc, char** argv);

}  // namespace agsi::host::program

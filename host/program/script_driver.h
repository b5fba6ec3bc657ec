// Runs the stimulus script inside the Qt event loop: one slice per turn of
// the loop while running, real-time sleeps on a timer, the open windows
// updated every 100 ms while the program runs and after every pause or step.
// The same driver serves the headless run and the main window.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script_runner.h"

namespace agsi::host {
class Simulator;
}

namespace agsi::host::program {

inline constexpr std::chrono::milliseconds kSliceTime{10};
inline constexpr std::chrono::milliseconds kWindowUpdatePeriod{100};

class ScriptDriver : public QObject {
  Q_OBJECT

 public:
  enum class State { kPaused, kRunning, kSleeping, kFinished, kFailed, kCycleLimit, kStoppedByPlugin };

  ScriptDriver(Simulator& simulator, std::string script, std::vector<std::string> arguments,
               std::optional<uint64_t> cycleLimit, QObject* parent = nullptr);
  ~ScriptDriver() override;

  // Compiles the script; false (state kFailed, Message()) on an error.
  bool Load();

  void Run();
  void Pause();
  // One host call of the script, then paused.
  void Step();
  // The chip's reset: every plug-in gets the reset code and the program
  // starts again from its first line, paused.
  void Reset();

  State CurrentState() const { return state_; }
  // Running or sleeping: the program goes on by itself.
  bool IsActive() const { return state_ == State::kRunning || state_ == State::kSleeping; }
  // The program cannot go on without a reset.
  bool IsOver() const;
  // What ended the run or why it stands still, one line.
  const std::string& Message() const { return message_; }
  const ScriptRunner& Runner() const { return *runner_; }

 signals:
  void stateChanged();
  // The script called quit(): the host ends the run.
  void quitRequested();

 private:
  void RunSlice();
  void Settle(ScriptRunner::Outcome outcome);
  void SetState(State state, std::string message = {});
  void UpdateWindows();
  bool TakePluginRequests();

  Simulator& simulator_;
  std::string script_;
  std::vector<std::string> arguments_;
  std::optional<uint64_t> cycleLimit_;
  std::unique_ptr<ScriptRunner> runner_;
  State state_ = State::kPaused;
  std::string message_;
  QTimer sliceTimer_;
  QTimer sleepTimer_;
  QTimer updateTimer_;
};

}  // namespace agsi::host::program

#include "script_driver.h"

#include "simulator.h"

namespace agsi::host::program {

ScriptDriver::ScriptDriver(Simulator& simulator, std::string script, std::vector<std::string> arguments,
                           std::optional<uint64_t> cycleLimit, QObject* parent)
    : QObject(parent),
      simulator_(simulator),
      script_(std::move(script)),
      arguments_(std::move(arguments)),
      cycleLimit_(cycleLimit) {
  // A zero-interval single shot runs the next slice once the event loop has
  // handled what came in meanwhile: the windows stay live.
  sliceTimer_.setSingleShot(true);
  sliceTimer_.setInterval(0);
  connect(&sliceTimer_, &QTimer::timeout, this, &ScriptDriver::RunSlice);
  sleepTimer_.setSingleShot(true);
  connect(&sleepTimer_, &QTimer::timeout, this, [this] {
    if (state_ == State::kSleeping) {
      state_ = State::kRunning;
      RunSlice();
    }
  });
  updateTimer_.setInterval(kWindowUpdatePeriod);
  connect(&updateTimer_, &QTimer::timeout, this, &ScriptDriver::UpdateWindows);
}

ScriptDriver::~ScriptDriver() = default;

bool ScriptDriver::Load() {
  runner_ = std::make_unique<ScriptRunner>(simulator_, script_, arguments_);
  runner_->SetCycleLimit(cycleLimit_);
  if (!runner_->Load()) {
    SetState(State::kFailed, runner_->Error());
    return false;
  }
  SetState(State::kPaused, "ready");
  return true;
}

bool ScriptDriver::IsOver() const {
  return state_ == State::kFinished || state_ == State::kFailed || state_ == State::kCycleLimit;
}

void ScriptDriver::Run() {
  if (IsOver() || IsActive() || runner_ == nullptr) return;
  SetState(State::kRunning, "running");
  updateTimer_.start();
  sliceTimer_.start();
}

void ScriptDriver::Pause() {
  if (!IsActive()) return;
  sliceTimer_.stop();
  sleepTimer_.stop();
  updateTimer_.stop();
  SetState(State::kPaused, "paused");
  UpdateWindows();
}

void ScriptDriver::Step() {
  if (IsOver() || IsActive() || runner_ == nullptr) return;
  const ScriptRunner::Outcome outcome = runner_->Step(kSliceTime);
  if (outcome == ScriptRunner::Outcome::kPaused || outcome == ScriptRunner::Outcome::kSleeping) {
    if (!TakePluginRequests()) SetState(State::kPaused, "stepped");
  } else {
    Settle(outcome);
  }
  UpdateWindows();
}

void ScriptDriver::Reset() {
  sliceTimer_.stop();
  sleepTimer_.stop();
  updateTimer_.stop();
  try {
    simulator_.ResetAll();
  } catch (const std::exception& e) {
    SetState(State::kFailed, e.what());
    return;
  }
  Load();
  UpdateWindows();
}

void ScriptDriver::RunSlice() {
  if (state_ != State::kRunning) return;
  Settle(runner_->Run(kSliceTime));
}

void ScriptDriver::Settle(ScriptRunner::Outcome outcome) {
  using Outcome = ScriptRunner::Outcome;
  if (outcome == Outcome::kFailed) {
    updateTimer_.stop();
    SetState(State::kFailed, runner_->Error());
    UpdateWindows();
    return;
  }
  if (TakePluginRequests()) return;
  switch (outcome) {
    case Outcome::kPaused:
      if (state_ == State::kRunning) sliceTimer_.start();
      return;
    case Outcome::kSleeping:
      if (state_ == State::kRunning) {
        SetState(State::kSleeping, "sleeping");
        sleepTimer_.start(runner_->SleepDuration());
      } else {
        SetState(State::kPaused, "stepped");
      }
      return;
    case Outcome::kFinished:
      updateTimer_.stop();
      SetState(State::kFinished, "script finished");
      break;
    case Outcome::kQuit:
      updateTimer_.stop();
      SetState(State::kFinished, "script quit");
      UpdateWindows();
      emit quitRequested();
      return;
    case Outcome::kCycleLimit:
      updateTimer_.stop();
      SetState(State::kCycleLimit, "stopped at the cycle limit of " + std::to_string(cycleLimit_.value_or(0)) + " cycles");
      break;
    case Outcome::kFailed:
      break;
  }
  UpdateWindows();
}

// A plug-in may ask the host to stop, reset or update; true when the run
// changed its state for it.
bool ScriptDriver::TakePluginRequests() {
  if (simulator_.TakeUpdateRequest()) UpdateWindows();
  if (simulator_.TakeResetRequest()) {
    const bool wasActive = IsActive();
    Reset();
    if (wasActive) Run();
    return true;
  }
  if (simulator_.TakeStopRequest()) {
    sliceTimer_.stop();
    sleepTimer_.stop();
    updateTimer_.stop();
    SetState(State::kStoppedByPlugin, "stopped by a plug-in");
    UpdateWindows();
    return true;
  }
  return false;
}

void ScriptDriver::UpdateWindows() { simulator_.UpdateWindows(); }

void ScriptDriver::SetState(State state, std::string message) {
  state_ = state;
  message_ = std::move(message);
  emit stateChanged();
}

}  // namespace agsi::host::program

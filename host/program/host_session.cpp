#include "host_session.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <string>

#include "main_window.h"
#include "plugin_paths.h"
#include "run_report.h"
#include "script_driver.h"
#include "simulator.h"
#include "window_access.h"

namespace agsi::host::program {
namespace {

const char* TraceLabel(TraceKind kind) {
  switch (kind) {
    case TraceKind::kService: return "service";
    case TraceKind::kBus: return "bus";
    case TraceKind::kRegister: return "register";
    case TraceKind::kTimer: return "timer";
    case TraceKind::kMessage: return "message";
  }
  return "?";
}

// A file name from a menu entry's text: "LCD-&Module" gives "LCD-Module".
QString ScreenshotName(const char* menuText) {
  QString name;
  for (const char* c = menuText; c != nullptr && *c != '\0'; ++c) {
    if (*c == '&') continue;
    const QChar ch = QLatin1Char(*c);
    name += (ch.isLetterOrNumber() || ch == QLatin1Char('-') || ch == QLatin1Char('_')) ? ch : QLatin1Char('-');
  }
  return name + QStringLiteral(".png");
}

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Qt wants a private runtime folder and complains on stderr when the
// environment names none (as in a container or a CI job); we give it the
// one it would fall back to.
void PrepareRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return;
  const QString folder = QStringLiteral("/tmp/runtime-%1").arg(getuid());
  if (QDir().mkpath(folder)) {
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", folder.toLocal8Bit());
  }
}

// Waits, with the event loop running, until the window system has made the
// window active; a window system that never does gets a second.
void WaitUntilActive(QWidget* window) {
  if (QApplication::activeWindow() == window) return;
  QEventLoop loop;
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &loop, [&loop, window] {
    if (QApplication::activeWindow() == window) loop.quit();
  });
  giveUp.start(std::chrono::seconds(1));
  loop.exec();
}

}  // namespace

HostSession::HostSession(Options options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err), simulator_(std::make_unique<Simulator>()) {
  if (options_.trace) {
    const bool services = options_.traceServices;
    Simulator* simulator = simulator_.get();
    std::ostream* stream = &err_;
    simulator_->SetTraceSink([simulator, stream, services](TraceKind kind, std::string_view text) {
      if (kind == TraceKind::kService && !services) return;
      char clock[32];
      std::snprintf(clock, sizeof clock, "%12llu ", static_cast<unsigned long long>(simulator->Clock()));
      // The core's timer lines begin with the word already.
      const std::string_view label = TraceLabel(kind);
      if (text.substr(0, label.size() + 1) == std::string(label) + ' ') text.remove_prefix(label.size() + 1);
      *stream << clock << label << ' ' << text << '\n';
    });
  }
}

HostSession::~HostSession() {
  // The plug-ins' windows go through their slots before the main window,
  // which may own them, is destroyed.
  simulator_->CloseWindows();
  mainWindow_.reset();
  driver_.reset();
}

int HostSession::Prepare() {
  std::vector<std::string> plugins = options_.plugins;
  if (plugins.empty()) {
    plugins = DefaultPluginPaths();
    if (plugins.empty()) err_ << "agsi-host: warning: none of our plug-ins found beside the host core\n";
  }
  try {
    for (const std::string& path : plugins) simulator_->Load(path);
    simulator_->ResetAll();
  } catch (const std::exception& e) {
    err_ << "agsi-host: " << e.what() << '\n';
    return kExitPluginError;
  }
  driver_ = std::make_unique<ScriptDriver>(*simulator_, options_.script, options_.scriptArguments, options_.cycleLimit);
  if (!driver_->Load()) {
    err_ << "agsi-host: " << driver_->Message() << '\n';
    return kExitScriptError;
  }
  return kExitSuccess;
}

void HostSession::OpenAllWindows() {
  for (MenuEntry* entry : simulator_->MenuEntries()) {
    if (FindSlotWindow(*entry) != nullptr) continue;
    if (mainWindow_) {
      mainWindow_->SelectPeripheral(entry);
    } else {
      simulator_->SelectMenuEntry(entry);
    }
  }
}

int HostSession::ExitStatusOfRun() const {
  return driver_->CurrentState() == ScriptDriver::State::kFailed ? kExitScriptError : kExitSuccess;
}

void HostSession::ReportEnd() {
  if (driver_->CurrentState() == ScriptDriver::State::kFailed) err_ << "agsi-host: " << driver_->Message() << '\n';
  out_ << "== " << options_.script << ": " << driver_->Message() << " at cycle " << simulator_->Clock() << " ("
       << driver_->Runner().Accesses() << " bus accesses) ==\n";
  out_ << DescribeRun(*simulator_);
  out_.flush();
}

int HostSession::RunHeadless() {
  if (options_.openWindows) OpenAllWindows();
  driver_->Run();
  if (driver_->IsActive()) {
    QEventLoop loop;
    QObject::connect(driver_.get(), &ScriptDriver::stateChanged, &loop, [this, &loop] {
      if (!driver_->IsActive()) loop.quit();
    });
    loop.exec();
  }
  // The windows show the final state, laid out, before anyone looks.
  simulator_->UpdateWindows();
  QCoreApplication::processEvents();
  ReportEnd();
  WriteScreenshots(nullptr);
  simulator_->CloseWindows();
  return ExitStatusOfRun();
}

void HostSession::StartGui() {
  mainWindow_ = std::make_unique<MainWindow>(*simulator_, *driver_, QFileInfo(QString::fromStdString(options_.script)).fileName());
  mainWindow_->SetClosingHandler([this] { WriteScreenshots(mainWindow_.get()); });
  QObject::connect(driver_.get(), &ScriptDriver::quitRequested, mainWindow_.get(), &QWidget::close);
  mainWindow_->show();
  mainWindow_->raise();
  mainWindow_->activateWindow();
  // A plug-in's window is owned by the window active when it opens: the
  // main window must have become active before the windows open.
  if (options_.openWindows) {
    WaitUntilActive(mainWindow_.get());
    OpenAllWindows();
  }
  driver_->Run();
}

int HostSession::FinishGui() {
  simulator_->CloseWindows();
  if (driver_->CurrentState() == ScriptDriver::State::kFailed) err_ << "agsi-host: " << driver_->Message() << '\n';
  return ExitStatusOfRun();
}

void HostSession::WriteScreenshots(QWidget* mainWindow) {
  if (!options_.screenshotFolder) return;
  const QDir folder(QString::fromStdString(*options_.screenshotFolder));
  if (!folder.mkpath(QStringLiteral("."))) {
    err_ << "agsi-host: cannot create the screenshot folder " << *options_.screenshotFolder << '\n';
    return;
  }
  auto save = [&](QWidget* window, const QString& name) {
    const QString path = folder.filePath(name);
    if (!window->grab().save(path, "PNG")) err_ << "agsi-host: cannot write " << path.toStdString() << '\n';
  };
  if (mainWindow != nullptr) save(mainWindow, QStringLiteral("agsi-host.png"));
  for (MenuEntry* entry : simulator_->MenuEntries()) {
    if (QWidget* window = FindSlotWindow(*entry)) save(window, ScreenshotName(entry->menuText));
  }
}

int RunHost(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = ParseOptions(arguments);
  if (const auto* error = std::get_if<OptionError>(&parsed)) {
    std::fprintf(stderr, "agsi-host: %s (see agsi-host --help)\n", error->message.c_str());
    return kExitUsage;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return kExitSuccess;
  }
  if (options.version) {
    std::fputs(VersionText().c_str(), stdout);
    return kExitSuccess;
  }
  const bool gui = options.display == DisplayMode::kGui || (options.display == DisplayMode::kAuto && HasDisplay());
  if (options.display == DisplayMode::kGui && !HasDisplay()) {
    std::fputs("agsi-host: --gui needs a display (DISPLAY is not set)\n", stderr);
    return kExitUsage;
  }
  // Plug-in windows open offscreen in a headless run; a person sees them in
  // the printout at the end.
  if (!gui) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareRuntimeFolder();
  }
  int qtArgc = 1;  // Qt sees no option of ours or of the script
  QApplication application(qtArgc, argv);
  application.setApplicationName(QStringLiteral("agsi-host"));

  HostSession session(options, std::cout, std::cerr);
  if (const int status = session.Prepare(); status != kExitSuccess) return status;
  if (!gui) return session.RunHeadless();
  session.StartGui();
  QApplication::exec();
  return session.FinishGui();
}

}  // namespace agsi::host::program

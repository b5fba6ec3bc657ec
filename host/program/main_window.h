// The host's main window: the Peripherals menu with each plug-in's entry,
// Run / Pause / Step / Reset, the simulated clock, and the virtual registers
// in a table that the user edits (an edit runs the register's watches and
// takes effect at the plug-in's next access). It owns the plug-ins' windows:
// they open while it is the active window.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include <functional>

#include "agsi.h"

class QAction;
class QLabel;
class QMenu;
class QTableWidget;
class QTableWidgetItem;

namespace agsi::host {
class Simulator;
}

namespace agsi::host::program {

class ScriptDriver;

inline constexpr std::chrono::milliseconds kDisplayRefreshPeriod{100};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Simulator& simulator, ScriptDriver& driver, const QString& scriptName);
  ~MainWindow() override;

  // Picks a plug-in's menu entry with this window active, so that the
  // plug-in's window is owned by it.
  void SelectPeripheral(MenuEntry* entry);
  QMenu* PeripheralsMenu() const { return peripheralsMenu_; }
  QTableWidget* RegisterTable() const { return registers_; }
  // Brings the clock, the state and the register table up to date.
  void RefreshDisplay();
  // Runs when the user closes the main window, before the plug-ins'
  // windows are closed (the last chance to see them).
  void SetClosingHandler(std::function<void()> handler) { closing_ = std::move(handler); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildRegisterTable();
  void OnRegisterEdited(QTableWidgetItem* item);
  void OnStateChanged();

  Simulator& simulator_;
  ScriptDriver& driver_;
  QMenu* peripheralsMenu_ = nullptr;
  QAction* runAction_ = nullptr;
  QAction* pauseAction_ = nullptr;
  QAction* stepAction_ = nullptr;
  QAction* resetAction_ = nullptr;
  QTableWidget* registers_ = nullptr;
  QLabel* clock_ = nullptr;
  QLabel* state_ = nullptr;
  QLabel* notice_ = nullptr;  // what became of the user's last edit
  QTimer refreshTimer_;
  bool refreshing_ = false;
  std::function<void()> closing_;
};

}  // namespace agsi::host::program

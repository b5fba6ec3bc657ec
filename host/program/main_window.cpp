#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "script_driver.h"
#include "simulator.h"
#include "window_access.h"

namespace agsi::host::program {
namespace {

enum RegisterColumn { kNameColumn = 0, kValueColumn = 1, kColumnCount = 2 };

QString HexText(uint32_t value, uint32_t mask) {
  int digits = 1;
  while (digits < 8 && (mask >> (4 * digits)) != 0) ++digits;
  return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

// The user's entry of a register value: hexadecimal with 0x, else decimal.
std::optional<uint32_t> ParseValue(const QString& text) {
  const QString trimmed = text.trimmed();
  bool ok = false;
  const qulonglong value = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                               ? trimmed.mid(2).toULongLong(&ok, 16)
                               : trimmed.toULongLong(&ok, 10);
  if (!ok || value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

MainWindow::MainWindow(Simulator& simulator, ScriptDriver& driver, const QString& scriptName)
    : simulator_(simulator), driver_(driver) {
  setWindowTitle(QStringLiteral("agsi-host - %1").arg(scriptName));
  BuildMenus();
  BuildRegisterTable();

  clock_ = new QLabel(this);
  clock_->setObjectName(QStringLiteral("clock"));
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("state"));
  statusBar()->addWidget(clock_);
  statusBar()->addWidget(state_, 1);
  // A label of its own: the status bar's temporary messages vanish as soon
  // as the mouse passes over a widget with a status tip.
  notice_ = new QLabel(this);
  notice_->setObjectName(QStringLiteral("notice"));
  statusBar()->addPermanentWidget(notice_);

  connect(&driver_, &ScriptDriver::stateChanged, this, &MainWindow::OnStateChanged);
  refreshTimer_.setInterval(kDisplayRefreshPeriod);
  connect(&refreshTimer_, &QTimer::timeout, this, &MainWindow::RefreshDisplay);
  refreshTimer_.start();
  OnStateChanged();
  resize(420, 480);
}

// An editor still open in the table commits its text when it loses the
// focus while the window goes away; by then nothing may react to it.
MainWindow::~MainWindow() { disconnect(registers_, nullptr, this, nullptr); }

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* run = menuBar()->addMenu(tr("&Run"));
  runAction_ = run->addAction(tr("&Run"), &driver_, &ScriptDriver::Run);
  runAction_->setShortcut(Qt::Key_F5);
  pauseAction_ = run->addAction(tr("&Pause"), &driver_, &ScriptDriver::Pause);
  pauseAction_->setShortcut(Qt::SHIFT | Qt::Key_F5);
  stepAction_ = run->addAction(tr("&Step"), &driver_, &ScriptDriver::Step);
  stepAction_->setShortcut(Qt::Key_F10);
  resetAction_ = run->addAction(tr("R&eset"), &driver_, &ScriptDriver::Reset);

  QToolBar* tools = addToolBar(tr("Run"));
  tools->setObjectName(QStringLiteral("run tools"));
  for (QAction* action : {runAction_, pauseAction_, stepAction_, resetAction_}) tools->addAction(action);

  // The plug-ins' entries keep their "&" mnemonic.
  peripheralsMenu_ = menuBar()->addMenu(tr("&Peripherals"));
  for (MenuEntry* entry : simulator_.MenuEntries()) {
    QAction* action = peripheralsMenu_->addAction(QString::fromLatin1(entry->menuText));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, entry] { SelectPeripheral(entry); });
  }
}

void MainWindow::BuildRegisterTable() {
  registers_ = new QTableWidget(0, kColumnCount, this);
  registers_->setObjectName(QStringLiteral("virtual registers"));
  registers_->setHorizontalHeaderLabels({tr("Virtual register"), tr("Value")});
  registers_->horizontalHeader()->setStretchLastSection(true);
  registers_->verticalHeader()->hide();
  registers_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
  connect(registers_, &QTableWidget::itemChanged, this, &MainWindow::OnRegisterEdited);
  setCentralWidget(registers_);
}

void MainWindow::SelectPeripheral(MenuEntry* entry) {
  activateWindow();
  simulator_.SelectMenuEntry(entry);
  activateWindow();
  RefreshDisplay();
}

void MainWindow::RefreshDisplay() {
  refreshing_ = true;
  clock_->setText(tr("cycle %1").arg(simulator_.Clock()));
  const auto& vtrs = simulator_.Vtrs();
  if (registers_->rowCount() != static_cast<int>(vtrs.size())) {
    registers_->setRowCount(static_cast<int>(vtrs.size()));
    for (int row = 0; row < registers_->rowCount(); ++row) {
      auto* name = new QTableWidgetItem(QString::fromStdString(vtrs[static_cast<std::size_t>(row)].name));
      name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      registers_->setItem(row, kNameColumn, name);
      registers_->setItem(row, kValueColumn, new QTableWidgetItem);
    }
  }
  for (int row = 0; row < registers_->rowCount(); ++row) {
    const VirtualRegister& vtr = vtrs[static_cast<std::size_t>(row)];
    QTableWidgetItem* value = registers_->item(row, kValueColumn);
    const QString text = HexText(vtr.value, vtr.mask);
    if (value->text() != text) value->setText(text);
  }
  const std::vector<MenuEntry*> entries = simulator_.MenuEntries();
  const QList<QAction*> actions = peripheralsMenu_->actions();
  for (qsizetype i = 0; i < actions.size() && i < static_cast<qsizetype>(entries.size()); ++i) {
    actions[i]->setChecked(FindSlotWindow(*entries[static_cast<std::size_t>(i)]) != nullptr);
  }
  refreshing_ = false;
}

void MainWindow::OnRegisterEdited(QTableWidgetItem* item) {
  if (refreshing_ || item->column() != kValueColumn) return;
  const auto& vtrs = simulator_.Vtrs();
  const std::string name = vtrs[static_cast<std::size_t>(item->row())].name;
  const std::optional<uint32_t> value = ParseValue(item->text());
  const std::optional<uintptr_t> handle = simulator_.FindVtr(name);
  if (value && handle) {
    simulator_.EditVtr(*handle, *value);
    notice_->setText(tr("%1 set to %2").arg(QString::fromStdString(name), item->text().trimmed()));
  } else {
    notice_->setText(tr("not a register value: %1 (write 0x1F or 31)").arg(item->text()));
  }
  // The edit shows in the windows at once, as the plug-ins see it.
  simulator_.UpdateWindows();
  RefreshDisplay();
}

void MainWindow::OnStateChanged() {
  state_->setText(QString::fromStdString(driver_.Message()));
  const bool active = driver_.IsActive();
  const bool over = driver_.IsOver();
  runAction_->setEnabled(!active && !over);
  pauseAction_->setEnabled(active);
  stepAction_->setEnabled(!active && !over);
  RefreshDisplay();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  driver_.Pause();
  if (closing_) closing_();
  // Closing the host closes every plug-in window, through its slot.
  simulator_.CloseWindows();
  QMainWindow::closeEvent(event);
}

}  // namespace agsi::host::program

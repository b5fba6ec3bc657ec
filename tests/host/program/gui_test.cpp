// The main window for real: agsi-host's session under a private X server,
// used with mouse and keyboard as a user does.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include <memory>
#include <sstream>

#include "host_session.h"
#include "main_window.h"
#include "script_driver.h"
#include "simulator.h"
#include "window_access.h"
#include "program_run.h"
#include "xvfb_server.h"

namespace agsi::host::program {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<testing::XvfbServer>();
    if (!server_->Running()) GTEST_SKIP() << server_->Error();
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int argc = 1;
    static char name[] = "agsi_host_gui_tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QApplication>(argc, argv);
  }

  void TearDown() override {
    session_.reset();
    application_.reset();
    server_.reset();
  }

  MainWindow& StartSession(const std::vector<std::string>& extra = {},
                           const std::string& script = std::string(EXAMPLES_FOLDER) + "/lcd_hello.lua") {
    std::vector<std::string> arguments = extra;
    arguments.push_back(script);
    auto parsed = ParseOptions(arguments);
    Options options = std::get<Options>(parsed);
    options.display = DisplayMode::kGui;
    session_ = std::make_unique<HostSession>(options, out_, err_);
    EXPECT_EQ(session_->Prepare(), kExitSuccess) << err_.str();
    session_->StartGui();
    return *session_->mainWindow();
  }

  QTableWidgetItem* ValueCell(const char* name) {
    QTableWidget* table = session_->mainWindow()->RegisterTable();
    for (int row = 0; row < table->rowCount(); ++row) {
      if (table->item(row, 0)->text() == QLatin1String(name)) return table->item(row, 1);
    }
    return nullptr;
  }

  // A user's edit: select the value, double click it, type, Enter.
  void TypeIntoRegister(const char* name, const char* value) {
    QTableWidget* table = session_->mainWindow()->RegisterTable();
    QTableWidgetItem* cell = ValueCell(name);
    ASSERT_NE(cell, nullptr) << name;
    const QPoint point = table->visualItemRect(cell).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      editor = table->viewport()->findChild<QLineEdit*>();
      return editor != nullptr && editor->isVisible();
    })) << "no editor for " << name;
    editor->selectAll();
    QTest::keyClicks(editor, QString::fromLatin1(value));
    QTest::keyClick(editor, Qt::Key_Return);
  }

  void EditRegister(const char* name, const char* value) {
    TypeIntoRegister(name, value);
    QTableWidgetItem* cell = ValueCell(name);
    ASSERT_TRUE(QTest::qWaitFor([&] { return cell->text() == QString::fromLatin1(value); }))
        << name << " shows " << cell->text().toStdString();
  }

  std::unique_ptr<testing::XvfbServer> server_;
  std::unique_ptr<QApplication> application_;
  std::unique_ptr<HostSession> session_;
  std::ostringstream out_, err_;
};

QImage Crop(const QImage& image, const QRect& rect) { return image.copy(rect); }

TEST_F(MainWindowTest, OpensAPanelFromThePeripheralsMenuAndEditsARegister) {
  MainWindow& main = StartSession();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return session_->driver().IsOver(); }));
  EXPECT_EQ(session_->driver().CurrentState(), ScriptDriver::State::kFinished) << session_->driver().Message();
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main; }));

  // The Peripherals menu holds both entries, with their mnemonics.
  QMenu* peripherals = main.PeripheralsMenu();
  QStringList texts;
  for (QAction* action : peripherals->actions()) texts << action->text();
  EXPECT_EQ(texts, (QStringList{QStringLiteral("LCD-&Module"), QStringLiteral("&Key/LEDs")}));

  // Open the panel with the mouse, as a user does.
  QMenuBar* bar = main.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(peripherals->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return peripherals->isVisible(); }));
  QAction* panelEntry = peripherals->actions().at(1);
  QTest::mouseClick(peripherals, Qt::LeftButton, {}, peripherals->actionGeometry(panelEntry).center());
  MenuEntry* entry = session_->simulator().FindMenuEntry("Key/LEDs");
  ASSERT_NE(entry, nullptr);
  QWidget* panel = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (panel = FindSlotWindow(*entry)) != nullptr; }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isVisible(); }));
  EXPECT_EQ(panel->parentWidget(), &main) << "the main window owns the plug-in's window";
  ASSERT_TRUE(QTest::qWaitFor([&] { return panelEntry->isChecked(); }));

  // Edit LED0 and LED1 in the table: the panel shows the digits at once.
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main; }));
  EditRegister("LED0", "0x3F");
  EditRegister("LED1", "0x3F");
  EXPECT_EQ(main.findChild<QLabel*>(QStringLiteral("notice"))->text(), QStringLiteral("LED1 set to 0x3F"));
  for (int segment = 0; segment < 6; ++segment) {
    EXPECT_TRUE(IsShown(FindControl(panel, 1200 + segment))) << "segment " << segment;
  }
  EXPECT_FALSE(IsShown(FindControl(panel, 1206))) << "segment g stays dark";
  EXPECT_EQ(session_->simulator().Vtrs()[7].name, "LED0");

  // The LCD's register edit: display off empties the LCD window at once.
  QWidget* lcd = FindSlotWindow(*session_->simulator().FindMenuEntry("LCD-Module"));
  ASSERT_NE(lcd, nullptr);
  EXPECT_NE(ControlText(FindControl(lcd, 1251)).find("Hello, world!"), std::string::npos);
  EditRegister("LCD_STATUS", "0x060F");
  ASSERT_TRUE(QTest::qWaitFor([&] { return ControlText(FindControl(lcd, 1251)).empty(); }));

  // The screen shows the table: the two cells holding 0x3F look alike and
  // differ from the cell holding 0x00; the X server's picture is what the
  // window drew.
  // The plug-ins' windows open over the main window's client area; the user
  // moves them aside to see the table.
  panel->move(main.frameGeometry().right() + 20, 0);
  lcd->move(main.frameGeometry().right() + 20, panel->frameGeometry().bottom() + 20);
  QTableWidget* table = main.RegisterTable();
  table->clearSelection();
  table->setCurrentItem(nullptr);
  table->clearFocus();
  QApplication::processEvents();
  auto cellRect = [&](const char* name) {
    const QRect inViewport = table->visualItemRect(ValueCell(name));
    return QRect(table->viewport()->mapTo(&main, inViewport.topLeft()), inViewport.size()).adjusted(2, 2, -2, -2);
  };
  QImage screen;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    screen = main.screen()->grabWindow(main.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage drawn = main.grab().toImage().convertToFormat(QImage::Format_RGB32);
    return Crop(screen, cellRect("LED0")) == Crop(drawn, cellRect("LED0"));
  })) << "the screen shows what the table drew";
  EXPECT_EQ(screen.size(), main.size());
  EXPECT_EQ(Crop(screen, cellRect("LED0")), Crop(screen, cellRect("LED1")));
  EXPECT_NE(Crop(screen, cellRect("LED0")), Crop(screen, cellRect("LED2")));

  // The clock in the status bar shows the run's cycles.
  auto* clock = main.findChild<QLabel*>(QStringLiteral("clock"));
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(clock->text(), QStringLiteral("cycle %1").arg(session_->simulator().Clock()));
}

TEST_F(MainWindowTest, RunPauseStepAndResetDriveTheScript) {
  MainWindow& main = StartSession();
  ScriptDriver& driver = session_->driver();
  ASSERT_TRUE(QTest::qWaitFor([&] { return driver.IsOver(); }));
  // Reset: the plug-ins are reset and the program starts again, paused.
  QAction* reset = nullptr;
  QAction* step = nullptr;
  QAction* run = nullptr;
  for (QAction* action : main.findChildren<QAction*>()) {
    if (action->text() == QLatin1String("R&eset")) reset = action;
    if (action->text() == QLatin1String("&Step")) step = action;
    if (action->text() == QLatin1String("&Run")) run = action;
  }
  ASSERT_TRUE(reset && step && run);
  reset->trigger();
  EXPECT_EQ(driver.CurrentState(), ScriptDriver::State::kPaused);
  EXPECT_EQ(ValueCell("LCD_STATUS")->text(), QStringLiteral("0x0000"));
  const uint64_t before = session_->simulator().Clock();
  step->trigger();  // the LCD window is open already: the first host call is the chip select write
  EXPECT_EQ(session_->simulator().Clock(), before + kBusAccessCycles);
  run->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return driver.CurrentState() == ScriptDriver::State::kFinished; }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ValueCell("LCD_STATUS")->text() == QStringLiteral("0x070F"); }));
}

TEST_F(MainWindowTest, AProgramThatNeverEndsKeepsTheWindowsLiveUntilPaused) {
  // Firmware's main loop: digit 0 multiplexed with a "1", for ever.
  const std::string script = testing::WriteScript("forever.lua", R"(
    sfr.write("P2", 0x3F); sfr.write("DP2", 0x3F)
    sfr.write("DP8", 0xFF); sfr.write("P8", 0xFF & ~0x06)
    while true do
      sfr.write("P2", 0x3F & ~1)
      sfr.write("P2", 0x3F)
    end
  )");
  MainWindow& main = StartSession({"--open-windows"}, script);
  ScriptDriver& driver = session_->driver();
  QWidget* panel = FindSlotWindow(*session_->simulator().FindMenuEntry("Key/LEDs"));
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(driver.IsActive());
  // Only the host's periodic update brings the digit to the panel.
  ASSERT_TRUE(QTest::qWaitFor([&] { return IsShown(FindControl(panel, 1201)); })) << "digit 0 never showed";
  EXPECT_TRUE(IsShown(FindControl(panel, 1202)));
  EXPECT_FALSE(IsShown(FindControl(panel, 1200)));
  auto* clock = main.findChild<QLabel*>(QStringLiteral("clock"));
  const QString running = clock->text();
  ASSERT_TRUE(QTest::qWaitFor([&] { return clock->text() != running; })) << "the clock display stands still";

  driver.Pause();
  const uint64_t paused = session_->simulator().Clock();
  QTest::qWait(50);  // the event loop turns; a paused program does not
  EXPECT_EQ(session_->simulator().Clock(), paused);
  driver.Run();
  ASSERT_TRUE(QTest::qWaitFor([&] { return session_->simulator().Clock() > paused; }));
}

TEST_F(MainWindowTest, AValueThatIsNoNumberLeavesTheRegisterAsItWas) {
  MainWindow& main = StartSession();
  ASSERT_TRUE(QTest::qWaitFor([&] { return session_->driver().IsOver(); }));
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &main; }));
  QTableWidgetItem* cell = ValueCell("KEY2");
  TypeIntoRegister("KEY2", "zz");
  // The table commits the text after the Enter key; the host says why it
  // took nothing.
  auto* notice = main.findChild<QLabel*>(QStringLiteral("notice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return notice->text() == QStringLiteral("not a register value: zz (write 0x1F or 31)"); }))
      << notice->text().toStdString();
  EXPECT_EQ(cell->text(), QStringLiteral("0x00"));
  EXPECT_EQ(session_->simulator().ReadVtrAsUser(*session_->simulator().FindVtr("KEY2")), 0u);
}

TEST_F(MainWindowTest, OpenWindowsAtTheStartAreOwnedAndClosedWithTheHost) {
  MainWindow& main = StartSession({"--open-windows"});
  MenuEntry* panelEntry = session_->simulator().FindMenuEntry("Key/LEDs");
  MenuEntry* lcdEntry = session_->simulator().FindMenuEntry("LCD-Module");
  QWidget* panel = FindSlotWindow(*panelEntry);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->parentWidget(), &main);
  ASSERT_TRUE(QTest::qWaitFor([&] { return session_->driver().IsOver(); }));
  EXPECT_NE(FindSlotWindow(*lcdEntry), nullptr) << "the script leaves an open LCD window open";
  main.close();
  EXPECT_EQ(panelEntry->slot->window, 0u);
  EXPECT_EQ(lcdEntry->slot->window, 0u);
}

// The program itself on the X server: the main window and both plug-in
// windows open, the script ends the run, the pictures show them.
TEST(GuiProgram, RunsOnADisplayAndLeavesScreenshotsOfItsWindows) {
  testing::XvfbServer server;
  if (!server.Running()) GTEST_SKIP() << server.Error();
  const std::string folder = testing::MakeFolder("shots");
  const std::string script = testing::WriteScript("gui.lua", R"(
    dofile(arg[1])
    expect(window("Key/LEDs") ~= nil, "panel open")
    quit()
  )");
  const testing::ProgramRun run = testing::RunAgsiHostOnDisplay(
      {"--gui", "--open-windows", "--screenshot", folder, script, std::string(EXAMPLES_FOLDER) + "/lcd_hello.lua"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("LCD ready after"), std::string::npos) << run.out;
  const QImage main(QString::fromStdString(folder + "/agsi-host.png"));
  const QImage lcd(QString::fromStdString(folder + "/LCD-Module.png"));
  const QImage panel(QString::fromStdString(folder + "/Key-LEDs.png"));
  ASSERT_FALSE(main.isNull() || lcd.isNull() || panel.isNull()) << "screenshots in " << folder;
  EXPECT_GT(main.width(), panel.width() / 2);
  EXPECT_GT(lcd.width(), 50);
  // The LCD's text field shows dark text on a light field: both kinds of
  // pixels are there.
  int dark = 0;
  int light = 0;
  for (int y = 0; y < lcd.height(); ++y) {
    for (int x = 0; x < lcd.width(); ++x) {
      const int level = qGray(lcd.pixel(x, y));
      dark += level < 80 ? 1 : 0;
      light += level > 200 ? 1 : 0;
    }
  }
  EXPECT_GT(dark, 20);
  EXPECT_GT(light, 200);
}

}  // namespace
}  // namespace agsi::host::program

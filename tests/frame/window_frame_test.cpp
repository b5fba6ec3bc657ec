// The frame of Glyphpane's window: opening and closing through the menu
// entry and the slot, the saved position, Enter and Escape, focus hand-off.
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <ostream>
#include <string>

#include "eventually.h"
#include "window_harness.h"

namespace agsi::testing {
namespace {

// The host program's main window, which owns the plug-in's window.
class HostWindowFrame : public GlyphpaneWindow {
 public:
  void SetUp() override {
    GlyphpaneWindow::SetUp();
    owner.setWindowTitle("host");
    owner.setGeometry(200, 150, 640, 480);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  }

  // Where the platform puts a new window: its outer top-left corner at the
  // top-left corner of the owner's client area.
  QPoint NewWindowPlace() const { return owner.mapToGlobal(QPoint(0, 0)); }
  QPoint OuterTopLeft() const { return Window()->frameGeometry().topLeft(); }

  void PressKeyOnDisplay(Qt::Key key) { QTest::keyClick(Display(), key); }

  // The user's click on the close box: the platform's close request.
  void ClickCloseBox() { Window()->windowHandle()->close(); }

  // Moves the open window by the platform, as a user drags it.
  void DragTo(int left, int top) {
    Window()->move(left, top);
    EXPECT_EVENTUALLY_EQ(OuterTopLeft(), QPoint(left, top), 5000);
  }

  QWidget owner;
};

TEST_F(HostWindowFrame, MenuEntryOpensTheWindowAndClosesItAgain) {
  slot->openFlag = 1;  // the host's own use of the flag
  SelectMenuEntry();
  ASSERT_NE(slot->window, 0u) << "the slot must hold the open window's handle";
  QDialog* window = Window();
  ASSERT_NE(window, nullptr) << "the slot's handle must be the window's native handle";
  EXPECT_EQ(window->windowTitle(), "LCD-Modul");
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(window->parentWidget(), &owner) << "owned by the window active when it opened";

  SelectMenuEntry();
  EXPECT_EQ(slot->window, 0u);
  EXPECT_EQ(slot->openFlag, 0u);
  EXPECT_FALSE(window->isVisible());

  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SelectMenuEntry();
  EXPECT_NE(slot->window, 0u) << "a third selection opens a new window";
}

TEST_F(HostWindowFrame, FirstOpeningKeepsThePlacementOfANewWindow) {
  ASSERT_EQ(slot->rect.left, -1);
  SelectMenuEntry();
  EXPECT_EVENTUALLY_EQ(OuterTopLeft(), NewWindowPlace(), 5000);
}

// The user's two ways of closing the window; both save the outer rectangle
// and leave openFlag to the host.
struct UserClose {
  const char* name;
  void (*close)(HostWindowFrame& frame);
};

class UserClosesTheWindow : public HostWindowFrame, public ::testing::WithParamInterface<UserClose> {};

TEST_P(UserClosesTheWindow, SavesTheOuterRectangleAndReopensThere) {
  slot->openFlag = 1;
  SelectMenuEntry();
  DragTo(100, 50);
  QDialog* window = Window();
  const QRect outer = window->frameGeometry();

  GetParam().close(*this);

  EXPECT_EQ(slot->window, 0u);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(slot->openFlag, 1u) << "the window's own close leaves the flag to the host";
  EXPECT_EQ(slot->rect.left, 100);
  EXPECT_EQ(slot->rect.top, 50);
  EXPECT_EQ(slot->rect.right, 100 + outer.width());
  EXPECT_EQ(slot->rect.bottom, 50 + outer.height());

  SelectMenuEntry();
  EXPECT_EVENTUALLY_EQ(OuterTopLeft(), QPoint(100, 50), 5000);
}

const UserClose kUserCloses[] = {
    {"CloseBox", [](HostWindowFrame& frame) { frame.ClickCloseBox(); }},
    {"Escape", [](HostWindowFrame& frame) { frame.PressKeyOnDisplay(Qt::Key_Escape); }},
};

void PrintTo(const UserClose& close, std::ostream* out) { *out << close.name; }

std::string CloseName(const ::testing::TestParamInfo<UserClose>& close) { return close.param.name; }

INSTANTIATE_TEST_SUITE_P(Frame, UserClosesTheWindow, ::testing::ValuesIn(kUserCloses), CloseName);

TEST_F(HostWindowFrame, EnterChangesNothing) {
  SelectMenuEntry();
  DragTo(90, 60);
  const uintptr_t handle = slot->window;
  const SlotRect savedBefore = slot->rect;
  const QByteArray textBefore = DisplayText();

  PressKeyOnDisplay(Qt::Key_Return);
  PressKeyOnDisplay(Qt::Key_Enter);
  QTest::keyClick(Window(), Qt::Key_Return);

  EXPECT_EQ(slot->window, handle);
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(slot->rect.left, savedBefore.left);
  EXPECT_EQ(slot->rect.top, savedBefore.top);
  EXPECT_EQ(DisplayText(), textBefore);
}

TEST_F(HostWindowFrame, LeftEdgeAtMinusOneCountsAsNotSaved) {
  SelectMenuEntry();
  DragTo(-1, 40);
  ClickCloseBox();
  ASSERT_EQ(slot->rect.left, -1);
  ASSERT_EQ(slot->rect.top, 40);

  SelectMenuEntry();
  EXPECT_EVENTUALLY_EQ(OuterTopLeft(), NewWindowPlace(), 5000);
}

TEST_F(HostWindowFrame, HostCloseSavesTheRectangleAndEndsTheWindow) {
  slot->openFlag = 1;
  SelectMenuEntry();
  DragTo(110, 80);
  const uintptr_t handle = slot->window;

  slot->close(slot);

  EXPECT_EQ(slot->openFlag, 0u);
  EXPECT_EQ(slot->window, 0u);
  EXPECT_EQ(slot->rect.left, 110);
  EXPECT_EQ(slot->rect.top, 80);
  // No window object is left: an update reaches nothing.
  slot->update();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(QWidget::find(handle), nullptr) << "the dialog deletes itself once its window is gone";
  // A second close changes nothing, not even the flag.
  slot->openFlag = 1;
  slot->close(slot);
  EXPECT_EQ(slot->openFlag, 1u);
}

TEST_F(HostWindowFrame, ActivationIsReportedWithTheWindowsHandle) {
  SelectMenuEntry();
  const uintptr_t handle = slot->window;
  Window()->activateWindow();
  EXPECT_EVENTUALLY_EQ(sim.Focus(), handle, 5000);

  owner.activateWindow();
  EXPECT_EVENTUALLY_EQ(sim.Focus(), uintptr_t{0}, 5000);

  Window()->activateWindow();
  EXPECT_EVENTUALLY_EQ(sim.Focus(), handle, 5000);
}

TEST_F(HostWindowFrame, ClosingTheActiveWindowTellsTheHostNoneIsActive) {
  SelectMenuEntry();
  Window()->activateWindow();
  EXPECT_EVENTUALLY_EQ(sim.Focus(), slot->window, 5000);
  SelectMenuEntry();
  EXPECT_EQ(sim.Focus(), uintptr_t{0});
}

TEST_F(HostWindowFrame, UpdateAndCloseWithoutAWindowDoNothing) {
  slot->openFlag = 1;
  slot->update();
  slot->close(slot);
  EXPECT_EQ(slot->window, 0u);
  EXPECT_EQ(slot->openFlag, 1u);
  EXPECT_EQ(slot->rect.left, -1);
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 1) << "only the host's window exists";
}

TEST_F(HostWindowFrame, ResetLeavesTheWindowAndTheSlotAlone) {
  SelectMenuEntry();
  const uintptr_t handle = slot->window;
  sim.ResetAll();
  EXPECT_EQ(slot->window, handle);
  EXPECT_TRUE(Window()->isVisible());
}

TEST_F(GlyphpaneWindow, WindowObjectGoesWithItsOwner) {
  auto* owner = new QWidget;
  owner->show();
  owner->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(owner));
  SelectMenuEntry();
  const uintptr_t handle = slot->window;
  ASSERT_EQ(Window()->parentWidget(), owner);

  delete owner;

  EXPECT_EQ(QWidget::find(handle), nullptr);
  slot->update();  // no window object is left to reach
  SelectMenuEntry();
  EXPECT_EQ(slot->window, 0u) << "the slot's stale handle is taken as an open window and closed";
  SelectMenuEntry();
  EXPECT_NE(slot->window, 0u);
}

TEST_F(GlyphpaneWindow, WindowWithoutOwnerIsCentredOnTheScreen) {
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  SelectMenuEntry();
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->parentWidget(), nullptr);
  const QPoint centre = Window()->geometry().center();
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((centre - screenCentre).manhattanLength(), 4);
}

}  // namespace
}  // namespace agsi::testing

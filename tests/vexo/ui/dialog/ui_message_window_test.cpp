// The window-message layer: posts from workers in order on the window thread, sends across
// threads and on the same thread, dead handles, dropped posts, timers, and the hit test on the
// recorded message position.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/shell/tray_icon.h"
#include "vexo/ui/render/icon.h"
#include "vexo/ui/dialog/message_pos.h"
#include "vexo/ui/dialog/message_window.h"
#include "vexo/ui/shell/tray_shell.h"
#include "vexo/ui/dialog/window_functions.h"
#include "vexo/ui/dialog/window_messages.h"

namespace {

constexpr unsigned kValue = vexo_msg::WM_USER + 1;
constexpr unsigned kDouble = vexo_msg::WM_USER + 2;
constexpr unsigned kNested = vexo_msg::WM_USER + 3;
constexpr unsigned kDetach = vexo_msg::WM_USER + 4;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ui_message_window_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Runs the event loop until `done` holds or `ms` pass.
template <class Done>
bool PumpUntil(Done done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class Window : public VEXO_MessageWindow {
 public:
  ~Window() override { DetachMessages(); }

  ds::LResult WindowProc(unsigned message, ds::WParam wparam, ds::LParam lparam) override {
    threads.push_back(std::this_thread::get_id());
    switch (message) {
      case kValue:
        values.push_back(static_cast<int>(wparam));
        return 1;
      case kDouble:
        return static_cast<ds::LResult>(wparam) * 2;
      case kNested:  // a send from inside a handler is handled at once
        return SendMessage(kDouble, wparam, 0) + 1;
      case kDetach:
        DetachMessages();
        return 5;
      case vexo_msg::WM_TIMER:
        ticks.push_back(static_cast<unsigned>(wparam));
        if (kill_after_ticks > 0 && static_cast<int>(ticks.size()) >= kill_after_ticks)
          KillTimer(static_cast<unsigned>(wparam));
        return 0;
      default:
        (void)lparam;
        return 0;
    }
  }

  std::vector<int> values;
  std::vector<unsigned> ticks;
  std::vector<std::thread::id> threads;
  int kill_after_ticks = 0;
};

class MessageWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }
};

TEST_F(MessageWindowTest, PostsFromWorkersArriveInOrderOnTheWindowThread) {
  Window window;
  const ds::MsgHandle handle = window.GetHandle();
  ASSERT_NE(handle, 0);
  constexpr int kCount = 2000;
  std::thread worker([handle] {
    for (int i = 0; i < kCount; ++i) ds::PostMessageTo(handle, kValue, static_cast<ds::WParam>(i), 0);
  });
  worker.join();
  EXPECT_TRUE(window.values.empty());  // queued, not handled on the worker
  ASSERT_TRUE(PumpUntil([&] { return window.values.size() == kCount; }));
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(window.values[static_cast<std::size_t>(i)], i);
  for (auto id : window.threads) ASSERT_EQ(id, std::this_thread::get_id());
}

TEST_F(MessageWindowTest, SendsWaitForTheWindowThreadAndReturnItsResult) {
  Window window;
  const ds::MsgHandle handle = window.GetHandle();
  std::atomic<ds::LResult> result{-1};
  std::thread worker([&] { result = ds::SendMessageTo(handle, kDouble, 21, 0); });
  ASSERT_TRUE(PumpUntil([&] { return result.load() != -1; }));
  worker.join();
  EXPECT_EQ(result.load(), 42);
  ASSERT_EQ(window.threads.size(), 1u);
  EXPECT_EQ(window.threads[0], std::this_thread::get_id());

  // On the window's own thread a send is a direct, re-entrant call.
  EXPECT_EQ(window.SendMessage(kNested, 5), 11);
  EXPECT_EQ(ds::SendMessageTo(handle, kDouble, 4, 0), 8);
}

TEST_F(MessageWindowTest, GoneWindowsTakeNothing) {
  auto* window = new Window;
  const ds::MsgHandle handle = window->GetHandle();
  EXPECT_EQ(window->PostMessage(kValue, 1), 1);
  EXPECT_EQ(ds::PostMessageTo(handle, kValue, 2, 0), 1);
  delete window;
  // The queued posts went with the window; nothing is delivered to freed memory.
  QCoreApplication::processEvents();
  EXPECT_FALSE(ds::IsMessageTarget(handle));
  EXPECT_EQ(ds::PostMessageTo(handle, kValue, 3, 0), 0);
  EXPECT_EQ(ds::SendMessageTo(handle, kDouble, 3, 0), 0);
}

TEST_F(MessageWindowTest, WaitingSenderIsReleasedWhenTheWindowGoes) {
  auto* window = new Window;
  const ds::MsgHandle handle = window->GetHandle();
  std::atomic<bool> returned{false};
  std::atomic<ds::LResult> result{-1};
  std::thread worker([&] {
    result = ds::SendMessageTo(handle, kDouble, 50, 0);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned.load());  // the window thread has not handled it
  delete window;
  worker.join();
  EXPECT_EQ(result.load(), 0);
}

TEST_F(MessageWindowTest, HandlerMayDetachItsOwnWindow) {
  Window window;
  const ds::MsgHandle handle = window.GetHandle();
  window.PostMessage(kDetach);
  window.PostMessage(kValue, 9);  // dropped by the detach
  ASSERT_TRUE(PumpUntil([&] { return !ds::IsMessageTarget(handle); }));
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.values.empty());
  EXPECT_EQ(window.PostMessage(kValue, 1), 0);
  EXPECT_EQ(window.SetTimer(1, 10), 0);
}

TEST_F(MessageWindowTest, TimersTickByIdRestartAndStop) {
  Window window;
  EXPECT_EQ(window.SetTimer(105, 5), 1);
  EXPECT_EQ(window.SetTimer(105, 5), 1);  // restarts the same timer, not a second one
  EXPECT_TRUE(window.HasTimer(105));
  window.kill_after_ticks = 3;
  ASSERT_TRUE(PumpUntil([&] { return window.ticks.size() >= 3; }));
  EXPECT_FALSE(window.HasTimer(105));
  // Stopped from its handler: no more ticks.
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < 60) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(window.ticks.size(), 3u);
  for (unsigned id : window.ticks) EXPECT_EQ(id, 105u);
  EXPECT_EQ(window.KillTimer(105), 0);
  EXPECT_EQ(window.SetTimer(1, -1), 0);

  // Timers keep firing inside a nested event loop.
  window.ticks.clear();
  window.kill_after_ticks = 0;
  window.SetTimer(7, 5);
  QEventLoop nested;
  QTimer::singleShot(80, &nested, &QEventLoop::quit);
  nested.exec();
  EXPECT_GE(window.ticks.size(), 3u);
  EXPECT_EQ(window.KillTimer(7), 1);
}

TEST_F(MessageWindowTest, PointIsInRectUsesTheRecordedPositionWithEdgesIncluded) {
  QWidget widget;
  widget.setGeometry(100, 100, 200, 100);
  widget.show();
  const QRect rects[] = {QRect(0, 0, 10, 10), QRect(20, 0, 10, 20)};
  int index = -1;
  VEXO_SetMessagePos(widget.mapToGlobal(QPoint(30, 20)));  // right and bottom edge of the second
  EXPECT_TRUE(VEXO_PointIsInRect(&widget, rects, &index, 2));
  EXPECT_EQ(index, 1);
  VEXO_SetMessagePos(widget.mapToGlobal(QPoint(10, 0)));  // both the first's edge and nothing else
  EXPECT_TRUE(VEXO_PointIsInRect(&widget, rects, nullptr, 2));
  VEXO_SetMessagePos(widget.mapToGlobal(QPoint(31, 5)));
  EXPECT_FALSE(VEXO_PointIsInRect(&widget, rects, &index, 2));
  VEXO_SetMessagePos(widget.mapToGlobal(QPoint(5, 5)));
  EXPECT_FALSE(VEXO_PointIsInRect(&widget, rects, &index, 0));
  VEXO_ClearMessagePos();
}

// A widget and a window that note the message position while they handle a press and a tick.
class PressRecorder : public QWidget {
 public:
  QPoint during_press;
 protected:
  void mousePressEvent(QMouseEvent*) override { during_press = VEXO_GetMessagePos(); }
};

class TickRecorder : public VEXO_MessageWindow {
 public:
  ~TickRecorder() override { DetachMessages(); }
  void OnTimer(unsigned id) override {
    during_tick.push_back(VEXO_GetMessagePos());
    KillTimer(id);
  }
  std::vector<QPoint> during_tick;
};

// The position of a mouse event holds while that event is handled; a timer checking what lies under
// the mouse afterwards sees where the cursor is now, not where the last press was.
TEST_F(MessageWindowTest, MessagePosLastsOnlyWhileItsEventIsHandled) {
  PressRecorder widget;
  widget.setGeometry(100, 100, 200, 100);
  widget.show();
  TickRecorder window;
  QCursor::setPos(QPoint(7, 9));
  const QPoint cursor = QCursor::pos();
  QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(50, 40));
  EXPECT_EQ(widget.during_press, widget.mapToGlobal(QPoint(50, 40)));
  ASSERT_NE(widget.during_press, cursor);
  QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(50, 40));
  window.SetTimer(3, 1);
  ASSERT_TRUE(PumpUntil([&] { return !window.during_tick.empty(); }));
  EXPECT_EQ(window.during_tick[0], cursor);
  EXPECT_EQ(VEXO_GetMessagePos(), cursor);
}

TEST_F(MessageWindowTest, InputMethodIsSwitchedOffAndBackOn) {
  QLineEdit edit;
  ASSERT_TRUE(edit.testAttribute(Qt::WA_InputMethodEnabled));
  int context = 0;
  VEXO_DisableIME(context, &edit);
  EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_NE(context, 0);
  VEXO_EnableIME(context, &edit);
  EXPECT_TRUE(edit.testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_EQ(context, 0);

  // A widget without an input method is not given one.
  QWidget plain;
  plain.setAttribute(Qt::WA_InputMethodEnabled, false);
  VEXO_DisableIME(context, &plain);
  EXPECT_EQ(context, 0);
  VEXO_EnableIME(context, &plain);
  EXPECT_FALSE(plain.testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(MessageWindowTest, TrayIconWithoutATrayHostIsNotAdded) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "a tray host is present";
  // Without a host the window must know the icon is not there (it minimises instead).
  Window window;
  VEXO_TrayShell shell;
  ds::SetTrayShell(&shell);
  VEXO_Icon icon;
  {
    ds::TrayIcon tray;
    EXPECT_EQ(tray.Init(130, &icon, "tip", window.GetHandle(), vexo_msg::WM_USER + 13), 0);
    EXPECT_FALSE(tray.IsAdded());
    EXPECT_EQ(shell.Find(window.GetHandle(), 130), nullptr);
  }
  ds::SetTrayShell(nullptr);
}

}  // namespace

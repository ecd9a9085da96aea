// The busy cursor and timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>

#include "UiTestSupport.h"
#include "host/ui/Application.h"
#include "ui/DialogWindow.h"

namespace {

TEST(Cursor, TheWatchIsShownWhileAWaitCursorLivesAndOneArrowUndoesIt) {
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  {
    WaitCursor busy;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(SetWatchCursor());  // not a stack
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(host::ui::IsWatchCursorShown());
}

// Runs the event loop until the condition holds or the time has passed.
template <typename F>
bool WaitFor(F done, int ms = 2000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST(TimerTest, FiresOnceOrRepeatedlyUntilStopped) {
  int once = 0, repeated = 0;
  host::ui::Timer single([&] { ++once; });
  host::ui::Timer repeating([&] { ++repeated; });
  EXPECT_TRUE(single.Start(5, 0));
  EXPECT_TRUE(repeating.Start(5, 5));
  EXPECT_TRUE(WaitFor([&] { return once == 1 && repeated >= 3; }));
  repeating.Stop();
  EXPECT_FALSE(repeating.IsRunning());
  EXPECT_FALSE(single.IsRunning());
  const int stoppedAt = repeated;
  WaitFor([] { return false; }, 60);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(repeated, stoppedAt);
  EXPECT_FALSE(single.Start(-1, 0));
}

}  // namespace

#include "host/web/ScreenSaverInput.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace {

using host::web::ScreenSaverInput;

class ScreenSaverInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_hostweb";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
};

struct Step {
  enum Kind { kKey, kClick, kMove } kind;
  double x = 0, y = 0;  // where the pointer is, for moves
};

std::unique_ptr<QEvent> MakeEvent(const Step& step) {
  switch (step.kind) {
    case Step::kKey: return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    case Step::kClick:
      return std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                                           Qt::LeftButton, Qt::NoModifier);
    case Step::kMove:
      return std::make_unique<QMouseEvent>(QEvent::MouseMove, QPointF(step.x, step.y), QPointF(step.x, step.y),
                                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  }
  return nullptr;
}

TEST_F(ScreenSaverInputTest, TheInputTheSettingsNameEndsTheSaverOnce) {
  using Exits = ScreenSaverInput::Exits;
  struct Case {
    const char* what;
    Exits exits;
    std::vector<Step> steps;
    int endsAt;  // index of the step that ends the saver, -1 for none
  };
  const Exits all{true, true, true};
  const std::vector<Case> cases = {
      {"a key", all, {{Step::kKey}}, 0},
      {"a click", all, {{Step::kClick}}, 0},
      {"small moves", all, {{Step::kMove, 100, 100}, {Step::kMove, 108, 92}, {Step::kMove, 95, 107}}, -1},
      {"a move beyond the threshold",
       all,
       {{Step::kMove, 100, 100}, {Step::kMove, 104, 100}, {Step::kMove, 100, 109}},
       2},
      {"the first move alone", all, {{Step::kMove, 500, 500}}, -1},
      {"keys don't end it", Exits{true, true, false}, {{Step::kKey}, {Step::kMove, 0, 0}, {Step::kClick}}, 2},
      {"clicks don't end it", Exits{true, false, true}, {{Step::kClick}, {Step::kKey}}, 1},
      {"moves don't end it", Exits{false, true, true}, {{Step::kMove, 0, 0}, {Step::kMove, 300, 300}, {Step::kKey}}, 2},
      {"nothing ends it", Exits{false, false, false}, {{Step::kKey}, {Step::kClick}, {Step::kMove, 0, 0}}, -1},
  };
  QWidget widget;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int ends = 0;
    ScreenSaverInput input(c.exits, [&ends] { ++ends; });
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const auto event = MakeEvent(c.steps[i]);
      const bool swallowed = input.eventFilter(&widget, event.get());
      const bool ended = c.endsAt >= 0 && static_cast<int>(i) >= c.endsAt;
      EXPECT_EQ(input.Ended(), ended) << "step " << i;
      EXPECT_EQ(swallowed, ended) << "step " << i;  // the ending input goes no further
    }
    EXPECT_EQ(ends, c.endsAt >= 0 ? 1 : 0);
  }
}

TEST_F(ScreenSaverInputTest, WatchesEveryObjectOfTheApplication) {
  int ends = 0;
  ScreenSaverInput input(ScreenSaverInput::Exits{}, [&ends] { ++ends; });
  qApp->installEventFilter(&input);
  QWidget widget;
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &key);
  qApp->removeEventFilter(&input);
  EXPECT_EQ(ends, 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/ui/Event.h"
#include "publish/SwfPreviewWindow.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "ui/NibReference.h"

namespace {

class SwfPreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.Native("calls.log");
    ::setenv("PLENWICK_TEST_PLUGIN_LOG", log_.c_str(), 1);
    SetPreviewPluginPathForTesting(PLENWICK_TEST_PLUGIN);
    // The bundle's own interface file.
    ASSERT_TRUE(nib_.Open(std::string(PLENWICK_TEST_DATA_DIR) + "/../../resources/interface"));
    ASSERT_TRUE(window_.Create(nib_, nullptr)) << nib_.LastError();
  }
  void TearDown() override {
    SetPreviewPluginPathForTesting({});
    ::unsetenv("PLENWICK_TEST_PLUGIN_LOG");
  }
  std::vector<std::string> Calls() {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::remove(log_.c_str());
    return lines;
  }
  projecttest::ScratchDir dir_;
  std::string log_;
  NibReference nib_;
  SwfPreviewWindow window_;
};

TEST_F(SwfPreviewWindowTest, ShrinkingPassesOneMoreLineOnAndGrowingPassesTheSize) {
  EXPECT_FALSE(window_.IsVisible());
  ASSERT_EQ(window_.Offscreen().size(), QSize(100, 100));
  const struct {
    const char* label;
    int fromWidth, fromHeight, width, height;
    int expectedWidth, expectedHeight;
  } cases[] = {
      {"both shrink", 400, 300, 300, 300, 300, 301},
      {"both grow", 400, 300, 500, 400, 500, 400},
      {"only the width shrinks", 400, 300, 350, 320, 350, 321},
      {"only the height shrinks", 400, 300, 420, 250, 420, 251},
      {"unchanged", 400, 300, 400, 300, 400, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    window_.Player().SetWindowRect(0, 0, c.fromHeight, c.fromWidth);
    window_.OnSize(c.width, c.height);
    int w = 0, h = 0;
    window_.Player().GetWindowSize(w, h);
    EXPECT_EQ(w, c.expectedWidth);
    EXPECT_EQ(h, c.expectedHeight);
    ASSERT_TRUE(window_.GetSize(&w, &h));
    EXPECT_EQ(w, c.expectedWidth);
    EXPECT_EQ(h, c.expectedHeight);
  }
}

TEST_F(SwfPreviewWindowTest, ClosingOnlyHidesAndEventsReachOnlyAnInstance) {
  window_.Show(true);
  UiEvent down;
  down.eventClass = host::ui::kClassMouse;
  down.kind = host::ui::kMouseDown;
  down.x = 12;
  down.y = 34;
  EXPECT_FALSE(window_.PreTranslateEvent(down));
  window_.OnTimer();
  EXPECT_TRUE(Calls().empty());  // no instance: nothing reaches a plug-in

  ASSERT_TRUE(window_.Player().LoadPlugin());
  Calls();
  UiEvent moved = down;
  moved.kind = host::ui::kMouseMoved;
  EXPECT_FALSE(window_.PreTranslateEvent(down));
  EXPECT_FALSE(window_.PreTranslateEvent(moved));
  EXPECT_EQ(Calls(), std::vector<std::string>({"event 1", "event 0"}));
  const PlnEvent converted = ToPluginEvent(down);
  EXPECT_EQ(converted.whereH, 12);
  EXPECT_EQ(converted.whereV, 34);

  EXPECT_TRUE(window_.OnClose());
  EXPECT_FALSE(window_.IsVisible());
  EXPECT_TRUE(window_.Player().HasInstance());
  EXPECT_EQ(window_.Offscreen().size(), QSize(100, 100));
  EXPECT_TRUE(Calls().empty());
}

}  // namespace

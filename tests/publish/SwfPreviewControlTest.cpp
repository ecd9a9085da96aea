#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/ui/Alert.h"
#include "host/ui/Control.h"
#include "platform/WideString.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderDisplay.h"
#include "publish/SwfPreviewControl.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/ShownColours.h"
#include "ui/DialogWindow.h"
#include "ui/NibReference.h"

namespace {

constexpr uint32_t kPreviewSignature = 0x75507276;  // 'uPrv'

class PreviewWindow : public DialogWindow {
 public:
  bool OnInitDialog() override { return true; }
};

class SwfPreviewControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.Native("calls.log");
    ::setenv("PLENWICK_TEST_PLUGIN_LOG", log_.c_str(), 1);
    ::unsetenv("PLENWICK_TEST_PLUGIN_FAIL");
    SetPreviewPluginPathForTesting(PLENWICK_TEST_PLUGIN);
    host::ui::SetAlertResponder([](const host::ui::AlertSpec&, host::ui::Window*) { return 1; });
    std::string bytes = "FWS";
    bytes.resize(40, 'x');
    std::ofstream(dir_.Native("movie.swf"), std::ios::binary) << bytes;
    ASSERT_TRUE(nib_.Open(std::string(PLENWICK_TEST_DATA_DIR) + "/ui"));
    ASSERT_TRUE(window_.CreateModeless(nib_, L"IDD_PREVIEW_TEST", nullptr, 7)) << nib_.LastError();
    window_.Show(true);
  }
  void TearDown() override {
    host::ui::SetAlertResponder({});
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
  static bool AllBlack(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, y) & 0xFFFFFF) != 0) return false;
      }
    }
    return true;
  }

  projecttest::ScratchDir dir_;
  std::string log_;
  NibReference nib_;
  PreviewWindow window_;
};

TEST_F(SwfPreviewControlTest, PlaysIntoItsOffscreenAndShowsItOnlyWhileVisible) {
  SwfPreviewControl control;
  ASSERT_TRUE(control.Attach(kPreviewSignature, window_.GetWindowRef(), 1));
  ASSERT_EQ(control.Offscreen().size(), QSize(160, 120));
  EXPECT_TRUE(AllBlack(control.Offscreen()));

  ASSERT_TRUE(control.LoadMovie(dir_.Path("movie.swf")));
  EXPECT_TRUE(control.IsTicking());
  std::vector<std::string> calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "setwindow 160x120 clip 0,0,120,160 port"), calls.end());
  EXPECT_EQ(calls.back(), "event 0");  // the first tick comes at once
  EXPECT_FALSE(AllBlack(control.Offscreen()));
  // What the window shows is what the plug-in drew.
  QWidget* pane = control.GetControlRef()->Widget();
  const QImage shown = pane->grab().toImage();
  EXPECT_EQ(shown.pixel(80, 60) & 0xFFFFFF, control.Offscreen().pixel(80, 60) & 0xFFFFFF);

  // Hidden, the ticks send nothing and the picture stays.
  const QImage before = control.Offscreen().copy();
  control.Hide();
  control.OnTimer();
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(control.Offscreen(), before);
  control.Show(true);
  control.OnTimer();
  EXPECT_EQ(Calls(), std::vector<std::string>({"event 0"}));
  EXPECT_NE(control.Offscreen(), before);

  // Clear stops the ticks and shows black; the instance stays, its window now of no size, so
  // that a plug-in showing the movie in a view of its own stops showing it.
  control.Clear();
  EXPECT_FALSE(control.IsTicking());
  EXPECT_TRUE(AllBlack(control.Offscreen()));
  EXPECT_EQ(Calls(), std::vector<std::string>({"setwindow 0x0 clip 0,0,0,0 port"}));
  EXPECT_TRUE(control.Player().HasInstance());
}

TEST_F(SwfPreviewControlTest, AFailedLoadStartsNoTicksAndALiveInstanceGoesWithTheControl) {
  {
    SwfPreviewControl control;
    ASSERT_TRUE(control.Attach(kPreviewSignature, window_.GetWindowRef(), 1));
    ::setenv("PLENWICK_TEST_PLUGIN_FAIL", "newstream", 1);
    EXPECT_FALSE(control.LoadMovie(dir_.Path("movie.swf")));
    EXPECT_FALSE(control.IsTicking());
    ::unsetenv("PLENWICK_TEST_PLUGIN_FAIL");
    ASSERT_TRUE(control.LoadMovie(dir_.Path("movie.swf")));
    Calls();
  }
  EXPECT_EQ(Calls(), std::vector<std::string>({"destroy", "shutdown"}));
  SwfPreviewControl unattached;
  EXPECT_FALSE(unattached.LoadMovie(dir_.Path("movie.swf")));
}

// With the bundle's plug-in, Ruffle plays the display-only preview of a bar in the control.
TEST_F(SwfPreviewControlTest, TheBundlesPlugInShowsADisplayOnlyPreview) {
  SetPreviewPluginPathForTesting({});
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 1);
  PreloaderData project;
  project.SetPreviewMode(true, true);
  PreloaderDisplay* display = displaytest::ShowDisplay(project, displaytest::Shipped("Bars/classic-bar.swf"));
  ASSERT_NE(display, nullptr);
  ASSERT_TRUE(display->SetWidth(120));
  ASSERT_TRUE(display->SetHeight(40));
  auto* pair = dynamic_cast<ColorPairDisplay*>(display);
  ASSERT_NE(pair, nullptr);
  pair->SetFgColor(0x00A5FF);  // 0x00BBGGRR
  pair->SetBgColor(0x8B0000);
  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(dir_.Path("loadem.swf"), project, true)) << builder.GetError();

  SwfPreviewControl control;
  ASSERT_TRUE(control.Attach(kPreviewSignature, window_.GetWindowRef(), 1));
  QWidget* pane = control.GetControlRef()->Widget();
  ASSERT_TRUE(control.LoadMovie(dir_.Path("loadem.swf")));
  // The page starts in the background: wait (pumping events) until the pane shows the bar's
  // track or the bar in the colours chosen.
  const bool shown = testsupport::WaitUntilShowing(pane, {0xFFA500, 0x00008B}, 60000);
  EXPECT_TRUE(shown) << "the display never showed";
}

}  // namespace

#include "app/PictureWindows.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include "host/ui/Application.h"
#include "host/ui/Window.h"
#include "tests/app/AppTestSupport.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

TEST(PictureWindows, TheVersionLineHasThreeDigitsOfMinor) {
  EXPECT_EQ(FormatVersionLine(1, 210), L"Version 1.210");
  EXPECT_EQ(FormatVersionLine(1, 5), L"Version 1.005");
  EXPECT_EQ(FormatVersionLine(2, 0), L"Version 2.000");
}

SplashInfo StartUpSplash(const wchar_t* pictureFile) {
  SplashInfo info;
  info.versionMajor = 1;
  info.versionMinor = 210;
  info.statusX = 40;
  info.statusY = 190;
  info.pictureFile = pictureFile;
  return info;
}

QImage Grab(const DialogWindow& window) {
  host::ui::ProcessPendingEvents();
  return window.GetWindowRef()->Widget()->grab().toImage();
}

// A picture file that is missing gives way to the picture of the bundle's resource file.
TEST(PictureWindows, TheSplashShowsTheResourcePictureWhenTheFileIsMissing) {
  SplashWindow splash(StartUpSplash(L"no-such-picture.png"));
  EXPECT_EQ(GetSplashWindow(), &splash);
  ASSERT_TRUE(splash.CreateModeless(GetMainNib(), L"IDD_SPLASH", nullptr, 0));
  ASSERT_TRUE(splash.HasPicture());
  EXPECT_EQ(splash.Picture()->Width(), 400);
  EXPECT_EQ(splash.Picture()->Height(), 240);
  splash.Destroy();
}

// A status shorter than the one before leaves no trace of it: the picture is drawn again
// under each status.
TEST(PictureWindows, AShortStatusLeavesNoTraceOfALongerOne) {
  QImage after;
  {
    SplashWindow splash(StartUpSplash(L""));
    ASSERT_TRUE(splash.CreateModeless(GetMainNib(), L"IDD_SPLASH", nullptr, 0));
    splash.Show(true);
    const QImage plain = Grab(splash);
    splash.ShowStatus(L"Loading a display with a rather long name, really quite long");
    const QImage longer = Grab(splash);
    EXPECT_NE(longer, plain) << "the status was not drawn";
    splash.ShowStatus(L"Bar");
    after = Grab(splash);
    splash.Destroy();
  }
  EXPECT_EQ(GetSplashWindow(), nullptr);
  SplashWindow fresh(StartUpSplash(L""));
  ASSERT_TRUE(fresh.CreateModeless(GetMainNib(), L"IDD_SPLASH", nullptr, 0));
  fresh.Show(true);
  fresh.ShowStatus(L"Bar");
  EXPECT_EQ(Grab(fresh), after);
  fresh.Destroy();
}

// The about box ends with OK at a click anywhere in it.
TEST(PictureWindows, TheAboutBoxEndsAtAClick) {
  AboutDialogInfo info;
  info.pictureId = 128;
  info.versionMajor = 1;
  info.versionMinor = 210;
  info.textY = 15;
  AboutDialog about(info);
  bool drawn = false;
  apptest::Soon([&] {
    drawn = about.HasPicture();
    // The click lands where a user's would: on the picture, which leaves it to the window.
    QWidget* root = about.GetWindowRef()->Widget();
    QWidget* widget = root->childAt(200, 120) != nullptr ? root->childAt(200, 120) : root;
    const QPointF at = widget->mapFrom(root, QPoint(200, 120));
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
  });
  EXPECT_EQ(about.DoModal(GetMainNib(), L"IDD_ABOUT", nullptr, 0), static_cast<int>(ui::kResultOk));
  EXPECT_TRUE(drawn);
}

}  // namespace

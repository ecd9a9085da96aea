// A rendered test window has its controls where the interface file puts them.
#include <gtest/gtest.h>

#include <QImage>

#include "UiTestSupport.h"
#include "host/ui/Application.h"
#include "ui/Buttons.h"
#include "ui/TabControl.h"

using host::ui::FourCC;

namespace {

class Shown : public DialogWindow {
 public:
  bool OnInitDialog() override { return true; }
};

TEST(Screenshot, ControlsAppearWhereTheInterfaceFilePutsThem) {
  Shown w;
  ASSERT_TRUE(w.CreateModeless(uitest::TestNib(), L"IDD_TOOLKIT_TEST", nullptr, 7));
  w.Show(true);
  ColorButton color;
  ASSERT_TRUE(w.AttachControl(FourCC("colr"), color));
  color.SetColor(0x0000FF, true);
  TabControl tabs;
  ASSERT_TRUE(w.AttachControl(FourCC("tbPl"), tabs));
  tabs.AddPane(&w, 1000);
  tabs.AddPane(&w, 1001);
  tabs.SelectTab(0, true);
  uitest::Flush();
  const std::string path = std::string(PLENWICK_TEST_BINARY_DIR) + "/IDD_TOOLKIT_TEST.png";
  ASSERT_TRUE(w.GetWindowRef()->SaveImage(path));
  QImage image(QString::fromStdString(path));
  ASSERT_EQ(image.size(), QSize(400, 300));
  // The swatch fills the colour button at 20,200 (48x28).
  EXPECT_EQ(image.pixelColor(44, 214), QColor(255, 0, 0));
  EXPECT_NE(image.pixelColor(44, 190), QColor(255, 0, 0));
  // The OK button at 310,262 (80x26) draws something other than the window's background
  // along its middle row; the empty corner at 380,50 is background.
  const QColor background = image.pixelColor(380, 50);
  int differing = 0;
  for (int x = 312; x < 388; ++x) differing += image.pixelColor(x, 275) != background ? 1 : 0;
  EXPECT_GT(differing, 10);
  int outside = 0;
  for (int x = 312; x < 388; ++x) outside += image.pixelColor(x, 250) != background ? 1 : 0;
  EXPECT_EQ(outside, 0);
}

}  // namespace

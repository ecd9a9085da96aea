// The control wrappers: binding by signature and id, creation in code, each kind's value,
// title and state through the toolkit and through real clicks and keys.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTabBar>
#include <QTest>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "host/ui/Application.h"
#include "ui/Buttons.h"
#include "ui/RadioButton.h"
#include "ui/StaticText.h"
#include "ui/TabControl.h"
#include "ui/ToolBar.h"

using host::ui::Event;
using host::ui::FourCC;
using uitest::TestNib;
using uitest::WidgetOf;

namespace {

// The test window, open and shown, recording the commands it sees.
class TestWindow : public DialogWindow {
 public:
  std::vector<uint32_t> commands;
  std::function<void(uint32_t)> onCommand;
  bool OnInitDialog() override { return true; }
  bool OnCommand(uint32_t command, Event&) override {
    commands.push_back(command);
    if (onCommand) onCommand(command);
    return false;
  }
  void Open() {
    ASSERT_TRUE(CreateModeless(TestNib(), L"IDD_TOOLKIT_TEST", nullptr, 7)) << TestNib().LastError();
    Show(true);
  }
  QWidget* W(const char (&sig)[5], int id = 7) { return WidgetOf(GetWindowRef(), sig, id); }
};

class Controls : public ::testing::Test {
 protected:
  void SetUp() override { window.Open(); }
  void TearDown() override {
    window.Destroy();
    uitest::Flush();
    host::ui::SetColorResponder(nullptr);
  }
  TestWindow window;
};

TEST_F(Controls, AttachingAnUnknownSignatureLeavesTheWrapperUnbound) {
  PushButton b;
  EXPECT_FALSE(window.AttachControl(FourCC("zzzz"), b));
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(b.GetSignature(), 0u);
  DialogControl wrongId;
  EXPECT_FALSE(wrongId.Attach(FourCC("ok  "), window.GetWindowRef(), 8));
  EXPECT_TRUE(wrongId.IsEmpty());
  ASSERT_TRUE(window.AttachControl(FourCC("ok  "), b));
  EXPECT_FALSE(b.IsEmpty());
  EXPECT_EQ(b.GetTitle(), L"OK");
  EXPECT_FALSE(b.IsOwned());
}

TEST_F(Controls, GeometryIsWhereTheInterfaceFilePutsItInWindowCoordinates) {
  PushButton ok, inPane;
  ASSERT_TRUE(window.AttachControl(FourCC("ok  "), ok));
  ASSERT_TRUE(inPane.Attach(FourCC("pb10"), window.GetWindowRef(), 1000));
  UiRect r;
  ASSERT_TRUE(ok.GetBounds(&r));
  EXPECT_EQ(r, (UiRect{310, 262, 390, 288}));
  ASSERT_TRUE(inPane.GetBounds(&r));
  EXPECT_EQ(r, (UiRect{210, 100, 300, 124}));  // pane at 200,90 + 10,10
  EXPECT_TRUE(inPane.Move(220, 130));
  EXPECT_EQ(window.W("pb10", 1000)->geometry(), QRect(20, 40, 90, 24));
  EXPECT_TRUE(ok.SetX(300));
  EXPECT_TRUE(ok.SetHeight(30));
  EXPECT_EQ(window.W("ok  ")->geometry(), QRect(300, 262, 80, 30));
  EXPECT_EQ(ok.GetWidth(), 80);
  EXPECT_EQ(ok.DefaultHeight(), 17);
  EXPECT_EQ(ok.HorizontalGap(), 8);
}

TEST_F(Controls, AControlKnowsThePaneItIsEmbeddedIn) {
  PushButton ok, inPane;
  ASSERT_TRUE(window.AttachControl(FourCC("ok  "), ok));
  ASSERT_TRUE(inPane.Attach(FourCC("pb10"), window.GetWindowRef(), 1000));
  EXPECT_EQ(ok.GetControlRef()->Container(), nullptr);  // the window's top level
  std::shared_ptr<host::ui::Control> pane = inPane.GetControlRef()->Container();
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->Widget(), window.W("pb10", 1000)->parentWidget());
  EXPECT_EQ(pane->Id(), 1000);
  // A control embedded later reports its new container.
  ASSERT_TRUE(ok.EmbedIn(pane.get()));
  EXPECT_EQ(ok.GetControlRef()->Container(), pane);
}

TEST_F(Controls, EnabledAndShownStatesReachTheWidgetAndDisabledButtonsIgnoreClicks) {
  PushButton ok;
  ASSERT_TRUE(window.AttachControl(FourCC("ok  "), ok));
  QWidget* w = window.W("ok  ");
  EXPECT_TRUE(ok.Disable());
  EXPECT_FALSE(w->isEnabled());
  QTest::mouseClick(w, Qt::LeftButton);
  EXPECT_TRUE(window.commands.empty());
  EXPECT_TRUE(ok.Enable(true));
  QTest::mouseClick(w, Qt::LeftButton);
  EXPECT_EQ(window.commands, std::vector<uint32_t>{FourCC("ok  ")});
  EXPECT_TRUE(ok.Hide());
  EXPECT_TRUE(w->isHidden());
  EXPECT_TRUE(ok.Show(true));
  EXPECT_FALSE(w->isHidden());
}

// Controls made in code are named by their number and answer the window with it.
TEST_F(Controls, ControlsCreatedInCodeAnswerWithTheirNumber) {
  PushButton push;
  CheckBox check;
  RadioButton radio;
  StaticText label;
  ASSERT_TRUE(push.Create(window, 5001, UiRect{250, 20, 330, 44}, L"Apply"));
  ASSERT_TRUE(check.Create(window, 5002, UiRect{250, 200, 390, 220}, L"Smooth"));
  ASSERT_TRUE(radio.Create(window, 5003, UiRect{250, 230, 390, 250}, L"Left"));
  ASSERT_TRUE(label.Create(window, 5004, UiRect{100, 200, 190, 216}, L"Width:"));
  EXPECT_FALSE(push.Create(window, 5005, UiRect{0, 0, 10, 10}, L"Again"));  // already made
  EXPECT_TRUE(push.IsOwned());
  EXPECT_EQ(push.GetSignature(), 5001u);
  EXPECT_EQ(window.GetWindowRef()->FindControl(5001, 7)->Widget(), push.GetControlRef()->Widget());
  EXPECT_EQ(push.GetControlRef()->Widget()->font().pointSize(), 10);
  QTest::mouseClick(push.GetControlRef()->Widget(), Qt::LeftButton);
  QTest::mouseClick(check.GetControlRef()->Widget(), Qt::LeftButton);
  QTest::mouseClick(radio.GetControlRef()->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
  EXPECT_EQ(window.commands, (std::vector<uint32_t>{5001, 5002, 5003}));
  EXPECT_TRUE(check.IsChecked());    // check boxes toggle themselves
  EXPECT_FALSE(radio.IsSelected());  // radio buttons don't
  EXPECT_EQ(label.GetText(), L"Width:");
  // Destroying an owned control removes its widget.
  QPointer<QWidget> widget = push.GetControlRef()->Widget();
  EXPECT_TRUE(push.Destroy());
  uitest::Flush();
  EXPECT_TRUE(widget.isNull());
  EXPECT_TRUE(push.IsEmpty());
}

TEST_F(Controls, ControlsCreatedForAPageLiveInItsPane) {
  DialogWindow page;
  ASSERT_TRUE(page.AttachToPane(TestNib(), 1001, window.GetWindowRef(), 1001));
  CheckBox check;
  ASSERT_TRUE(check.Create(page, 6001, UiRect{210, 130, 330, 150}, L"Inside"));
  QWidget* pane = WidgetOf(window.GetWindowRef(), "\0\0\0\0", 1001);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(check.GetControlRef()->Widget()->parentWidget(), pane);
  UiRect r;
  ASSERT_TRUE(check.GetBounds(&r));
  EXPECT_EQ(r, (UiRect{210, 130, 330, 150}));
  EXPECT_EQ(window.GetWindowRef()->FindControl(6001, 1001)->Widget(), check.GetControlRef()->Widget());
}

TEST_F(Controls, CheckBoxValueThroughTheToolkitAndThroughClicks) {
  CheckBox check;
  ASSERT_TRUE(window.AttachControl(FourCC("chk1"), check));
  bool checkedWhenSeen = false;
  window.onCommand = [&](uint32_t) { checkedWhenSeen = check.IsChecked(); };
  EXPECT_FALSE(check.IsChecked());
  QTest::mouseClick(window.W("chk1"), Qt::LeftButton);
  EXPECT_TRUE(checkedWhenSeen);  // the window sees the new value
  check.Toggle(true);
  EXPECT_FALSE(check.IsChecked());
  check.SetChecked(true, false);
  EXPECT_TRUE(static_cast<QAbstractButton*>(window.W("chk1"))->isChecked());
}

TEST_F(Controls, RadioButtonsChangeOnlyWhenTheirOwnerSelectsThem) {
  RadioButton radio;
  ASSERT_TRUE(window.AttachControl(FourCC("rad1"), radio));
  QTest::mouseClick(window.W("rad1"), Qt::LeftButton);
  EXPECT_FALSE(radio.IsSelected());
  EXPECT_EQ(window.commands, std::vector<uint32_t>{FourCC("rad1")});
  radio.SetSelected(true, true);
  QTest::mouseClick(window.W("rad1"), Qt::LeftButton);
  EXPECT_TRUE(radio.IsSelected());
}

TEST_F(Controls, PopupSelectionIsClampedAndEmptyMeansMinusOne) {
  PopupButton popup;
  ASSERT_TRUE(window.AttachControl(FourCC("pop1"), popup));
  ASSERT_EQ(popup.CountItems(), 3);
  struct Case {
    int select;
    int selected;
    const wchar_t* text;
  };
  for (const Case& c :
       {Case{-5, 0, L"Fade"}, Case{1, 1, L"Slide"}, Case{2, 2, L"Spin"}, Case{3, 2, L"Spin"}, Case{99, 2, L"Spin"}}) {
    EXPECT_TRUE(popup.SelectItem(c.select));
    WideString text;
    EXPECT_EQ(popup.GetSelectedItem(&text), c.selected) << c.select;
    EXPECT_EQ(text, c.text) << c.select;
  }
  EXPECT_TRUE(popup.RemoveAllItems());
  WideString text = L"stale";
  EXPECT_EQ(popup.GetSelectedItem(&text), -1);
  EXPECT_EQ(text, L"");
  EXPECT_TRUE(popup.SelectItem(0));
  EXPECT_EQ(popup.GetSelectedItem(), -1);
  EXPECT_EQ(popup.AppendItem(L"Zoom"), 1);
  EXPECT_EQ(popup.AppendItem(L"Wipe"), 2);
  EXPECT_EQ(popup.GetControlRef()->Minimum(), 1);
  EXPECT_EQ(popup.GetControlRef()->Maximum(), 2);
}

TEST_F(Controls, ChoosingAPopupItemWithTheKeyboardReachesTheWindow) {
  PopupButton popup;
  ASSERT_TRUE(window.AttachControl(FourCC("pop1"), popup));
  popup.SelectItem(0);
  QTest::keyClick(window.W("pop1"), Qt::Key_Down);
  EXPECT_EQ(popup.GetSelectedItem(), 1);
  EXPECT_EQ(window.commands, std::vector<uint32_t>{FourCC("pop1")});
}

QColor CentreOf(QWidget* w) { return w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2); }

TEST_F(Controls, ColorButtonShowsItsColourAndPicksANewOneBeforeTheWindowSeesTheClick) {
  ColorButton color;
  ASSERT_TRUE(window.AttachControl(FourCC("colr"), color));
  color.SetColor(0x0000FF, true);  // red in the low byte
  EXPECT_EQ(CentreOf(window.W("colr")), QColor(255, 0, 0));
  std::vector<std::wstring> prompts;
  uint32_t answer = 0x00FF00;
  bool confirm = true;
  host::ui::SetColorResponder([&](const std::wstring& prompt, uint32_t current, uint32_t& chosen) {
    prompts.push_back(prompt);
    EXPECT_EQ(current, color.GetColor());
    chosen = answer;
    return confirm;
  });
  uint32_t seenByWindow = 0;
  window.onCommand = [&](uint32_t) { seenByWindow = color.GetColor(); };
  QTest::mouseClick(window.W("colr"), Qt::LeftButton);
  EXPECT_EQ(color.GetColor(), 0x00FF00u);
  EXPECT_EQ(seenByWindow, 0x00FF00u);
  EXPECT_EQ(CentreOf(window.W("colr")), QColor(0, 255, 0));
  confirm = false;  // cancelled: unchanged, the window still sees the click
  answer = 0x123456;
  QTest::mouseClick(window.W("colr"), Qt::LeftButton);
  EXPECT_EQ(color.GetColor(), 0x00FF00u);
  color.SetPickerEnabled(false);  // no picker, the click goes to the window
  QTest::mouseClick(window.W("colr"), Qt::LeftButton);
  EXPECT_EQ(prompts, (std::vector<std::wstring>{L"Choose a color", L"Choose a color"}));
  EXPECT_EQ(window.commands.size(), 3u);
}

TEST_F(Controls, StaticTextShowsTextsAndNumbers) {
  StaticText label;
  ASSERT_TRUE(window.AttachControl(FourCC("stx1"), label));
  EXPECT_TRUE(label.IsEmpty());  // labels always count as empty
  EXPECT_TRUE(label.SetInt(-7, true));
  EXPECT_EQ(static_cast<QLabel*>(window.W("stx1"))->text(), QString("-7"));
  EXPECT_TRUE(label.SetText(L"Größe ✓", false));
  EXPECT_EQ(label.GetText(), L"Größe ✓");
  EXPECT_TRUE(label.Clear(true));
  EXPECT_EQ(label.GetText(), L"");
}

class Tabs : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    ASSERT_TRUE(window.AttachControl(FourCC("tbPl"), tabs));
    tabs.AddPane(&window, 1000);
    tabs.AddPane(&window, 1001);
    tabs.AddPane(&window, 1002);  // no such pane
    tabs.Changed().Connect(this, &Tabs::OnChanged);
    tabs.SelectTab(0, true);
    changes.clear();
  }
  void OnChanged(TabControl* t) { changes.push_back(t->GetValue()); }
  bool PaneShown(int id) { return !WidgetOf(window.GetWindowRef(), "\0\0\0\0", id)->isHidden(); }

  TabControl tabs;
  std::vector<int> changes;
};

TEST_F(Tabs, ClickingATabShowsItsPaneAndTellsTheListeners) {
  auto* bar = static_cast<QTabBar*>(window.W("tbPl"));
  EXPECT_TRUE(PaneShown(1000));
  EXPECT_FALSE(PaneShown(1001));
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
  EXPECT_FALSE(PaneShown(1000));
  EXPECT_TRUE(PaneShown(1001));
  EXPECT_EQ(tabs.GetValue(), 2);
  EXPECT_EQ(changes, std::vector<int>{2});
  EXPECT_TRUE(window.commands.empty());  // the tab control handles its own clicks
  EXPECT_EQ(tabs.GetPane(1)->Widget(), WidgetOf(window.GetWindowRef(), "\0\0\0\0", 1001));
  EXPECT_EQ(tabs.GetPane(2), nullptr);
  // Other controls' clicks are not the tab control's business.
  QTest::mouseClick(window.W("ok  "), Qt::LeftButton);
  EXPECT_EQ(window.commands, std::vector<uint32_t>{FourCC("ok  ")});
  EXPECT_EQ(changes.size(), 1u);
}

TEST_F(Tabs, SelectingPastTheLastPaneHidesThemAllAndStillSignals) {
  EXPECT_TRUE(tabs.SelectTab(2, true));  // the missing pane: nothing shown
  EXPECT_FALSE(PaneShown(1000));
  EXPECT_FALSE(PaneShown(1001));
  EXPECT_TRUE(tabs.SelectTab(5, false));
  EXPECT_EQ(tabs.GetValue(), 6);
  EXPECT_EQ(changes, (std::vector<int>{3, 6}));
  EXPECT_TRUE(tabs.SelectTab(1, true));
  EXPECT_TRUE(PaneShown(1001));
  EXPECT_EQ(tabs.GetValue(), 2);
}

TEST_F(Controls, ToolBarBindsItsButtonsByCommandAndTheirClicksReachTheWindow) {
  ToolBar bar;
  bar.AttachToWindow(window.GetWindowRef());
  EXPECT_TRUE(bar.AddIcon(1000, FourCC("iNew")));
  EXPECT_TRUE(bar.AddButton(L"", FourCC("new "), -1, 1, 1));
  EXPECT_TRUE(bar.AddButton(L"", FourCC("open"), 7, 1, 1));   // no icon of that index
  EXPECT_FALSE(bar.AddButton(L"", FourCC("save"), 0, 1, 1));  // not in the window
  EXPECT_TRUE(bar.AddSeparator());
  ASSERT_EQ(bar.CountButtons(), 2);
  EXPECT_FALSE(bar.GetButton(0)->button.HasIcon());
  EXPECT_EQ(bar.GetButton(1)->command, FourCC("open"));
  QTest::mouseClick(window.W("open", 0), Qt::LeftButton);
  QTest::mouseClick(window.W("new ", 0), Qt::LeftButton);
  EXPECT_EQ(window.commands, (std::vector<uint32_t>{FourCC("open"), FourCC("new ")}));
  EXPECT_FALSE(bar.GetButton(0)->button.IsSelected());
}

std::string Png(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

std::string Be32(uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

TEST(IconFamily, ThePngInsideAnIconFamilyIsFoundAndBadLengthsAreRefused) {
  const std::string png = Png(4, 4);
  const std::string other = "is32" + Be32(12) + "abcd";
  const std::string element = "ic07" + Be32(uint32_t(8 + png.size())) + png;
  const std::string family = "icns" + Be32(uint32_t(8 + other.size() + element.size())) + other + element;
  EXPECT_EQ(IconImageFromIconFamily(png), png);
  EXPECT_EQ(IconImageFromIconFamily(family), png);
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> bad = {
      {"empty", ""},
      {"not an icon family", "abcdefghijkl"},
      {"element longer than the family", "icns" + Be32(40) + "ic07" + Be32(4000) + png.substr(0, 24)},
      {"element shorter than its header", "icns" + Be32(24) + "ic07" + Be32(3) + std::string(12, 'x')},
      {"no image element", "icns" + Be32(uint32_t(8 + other.size())) + other},
  };
  for (const Case& c : bad) EXPECT_EQ(IconImageFromIconFamily(c.bytes), "") << c.name;
}

TEST_F(Controls, AMissingIconResourceLeavesTheButtonWithoutIcon) {
  RadioButton tool;
  ASSERT_TRUE(tool.Attach(FourCC("new "), window.GetWindowRef(), 0));
  EXPECT_FALSE(tool.SetIconFromResource(31999, FourCC("iNew")));
  EXPECT_FALSE(tool.HasIcon());
  EXPECT_TRUE(tool.GetControlRef()->SetIconImage(Png(16, 16)));
  EXPECT_TRUE(tool.HasIcon());
}

}  // namespace

// The replace question and the notices, driven by clicks on their real controls.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "host/ui/Window.h"
#include "ui/ToolkitDialogs.h"

using uitest::WidgetOf;

namespace {

// Runs `fn` with the window of the dialog once its modal loop is running.
void WhenShown(DialogWindow& dialog, std::function<void(host::ui::Window*)> fn) {
  uitest::Soon([&dialog, fn] { fn(dialog.GetWindowRef()); }, 30);
}

void Click(host::ui::Window* w, const char (&sig)[5], int id) {
  QWidget* b = WidgetOf(w, sig, id);
  ASSERT_NE(b, nullptr) << sig;
  QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
}

struct ReplaceCase {
  int mode;
  bool checkAll;
  const char* button;
  int result;
};

TEST(ReplaceItemDialog, EachButtonGivesItsAnswer) {
  const ReplaceCase cases[] = {
      {0, false, "ok  ", kReplaceItem},   {0, false, "bDnt", kDontReplace},  {1, false, "ok  ", kReplaceItem},
      {1, true, "ok  ", kReplaceAll},     {1, false, "bDnt", kDontReplace},  {1, true, "bDnt", kDontReplaceAny},
      {1, false, "bStp", kStopReplacing}, {1, true, "bStp", kStopReplacing},
  };
  const WideString path = L"/projects/site/" + std::wstring(300, L'n') + L".swf";
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " " << c.button << (c.checkAll ? " all" : ""));
    DialogWindow parentWindow;
    ASSERT_TRUE(parentWindow.CreateNew(0, 0, 500, 300, DialogWindow::kShowAtOnce, nullptr));
    ReplaceItemDialog dialog(path, c.mode);
    bool hasAll = false, hasStop = false;
    std::wstring message;
    WhenShown(dialog, [&](host::ui::Window* w) {
      if (w == nullptr) return;
      hasAll = WidgetOf(w, "cAll", 0) != nullptr;
      hasStop = WidgetOf(w, "bStp", 0) != nullptr;
      if (auto* label = qobject_cast<QLabel*>(WidgetOf(w, "sMsg", 0))) message = label->text().toStdWString();
      if (c.checkAll) Click(w, "cAll", 0);
      char sig[5] = {};
      std::copy_n(c.button, 4, sig);
      Click(w, *reinterpret_cast<const char(*)[5]>(sig), 0);
    });
    EXPECT_EQ(dialog.RunAsSheet(parentWindow.GetWindowRef()), c.result);
    EXPECT_EQ(hasAll, c.mode == 1);
    EXPECT_EQ(hasStop, c.mode == 1);
    // The long name is shown whole.
    EXPECT_EQ(message,
              L"The item \"" + std::wstring(300, L'n') + L".swf\" in /projects/site already exists. Replace it?");
  }
}

TEST(ReplaceItemDialog, AskingAboutANameThatIsFreeAsksNothing) {
  int asked = 0;
  SetReplaceItemResponder([&](const WideString&, int) {
    ++asked;
    return kReplaceItem;
  });
  EXPECT_EQ(AskReplaceExistingFile(L"/no/such/file.swf", nullptr, 0), -1);
  const auto existing = std::filesystem::temp_directory_path() / "pwk-replace-test.swf";
  std::ofstream(existing) << "x";
  EXPECT_EQ(AskReplaceExistingFile(existing.wstring(), nullptr, 1), kReplaceItem);
  std::filesystem::remove(existing);
  SetReplaceItemResponder(nullptr);
  EXPECT_EQ(asked, 1);
}

TEST(NoticeDialog, OkStoresTheCheckBoxAndCancelLeavesTheFlag) {
  struct Case {
    bool check;
    const char* button;
    uint8_t flagAfter;
  };
  const Case cases[] = {{true, "ok  ", 0}, {false, "ok  ", 1}, {true, "not!", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.button << (c.check ? " checked" : ""));
    uint8_t flag = 1;
    NoticeDialog dialog(&flag);
    WhenShown(dialog, [&](host::ui::Window* w) {
      if (w == nullptr) return;
      if (c.check) Click(w, "cDwm", 60);
      char sig[5] = {};
      std::copy_n(c.button, 4, sig);
      Click(w, *reinterpret_cast<const char(*)[5]>(sig), 60);
    });
    const int result = dialog.DoModal(uitest::TestNib(), L"IDD_TEST_NOTICE", nullptr, 60);
    EXPECT_EQ(uint32_t(result), host::ui::FourCC(*reinterpret_cast<const char(*)[5]>(c.button)));
    EXPECT_EQ(flag, c.flagAfter);
  }
}

TEST(NoticeDialog, AHiddenNoticeShowsNothing) {
  int asked = 0;
  SetNoticeResponder([&](const WideString&, bool& dontShow) {
    ++asked;
    dontShow = true;
    return host::ui::FourCC("ok  ");
  });
  uint8_t flag = 0;
  EXPECT_TRUE(RunNoticeDialog(L"IDD_WARNING_EXTERNAL_TARGET", nullptr, &flag));
  EXPECT_EQ(asked, 0);
  flag = 1;
  EXPECT_TRUE(RunNoticeDialog(L"IDD_WARNING_EXTERNAL_TARGET", nullptr, &flag));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(flag, 0);
  SetNoticeResponder(nullptr);
}

}  // namespace

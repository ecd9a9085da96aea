#include "app/PreferencesDialog.h"

#include <QAbstractButton>
#include <QComboBox>

#include <gtest/gtest.h>

#include "app/AppPreferences.h"
#include "app/UpdateCheck.h"
#include "host/ui/Event.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"
#include "ui/FontChooserDialog.h"
#include "ui/MessageBox.h"
#include "ui/NibReference.h"

namespace {

using apptest::Soon;
using apptest::WidgetOf;

void Click(host::ui::Window* window, const char (&signature)[5], int id) {
  auto* button = qobject_cast<QAbstractButton*>(WidgetOf(window, signature, id));
  ASSERT_NE(button, nullptr) << signature;
  button->click();
}

QComboBox* Popup(host::ui::Window* window, const char (&signature)[5]) {
  return qobject_cast<QComboBox*>(WidgetOf(window, signature, 4000));
}

AppPreferences Stored() {
  AppPreferences prefs;
  prefs.recentProjects.SetCapacity(15);
  prefs.recentMovies.SetCapacity(3);
  return prefs;
}

// OK stores what every page shows, a list length beyond the popup's items as its last one;
// Cancel stores nothing.
TEST(PreferencesDialog, OkStoresEveryPageAndCancelNothing) {
  apptest::AppScratch scratch;
  for (const bool ok : {true, false}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    AppPreferences prefs = Stored();
    const PlatformFont before = prefs.defaultFont;
    // The font chooser is answered with a family, size and style of the test's.
    SetFontChooserResponder([](PlatformFont& font) {
      font.SetFontByName(L"Serif");
      font.SetSize(20);
      font.SetBold(true);
      return static_cast<uint32_t>(ui::kResultOk);
    });
    PreferencesDialog dialog(prefs);
    bool ran = false;
    Soon([&] {
      host::ui::Window* w = dialog.GetWindowRef();
      ASSERT_NE(Popup(w, "mRcp"), nullptr);
      EXPECT_EQ(Popup(w, "mRcp")->count(), 11);
      EXPECT_EQ(Popup(w, "mRcp")->currentText().toStdString(), "10");
      EXPECT_EQ(Popup(w, "mRci")->currentText().toStdString(), "3");
      EXPECT_TRUE(WidgetOf(w, "cPrr", 4000)->isHidden());
      Popup(w, "mRci")->setCurrentIndex(7);
      Click(w, "cRel", 4000);
      Click(w, "cUpd", 4001);
      Click(w, "cImp", 4002);
      Click(w, "cExt", 4002);
      Click(w, "bDff", 4000);
      ran = true;
      Click(w, ok ? "ok  " : "not!", 2003);
    });
    const int result = dialog.DoModal(GetMainNib(), L"IDD_PREFS", nullptr, 2003);
    ASSERT_TRUE(ran);
    if (ok) {
      EXPECT_EQ(result, static_cast<int>(ui::kResultOk));
      EXPECT_EQ(prefs.recentProjects.GetCapacity(), 10);
      EXPECT_EQ(prefs.recentMovies.GetCapacity(), 7);
      EXPECT_TRUE(prefs.useRelativePaths);
      EXPECT_FALSE(prefs.checkForUpdates);
      EXPECT_FALSE(prefs.warnOnImportImages);
      EXPECT_FALSE(prefs.warnOnExternalTarget);
      EXPECT_TRUE(prefs.saveRelativePaths);
      EXPECT_EQ(prefs.defaultFont.GetName(), L"Serif");
      EXPECT_EQ(prefs.defaultFont.GetSize(), 20);
      EXPECT_TRUE(prefs.defaultFont.IsBold());
    } else {
      EXPECT_TRUE(prefs.defaultFont.Equals(before));
      EXPECT_EQ(result, static_cast<int>(ui::kResultCancel));
      EXPECT_EQ(prefs.recentProjects.GetCapacity(), 15);
      EXPECT_EQ(prefs.recentMovies.GetCapacity(), 3);
      EXPECT_FALSE(prefs.useRelativePaths);
      EXPECT_TRUE(prefs.checkForUpdates);
      EXPECT_TRUE(prefs.warnOnImportImages);
      EXPECT_TRUE(prefs.warnOnExternalTarget);
    }
    SetFontChooserResponder({});
  }
}

// "Check Now" asks the server at once and tells each answer in its own words; the dialog
// cancelled afterwards still stores nothing.
TEST(PreferencesDialog, CheckNowTellsTheAnswer) {
  apptest::AppScratch scratch;
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  const struct {
    const char* what;
    LoopbackHttpServer::Reply reply;
    const char* server;
    int heading, text;
  } cases[] = {
      {"newer", {200, "1.300"}, nullptr, 10014, 10013},
      {"the same", {200, "1.210"}, nullptr, 10014, 10012},
      {"no answer", {200, ""}, "http://127.0.0.1:1", 10000, 10011},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    server.SetReply(c.reply);
    UpdateCheck::SetDefaultServer(c.server != nullptr ? c.server : server.Url(""));
    AppPreferences prefs = Stored();
    PreferencesDialog dialog(prefs);
    const size_t before = scratch.Alerts().size();
    Soon([&] {
      host::ui::Window* w = dialog.GetWindowRef();
      Click(w, "cUpd", 4001);
      Click(w, "bUpd", 4001);
      Click(w, "not!", 2003);
    });
    dialog.DoModal(GetMainNib(), L"IDD_PREFS", nullptr, 2003);
    ASSERT_EQ(scratch.Alerts().size(), before + 1);
    EXPECT_EQ(scratch.Alerts().back().heading, apptest::Numbered(c.heading));
    EXPECT_EQ(scratch.Alerts().back().detail, apptest::Numbered(c.text));
    EXPECT_TRUE(prefs.checkForUpdates);
  }
  UpdateCheck::SetDefaultServer("");
}

}  // namespace

#include "app/AppPreferences.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/PreferencesStore.h"
#include "tests/app/AppTestSupport.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(AppPreferences, AFirstStartHasTheDefaults) {
  apptest::AppScratch scratch;
  AppPreferences prefs;
  ASSERT_TRUE(prefs.Load());
  EXPECT_EQ(prefs.mainWindowX, 81);
  EXPECT_EQ(prefs.mainWindowY, 54);
  EXPECT_EQ(prefs.paletteX, 578);
  EXPECT_EQ(prefs.paletteY, 54);
  EXPECT_EQ(prefs.paletteWidth, 300);
  EXPECT_EQ(prefs.paletteHeight, 277);
  EXPECT_FALSE(prefs.paletteVisible);
  EXPECT_TRUE(prefs.checkForUpdates);
  EXPECT_FALSE(prefs.useRelativePaths);
  EXPECT_TRUE(prefs.saveRelativePaths);
  EXPECT_TRUE(prefs.warnOnExternalTarget);
  EXPECT_TRUE(prefs.warnOnImportImages);
  EXPECT_EQ(prefs.recentProjects.GetCapacity(), 5);
  EXPECT_EQ(prefs.defaultFont.GetSize(), 12);
}

// Every value, changed from its default, comes back through the file; numbers are written
// the same whatever the user's locale.
TEST(AppPreferences, EveryPreferenceRoundTripsThroughTheFile) {
  apptest::AppScratch scratch;
  const std::string project = scratch.Path("a.plw"), movie = scratch.Path("b.swf");
  Touch(project);
  Touch(movie);
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  AppPreferences out;
  out.mainWindowX = -1234567;
  out.mainWindowY = 2000;
  out.paletteX = 1;
  out.paletteY = 2;
  out.paletteWidth = 3;
  out.paletteHeight = 4;
  out.previewWindowX = 5;
  out.previewWindowY = 6;
  out.previewWindowVisible = true;
  out.paletteVisible = true;
  out.externalPreview = true;
  out.defaultFont.SetFontByName(L"Serif");
  out.defaultFont.SetSize(18);
  out.defaultFont.SetBold(true);
  out.recentProjects.SetCapacity(7);
  out.recentProjects.Add(Utf8ToWide(project));
  out.recentMovies.SetCapacity(2);
  out.recentMovies.Add(Utf8ToWide(movie));
  out.checkForUpdates = false;
  out.useRelativePaths = true;
  out.saveRelativePaths = false;
  out.warnOnExternalTarget = false;
  out.warnOnImportImages = false;
  out.warnOnSystemVersion = false;
  ASSERT_TRUE(out.Save());
  std::setlocale(LC_ALL, "C");

  const std::string file = ReadFile(scratch.PreferencesFile());
  EXPECT_NE(file.find("-1234567"), std::string::npos) << (german ? "de_DE" : "no de_DE locale here");
  EXPECT_NE(file.find("app_path"), std::string::npos);

  AppPreferences in;
  ASSERT_TRUE(in.Load());
  EXPECT_EQ(in.mainWindowX, -1234567);
  EXPECT_EQ(in.mainWindowY, 2000);
  EXPECT_EQ(in.paletteX, 1);
  EXPECT_EQ(in.paletteY, 2);
  EXPECT_EQ(in.paletteWidth, 3);
  EXPECT_EQ(in.paletteHeight, 4);
  EXPECT_EQ(in.previewWindowX, 5);
  EXPECT_EQ(in.previewWindowY, 6);
  EXPECT_TRUE(in.previewWindowVisible);
  EXPECT_TRUE(in.paletteVisible);
  EXPECT_TRUE(in.externalPreview);
  EXPECT_TRUE(in.defaultFont.Equals(out.defaultFont)) << WideToUtf8(in.defaultFont.GetName());
  EXPECT_EQ(in.recentProjects.GetCapacity(), 7);
  ASSERT_EQ(in.recentProjects.Count(), 1);
  EXPECT_EQ(*in.recentProjects.At(0), Utf8ToWide(project));
  EXPECT_EQ(in.recentMovies.GetCapacity(), 2);
  ASSERT_EQ(in.recentMovies.Count(), 1);
  EXPECT_FALSE(in.checkForUpdates);
  EXPECT_TRUE(in.useRelativePaths);
  EXPECT_FALSE(in.saveRelativePaths);
  EXPECT_FALSE(in.warnOnExternalTarget);
  EXPECT_FALSE(in.warnOnImportImages);
  EXPECT_FALSE(in.warnOnSystemVersion);
}

// A style record stored without a family name applies its size and style to the family the
// program starts with.
TEST(AppPreferences, AFontRecordWithoutANameKeepsTheDefaultFamily) {
  apptest::AppScratch scratch;
  {
    PreferencesStore store;
    ASSERT_TRUE(store.Open(L"Plenwick", PreferencesStore::kCurrentUserScope));
    uint8_t record[28] = {};
    record[0] = 24;
    record[16] = 2;  // italic
    ASSERT_TRUE(store.SetData(L"default_font", record, sizeof record));
    ASSERT_TRUE(store.Close());
  }
  AppPreferences prefs;
  const WideString family = prefs.defaultFont.GetName();
  ASSERT_TRUE(prefs.Load());
  EXPECT_EQ(prefs.defaultFont.GetName(), family);
  EXPECT_EQ(prefs.defaultFont.GetSize(), 24);
  EXPECT_TRUE(prefs.defaultFont.IsItalic());
}

// A recent file that has gone since the last run is not listed again; an unreadable file of
// preferences is moved aside and the defaults are used.
TEST(AppPreferences, GoneRecentFilesAndAnUnreadableFileAreHandled) {
  apptest::AppScratch scratch;
  const std::string kept = scratch.Path("kept.plw"), gone = scratch.Path("gone.plw");
  Touch(kept);
  Touch(gone);
  AppPreferences out;
  out.recentProjects.Add(Utf8ToWide(gone));
  out.recentProjects.Add(Utf8ToWide(kept));
  ASSERT_TRUE(out.Save());
  std::remove(gone.c_str());
  AppPreferences in;
  ASSERT_TRUE(in.Load());
  ASSERT_EQ(in.recentProjects.Count(), 1);
  EXPECT_EQ(*in.recentProjects.At(0), Utf8ToWide(kept));

  std::ofstream(scratch.PreferencesFile(), std::ios::trunc) << "<plist><dict><key>main_window_x";
  AppPreferences fresh;
  fresh.mainWindowX = 99;
  EXPECT_TRUE(fresh.Load());
  EXPECT_EQ(fresh.mainWindowX, 99);
}

TEST(AppPreferences, ClearingEmptiesBothLists) {
  apptest::AppScratch scratch;
  const std::string file = scratch.Path("a.plw");
  Touch(file);
  AppPreferences prefs;
  prefs.recentProjects.SetCapacity(3);
  prefs.recentProjects.Add(Utf8ToWide(file));
  prefs.recentMovies.Add(Utf8ToWide(file));
  prefs.ClearRecentLists();
  EXPECT_EQ(prefs.recentProjects.Count(), 0);
  EXPECT_EQ(prefs.recentMovies.Count(), 0);
}

}  // namespace

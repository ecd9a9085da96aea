#include "publish/ScreenSaverSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/XmlWriter.h"
#include "swf/SwfCompression.h"
#include "tests/publish/InstallerScratch.h"

namespace {

using installertest::ListTree;
using installertest::ReadBytes;
using installertest::Scratch;
using installertest::WriteBytes;

SaverBuildOptions Overwriting() {
  SaverBuildOptions options;
  options.overwrite = true;
  return options;
}

const std::string kPlaceholder = "XXXXXXXXXXXXXXXXZZZZZZZZ";

TEST(ScreenSaverSuffix, IsSixteenSafeCharactersAndTheNamesCrc) {
  const std::vector<std::pair<std::wstring, std::wstring>> cases = {
      {L"abc", L"abcOOOOOOOOOOOOO352441C2"},
      {L"ABCDEFGHIJKLMNOPQRST", L"ABCDEFGHIJKLMNOP2116F9EE"},
      {L"", L"OOOOOOOOOOOOOOOO00000000"},
      {L"a&b", L"aXbOOOOOOOOOOOOOD636FB55"},
      {L"\u00e9t\u00e9", L"XtXOOOOOOOOOOOOOCBF7D413"},
      {L"\u0100", L"XOOOOOOOOOOOOOOOD202EF8D"},  // the CRC takes the low byte, 0
      {L"\"<>'\n\r", L"XXXXXXOOOOOOOOOO36DF1BD9"},
  };
  for (const auto& [name, suffix] : cases) EXPECT_EQ(MakeSaverClassSuffix(name), suffix) << name.size();
}

TEST(ScreenSaverModule, EveryAlignedPlaceholderIsPatched) {
  const std::wstring suffix = L"abcOOOOOOOOOOOOO352441C2";
  const std::string patched = "abcOOOOOOOOOOOOO352441C2";
  struct Case {
    const char* what;
    std::string bytes;
    std::string expected;
    size_t count;
  };
  const std::string pad(8, '.');
  const std::vector<Case> cases = {
      {"aligned", "QXSS" + kPlaceholder + pad, "QXSS" + patched + pad, 1},
      {"unaligned start", "QXSSab" + kPlaceholder + pad, "QXSSab" + patched + pad, 1},
      {"twice", kPlaceholder + "...." + kPlaceholder, patched + "...." + patched, 2},
      {"at the very end", "....." + kPlaceholder, "....." + patched, 1},
      {"24 X without Z", std::string(24, 'X') + pad, std::string(24, 'X') + pad, 0},
      {"cut short by the end", "...." + kPlaceholder.substr(0, 20), "...." + kPlaceholder.substr(0, 20), 0},
      {"X run longer than the step back", std::string(120, 'X') + kPlaceholder + pad,
       std::string(120, 'X') + kPlaceholder + pad, 0},
      {"empty", "", "", 0},
  };
  for (const Case& c : cases) {
    std::string bytes = c.bytes;
    EXPECT_EQ(PatchSaverModule(bytes, suffix), c.count) << c.what;
    EXPECT_EQ(bytes, c.expected) << c.what;
  }
}

TEST(ScreenSaverConfig, IsHundredFortyBytesWithItsFieldsInPlace) {
  SaverConfig config;
  config.quality = SaverQuality::kBest;
  config.bgcolor = 0x00332211;
  config.hasBgcolor = true;
  config.exitOnMouseMove = false;
  config.exitOnMouseClick = true;
  config.exitOnKeyPress = false;
  config.hideMouseCursor = true;
  Scratch scratch;
  ASSERT_TRUE(WriteSaverConfigFile(config, Utf8ToWide(scratch.Path())));
  const std::string bytes = ReadBytes(scratch / "ssc0.dat");
  std::string expected(140, '\0');
  expected[0] = 5;
  expected[92] = 0x11;
  expected[93] = 0x22;
  expected[94] = 0x33;
  expected[132] = 1;
  expected[134] = 1;
  expected[136] = 1;
  EXPECT_EQ(bytes, expected);
}

TEST(ScreenSaverConfig, ReadsBackWhatItWritesAndOnlyHundredFortyBytes) {
  SaverConfig config;
  config.quality = SaverQuality::kAutoLow;
  config.bgcolor = 0x00ABCDEF;
  config.hasBgcolor = true;
  config.exitOnMouseMove = false;
  config.hideMouseCursor = false;
  const auto bytes = config.Bytes();
  SaverConfig read;
  ASSERT_TRUE(ParseSaverConfig(std::string(bytes.begin(), bytes.end()), read));
  EXPECT_EQ(read.Bytes(), bytes);

  // Any non-zero flag byte is set; an unknown quality reads as the default.
  std::string odd(140, '\0');
  odd[0] = 9;
  odd[135] = 2;
  ASSERT_TRUE(ParseSaverConfig(odd, read));
  EXPECT_EQ(read.quality, SaverQuality::kHigh);
  EXPECT_TRUE(read.exitOnKeyPress);
  EXPECT_FALSE(read.exitOnMouseClick);

  for (const size_t size : {0u, 139u, 141u}) {
    SaverConfig untouched = config;
    EXPECT_FALSE(ParseSaverConfig(std::string(size, '\1'), untouched)) << size;
    EXPECT_EQ(untouched.Bytes(), bytes) << size;
  }
}

TEST(ScreenSaverResources, TheModuleFindsItsMovieAndSettings) {
  Scratch scratch;
  const std::string movie = std::string("FWS\x06\x0F\0\0\0\0\0\x0C\x01\0\0\0", 15);
  WriteBytes(scratch / "ssaver.swf", movie);
  std::string read;
  SaverConfig config;
  config.exitOnKeyPress = false;
  std::string error;
  ASSERT_TRUE(ReadSaverResources(scratch.Path(), read, config, error)) << error;
  EXPECT_EQ(read, movie);
  EXPECT_TRUE(config.exitOnKeyPress);  // no settings: the defaults

  SaverConfig written;
  written.exitOnMouseMove = false;
  ASSERT_TRUE(WriteSaverConfigFile(written, Utf8ToWide(scratch.Path())));
  ASSERT_TRUE(ReadSaverResources(scratch.Path(), read, config, error)) << error;
  EXPECT_FALSE(config.exitOnMouseMove);

  WriteBytes(scratch / "ssc0.dat", std::string(20, '\0'));
  EXPECT_FALSE(ReadSaverResources(scratch.Path(), read, config, error));
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  EXPECT_TRUE(read.empty());
}

class ScreenSaverBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    templ_ = scratch_ / "template";
    std::filesystem::create_directories(templ_ + "/English.lproj");
    std::filesystem::create_directories(templ_ + "/Flash Player.plugin/Contents");
    WriteBytes(templ_ + "/English.lproj/strings", "strings");
    WriteBytes(templ_ + "/Flash Player.plugin/Contents/player", "plugin");
    WriteBytes(templ_ + "/fprx", "fprx");
    WriteBytes(templ_ + "/fssx", "#!/bin/sh\n#QXSS" + kPlaceholder + "\n");
    // A movie of one empty frame, stored compressed.
    const std::string fws = std::string("FWS\x06\x0F\0\0\0\0\0\x0C\x01\0\0\0", 15);
    WriteBytes(scratch_ / "plain.swf", fws);
    ASSERT_TRUE(CompressSwfFile(Utf8ToWide(scratch_ / "plain.swf"), Utf8ToWide(scratch_ / "movie.swf"), true));
    WriteBytes(scratch_ / "extra.txt", "extra");
    settings_.SetTemplateFolders(Utf8ToWide(templ_), WideString());
    ASSERT_TRUE(settings_.SetMovie(Utf8ToWide(scratch_ / "movie.swf")));
    settings_.SetName(L"abc");
    settings_.moreFiles.push_back(Utf8ToWide(scratch_ / "extra.txt"));
    out_ = scratch_ / "abc.saver";
  }
  Scratch scratch_;
  std::string templ_, out_;
  ScreenSaverSettings settings_;
};

TEST_F(ScreenSaverBuild, MakesTheBundleTreeFromTheTemplate) {
  for (bool universal : {true, false}) {
    settings_.universalBinary = universal;
    ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(out_), Overwriting())) << settings_.Error();
    std::vector<std::string> expected = {"Contents/",
                                         "Contents/Info.plist",
                                         "Contents/MacOS/",
                                         "Contents/MacOS/fssx",
                                         "Contents/Resources/",
                                         "Contents/Resources/English.lproj/",
                                         "Contents/Resources/English.lproj/strings"};
    if (universal) {
      expected.insert(expected.end(),
                      {"Contents/Resources/Flash Player.plugin/", "Contents/Resources/Flash Player.plugin/Contents/",
                       "Contents/Resources/Flash Player.plugin/Contents/player"});
    }
    expected.insert(expected.end(), {"Contents/Resources/extra.txt"});
    if (!universal) expected.push_back("Contents/Resources/fprx");
    expected.insert(expected.end(), {"Contents/Resources/ssaver.swf", "Contents/Resources/ssc0.dat"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListTree(out_), expected) << universal;
  }
  EXPECT_EQ(ReadBytes(out_ + "/Contents/MacOS/fssx"), "#!/bin/sh\n#QXSSabcOOOOOOOOOOOOO352441C2\n");
  EXPECT_EQ(ReadBytes(out_ + "/Contents/Resources/ssaver.swf"), ReadBytes(scratch_ / "plain.swf"));
  EXPECT_EQ(ReadBytes(out_ + "/Contents/Resources/ssc0.dat").size(), 140u);
  const std::string plist = ReadBytes(out_ + "/Contents/Info.plist");
  EXPECT_EQ(plist, SaverInfoPlist(L"abcOOOOOOOOOOOOO352441C2"));
  EXPECT_NE(plist.find("\t<key>NSPrincipalClass</key>\n\t<string>QXSSabcOOOOOOOOOOOOO352441C2</string>\n"),
            std::string::npos);
  // Nothing is left beside the output.
  EXPECT_EQ(ListTree(scratch_.Path()).size(), ListTree(out_).size() + ListTree(templ_).size() + 5);
}

TEST_F(ScreenSaverBuild, AnOldSaverSurvivesARefusedOrFailedBuild) {
  std::filesystem::create_directories(out_);
  WriteBytes(out_ + "/old", "old");
  EXPECT_FALSE(settings_.BuildSaver(Utf8ToWide(out_), {}));
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"old"}));

  std::filesystem::remove(templ_ + "/fprx");
  settings_.universalBinary = false;
  EXPECT_FALSE(settings_.BuildSaver(Utf8ToWide(out_), Overwriting()));
  EXPECT_NE(settings_.Error().find("fprx"), std::string::npos) << settings_.Error();
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"old"}));
  WriteBytes(templ_ + "/fssx", "no placeholder here");
  settings_.universalBinary = true;
  EXPECT_FALSE(settings_.BuildSaver(Utf8ToWide(out_), Overwriting()));
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"old"}));
}

TEST_F(ScreenSaverBuild, SettersCountTheirChangesAndRefuseANonMovie) {
  const uint32_t before = settings_.ChangeCount();
  WriteBytes(scratch_ / "text.swf", "not a movie");
  EXPECT_FALSE(settings_.SetMovie(Utf8ToWide(scratch_ / "text.swf")));
  EXPECT_EQ(settings_.Movie(), Utf8ToWide(scratch_ / "movie.swf"));
  EXPECT_TRUE(settings_.SetMovie(Utf8ToWide(scratch_ / "movie.swf")));  // the same path: no change
  settings_.SetName(L"abc");
  settings_.SetBackgroundColor(settings_.config.bgcolor);
  EXPECT_EQ(settings_.ChangeCount(), before);
  settings_.SetName(L"abd");
  settings_.SetBackgroundColor(0x123456);
  EXPECT_TRUE(settings_.SetMovie(Utf8ToWide(scratch_ / "plain.swf")));
  EXPECT_EQ(settings_.ChangeCount(), before + 3);
}

}  // namespace

namespace {

TEST_F(ScreenSaverBuild, TheSettingsElementAndDocumentAreWrittenInTheirOrder) {
  settings_.SetName(L"Sky & Sea");
  settings_.installerPrefix = L"pre";
  settings_.installerReadMe = true;
  settings_.installerReadMeSource = Utf8ToWide(scratch_ / "r.txt");
  settings_.config.quality = SaverQuality::kBest;
  settings_.config.bgcolor = 0x102030;
  settings_.universalBinary = false;
  const std::string movie = scratch_ / "movie.swf";
  const std::string extra = scratch_ / "extra.txt";
  {
    XmlWriter w;
    ASSERT_TRUE(w.Open(Utf8ToWide(scratch_ / "element.xml")));
    settings_.WriteXml(w);
    ASSERT_TRUE(w.Close());
  }
  EXPECT_EQ(
      ReadBytes(scratch_ / "element.xml"),
      "<xml version=\"1.0\" encoding=\"UTF-8\">\n<screen_saver swf=\"" + movie +
          "\" name=\"Sky &amp; Sea\" installer_prefix=\"pre\" installer_suffix=\"\" installer_custom_pic=\"false\" "
          "installer_custom_pic_src=\"\" installer_intro=\"false\" installer_intro_src=\"\" "
          "installer_readme=\"true\" installer_readme_src=\"" +
          scratch_ / "r.txt" +
          "\" installer_license=\"false\" installer_license_src=\"\" flash_quality=\"best\" "
          "has_bgcolor=\"false\" bgcolor=\"1056816\" exit_on_mouse_move=\"true\" exit_on_mouse_click=\"true\" "
          "exit_on_key_press=\"true\" hide_mouse_cursor=\"true\" universal_binary=\"false\">\n"
          "<more_files>\n<path src=\"" +
          extra + "\" />\n</more_files>\n</screen_saver>\n\n</xml>\n");

  ASSERT_TRUE(settings_.SaveXml(Utf8ToWide(scratch_ / "saved.xml")));
  EXPECT_EQ(ReadBytes(scratch_ / "saved.xml"),
            "<xml version=\"1.0\" encoding=\"UTF-8\">\n<screen_saver swf=\"movie.swf\" name=\"Sky &amp; Sea\" "
            "installer_prefix=\"pre\" installer_suffix=\"\" flash_quality=\"best\" has_bgcolor=\"false\" "
            "bgcolor=\"1056816\" exit_on_mouse_move=\"true\" exit_on_mouse_click=\"true\" exit_on_key_press=\"true\" "
            "hide_mouse_cursor=\"true\">\n<more_files>\n<path src=\"extra.txt\" />\n</more_files>\n</screen_saver>\n"
            "\n</xml>\n");
  EXPECT_FALSE(settings_.SaveXml(Utf8ToWide(scratch_ / "no/such/saved.xml")));
}

}  // namespace

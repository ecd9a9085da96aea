#include "publish/SaverInstaller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/PrivateFolder.h"
#include "publish/InstallerPackage.h"
#include "publish/ScreenSaverSettings.h"
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

class SaverInstallerBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string saverTemplate = scratch_ / "saver";
    std::filesystem::create_directories(saverTemplate + "/English.lproj");
    std::filesystem::create_directories(saverTemplate + "/Flash Player.plugin");
    WriteBytes(saverTemplate + "/English.lproj/s", "s");
    WriteBytes(saverTemplate + "/Flash Player.plugin/p", "p");
    WriteBytes(saverTemplate + "/fprx", "f");
    WriteBytes(saverTemplate + "/fssx", "QXSSXXXXXXXXXXXXXXXXZZZZZZZZ");
    installer_ = scratch_ / "installer";
    std::filesystem::create_directories(installer_ + "/English.lproj");
    std::filesystem::create_directories(installer_ + "/French.lproj");
    WriteBytes(installer_ + "/English.lproj/Localizable.strings", "en");
    WriteBytes(installer_ + "/French.lproj/Localizable.strings", "fr");
    WriteBytes(installer_ + "/Installer", "#!/bin/sh\n");
    WriteBytes(installer_ + "/installer.icns", "icns");
    WriteBytes(installer_ + "/notes.md", "not copied");
    WriteBytes(scratch_ / "movie.swf", std::string("FWS\x06\x0F\0\0\0\0\0\x0C\x01\0\0\0", 15));
    WriteBytes(scratch_ / "readme.txt", "read me");
    WriteBytes(scratch_ / "license.txt", "licence");
    settings_.SetTemplateFolders(Utf8ToWide(saverTemplate), Utf8ToWide(installer_));
    ASSERT_TRUE(settings_.SetMovie(Utf8ToWide(scratch_ / "movie.swf")));
    settings_.installerReadMeSource = Utf8ToWide(scratch_ / "readme.txt");
    settings_.installerLicenseSource = Utf8ToWide(scratch_ / "license.txt");
  }
  Scratch scratch_;
  std::string installer_;
  ScreenSaverSettings settings_;
};

TEST_F(SaverInstallerBuild, TheConfigurationFlagsFollowTheTexts) {
  struct Case {
    bool readMe, license;
    uint8_t flags;
  };
  for (const Case& c :
       std::vector<Case>{{false, false, 0x60}, {true, false, 0x62}, {false, true, 0x64}, {true, true, 0x66}}) {
    settings_.installerReadMe = c.readMe;
    settings_.installerLicense = c.license;
    settings_.SetName(L"Sky");
    ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), Overwriting())) << settings_.Error();
    const std::string res = scratch_ / "Sky.app/Contents/Resources";
    EXPECT_EQ(ReadBytes(res + "/icd0.dat"), std::string(1, static_cast<char>(c.flags)) + std::string(15, '\0'));
    EXPECT_EQ(std::filesystem::exists(res + "/ReadMe.txt"), c.readMe);
    EXPECT_EQ(std::filesystem::exists(res + "/License.txt"), c.license);
  }
}

TEST_F(SaverInstallerBuild, TheApplicationHoldsThePackageOfTheSaver) {
  settings_.SetName(L"../My/Sky");  // becomes one plain component
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "out.saver"), {})) << settings_.Error();
  const std::string app = scratch_ / "out.app";
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "out.saver"));
  EXPECT_EQ(std::filesystem::read_symlink(app + "/Installer"), "Contents/MacOS/Installer");
  EXPECT_EQ(ReadBytes(app + "/Installer"), "#!/bin/sh\n");
  EXPECT_EQ(ReadBytes(app + "/Contents/PkgInfo"), "APPLQXmk");
  EXPECT_EQ(ReadBytes(app + "/Contents/Info.plist"), InstallerInfoPlist());
  const std::vector<std::string> resources = ListTree(app + "/Contents/Resources");
  const std::vector<std::string> expected = {"English.lproj/", "English.lproj/Localizable.strings",
                                             "French.lproj/",  "French.lproj/Localizable.strings",
                                             "data1.dat",      "data2.dat",
                                             "data3.dat",      "data4.dat",
                                             "data5.dat",      "data6.dat",
                                             "icd0.dat",       "installer.dat",
                                             "installer.icns"};
  EXPECT_EQ(resources, expected);

  InstallerPackage package;
  ASSERT_TRUE(package.ReadDescription(Utf8ToWide(app + "/Contents/Resources/installer.dat")));
  ASSERT_EQ(package.Items().size(), 1u);
  const InstallItem& item = *package.Items()[0];
  EXPECT_EQ(item.location, InstallLocation::kScreenSaver);
  EXPECT_EQ(item.domain, InstallDomain::kCurrentUser);
  const auto& saver = dynamic_cast<const InstallFolder&>(*item.Children().at(0));
  EXPECT_EQ(saver.name, L".._My_Sky.saver");
  EXPECT_EQ(dynamic_cast<const InstallFolder&>(*saver.Children().at(0)).name, L"Contents");

  // An existing installer without overwrite: refused, untouched.
  WriteBytes(app + "/Contents/PkgInfo", "old");
  EXPECT_FALSE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "out.saver"), {}));
  EXPECT_EQ(ReadBytes(app + "/Contents/PkgInfo"), "old");
  // A failed build with overwrite leaves it too.
  std::filesystem::remove(installer_ + "/installer.icns");
  EXPECT_FALSE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "out.saver"), Overwriting()));
  EXPECT_EQ(ReadBytes(app + "/Contents/PkgInfo"), "old");
  // Nothing is left beside it.
  std::vector<std::string> top;
  for (const auto& e : std::filesystem::directory_iterator(scratch_.Path())) top.push_back(e.path().filename());
  std::sort(top.begin(), top.end());
  EXPECT_EQ(top, (std::vector<std::string>{"installer", "license.txt", "movie.swf", "out.app", "readme.txt", "saver"}));
}

TEST_F(SaverInstallerBuild, ProgressTextsAreShownInTheirOrder) {
  settings_.SetName(L"Sky");
  std::vector<int> shown;
  SaverBuildOptions options = Overwriting();
  options.progress = [&shown](int number) { shown.push_back(number); };
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), options)) << settings_.Error();
  EXPECT_EQ(shown, (std::vector<int>{8030, 8031, 8032, 8033, 8034, 8035, 8036, 8037, 8039, 8042, 8043, 8044, 8045}));

  // With every part of the installer switched on, all sixteen.
  settings_.installerReadMe = true;
  settings_.installerLicense = true;
  settings_.installerCustomPicture = true;
  settings_.installerCustomPictureSource =
      Utf8ToWide(std::string(PLENWICK_BUNDLE_DIR) + "/Resources/desktop/plenwick.png");
  shown.clear();
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), options)) << settings_.Error();
  std::vector<int> all;
  for (int number = kSaverProgressCreatingSaver; number <= kSaverProgressInstallerCompleted; ++number) {
    all.push_back(number);
  }
  EXPECT_EQ(shown, all);

  // A build that fails never says it completed.
  std::filesystem::remove(installer_ + "/installer.icns");
  shown.clear();
  EXPECT_FALSE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), options));
  EXPECT_EQ(shown, (std::vector<int>{8030, 8031, 8032, 8033, 8034, 8035, 8036, 8037, 8038, 8039}));
}

TEST_F(SaverInstallerBuild, ALongNameIsCutBetweenCharacters) {
  // One byte, then 150 two-byte characters: the saver's folder name keeps the 99 that fit in
  // 200 bytes, not half of the 100th.
  settings_.SetName(L"a" + std::wstring(150, L'\u00e9'));
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "long.saver"), {})) << settings_.Error();
  InstallerPackage package;
  ASSERT_TRUE(package.ReadDescription(Utf8ToWide(scratch_ / "long.app/Contents/Resources/installer.dat")));
  ASSERT_EQ(package.Items().size(), 1u);
  const auto& saver = dynamic_cast<const InstallFolder&>(*package.Items()[0]->Children().at(0));
  EXPECT_EQ(saver.name, L"a" + std::wstring(99, L'\u00e9') + L".saver");
}

}  // namespace

#include "publish/PackageInstaller.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/ResourceFork.h"
#include "platform/Checksum.h"
#include "tests/publish/InstallerScratch.h"

namespace {

using installertest::ListTree;
using installertest::ReadBytes;
using installertest::Scratch;
using installertest::WriteBytes;

std::string Deflate(const std::string& bytes) {
  size_t length = 0;
  auto out = CompressToNewBuffer(bytes.data(), bytes.size(), length);
  return std::string(reinterpret_cast<char*>(out.get()), length);
}

// A temporary root with a home folder (the locator's), a package folder and a folder for
// "custom" items.
class PackageInstallerTest : public ::testing::Test {
 protected:
  PackageInstallerTest() : locator_(root_ / "home", "") {
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "pkg");
    std::filesystem::create_directories(root_ / "custom");
  }

  // Reads a description written by hand (names and all) into the package.
  void Describe(const std::string& items) {
    WriteBytes(root_ / "pkg/installer.dat", "<installer>" + items + "</installer>");
    ASSERT_TRUE(package_.ReadDescription(Utf8ToWide(root_ / "pkg/installer.dat")));
  }
  WideString Pkg() { return Utf8ToWide(root_ / "pkg"); }

  Scratch root_;
  XdgFolderLocator locator_;
  InstallerPackage package_;
};

TEST_F(PackageInstallerTest, APackedBundleIsInstalledIntoTheUsersScreenSavers) {
  const std::string src = root_ / "src/Movie.saver";
  std::filesystem::create_directories(src + "/Contents/MacOS");
  WriteBytes(src + "/Contents/Info.plist", "<plist/>");
  WriteBytes(src + "/Contents/MacOS/fssx", std::string(10000, 'x'));
  WriteBytes(src + "/Contents/Icon", "");
  ASSERT_EQ(host::fs::WriteResourceFork(src + "/Contents/Icon", "icon fork"), 0);
  InstallerPackage built;
  InstallItem* item = built.AddItem(InstallLocation::kScreenSaver, InstallDomain::kCurrentUser);
  ASSERT_TRUE(built.AddPath(Utf8ToWide(src), item));
  ASSERT_TRUE(built.WritePackage(Pkg()));
  ASSERT_TRUE(package_.ReadDescription(Utf8ToWide(root_ / "pkg/installer.dat")));

  int calls = 0;
  std::vector<std::string> treeAtLastCall;
  PackageInstaller installer(locator_, Pkg());
  installer.SetProgressHook(
      [&](uint32_t word) {
        EXPECT_EQ(word, 77u);
        ++calls;
        treeAtLastCall = ListTree(root_ / "home/.local/share/Screen Savers");
      },
      77);
  WideString folder = Utf8ToWide(root_ / "custom");
  ASSERT_TRUE(installer.Install(*package_.Items().at(0), folder)) << installer.Error();
  const std::string savers = root_ / "home/.local/share/Screen Savers";
  EXPECT_EQ(WideToUtf8(folder), savers + "/");
  const std::vector<std::string> expected = {"Movie.saver/",
                                             "Movie.saver/Contents/",
                                             "Movie.saver/Contents/._Icon",
                                             "Movie.saver/Contents/Icon",
                                             "Movie.saver/Contents/Info.plist",
                                             "Movie.saver/Contents/MacOS/",
                                             "Movie.saver/Contents/MacOS/fssx"};
  EXPECT_EQ(ListTree(savers), expected);
  EXPECT_EQ(ReadBytes(savers + "/Movie.saver/Contents/Info.plist"), "<plist/>");
  EXPECT_EQ(ReadBytes(savers + "/Movie.saver/Contents/MacOS/fssx"), std::string(10000, 'x'));
  EXPECT_EQ(ReadBytes(savers + "/Movie.saver/Contents/Icon"), "");
  std::string fork;
  bool exists = false;
  ASSERT_EQ(host::fs::ReadResourceFork(savers + "/Movie.saver/Contents/Icon", fork, exists), 0);
  EXPECT_EQ(fork, "icon fork");
  // One call per node (the item, three folders, three files), the last after everything.
  EXPECT_EQ(calls, 7);
  EXPECT_EQ(treeAtLastCall, expected);
  EXPECT_TRUE(ListTree(root_ / "custom").empty());
}

TEST_F(PackageInstallerTest, DomainsAndLocationsLeadWhereTheyMeanSomething) {
  WriteBytes(root_ / "pkg/data1.dat", Deflate("payload"));
  struct Case {
    const char* location;
    const char* domain;
    const char* installedAt;  // under the root; "" for a refusal
  };
  const std::vector<Case> cases = {
      {"screensaver", "current_user", "home/.local/share/Screen Savers/f"},
      {"application", "current_user", "home/Applications/f"},
      {"custom", "current_user", "custom/f"},
      {"desktop", "system", "custom/f"},  // no folder of its own: the caller's, whatever the domain
      {"screensaver", "system", ""},
      {"screensaver", "all_users", ""},
      {"application", "network", ""},
      {"application", "classic", ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(root_ / "home");
    std::filesystem::remove_all(root_ / "custom");
    std::filesystem::create_directories(root_ / "home");
    std::filesystem::create_directories(root_ / "custom");
    Describe(std::string("<install_item location=\"") + c.location + "\" domain=\"" + c.domain +
             "\"><install_file name=\"f\" dname=\"data1.dat\" /></install_item>");
    PackageInstaller installer(locator_, Pkg());
    WideString folder = Utf8ToWide(root_ / "custom");
    const bool ok = installer.Install(*package_.Items().at(0), folder);
    if (*c.installedAt == '\0') {
      EXPECT_FALSE(ok) << c.location << " " << c.domain;
      EXPECT_NE(installer.Error().find("domain"), std::string::npos) << installer.Error();
      EXPECT_TRUE(ListTree(root_ / "home").empty()) << c.domain;
      EXPECT_TRUE(ListTree(root_ / "custom").empty()) << c.domain;
    } else {
      ASSERT_TRUE(ok) << c.location << " " << c.domain << ": " << installer.Error();
      EXPECT_EQ(ReadBytes(root_ / c.installedAt), "payload") << c.location;
      // The folder argument holds the destination used (the caller's own for "custom").
      EXPECT_EQ((std::filesystem::path(WideToUtf8(folder)) / "f").lexically_normal(),
                std::filesystem::path(root_ / c.installedAt))
          << c.location;
    }
  }
}

TEST_F(PackageInstallerTest, ReplacePoliciesKeepOrReplaceWhatExists) {
  WriteBytes(root_ / "pkg/data1.dat", Deflate("new"));
  struct Case {
    const char* replace;  // the nodes' policy
    bool keeps;
  };
  const std::vector<Case> cases = {{"never", true}, {"always", false}, {"if_newer", false}};
  for (const Case& c : cases) {
    const std::string dest = root_ / "custom";
    std::filesystem::remove_all(dest);
    std::filesystem::create_directories(dest + "/Box");
    WriteBytes(dest + "/Box/old.txt", "old");
    WriteBytes(dest + "/Box/f", "old f");
    // Folders and files read from a description carry "always"; the policy is set on them here.
    Describe(
        "<install_item location=\"custom\"><install_folder name=\"Box\"><install_file name=\"f\" "
        "dname=\"data1.dat\" /><install_file name=\"g\" dname=\"data1.dat\" /></install_folder></install_item>");
    const InstallItem& item = *package_.Items().at(0);
    ReplacePolicy policy = ReplacePolicy::kAlways;
    ASSERT_TRUE(ParseReplacePolicy(Utf8ToWide(c.replace), policy));
    const_cast<InstallItem&>(*item.Children()[0]).replace = policy;
    for (const auto& file : item.Children()[0]->Children()) const_cast<InstallItem&>(*file).replace = policy;

    PackageInstaller installer(locator_, Pkg());
    WideString folder = Utf8ToWide(dest);
    ASSERT_TRUE(installer.Install(item, folder)) << c.replace << ": " << installer.Error();
    EXPECT_EQ(ReadBytes(dest + "/Box/g"), "new") << c.replace;  // children installed either way
    if (c.keeps) {
      EXPECT_EQ(ReadBytes(dest + "/Box/old.txt"), "old") << c.replace;
      EXPECT_EQ(ReadBytes(dest + "/Box/f"), "old f") << c.replace;
    } else {
      EXPECT_FALSE(std::filesystem::exists(dest + "/Box/old.txt")) << c.replace;
      EXPECT_EQ(ReadBytes(dest + "/Box/f"), "new") << c.replace;
    }
  }
}

TEST_F(PackageInstallerTest, NamesThatLeaveTheirFolderAreRefused) {
  WriteBytes(root_ / "pkg/data1.dat", Deflate("x"));
  WriteBytes(root_ / "secret.dat", Deflate("secret"));
  const std::vector<std::string> nodes = {
      "<install_file name=\"../escaped\" dname=\"data1.dat\" />",
      "<install_file name=\"sub/x\" dname=\"data1.dat\" />",
      "<install_file name=\"\" dname=\"data1.dat\" />",
      "<install_file name=\"..\" dname=\"data1.dat\" />",
      "<install_file dname=\"data1.dat\" />",
      "<install_folder name=\"..\"><install_file name=\"escaped\" dname=\"data1.dat\" /></install_folder>",
      "<install_folder name=\".\" />",
      "<install_folder name=\"\" />",
      "<install_folder name=\"/abs\" />",
      "<install_file name=\"ok\" dname=\"../secret.dat\" />",
      "<install_file name=\"ok\" rname=\"/etc/passwd\" />",
  };
  for (const std::string& node : nodes) {
    const std::string dest = root_ / "custom/inner";
    std::filesystem::remove_all(root_ / "custom");
    std::filesystem::create_directories(dest);
    WriteBytes(dest + "/keep", "keep");
    Describe("<install_item location=\"custom\">" + node + "</install_item>");
    PackageInstaller installer(locator_, Pkg());
    WideString folder = Utf8ToWide(dest);
    EXPECT_FALSE(installer.Install(*package_.Items().at(0), folder)) << node;
    EXPECT_NE(installer.Error().find("not a plain name"), std::string::npos) << node << ": " << installer.Error();
    EXPECT_EQ(ListTree(root_ / "custom"), (std::vector<std::string>{"inner/", "inner/keep"})) << node;
    EXPECT_EQ(ListTree(root_.Path()),
              (std::vector<std::string>{"custom/", "custom/inner/", "custom/inner/keep", "home/", "pkg/",
                                        "pkg/data1.dat", "pkg/installer.dat", "secret.dat"}))
        << node;
  }
}

TEST_F(PackageInstallerTest, AFailingChildStopsItsLaterSiblingsAndIsReported) {
  WriteBytes(root_ / "pkg/data1.dat", Deflate("one"));
  WriteBytes(root_ / "pkg/raw.dat", "stored as it is");
  WriteBytes(root_ / "pkg/bad.dat", "not zlib");
  struct Case {
    const char* second;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"<install_file name=\"b\" dname=\"missing.dat\" />", "cannot read"},
      {"<install_file name=\"b\" dname=\"bad.dat\" />", "damaged"},
      {"<install_file name=\"b\" rname=\"bad.dat\" />", "damaged"},
      {"<install_file name=\"b\" dname=\"raw.dat\" cmp=\"true\" />", "damaged"},
  };
  for (const Case& c : cases) {
    const std::string dest = root_ / "custom";
    std::filesystem::remove_all(dest);
    std::filesystem::create_directories(dest);
    Describe(std::string("<install_item location=\"custom\"><install_file name=\"a\" dname=\"data1.dat\" />") +
             c.second + "<install_file name=\"c\" dname=\"data1.dat\" /></install_item>");
    PackageInstaller installer(locator_, Pkg());
    WideString folder = Utf8ToWide(dest);
    EXPECT_FALSE(installer.Install(*package_.Items().at(0), folder)) << c.second;
    EXPECT_NE(installer.Error().find(c.error), std::string::npos) << installer.Error();
    EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"a"})) << c.second;
  }

  // The same data file said to be stored uncompressed installs as it is.
  Describe(
      "<install_item location=\"custom\"><install_file name=\"b\" dname=\"raw.dat\" cmp=\"false\" />"
      "</install_item>");
  PackageInstaller installer(locator_, Pkg());
  WideString folder = Utf8ToWide(root_ / "custom");
  ASSERT_TRUE(installer.Install(*package_.Items().at(0), folder)) << installer.Error();
  EXPECT_EQ(ReadBytes(root_ / "custom/b"), "stored as it is");
}

TEST_F(PackageInstallerTest, ALinkInTheWayIsReplacedNotWrittenThrough) {
  WriteBytes(root_ / "pkg/data1.dat", Deflate("new"));
  WriteBytes(root_ / "outside", "outside");
  std::filesystem::create_directories(root_ / "elsewhere");
  ASSERT_EQ(::symlink((root_ / "outside").c_str(), (root_ / "custom/f").c_str()), 0);
  ASSERT_EQ(::symlink((root_ / "elsewhere").c_str(), (root_ / "custom/D").c_str()), 0);
  Describe(
      "<install_item location=\"custom\"><install_file name=\"f\" dname=\"data1.dat\" />"
      "<install_folder name=\"D\"><install_file name=\"g\" dname=\"data1.dat\" /></install_folder>"
      "</install_item>");
  PackageInstaller installer(locator_, Pkg());
  WideString folder = Utf8ToWide(root_ / "custom");
  ASSERT_TRUE(installer.Install(*package_.Items().at(0), folder)) << installer.Error();
  EXPECT_EQ(ReadBytes(root_ / "outside"), "outside");
  EXPECT_TRUE(ListTree(root_ / "elsewhere").empty());
  EXPECT_EQ(ListTree(root_ / "custom"), (std::vector<std::string>{"D/", "D/g", "f"}));
  EXPECT_EQ(ReadBytes(root_ / "custom/f"), "new");
}

}  // namespace

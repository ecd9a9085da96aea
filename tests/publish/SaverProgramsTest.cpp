// The screen saver and its installer made with the bundle's own templates, run for real: the
// saver's launcher starts the player program in screen-saver mode on the saver's movie, and the
// installer program installs the saver into a temporary home's XDG folders.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "platform/WideString.h"
#include "publish/InstallerArchive.h"
#include "publish/ScreenSaverSettings.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/publish/InstallerScratch.h"
#include "tests/publish/PlayerProcess.h"

namespace {

namespace fs = std::filesystem;
using installertest::ListTree;
using installertest::ReadBytes;
using installertest::Scratch;
using installertest::WriteBytes;
using playertest::PlayerRun;
using playertest::RunPlayer;

// A movie of one frame that traces `text`.
void WriteTracingMovie(const std::string& path, const std::wstring& text) {
  SwfFileWriter writer;
  writer.SetMovieParameters(4000, 3000, 12.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(text)));
  actions->AddAction(std::make_unique<ActionTrace>());
  writer.AddTag(std::move(actions));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

// The differences between two trees: paths in one only, and files whose bytes differ.
std::vector<std::string> TreeDifferences(const std::string& a, const std::string& b) {
  std::vector<std::string> out;
  const std::vector<std::string> left = ListTree(a);
  const std::vector<std::string> right = ListTree(b);
  for (const std::string& path : left) {
    if (std::find(right.begin(), right.end(), path) == right.end()) {
      out.push_back("only in the first: " + path);
    } else if (path.back() != '/' && ReadBytes(a + "/" + path) != ReadBytes(b + "/" + path)) {
      out.push_back("differs: " + path);
    }
  }
  for (const std::string& path : right) {
    if (std::find(left.begin(), left.end(), path) == left.end()) out.push_back("only in the second: " + path);
  }
  return out;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SaverPrograms : public ::testing::Test {
 protected:
  void SetUp() override {
    // The templates are the build tree's bundle's, whoever runs the test.
    host::bundle::SetBundlePathForTesting(PLENWICK_BUNDLE_DIR);
    settings_ = ScreenSaverSettings();
    environment_ = {"QT_QPA_PLATFORM=offscreen", "PLENWICK_PLAYER=" + std::string(PLENWICK_PLAYER_PROGRAM),
                    "HOME=" + home_, "XDG_DATA_HOME=" + home_ + "/data"};
    // The player's browser refuses to run as root with its sandbox on.
    if (::geteuid() == 0) environment_.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox");
    fs::create_directories(home_);
    WriteTracingMovie(scratch_ / "sky.swf", L"the sky saver plays");
    WriteBytes(scratch_ / "readme.txt", "Sky\nA saver of clouds.\n");
    WriteBytes(scratch_ / "license.txt", "Use it freely.\n");
    ASSERT_TRUE(settings_.SetMovie(Utf8ToWide(scratch_ / "sky.swf")));
    settings_.SetName(L"Sky");
    settings_.installerReadMe = true;
    settings_.installerReadMeSource = Utf8ToWide(scratch_ / "readme.txt");
    settings_.installerLicense = true;
    settings_.installerLicenseSource = Utf8ToWide(scratch_ / "license.txt");
  }
  void TearDown() override { host::bundle::SetBundlePathForTesting(""); }

  PlayerRun Run(const std::vector<std::string>& argv, size_t lines, bool terminate) {
    return RunPlayer(argv, environment_, lines, terminate, std::chrono::seconds(90), scratch_ / "errors.log");
  }
  // Runs a program with its standard input empty (as when no one is at a terminal).
  PlayerRun RunAlone(const std::vector<std::string>& argv) {
    std::vector<std::string> shell = {"/bin/sh", "-c", "exec \"$@\" < /dev/null", "sh"};
    shell.insert(shell.end(), argv.begin(), argv.end());
    return Run(shell, 0, false);
  }
  std::string Errors() { return ReadBytes(scratch_ / "errors.log"); }

  Scratch scratch_;
  const std::string home_ = scratch_ / "home";
  std::vector<std::string> environment_;
  ScreenSaverSettings settings_;
};

TEST_F(SaverPrograms, TheSaversLauncherPlaysItsMovieInThePlayerUntilTerminated) {
  const std::string saver = scratch_ / "Sky.saver";
  ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(saver), {})) << settings_.Error();
  // The launcher carries the saver's own class name.
  const std::string launcher = ReadBytes(saver + "/Contents/MacOS/fssx");
  EXPECT_NE(launcher.find("'QXSS" + WideToUtf8(MakeSaverClassSuffix(L"Sky")) + "'"), std::string::npos);
  EXPECT_EQ(launcher.find(kSaverClassPlaceholder), std::string::npos);

  const PlayerRun run = Run({saver + "/Contents/MacOS/fssx"}, 1, true);
  EXPECT_FALSE(run.timedOut) << Errors();
  EXPECT_TRUE(run.exited && run.status == 0) << "status " << run.status << ", signal " << run.signal << "\n"
                                             << Errors();
  EXPECT_EQ(run.lines, std::vector<std::string>{"the sky saver plays"}) << Errors();
}

TEST_F(SaverPrograms, ThePlayerRefusesASaverItCannotPlay) {
  const std::string saver = scratch_ / "Sky.saver";
  ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(saver), {})) << settings_.Error();
  const std::string resources = saver + "/Contents/Resources";
  struct Case {
    const char* what;
    const char* file;
    std::string bytes;  // empty: the file is removed
    const char* reason;
  };
  const Case cases[] = {
      {"settings one byte short", "ssc0.dat", std::string(139, '\0'), "ssc0.dat are damaged"},
      {"settings one byte long", "ssc0.dat", std::string(141, '\0'), "ssc0.dat are damaged"},
      {"no movie", "ssaver.swf", "", "cannot read the movie"},
      {"a text for a movie", "ssaver.swf", "plain text, not a movie", "is not a movie"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(saver);
    ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(saver), {})) << settings_.Error();
    if (c.bytes.empty()) {
      fs::remove(resources + "/" + c.file);
    } else {
      WriteBytes(resources + "/" + c.file, c.bytes);
    }
    const PlayerRun run = Run({PLENWICK_PLAYER_PROGRAM, "--screen-saver", resources}, 0, false);
    EXPECT_TRUE(run.exited && run.status == 2) << run.status;
    EXPECT_NE(Errors().find(c.reason), std::string::npos) << Errors();
  }
}

TEST_F(SaverPrograms, TheInstallerProgramInstallsTheSaverIntoTheUsersScreenSavers) {
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), {})) << settings_.Error();
  const std::string app = scratch_ / "Sky.app";
  // What the installer must make: the saver as BuildSaver makes it.
  fs::create_directories(scratch_ / "expected");
  ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(scratch_ / "expected/Sky.saver"), {})) << settings_.Error();
  const std::string installed = home_ + "/data/Screen Savers/Sky.saver";

  // Nobody accepts the licence: nothing is installed.
  PlayerRun run = RunAlone({app + "/Installer"});
  EXPECT_TRUE(run.exited && run.status == 3) << run.status << Errors();
  EXPECT_NE(Errors().find("the licence was not accepted"), std::string::npos) << Errors();
  EXPECT_FALSE(fs::exists(installed));

  // Started through the link at the bundle's top, as a user would.
  run = RunAlone({app + "/Installer", "--accept-license"});
  ASSERT_TRUE(run.exited && run.status == 0) << run.status << Errors();
  EXPECT_TRUE(Contains(run.lines, "A saver of clouds.")) << testing::PrintToString(run.lines);
  EXPECT_TRUE(Contains(run.lines, "Use it freely.")) << testing::PrintToString(run.lines);
  EXPECT_TRUE(Contains(run.lines, "Installed into " + home_ + "/data/Screen Savers/"))
      << testing::PrintToString(run.lines);
  EXPECT_EQ(TreeDifferences(installed, scratch_ / "expected/Sky.saver"), std::vector<std::string>{});

  // Installed again over the first: the same tree.
  WriteBytes(installed + "/Contents/Resources/stale", "left from before");
  run = RunAlone({app + "/Contents/MacOS/Installer", "--accept-license"});
  ASSERT_TRUE(run.exited && run.status == 0) << run.status << Errors();
  EXPECT_EQ(TreeDifferences(installed, scratch_ / "expected/Sky.saver"), std::vector<std::string>{});
}

TEST_F(SaverPrograms, TheInstallerProgramReportsWhatStopsIt) {
  settings_.installerLicense = false;
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), {})) << settings_.Error();
  const std::string app = scratch_ / "Sky.app";
  const std::string resources = app + "/Contents/Resources";

  // The user's data folder is a file: "Screen Savers" can't be made there.
  WriteBytes(home_ + "/data", "a file");
  PlayerRun run = RunAlone({app + "/Installer"});
  EXPECT_TRUE(run.exited && run.status == 1) << run.status;
  EXPECT_NE(Errors().find("cannot make the folder"), std::string::npos) << Errors();
  fs::remove(home_ + "/data");

  // A description whose saver would leave the Screen Savers folder is refused, and nothing is
  // made outside it.
  const std::string description = ReadBytes(resources + "/installer.dat");
  std::string tampered = description;
  const std::string name = "name=\"Sky.saver\"";
  ASSERT_NE(tampered.find(name), std::string::npos);
  tampered.replace(tampered.find(name), name.size(), "name=\"../Sky.saver\"");
  WriteBytes(resources + "/installer.dat", tampered);
  run = RunAlone({app + "/Installer"});
  EXPECT_TRUE(run.exited && run.status == 1) << run.status;
  EXPECT_NE(Errors().find("is not a plain name"), std::string::npos) << Errors();
  EXPECT_FALSE(fs::exists(home_ + "/data/Sky.saver"));

  // A data file that is not what the description says it is.
  WriteBytes(resources + "/installer.dat", description);
  WriteBytes(resources + "/data1.dat", "not compressed data");
  run = RunAlone({app + "/Installer"});
  EXPECT_TRUE(run.exited && run.status == 1) << run.status;
  EXPECT_NE(Errors().find("data1.dat is damaged"), std::string::npos) << Errors();
}

TEST_F(SaverPrograms, TheInstallerProgramInstallsFromAnArchive) {
  ASSERT_TRUE(settings_.BuildInstaller(Utf8ToWide(scratch_ / "Sky.saver"), {})) << settings_.Error();
  fs::create_directories(scratch_ / "expected");
  ASSERT_TRUE(settings_.BuildSaver(Utf8ToWide(scratch_ / "expected/Sky.saver"), {})) << settings_.Error();
  const std::string resources = scratch_ / "Sky.app/Contents/Resources";

  // The installer's package as one archive: the description, the data files, then the texts
  // and the configuration last.
  const std::string archivePath = scratch_ / "sky.arc";
  {
    InstallerArchiveWriter writer;
    ASSERT_TRUE(writer.Open(Utf8ToWide(archivePath)));
    InstallerFileRecord description;
    description.SetPath(Utf8ToWide(resources + "/installer.dat"));
    ASSERT_TRUE(writer.Add(description));
    for (const auto& entry : fs::directory_iterator(resources)) {
      const std::string file = entry.path().filename();
      if (file.rfind("data", 0) != 0) continue;
      InstallerContentRecord content;
      content.SetPath(Utf8ToWide(entry.path().string()));
      ASSERT_TRUE(writer.Add(content)) << file;
    }
    InstallerLicenseRecord license;
    license.SetPath(Utf8ToWide(resources + "/License.txt"));
    ASSERT_TRUE(writer.Add(license));
    InstallerConfigRecord config;
    config.SetPath(Utf8ToWide(resources + "/icd0.dat"));
    ASSERT_TRUE(writer.Add(config));
    ASSERT_TRUE(writer.Finish());
  }
  const std::string program = std::string(PLENWICK_BUNDLE_DIR) + "/Resources/ssin_tmp/Installer";
  PlayerRun run = RunAlone({program, "--archive", archivePath, "--accept-license"});
  ASSERT_TRUE(run.exited && run.status == 0) << run.status << Errors();
  EXPECT_TRUE(Contains(run.lines, "Use it freely.")) << testing::PrintToString(run.lines);
  EXPECT_EQ(TreeDifferences(home_ + "/data/Screen Savers/Sky.saver", scratch_ / "expected/Sky.saver"),
            std::vector<std::string>{});

  // Bytes that are no archive.
  WriteBytes(scratch_ / "bad.arc", "no archive at all");
  run = RunAlone({program, "--archive", scratch_ / "bad.arc"});
  EXPECT_TRUE(run.exited && run.status == 1) << run.status;
  EXPECT_NE(Errors().find("is not an installer archive"), std::string::npos) << Errors();
}

}  // namespace

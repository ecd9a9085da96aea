// The generator's movies read back from their files: frames, tags, ids, depths and names per
// mode, the compressed form, and what a failed build leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/TempFolder.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"

namespace {

using movieinspect::Codes;
using movieinspect::Movie;
using movieinspect::ReadPlacement;

// Every action list of the movie passes the checker.
void ExpectSoundScripts(const std::string& path) {
  std::vector<actioncheck::MovieActionList> lists;
  std::string error;
  ASSERT_TRUE(actioncheck::CollectMovieActionLists(path, lists, error)) << error;
  EXPECT_FALSE(lists.empty());
  for (const auto& list : lists) {
    const actioncheck::CheckResult check = actioncheck::CheckActionList(list.bytes);
    EXPECT_TRUE(check.Ok()) << list.where << "\n" << check.Report();
  }
}

std::string Script(const movieinspect::Tag& tag) {
  std::vector<scriptnotation::Action> actions;
  std::string error;
  if (!scriptnotation::Decoder(tag.body).Run(actions, error)) return "undecodable: " + error;
  return scriptnotation::Join(actions);
}

// Points the program's private temporary folder at a fresh folder of its own through the XDG
// variables, so that what a build leaves there is not mixed up with what other test processes
// running at the same moment do in the shared one. Puts the environment back afterwards.
class OwnTemporaryFolder {
 public:
  OwnTemporaryFolder() {
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    // The scratch folder is made with mode 0700, as a runtime folder must be.
    ::setenv("XDG_RUNTIME_DIR", base_.Native("run").c_str(), 1);
    ::mkdir(base_.Native("run").c_str(), 0700);
    ::setenv("XDG_CACHE_HOME", base_.Native("cache").c_str(), 1);
  }
  ~OwnTemporaryFolder() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  OwnTemporaryFolder(const OwnTemporaryFolder&) = delete;
  OwnTemporaryFolder& operator=(const OwnTemporaryFolder&) = delete;

  // The folder temporary files go to (created when missing).
  static std::filesystem::path Folder() {
    WideString probe;
    if (!GetTempFilePath(probe, L"probe", true)) return {};
    return std::filesystem::path(WideToUtf8(probe)).parent_path();
  }

  // Every file name in that folder.
  static std::set<std::string> Names() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ec))
      names.insert(entry.path().filename().string());
    return names;
  }

 private:
  projecttest::ScratchDir base_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class PreloaderBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override { project.SetTargetUrl(Utf8ToWide(dir.Native("target.swf"))); }

  Movie Build(const char* name = "out.swf") {
    const bool ok = builder.Build(dir.Path(name), project, true);
    EXPECT_TRUE(ok) << builder.GetError();
    return movieinspect::ReadFile(dir.Native(name));
  }

  OwnTemporaryFolder temp;
  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
};

TEST_F(PreloaderBuilderTest, ExternalTargetMovie) {
  for (int32_t type : {kTargetExternal7, kTargetExternal}) {
    project.SetTargetType(static_cast<TargetType>(type));
    project.SetBackgroundColor(0x332211);
    const Movie m = Build();
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.signature, "FWS");
    EXPECT_EQ(m.version, type == kTargetExternal7 ? 7 : 5);
    EXPECT_EQ(m.width, 300 * 20);
    EXPECT_EQ(m.height, 200 * 20);
    EXPECT_DOUBLE_EQ(m.frameRate, 12.0);
    // Frame 1: colour, loader, "ldr", the target's clip and its placement, the load script.
    // Then "loaderdone", which plays the target the movie-clip loader holds (a target loaded
    // with loadMovie plays by itself), and a frame that stops.
    const bool held = type == kTargetExternal7;
    EXPECT_EQ(Codes(m.tags), held ? (std::vector<int>{9, 39, 26, 39, 26, 12, 1, 28, 43, 12, 1, 12, 1, 0})
                                  : (std::vector<int>{9, 39, 26, 39, 26, 12, 1, 28, 43, 1, 12, 1, 0}));
    EXPECT_EQ(m.frameCount, 3);
    EXPECT_EQ(m.length, m.fileSize);
    EXPECT_EQ(builder.GetWrittenSize(), m.fileSize - m.headerSize);
    EXPECT_EQ(m.tags[0].body, (std::vector<uint8_t>{0x11, 0x22, 0x33}));

    const auto& loader = m.tags[1];
    EXPECT_EQ(movieinspect::U16(loader.body, 0), 1);  // ids start at 1
    EXPECT_EQ(movieinspect::U16(loader.body, 2), 5);
    EXPECT_EQ(Codes(loader.children), (std::vector<int>{12, 1, 12, 1, 12, 1, 12, 1, 12, 1, 0}));
    EXPECT_EQ(Script(loader.children[6]), "PreviousFrame; Play");
    EXPECT_EQ(Script(loader.children[8]), "Stop; SetTarget \"_parent\"; Play; SetTarget \"\"");

    const auto ldr = ReadPlacement(m.tags[2]);
    EXPECT_EQ(ldr.name, "ldr");
    EXPECT_EQ(ldr.id, 1);
    EXPECT_EQ(ldr.depth, 1);
    EXPECT_FALSE(ldr.hasMatrix);
    EXPECT_EQ(movieinspect::U16(m.tags[3].body, 0), 2);
    EXPECT_EQ(Codes(m.tags[3].children), (std::vector<int>{1, 0}));
    const auto ptgt = ReadPlacement(m.tags[4]);
    EXPECT_EQ(ptgt.name, "ptgt");
    EXPECT_EQ(ptgt.id, 2);
    EXPECT_EQ(ptgt.depth, 2);
    EXPECT_FALSE(ptgt.hasMatrix);
    EXPECT_EQ(Script(m.tags[5]).rfind(type == kTargetExternal7 ? "ConstantPool [\"mcLoader\"" : "Push [inline \"", 0),
              0u);

    EXPECT_EQ(movieinspect::U16(m.tags[7].body, 0), 1);  // the loader's depth
    EXPECT_EQ(movieinspect::Text(m.tags[8]), "loaderdone");
    if (held) {
      EXPECT_EQ(Script(m.tags[9]), "SetTarget \"ptgt\"; Play; SetTarget \"\"");
      EXPECT_EQ(Script(m.tags[11]), "Stop");
    } else {
      EXPECT_EQ(Script(m.tags[10]), "Stop");
    }
    ExpectSoundScripts(dir.Native("out.swf"));
  }
}

TEST_F(PreloaderBuilderTest, PreviewStopsAtLoaderDoneWithoutTargetClip) {
  for (int32_t type : {kTargetExternal7, kTargetExternal, kTargetMerge}) {
    project.SetTargetType(static_cast<TargetType>(type));
    project.SetPreviewMode(true, false);
    project.SetCompress(true);  // no compression in preview
    const Movie m = Build();
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.signature, "FWS");
    // An empty target script is not written.
    EXPECT_EQ(Codes(m.tags), (std::vector<int>{9, 39, 26, 1, 28, 43, 12, 1, 0})) << type;
    EXPECT_EQ(m.frameCount, 2);
    EXPECT_EQ(Script(m.tags[6]), "Stop");
    EXPECT_EQ(Script(m.tags[1].children[8]), "Stop; SetTarget \"_parent\"; Play; SetTarget \"\"");
    ExpectSoundScripts(dir.Native("out.swf"));
  }
}

TEST_F(PreloaderBuilderTest, DisplayPreviewStageAndLoaderEnd) {
  PreloaderDisplay display;
  ASSERT_TRUE(display.SetWidth(100));
  ASSERT_TRUE(display.SetHeight(50));
  project.SetDisplay(&display);
  project.SetPreviewMode(true, true);
  const Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.width, 120 * 20);
  EXPECT_EQ(m.height, 70 * 20);
  // The loader stops at its end instead of playing the movie on.
  EXPECT_EQ(Script(m.tags[1].children[8]), "Stop");
  project.SetDisplay(nullptr);
}

TEST_F(PreloaderBuilderTest, ProtectAndPlacementOffsets) {
  const std::string file = dir.Native("p.plw");
  projecttest::WriteText(file, projecttest::FileWith("<preloader_data target_xpos=\"5\" target_ypos=\"-3\" "
                                                     "protect=\"true\" target_type=\"external\" >\n"
                                                     "</preloader_data>\n"));
  std::string error;
  ASSERT_TRUE(OpenProjectFile(Utf8ToWide(file), project, &error)) << error;
  ASSERT_TRUE(project.SetTargetOriginX(-7));
  const Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(Codes(m.tags), (std::vector<int>{9, 24, 39, 26, 39, 26, 12, 1, 28, 43, 1, 12, 1, 0}));
  EXPECT_TRUE(m.tags[1].body.empty());
  const auto ldr = ReadPlacement(m.tags[3]);
  EXPECT_TRUE(ldr.hasMatrix);
  EXPECT_EQ(ldr.translateX, 100);
  EXPECT_EQ(ldr.translateY, -60);
  EXPECT_EQ(ldr.name, "ldr");
  const auto ptgt = ReadPlacement(m.tags[5]);
  EXPECT_TRUE(ptgt.hasMatrix);
  EXPECT_EQ(ptgt.translateX, -140);
  EXPECT_EQ(ptgt.translateY, 0);
  EXPECT_EQ(ptgt.name, "ptgt");
}

TEST_F(PreloaderBuilderTest, CompressedMovieInflatesToTheUncompressedBuild) {
  project.SetTargetType(kTargetExternal);
  const Movie plain = Build("plain.swf");
  // A file at the old fixed temporary name is somebody else's: the build leaves it alone.
  const std::filesystem::path folder = OwnTemporaryFolder::Folder();
  ASSERT_FALSE(folder.empty());
  const std::string fixed = (folder / "_rrw_t0plw.dat").string();
  projecttest::WriteText(fixed, "not ours");
  const std::set<std::string> before = OwnTemporaryFolder::Names();
  EXPECT_EQ(before, std::set<std::string>{"_rrw_t0plw.dat"});

  project.SetCompress(true);
  const Movie packed = Build("packed.swf");
  ASSERT_EQ(packed.error, "");
  EXPECT_EQ(packed.signature, "CWS");
  EXPECT_EQ(packed.length, plain.length);
  EXPECT_EQ(packed.tags.size(), plain.tags.size());
  const std::string a = projecttest::ReadText(dir.Native("plain.swf"));
  std::vector<uint8_t> inflated(packed.length);
  const std::string b = projecttest::ReadText(dir.Native("packed.swf"));
  uLongf size = packed.length - 8;
  ASSERT_EQ(uncompress(inflated.data(), &size, reinterpret_cast<const Bytef*>(b.data()) + 8, b.size() - 8), Z_OK);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(inflated.data()), size), a.substr(8));
  EXPECT_EQ(builder.GetWrittenSize(), plain.fileSize - plain.headerSize);

  EXPECT_EQ(OwnTemporaryFolder::Names(), before);  // the temporary file is gone
  EXPECT_EQ(projecttest::ReadText(fixed), "not ours");
}

TEST_F(PreloaderBuilderTest, FailedBuildLeavesTheOldFile) {
  const std::string out = dir.Native("out.swf");
  projecttest::WriteText(out, "old movie");
  ASSERT_EQ(OwnTemporaryFolder::Names(), std::set<std::string>{});

  // Not allowed to replace.
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, false));
  EXPECT_NE(builder.GetError(), "");
  EXPECT_EQ(builder.GetWrittenSize(), 0u);

  // A merge target that can't be read, compressed or not.
  project.SetTargetType(kTargetMerge);
  for (bool compress : {false, true}) {
    project.SetCompress(compress);
    EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
    EXPECT_NE(builder.GetError(), "");
    EXPECT_EQ(builder.GetWrittenSize(), 0u);
  }
  EXPECT_EQ(projecttest::ReadText(out), "old movie");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Native("")))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"out.swf"});
  EXPECT_EQ(OwnTemporaryFolder::Names(), std::set<std::string>{});  // no temporary file left

  // A folder that does not exist.
  project.SetTargetType(kTargetExternal);
  EXPECT_FALSE(builder.Build(dir.Path("missing/out.swf"), project, true));
  EXPECT_NE(builder.GetError(), "");
}

TEST_F(PreloaderBuilderTest, ValuesADocumentHoldsUncheckedAreRefused) {
  const std::string file = dir.Native("p.plw");
  for (const char* attributes : {"target_fps=\"0\"", "target_fps=\"500\"", "target_width=\"9000\"",
                                 "target_height=\"0\""}) {
    projecttest::WriteText(file,
                           projecttest::FileWith(std::string("<preloader_data ") + attributes + " >\n</preloader_data>\n"));
    std::string error;
    ASSERT_TRUE(OpenProjectFile(Utf8ToWide(file), project, &error)) << error;
    EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true)) << attributes;
    EXPECT_NE(builder.GetError(), "");
    EXPECT_FALSE(std::filesystem::exists(dir.Native("out.swf")));
  }
}

}  // namespace

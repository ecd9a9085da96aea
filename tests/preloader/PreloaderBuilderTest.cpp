// The generator's movies read back from their files: frames, tags, ids, depths and names per
// mode, the compressed form, and what a failed build leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
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
#include "tests/support/MovieInflater.h"

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
  // Both of version 6, the least a compressed movie has.
  projecttest::WriteText(dir.Native("target.swf"), projecttest::MovieWithVersion(6));
  project.SetTargetType(kTargetExternal);
  const Movie plain = Build("plain.swf");
  EXPECT_EQ(plain.version, 6);
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
  const std::string b = projecttest::ReadText(dir.Native("packed.swf"));
  const movieinflate::Inflated inflated = movieinflate::InflateMovie(std::vector<uint8_t>(b.begin(), b.end()));
  ASSERT_EQ(inflated.status, movieinflate::InflateStatus::kComplete);
  EXPECT_EQ(std::string(inflated.movie.begin() + 8, inflated.movie.end()), a.substr(8));
  EXPECT_EQ(builder.GetWrittenSize(), plain.fileSize - plain.headerSize);

  EXPECT_EQ(OwnTemporaryFolder::Names(), before);  // the temporary file is gone
  EXPECT_EQ(projecttest::ReadText(fixed), "not ours");
}

TEST_F(PreloaderBuilderTest, MoviesUseOnlyActionsAndFormsOfTheirVersion) {
  struct Case {
    const char* name;
    TargetType type;
    int targetVersion;  // 0: no target file
    bool compress;
    bool preview;
    PreloadMode mode;
    const char* signature;
    int version;
  } cases[] = {
      {"external", kTargetExternal, 0, false, false, kPreloadSimple, "FWS", 5},
      {"external smart", kTargetExternal, 4, false, false, kPreloadSmart, "FWS", 5},
      {"merge", kTargetMerge, 5, false, false, kPreloadSimple, "FWS", 5},
      {"merge preview", kTargetMerge, 5, true, true, kPreloadSimple, "FWS", 5},
      // Players of version 5 read no compressed movies.
      {"external compressed", kTargetExternal, 0, true, false, kPreloadSimple, "CWS", 6},
      {"merge compressed", kTargetMerge, 5, true, false, kPreloadSmart, "CWS", 6},
      {"external_7", kTargetExternal7, 0, true, false, kPreloadSimple, "CWS", 7},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.Native("target.swf"));
    if (c.targetVersion != 0)
      projecttest::WriteText(dir.Native("target.swf"),
                             projecttest::MovieWithVersion(static_cast<uint8_t>(c.targetVersion)));
    project.SetTargetType(c.type);
    project.SetCompress(c.compress);
    project.SetPreviewMode(c.preview, false);
    project.SetPreloadMode(c.mode);
    const Movie m = Build();
    ASSERT_EQ(m.error, "") << c.name;
    EXPECT_EQ(m.signature, c.signature) << c.name;
    EXPECT_EQ(m.version, c.version) << c.name;
    std::vector<actioncheck::MovieActionList> lists;
    std::string error;
    ASSERT_TRUE(actioncheck::CollectMovieActionLists(dir.Native("out.swf"), lists, error)) << error;
    int actions = 0;
    for (const auto& list : lists) {
      for (const actioncheck::DecodedAction& action : actioncheck::CheckActionList(list.bytes).actions) {
        EXPECT_LE(projecttest::ActionVersion(action.code), m.version)
            << c.name << ": action 0x" << std::hex << int{action.code} << " in " << list.where;
        ++actions;
      }
    }
    EXPECT_GT(actions, 50) << c.name;
  }
}

TEST_F(PreloaderBuilderTest, AnAddressLongerThanItsScriptActionCarriesIsRefused) {
  const std::string out = dir.Native("out.swf");
  const std::string prefix = "http://example.com/";
  // The longest address each carries: a Push of the address and "ptgt" (two type bytes, two
  // zeros, "ptgt"), or the movie-clip loader's pool (count, ten zeros, nine names of 79 bytes).
  struct Case {
    TargetType type;
    size_t longest;
  } cases[] = {{kTargetExternal, 65535 - 8}, {kTargetExternal7, 65535 - 2 - 10 - 79}};
  for (const Case& c : cases) {
    project.SetTargetType(c.type);
    for (size_t length : {c.longest, c.longest + 1}) {
      projecttest::WriteText(out, "old movie");
      const std::string url = prefix + std::string(length - prefix.size(), 'a');
      project.SetTargetUrl(Utf8ToWide(url));
      const bool built = builder.Build(dir.Path("out.swf"), project, true);
      if (length == c.longest) {
        ASSERT_TRUE(built) << c.type << ": " << builder.GetError();
        // The address arrives whole, in a sound script.
        EXPECT_NE(projecttest::ReadText(out).find(url + std::string(1, '\0')), std::string::npos) << c.type;
        ExpectSoundScripts(out);
      } else {
        EXPECT_FALSE(built) << c.type;
        EXPECT_NE(builder.GetError().find("address is " + std::to_string(length) + " bytes long"), std::string::npos)
            << builder.GetError();
        EXPECT_EQ(projecttest::ReadText(out), "old movie");
      }
    }
  }
}

TEST_F(PreloaderBuilderTest, AnOutputThatIsTheTargetItselfIsRefused) {
  namespace fs = std::filesystem;
  const std::string movie = projecttest::MovieWithVersion(6);
  projecttest::WriteText(dir.Native("target.swf"), movie);
  fs::create_directories(dir.Native("sub"));
  fs::create_symlink(dir.Native("target.swf"), dir.Native("link.swf"));
  fs::create_hard_link(dir.Native("target.swf"), dir.Native("hard.swf"));
  fs::create_directory_symlink(dir.Native(""), dir.Native("sub/up"));
  const std::string names[] = {"target.swf",        "link.swf",          "hard.swf",
                               "sub/../target.swf", "sub/up/target.swf", "./sub/up//link.swf"};
  struct Mode {
    TargetType type;
    bool compress;
  } modes[] = {{kTargetMerge, false}, {kTargetExternal, true}, {kTargetExternal7, false}};
  for (const Mode& mode : modes) {
    project.SetTargetType(mode.type);
    project.SetCompress(mode.compress);
    for (const std::string& name : names) {
      // The target named either way, the output the other way.
      for (bool swap : {false, true}) {
        project.SetTargetUrl(dir.Path(swap ? name : "target.swf"));
        EXPECT_FALSE(builder.Build(dir.Path(swap ? "target.swf" : name), project, true)) << name;
        EXPECT_NE(builder.GetError().find("is the target movie itself"), std::string::npos)
            << name << ": " << builder.GetError();
        EXPECT_EQ(projecttest::ReadText(dir.Native("target.swf")), movie) << name;
        EXPECT_TRUE(fs::is_symlink(dir.Native("link.swf")));
      }
    }
    // Another file of the same name is no reason.
    project.SetTargetUrl(dir.Path("target.swf"));
    EXPECT_TRUE(builder.Build(dir.Path("sub/target.swf"), project, true)) << builder.GetError();
  }
}

TEST_F(PreloaderBuilderTest, PartsNotBuiltYetAreLeftOutWithAWarningEach) {
  PreloaderDisplay display;
  display.SetName(L"Bar");
  struct Case {
    const char* name;
    std::function<void(PreloaderData&)> add;
    std::vector<std::string> warnings;
  } cases[] = {
      {"nothing", [](PreloaderData&) {}, {}},
      // A display that is not switched on is not shown anyway.
      {"display off", [&](PreloaderData& p) { p.SetDisplay(&display); }, {}},
      // The messages are built.
      {"messages",
       [](PreloaderData& p) {
         p.InsertProgressMessage(new ProgressMessage, 0);
         p.InsertLoadMessage(new LoadMessage, 0);
         p.InsertLoadMessage(new LoadMessage, 0);
       },
       {}},
      // Every removal effect is built.
      {"removal effect",
       [](PreloaderData& p) { p.SetRemovalEffect(p.GetRemovalEffectLibrary().FindByName(L"Fade Out")); },
       {}},
  };
  for (const Case& c : cases) {
    project.Reset();
    project.SetTargetType(kTargetExternal);
    c.add(project);
    Build();
    std::vector<std::string> expected;
    for (const std::string& part : c.warnings)
      expected.push_back("Not built yet, left out of the movie: " + part + ".");
    EXPECT_EQ(builder.GetWarnings(), expected) << c.name;
  }
  project.SetDisplay(nullptr);
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

TEST_F(PreloaderBuilderTest, AMessageShowsALongAddressCutAroundItsEnd) {
  // A project may hold an address of any length; the message keeps its start and its file name,
  // cut between characters (both cuts here fall inside a two-byte character).
  std::string url = "/no/such/folder/x";
  for (int i = 0; i < 300000; ++i) url += "\u00e9";
  url += "/target-name1.swf";
  project.SetTargetUrl(Utf8ToWide(url));
  project.SetTargetType(kTargetMerge);
  ASSERT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  const std::string& error = builder.GetError();
  EXPECT_LT(error.size(), 400u) << error.substr(0, 400);
  EXPECT_EQ(error.find("The target movie /no/such/folder/x\u00e9"), 0u) << error;
  EXPECT_NE(error.find("\u00e9\u2026\u00e9"), std::string::npos) << error;
  EXPECT_NE(error.find("\u00e9/target-name1.swf cannot be read"), std::string::npos) << error;
  EXPECT_EQ(WideToUtf8(Utf8ToWide(error)), error);  // whole characters only
}

TEST_F(PreloaderBuilderTest, ValuesADocumentHoldsUncheckedAreRefused) {
  const std::string file = dir.Native("p.plw");
  struct Case {
    const char* attributes;
    const char* reason;  // "" when the value builds
  } cases[] = {
      {"target_fps=\"0\"", "frame rate"},
      {"target_fps=\"500\"", "frame rate"},
      {"target_width=\"9000\"", "outside 1 to 5000 pixels"},
      {"target_height=\"0\"", "outside 1 to 5000 pixels"},
      // The stage limits are those the message names, without the margin of a display preview.
      {"target_width=\"5000\" target_height=\"5000\"", ""},
      {"target_width=\"5001\"", "outside 1 to 5000 pixels"},
      {"target_height=\"5020\"", "outside 1 to 5000 pixels"},
      // Positions are checked before they become twips (x 20 would overflow or be cut).
      {"target_xpos=\"-53687091\" target_ypos=\"53687091\"", ""},
      {"target_xpos=\"53687092\"", "The loader's position (53687092, 0) is outside -53687091 to 53687091 pixels"},
      {"target_ypos=\"-2147483648\"", "The loader's position (0, -2147483648) is outside"},
      {"target_xpos=\"107374183\"", "The loader's position (107374183, 0) is outside"},
  };
  for (const Case& c : cases) {
    projecttest::WriteText(
        file, projecttest::FileWith(std::string("<preloader_data ") + c.attributes + " >\n</preloader_data>\n"));
    std::string error;
    ASSERT_TRUE(OpenProjectFile(Utf8ToWide(file), project, &error)) << error;
    std::filesystem::remove(dir.Native("out.swf"));
    const bool built = builder.Build(dir.Path("out.swf"), project, true);
    if (*c.reason == 0) {
      EXPECT_TRUE(built) << c.attributes << ": " << builder.GetError();
      continue;
    }
    EXPECT_FALSE(built) << c.attributes;
    EXPECT_NE(builder.GetError().find(c.reason), std::string::npos) << c.attributes << ": " << builder.GetError();
    EXPECT_FALSE(std::filesystem::exists(dir.Native("out.swf"))) << c.attributes;
  }

  // The target's origin (set by the document page from the target's frame) likewise.
  project.Reset();
  ASSERT_TRUE(project.SetTargetOriginY(-60000000));
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  EXPECT_NE(builder.GetError().find("The target's origin (0, -60000000) is outside"), std::string::npos)
      << builder.GetError();
}

TEST_F(PreloaderBuilderTest, DisplayPreviewStageTakesTheDisplaysSizeWithItsMargin) {
  PreloaderDisplay display;
  ASSERT_TRUE(display.SetWidth(5000));
  ASSERT_TRUE(display.SetHeight(1));
  project.SetDisplay(&display);
  project.SetPreviewMode(true, true);
  const Movie m = Build();
  ASSERT_EQ(m.error, "");
  EXPECT_EQ(m.width, 5020 * 20);
  EXPECT_EQ(m.height, 21 * 20);
  project.SetDisplay(nullptr);
}

}  // namespace

// Built preloaders played in a real player (Ruffle in Chromium): the preloader hands over to
// its target in every target type, a target that stops itself stays stopped, a preview
// simulates loading step by step, and a merged target loops as its loop type says. Real corpus
// movies as targets: CorpusTargetPlayerTest.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/preloader/PlayerProbe.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

std::unique_ptr<DoActionTag> Trace(const std::wstring& text, bool stop = false) {
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(text)));
  actions->AddAction(std::make_unique<ActionTrace>());
  if (stop) actions->AddAction(std::make_unique<ActionStop>());
  return actions;
}

// A target tracing "T1".."Tn", one per frame; frame `stopAt` (when not 0) stops it. Without
// padding it is small (well under 1024 bytes); padding adds a text of that many characters
// that frame 1 pushes and drops.
void WriteTarget(const std::string& path, int frames, int stopAt, uint8_t version = 6, size_t padding = 0) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, version);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  for (int f = 1; f <= frames; ++f) {
    std::unique_ptr<DoActionTag> actions = Trace(L"T" + std::to_wstring(f), f == stopAt);
    if (f == 1 && padding > 0) {
      actions->AddAction(std::make_unique<ActionPush>(WideString(padding, L'x')));
      actions->AddAction(std::make_unique<ActionPop>());
    }
    writer.AddTag(std::move(actions));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
  if (padding == 0) {
    ASSERT_LT(fs::file_size(path), 1024u);
  }
}

// Adds to frame 1 of the movie a clip at depth 16000 that traces, every frame, the main
// timeline's frame and the loader's prcnt: "f=<frame> p=<prcnt>".
void AddProbe(const std::string& path) {
  playerprobe::AddProbeWith(path, [](std::vector<std::unique_ptr<SwfTag>>&, uint8_t, ClipActionRecord& record) {
    auto push = [&record](std::initializer_list<const wchar_t*> texts) {
      auto p = std::make_unique<ActionPush>();
      for (const wchar_t* t : texts) p->AddString(t);
      record.AddAction(std::move(p));
    };
    push({L"f=", L"_root"});
    record.AddAction(std::make_unique<ActionGetVariable>());
    push({L"_currentframe"});
    record.AddAction(std::make_unique<ActionGetMember>());
    record.AddAction(std::make_unique<ActionAdd2>());
    push({L" p="});
    record.AddAction(std::make_unique<ActionAdd2>());
    push({L"_root"});
    record.AddAction(std::make_unique<ActionGetVariable>());
    push({L"ldr"});
    record.AddAction(std::make_unique<ActionGetMember>());
    push({L"prcnt"});
    record.AddAction(std::make_unique<ActionGetMember>());
    record.AddAction(std::make_unique<ActionAdd2>());
    record.AddAction(std::make_unique<ActionTrace>());
  });
}

std::string Joined(const std::vector<std::string>& trace) {
  std::string text;
  for (const std::string& line : trace) text += line + "\n";
  return text;
}

class PreloaderPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string unavailable = playertest::PlayerUnavailableReason();
    ASSERT_EQ(unavailable, "");
  }
  // Builds the project into the scratch folder under `name`.
  fs::path Build(PreloaderData& project, const std::string& name) {
    PreloaderBuilder builder;
    EXPECT_TRUE(builder.Build(dir.Path(name), project, true)) << builder.GetError();
    return dir.Native(name);
  }
  struct TargetCase {
    const char* name;
    TargetType type;
    bool lockRoot;
    bool compress;
  };
  // Builds a preloader of the scratch folder's target.swf for each case, plays them all for
  // `frames` frames and expects each to trace exactly `expected`.
  void ExpectEveryCaseTraces(const std::vector<TargetCase>& cases, const std::string& prefix, int frames,
                             const std::string& expected) {
    std::vector<playertest::Movie> movies;
    int n = 0;
    for (const TargetCase& c : cases) {
      PreloaderData project;
      project.SetTargetUrl(dir.Path("target.swf"));
      project.SetTargetType(c.type);
      project.SetLockRoot(c.lockRoot);
      project.SetCompress(c.compress);
      project.SetTargetFps(24.0f);
      movies.push_back({c.name, Build(project, prefix + std::to_string(n++) + ".swf"), dir.Native(""), frames});
    }
    const playertest::PlayRun run = playertest::Play(movies);
    ASSERT_EQ(run.error, "");
    ASSERT_EQ(run.results.size(), movies.size());
    for (const auto& r : run.results) {
      EXPECT_EQ(r.error, "") << r.name;
      EXPECT_EQ(Joined(r.trace), expected) << r.name;
    }
  }
  projecttest::ScratchDir dir;
};

TEST_F(PreloaderPlayerTest, EveryTargetTypeHandsOverToASmallTarget) {
  WriteTarget(dir.Native("target.swf"), 3, 3);
  ExpectEveryCaseTraces({{"external_7", kTargetExternal7, true, false},
                         {"external_7 unlocked", kTargetExternal7, false, true},
                         {"external", kTargetExternal, true, false},
                         {"external unlocked", kTargetExternal, false, false},
                         {"merge", kTargetMerge, true, true}},
                        "pre", 30, "T1\nT2\nT3\n");
}

// Movies of version 5 (a version-5 target, loaded or merged) use only what players of that
// version know; compressed they become version 6. (The size test of a version-5 loader runs in
// the preview below: here the target is complete when the loader first looks.)
TEST_F(PreloaderPlayerTest, VersionFiveMoviesHandOver) {
  WriteTarget(dir.Native("target.swf"), 3, 3, 5, 1500);
  const std::vector<TargetCase> cases = {{"external", kTargetExternal, true, false},
                                         {"external unlocked", kTargetExternal, false, false},
                                         {"merge", kTargetMerge, true, false},
                                         {"merge compressed", kTargetMerge, true, true}};
  ExpectEveryCaseTraces(cases, "v5-", 30, "T1\nT2\nT3\n");
  for (size_t n = 0; n < cases.size(); ++n) {
    std::ifstream in(dir.Native("v5-" + std::to_string(n) + ".swf"), std::ios::binary);
    char header[4] = {};
    in.read(header, 4);
    EXPECT_EQ(std::string(header, 3), cases[n].compress ? "CWS" : "FWS") << cases[n].name;
    EXPECT_EQ(header[3], cases[n].compress ? 6 : 5) << cases[n].name;
  }
}

// Tags after a target's last ShowFrame are in no frame a player shows: the target played by
// itself never runs them, and merged they stay out of every frame too.
TEST_F(PreloaderPlayerTest, TagsAfterAMergedTargetsLastFrameAreNotPlayed) {
  {
    SwfFileWriter writer;
    writer.SetMovieParameters(11000, 8000, 24.0f, 6);
    ASSERT_TRUE(writer.Open(dir.Path("target.swf"), true));
    for (const wchar_t* text : {L"T1", L"T2"}) {
      writer.AddTag(Trace(text));
      writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    writer.AddTag(Trace(L"after"));
    writer.AddTag(std::make_unique<EndTag>());
    ASSERT_NE(writer.Close(), 0u);
  }
  PreloaderData project;
  project.SetTargetUrl(dir.Path("target.swf"));
  project.SetTargetType(kTargetMerge);
  project.SetTargetFps(24.0f);
  std::vector<playertest::Movie> movies = {{"target", dir.Native("target.swf"), dir.Native(""), 6},
                                           {"merged", Build(project, "merged.swf"), dir.Native(""), 7}};
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 2u);
  for (const auto& r : run.results) EXPECT_EQ(r.error, "") << r.name;
  EXPECT_EQ(Joined(run.results[0].trace), "T1\nT2\nT1\nT2\nT1\nT2\n");
  // With no_change the merged target wraps to the preloader's frame, which hands over again.
  EXPECT_EQ(Joined(run.results[1].trace), "T1\nT2\nT1\nT2\n");
}

// A target that stops itself on its first frame stays there after the handover. (The
// movie-clip loader of external_7 holds its target on the first frame and plays it at
// "loaderdone", which can't tell the hold from a stop of the target's own.)
TEST_F(PreloaderPlayerTest, ATargetThatStopsItselfStaysStopped) {
  WriteTarget(dir.Native("target.swf"), 3, 1);
  ExpectEveryCaseTraces({{"external", kTargetExternal, true, false},
                         {"external unlocked", kTargetExternal, false, false},
                         {"merge", kTargetMerge, true, false}},
                        "stop", 20, "T1\n");
}

TEST_F(PreloaderPlayerTest, PreviewSimulatesLoadingUpToThePercent) {
  std::vector<playertest::Movie> movies;
  const int percents[] = {100, 37};
  for (int percent : percents) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetPreviewMode(true, false);
    project.SetPercent(percent);
    project.SetTargetFps(60.0f);
    // One movie of version 7 and one of version 5, whose size test is written without Greater.
    project.SetTargetType(percent == 100 ? kTargetExternal7 : kTargetExternal);
    const fs::path swf = Build(project, "preview" + std::to_string(percent) + ".swf");
    std::ifstream header(swf, std::ios::binary);
    char bytes[4] = {};
    header.read(bytes, 4);
    EXPECT_EQ(bytes[3], percent == 100 ? 7 : 5);
    AddProbe(swf.string());
    movies.push_back({"preview " + std::to_string(percent), swf, dir.Native(""), percent + 20});
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  for (size_t k = 0; k < run.results.size(); ++k) {
    const auto& r = run.results[k];
    EXPECT_EQ(r.error, "") << r.name;
    // While the loader is there the main timeline stands on frame 1; the loader's prcnt
    // rises by 0.01 a pass. The probe sees each frame before the loader's pass runs, so the
    // last value it sees is one hundredth short: the pass that reaches the percent ends the
    // loader, and the next frame is "loaderdone" (frame 2) without the loader.
    std::vector<double> values;
    bool done = false;
    for (const std::string& line : r.trace) {
      if (line.rfind("f=1 p=", 0) == 0) {
        EXPECT_FALSE(done) << line;
        values.push_back(std::atof(line.c_str() + 6));
      } else {
        // Before version 7 an undefined value joins a text as the empty text.
        EXPECT_EQ(line, percents[k] == 100 ? "f=2 p=undefined" : "f=2 p=") << r.name;
        done = true;
      }
    }
    EXPECT_TRUE(done) << r.name << "\n" << Joined(r.trace);
    ASSERT_FALSE(values.empty()) << r.name;
    for (size_t i = 1; i < values.size(); ++i) {
      const double step = values[i] - values[i - 1];
      EXPECT_TRUE(std::fabs(step) < 1e-9 || std::fabs(step - 0.01) < 1e-9) << r.name << " " << values[i];
    }
    EXPECT_NEAR(values.back(), (percents[k] - 1) / 100.0, 1e-9) << r.name << "\n" << Joined(r.trace);
    // Every pass raised it: it rose through every hundredth on its way.
    int rises = 0;
    for (size_t i = 1; i < values.size(); ++i) rises += values[i] - values[i - 1] > 0.005;
    EXPECT_EQ(rises + (values.front() > 0.005 ? 1 : 0), percents[k] - 1) << r.name << "\n" << Joined(r.trace);
  }
}

TEST_F(PreloaderPlayerTest, LoopTypesOfAMergedTarget) {
  WriteTarget(dir.Native("target.swf"), 2, 0);
  const TargetLoopType types[] = {kLoopNoChange, kLoopLoop, kLoopNoLoop};
  std::vector<playertest::Movie> movies;
  for (TargetLoopType type : types) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetType(kTargetMerge);
    project.SetTargetLoopType(type);
    project.SetTargetFps(24.0f);
    movies.push_back(
        {"loop " + std::to_string(type), Build(project, "loop" + std::to_string(type) + ".swf"), dir.Native(""), 20});
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  const auto& noChange = run.results[0].trace;
  const auto& loop = run.results[1].trace;
  const auto& noLoop = run.results[2].trace;
  // no_loop stops on the target's last frame.
  EXPECT_EQ(Joined(noLoop), "T1\nT2\n");
  // loop goes back to the target's first frame at once, every second frame.
  ASSERT_GE(loop.size(), 8u) << Joined(loop);
  for (size_t i = 0; i < loop.size(); ++i) EXPECT_EQ(loop[i], i % 2 ? "T2" : "T1") << Joined(loop);
  // no_change wraps to the preloader's frame first: the target repeats, but more slowly.
  ASSERT_GE(noChange.size(), 4u) << Joined(noChange);
  for (size_t i = 0; i < noChange.size(); ++i) EXPECT_EQ(noChange[i], i % 2 ? "T2" : "T1");
  EXPECT_LT(noChange.size(), loop.size());
}

}  // namespace

// Built preloaders played in a real player (Ruffle in Chromium): the preloader hands over to
// an external target, loaded with a movie-clip loader or with loadMovie, locked or not.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
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

// A small target (well under 1024 bytes) tracing "T1".."Tn", one per frame; with `stop` its
// last frame stops it.
void WriteTarget(const std::string& path, int frames, bool stop) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  for (int f = 1; f <= frames; ++f) {
    writer.AddTag(Trace(L"T" + std::to_wstring(f), stop && f == frames));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
  ASSERT_LT(fs::file_size(path), 1024u);
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
  projecttest::ScratchDir dir;
};

TEST_F(PreloaderPlayerTest, ExternalTargetsHandOverToASmallTarget) {
  WriteTarget(dir.Native("target.swf"), 3, true);
  struct Case {
    const char* name;
    TargetType type;
    bool lockRoot;
    bool compress;
  } cases[] = {
      {"external_7", kTargetExternal7, true, false},
      {"external_7 unlocked", kTargetExternal7, false, true},
      {"external", kTargetExternal, true, false},
      {"external unlocked", kTargetExternal, false, false},
  };
  std::vector<playertest::Movie> movies;
  int n = 0;
  for (const Case& c : cases) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetType(c.type);
    project.SetLockRoot(c.lockRoot);
    project.SetCompress(c.compress);
    project.SetTargetFps(24.0f);
    movies.push_back({c.name, Build(project, "pre" + std::to_string(n++) + ".swf"), dir.Native(""), 30});
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (const auto& r : run.results) {
    EXPECT_EQ(r.error, "") << r.name;
    EXPECT_EQ(Joined(r.trace), "T1\nT2\nT3\n") << r.name;
  }
}

}  // namespace

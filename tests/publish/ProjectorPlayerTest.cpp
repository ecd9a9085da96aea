// The player program on projectors the writers make: it finds the movie behind its stub (a
// launcher, or the player program itself), plays it with the files beside the projector, prints
// its trace output, and ends on SIGTERM or when the movie sends "quit".
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "publish/ProjectorWriter.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileInfo.h"
#include "swf/SwfFileWriter.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/publish/PlayerProcess.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;
using playertest::PlayerRun;
using playertest::RunPlayer;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
    start = end + 1;
  }
  return out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ProjectorPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The player's browser refuses to run as root with its sandbox on.
    if (::geteuid() == 0) environment_.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox");
    environment_.push_back("PLENWICK_PLAYER=" + std::string(PLENWICK_PLAYER_PROGRAM));
  }
  std::vector<std::string> environment_;
  projecttest::ScratchDir dir_;
};

TEST_F(ProjectorPlayerTest, PlaysAPreloaderAndItsCorpusTargetUntilTerminated) {
  const fs::path corpus = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1" / "movieclip_prototype_extension";
  ASSERT_TRUE(fs::exists(corpus / "test.swf")) << corpus;
  const fs::path folder = dir_.Native("movie");
  fs::create_directories(folder);
  fs::copy_file(corpus / "test.swf", folder / "target.swf");

  int32_t width = 0, height = 0;
  float rate = 0;
  ASSERT_TRUE(
      ReadSwfFileInfo(Utf8ToWide((folder / "target.swf").string()), &width, &height, &rate, nullptr, nullptr, nullptr));
  PreloaderData project;
  project.SetTargetUrl(Utf8ToWide((folder / "target.swf").string()));
  project.SetTargetType(kTargetExternal);
  ASSERT_TRUE(project.SetTargetSize((width + 19) / 20, (height + 19) / 20));
  ASSERT_TRUE(project.SetTargetFps(rate));
  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(Utf8ToWide((folder / "preloader.swf").string()), project, true)) << builder.GetError();

  // The launcher stub of the bundle starts the player on the projector.
  const fs::path projector = folder / "Preview";
  ASSERT_TRUE(
      WriteMacProjector(Utf8ToWide((folder / "preloader.swf").string()), Utf8ToWide(projector.string()), {}, true));
  const std::vector<std::string> expected = Lines(ReadFile(corpus / "output.txt"));
  ASSERT_FALSE(expected.empty());
  const PlayerRun run = RunPlayer({"/bin/sh", projector.string()}, environment_, expected.size(), true,
                                  std::chrono::seconds(90), dir_.Native("player.log"));
  EXPECT_FALSE(run.timedOut) << ReadFile(dir_.Native("player.log"));
  EXPECT_TRUE(run.exited && run.status == 0) << "status " << run.status << ", signal " << run.signal;
  EXPECT_EQ(playertest::DescribeTraceDifference(run.lines, ReadFile(corpus / "output.txt")), "");
}

TEST_F(ProjectorPlayerTest, APlayerWithAMovieAppendedPlaysItAndQuitsWhenTold) {
  // trace("before"); getURL("FSCommand:quit", ""); trace("after"): the player ends by itself,
  // whatever the movie does after the command.
  const fs::path movie = dir_.Native("quit.swf");
  {
    SwfFileWriter writer;
    writer.SetMovieParameters(4000, 3000, 12.0f, 6);
    ASSERT_TRUE(writer.Open(Utf8ToWide(movie.string()), true));
    auto actions = std::make_unique<DoActionTag>();
    actions->AddAction(std::make_unique<ActionPush>(WideString(L"before")));
    actions->AddAction(std::make_unique<ActionTrace>());
    auto quit = std::make_unique<ActionPush>(WideString(L"FSCommand:quit"));
    quit->AddString(L"");
    actions->AddAction(std::move(quit));
    actions->AddAction(std::make_unique<ActionGetUrl2>(0));
    actions->AddAction(std::make_unique<ActionPush>(WideString(L"after")));
    actions->AddAction(std::make_unique<ActionTrace>());
    writer.AddTag(std::move(actions));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(std::make_unique<EndTag>());
    ASSERT_NE(writer.Close(), 0u);
  }
  // The player program itself as the stub: the projector needs nothing else.
  const fs::path projector = dir_.Native("standalone");
  const std::string player = ReadFile(PLENWICK_PLAYER_PROGRAM);
  ASSERT_FALSE(player.empty());
  ASSERT_TRUE(WriteMacProjector(Utf8ToWide(movie.string()), Utf8ToWide(projector.string()), {}, true,
                                [&](int id, std::string& bytes) {
                                  bytes = id == kMacProjectorStubId ? player : std::string();
                                  return true;
                                }));
  // Away from the bundle, the player is told where Ruffle is.
  environment_.push_back("PLENWICK_RUFFLE_DIR=" + (fs::path(PLENWICK_BUNDLE_DIR) / "Resources" / "ruffle").string());
  const PlayerRun run =
      RunPlayer({projector.string()}, environment_, 0, false, std::chrono::seconds(90), dir_.Native("player.log"));
  EXPECT_FALSE(run.timedOut) << ReadFile(dir_.Native("player.log"));
  EXPECT_TRUE(run.exited && run.status == 0) << "status " << run.status << ", signal " << run.signal;
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.front(), "before");
}

}  // namespace

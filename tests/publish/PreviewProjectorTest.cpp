#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/Paths.h"
#include "platform/WideString.h"
#include "publish/PreviewProjector.h"
#include "publish/ProjectorReader.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until the file holds `text` (the player stand-in writes as it goes).
bool WaitFor(const fs::path& path, const std::string& text) {
  for (int i = 0; i < 500; ++i) {
    if (ReadFile(path) == text) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class PreviewProjectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A player stand-in that notes the projector it was started on and its SIGTERM.
    player_ = dir_.Native("player");
    log_ = dir_.Native("log");
    std::ofstream(player_) << "#!/bin/sh\n"
                           << "trap 'echo term >> \"" << log_ << "\"; exit 0' TERM\n"
                           << "echo \"start $1\" >> \"" << log_ << "\"\n"
                           << "while :; do sleep 0.02; done\n";
    ::chmod(player_.c_str(), 0700);
    std::ofstream(dir_.Native("one.swf"), std::ios::binary) << "FWS\x06 first movie";
    std::ofstream(dir_.Native("two.swf"), std::ios::binary) << "FWS\x06 second movie";
  }
  projecttest::ScratchDir dir_;
  std::string player_;
  std::string log_;
};

TEST_F(PreviewProjectorTest, EachPreviewQuitsTheOneBeforeAndTheLastGoesWithTheObject) {
  std::string projector;
  {
    PreviewProjector preview(player_);
    int pumped = 0;
    ASSERT_TRUE(preview.Start(dir_.Path("one.swf"), [&] { ++pumped; }));
    projector = WideToUtf8(preview.ProjectorPath());
    EXPECT_NE(projector.find("Plenwick Preview"), std::string::npos);
    ASSERT_TRUE(WaitFor(log_, "start " + projector + "\n"));
    std::string movie, error;
    ASSERT_TRUE(ReadProjectorMovie(projector, movie, error)) << error;
    EXPECT_EQ(movie, "FWS\x06 first movie");
    const pid_t first = preview.Process();

    ASSERT_TRUE(preview.Start(dir_.Path("two.swf"), [&] { ++pumped; }));
    EXPECT_NE(preview.Process(), first);
    EXPECT_GT(pumped, 0) << "events were not pumped while the first preview quit";
    // The first had gone before the projector was replaced and the second started.
    ASSERT_TRUE(WaitFor(log_, "start " + projector + "\nterm\nstart " + projector + "\n"));
    ASSERT_TRUE(ReadProjectorMovie(projector, movie, error)) << error;
    EXPECT_EQ(movie, "FWS\x06 second movie");
    EXPECT_TRUE(preview.IsRunning());
  }
  EXPECT_TRUE(WaitFor(log_, "start " + projector + "\nterm\nstart " + projector + "\nterm\n"));
  EXPECT_FALSE(fs::exists(projector));
}

TEST_F(PreviewProjectorTest, AMissingMovieOrPlayerStartsNothing) {
  PreviewProjector noMovie(player_);
  EXPECT_FALSE(noMovie.Start(dir_.Path("missing.swf")));
  EXPECT_FALSE(noMovie.IsRunning());
  PreviewProjector noPlayer(dir_.Native("no-such-player"));
  EXPECT_FALSE(noPlayer.Start(dir_.Path("one.swf")));
  EXPECT_FALSE(noPlayer.IsRunning());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadFile(log_), "");
}

}  // namespace

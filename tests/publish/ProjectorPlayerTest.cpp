// The player program on projectors the writers make: it finds the movie behind its stub (a
// launcher, or the player program itself), plays it with the files beside the projector, prints
// its trace output, and ends on SIGTERM or when the movie sends "quit".
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
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
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One run of the player: what it printed and how it ended.
struct PlayerRun {
  std::vector<std::string> lines;
  bool exited = false;
  int status = -1;
  int signal = 0;
  bool timedOut = false;
};

// Runs `argv`, collecting its standard output by lines. Once `lines` lines have come and then
// `settle` has passed with nothing more, the player gets SIGTERM when `terminate` is set;
// otherwise it is expected to end by itself. Whatever happens, it is killed after `limit`.
// The player's own messages go to `errorLog`.
PlayerRun RunPlayer(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                    size_t lines, bool terminate, std::chrono::milliseconds limit, const fs::path& errorLog) {
  PlayerRun run;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return run;
  const int err = ::open(errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (err < 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err, 2);
    for (const std::string& entry : extraEnvironment) ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err);
  const auto deadline = Clock::now() + limit;
  const auto settle = std::chrono::milliseconds(1500);
  std::string pending;
  bool open = true;
  bool termSent = false;
  auto quietSince = Clock::now();
  int wstatus = 0;
  bool reaped = false;
  while (!reaped) {
    const auto now = Clock::now();
    if (now >= deadline) {
      run.timedOut = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
      reaped = true;
      break;
    }
    if (terminate && !termSent && run.lines.size() >= lines && now - quietSince >= settle) {
      ::kill(pid, SIGTERM);
      termSent = true;
    }
    if (open) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) {
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
          open = false;
        } else {
          quietSince = Clock::now();
          pending.append(buffer, static_cast<size_t>(n));
          for (size_t at; (at = pending.find('\n')) != std::string::npos;) {
            run.lines.push_back(pending.substr(0, at));
            pending.erase(0, at + 1);
          }
        }
      }
    } else {
      ::usleep(50000);
    }
    if (::waitpid(pid, &wstatus, WNOHANG) == pid) reaped = true;
  }
  ::close(out[0]);
  run.exited = WIFEXITED(wstatus);
  run.status = run.exited ? WEXITSTATUS(wstatus) : -1;
  run.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
  return run;
}

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

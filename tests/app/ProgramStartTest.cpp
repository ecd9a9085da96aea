// The program itself: it starts into its window, a second start hands its document to the
// first and ends, and the first ends cleanly when the session asks it to, writing its
// preferences.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/AppTestSupport.h"

extern char** environ;

namespace {

const std::string kProgram = std::string(PLENWICK_BUNDLE_DIR) + "/bin/plenwick";

pid_t Start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

// The exit status, or -1 when the process has not ended in time (it is then killed).
int WaitFor(pid_t pid, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

bool WaitForFile(const std::string& path, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(ProgramStart, ASecondStartHandsOverAndTheFirstEndsWhenAsked) {
  apptest::AppScratch scratch;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No update server is asked during the test.
  {
    std::filesystem::create_directories(scratch.Path("config/Plenwick"));
    std::ofstream(scratch.PreferencesFile())
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<preferences>\n"
           "<bool key=\"check_software_updates\" value=\"false\" />\n</preferences>\n";
  }
  const pid_t first = Start({kProgram});
  ASSERT_GT(first, 0);
  // The first listens once its window is shown.
  const bool listening = WaitForFile(scratch.Path("run/plenwick/instance.socket"), 60);
  if (!listening) {
    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    FAIL() << "the program did not open its window";
  }
  const pid_t second = Start({kProgram, scratch.Path("project.plw")});
  ASSERT_GT(second, 0);
  EXPECT_EQ(WaitFor(second, 30), 0);
  ASSERT_EQ(::kill(first, SIGTERM), 0);
  EXPECT_EQ(WaitFor(first, 30), 0);
  std::ifstream in(scratch.PreferencesFile());
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("app_path"), std::string::npos) << text.str();
  EXPECT_FALSE(std::filesystem::exists(scratch.Path("run/plenwick/instance.socket")));
}

}  // namespace

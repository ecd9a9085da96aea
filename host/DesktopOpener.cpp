#include "host/DesktopOpener.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

extern char** environ;

namespace host {

namespace {

std::function<bool(const std::string&)>& Replacement() {
  static std::function<bool(const std::string&)> f;
  return f;
}

bool SpawnXdgOpen(const std::string& target) {
  // "--" is not understood by xdg-open; a target starting with '-' would read as an option.
  if (target[0] == '-') return false;
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(target.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // Reap the opener when it ends so that it leaves no zombie behind.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace

bool OpenWithDesktop(const std::string& target) {
  if (target.empty()) return false;
  if (Replacement()) return Replacement()(target);
  return SpawnXdgOpen(target);
}

void SetDesktopOpenerForTesting(std::function<bool(const std::string&)> opener) { Replacement() = std::move(opener); }

}  // namespace host

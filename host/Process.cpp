#include "host/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

extern char** environ;

namespace host::process {

namespace {

std::vector<char*> Argv(std::vector<std::string>& storage) {
  std::vector<char*> argv;
  for (std::string& item : storage) argv.push_back(item.data());
  argv.push_back(nullptr);
  return argv;
}

bool IsZombie(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const auto close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

void SleepMilliseconds(long ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace

pid_t Spawn(const std::string& executable, const std::vector<std::string>& arguments) {
  std::vector<std::string> storage{executable};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = Argv(storage);
  posix_spawnattr_t attr;
  if (::posix_spawnattr_init(&attr) != 0) return -1;
  ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  sigset_t none;
  sigemptyset(&none);
  ::posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGPIPE);
  ::posix_spawnattr_setsigdefault(&attr, &defaults);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, executable.c_str(), nullptr, &attr, argv.data(), environ);
  ::posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  return pid;
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
  // sh -c '"$0" "$@" >/dev/null 2>&1 &' program args...: the shell ends at once and the
  // program is left to init, so no zombie waits for us.
  std::vector<std::string> storage{"/bin/sh", "-c", "\"$0\" \"$@\" >/dev/null 2>&1 </dev/null &", program};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv = Argv(storage);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IsRunning(pid_t pid) {
  if (pid <= 0) return false;
  int status = 0;
  const pid_t waited = ::waitpid(pid, &status, WNOHANG);
  if (waited == pid) return false;  // it ended and is reaped now
  if (waited == 0) return true;     // our child, still running
  // Not our child: ask the kernel.
  if (::kill(pid, 0) != 0 && errno == ESRCH) return false;
  return !IsZombie(pid);
}

bool RunsExecutable(pid_t pid, const std::string& executable) {
  struct stat running {};
  struct stat wanted {};
  if (pid <= 0 || ::stat(("/proc/" + std::to_string(pid) + "/exe").c_str(), &running) != 0) return false;
  if (::stat(executable.c_str(), &wanted) != 0) return false;
  return running.st_dev == wanted.st_dev && running.st_ino == wanted.st_ino;
}

bool Terminate(pid_t pid, int waitMilliseconds) {
  if (pid <= 0 || ::kill(pid, SIGTERM) != 0) return false;
  for (int waited = 0; waited <= waitMilliseconds; waited += 10) {
    if (!IsRunning(pid)) break;
    SleepMilliseconds(10);
  }
  return true;
}

}  // namespace host::process

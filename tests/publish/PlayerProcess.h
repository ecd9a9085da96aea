// Runs a player program (or a launcher of one) as a child process and collects what it prints.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace playertest {

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
inline PlayerRun RunPlayer(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
                           size_t lines, bool terminate, std::chrono::milliseconds limit,
                           const std::filesystem::path& errorLog) {
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
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const auto settle = std::chrono::milliseconds(1500);
  std::string pending;
  bool open = true;
  bool termSent = false;
  auto quietSince = std::chrono::steady_clock::now();
  int wstatus = 0;
  bool reaped = false;
  while (!reaped) {
    const auto now = std::chrono::steady_clock::now();
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
          quietSince = std::chrono::steady_clock::now();
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

}  // namespace playertest

#include "tests/support/LimitedRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace testsupport {

LimitedRun RunWithFileSizeLimit(const std::vector<std::string>& argv, unsigned long long limit,
                                const std::vector<std::pair<std::string, std::string>>& environment,
                                const std::string& stdoutPath) {
  LimitedRun run;
  // Everything the child needs is made before the fork.
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : environment) replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [name, value] : environment) env.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = argv;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  const std::string out = stdoutPath.empty() ? std::string("/dev/null") : stdoutPath;
  if (args.empty()) return run;

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return run;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return run;
  }
  if (child == 0) {
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (outFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(pipeFds[1], 2) < 0) ::_exit(126);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGXFSZ, &action, nullptr);
    struct rlimit rl {};
    ::getrlimit(RLIMIT_FSIZE, &rl);
    rl.rlim_cur = static_cast<rlim_t>(limit);
    if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) ::_exit(126);
    ::execve(argp[0], argp.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    run.err.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.exited = WIFEXITED(status);
  run.status = run.exited ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return run;
}

std::string Describe(const LimitedRun& run) {
  if (run.exited) return "exit status " + std::to_string(run.status);
  return "killed by signal " + std::to_string(run.signal);
}

}  // namespace testsupport

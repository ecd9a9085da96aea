// Runs a program as a child process under a limit on the size of the files it writes
// (RLIMIT_FSIZE), the way a full quota or a small ulimit meets it: a write past the limit
// raises SIGXFSZ, which kills the program unless it ignores the signal (the child starts
// with the signal's default action, whatever the test process does with it).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct LimitedRun {
  bool exited = false;  // ended by exit (not by a signal)
  int status = -1;      // its exit status when it exited
  int signal = 0;       // the signal that ended it otherwise
  std::string err;      // what it wrote to stderr
};

// Runs argv[0] with the arguments, the environment of the test plus `environment` (name,
// value pairs), the limit in bytes, and stdout written to `stdoutPath` ("/dev/null" when
// empty). Returns when the child has ended.
LimitedRun RunWithFileSizeLimit(const std::vector<std::string>& argv, unsigned long long limit,
                                const std::vector<std::pair<std::string, std::string>>& environment = {},
                                const std::string& stdoutPath = std::string());

// "exit status N" or "killed by signal N", for failure messages.
std::string Describe(const LimitedRun& run);

}  // namespace testsupport

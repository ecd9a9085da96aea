// Starting and stopping other programs: posix_spawn, SIGTERM and waitpid.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace host::process {

// Starts the executable (arguments after argv[0]) in a session of its own, so that a
// signal meant for this program (Ctrl-C) doesn't reach it. Returns its pid, or -1 with
// errno set.
pid_t Spawn(const std::string& executable, const std::vector<std::string>& arguments = {});

// Starts a program through a short-lived shell that leaves it running on its own, so that
// nothing needs to wait for it (used for desktop helpers such as xdg-open). True when the
// shell ran and reported success.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments);

// True while the process runs. A child of ours that has ended is reaped here.
bool IsRunning(pid_t pid);

// True when the process runs the given executable file (the same file-system object).
bool RunsExecutable(pid_t pid, const std::string& executable);

// Sends SIGTERM and waits up to `waitMilliseconds` for the process to end, reaping it when
// it is our child. True when the signal was delivered.
bool Terminate(pid_t pid, int waitMilliseconds);

}  // namespace host::process

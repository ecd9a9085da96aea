// Launching and quitting applications, and showing items in the desktop's file manager.
//
// An application is an executable file, or a bundle folder "<name>.app" that holds its
// executable as "bin/<name>" (or "bin/<name in lower case>"), as Plenwick's own bundle does.
// A running application is known by its process id.
#pragma once

#include <functional>

#include "platform/WideString.h"

struct ProcessSerialNumber {
  long pid = 0;  // 0: none
  bool IsNull() const { return pid == 0; }
};

// The executable that launching the path starts ("" when there is none).
WideString GetApplicationExecutable(const WideString& path);

// Starts the application (in a session of its own). True with its process; false with the
// process zeroed when it can't be started.
bool LaunchApplicationAtPath(const WideString& path, ProcessSerialNumber& process);

// Asks the application to quit (SIGTERM), but only when the process runs the executable of
// that path: a process id that has been reused by another program is left alone. Waits a
// moment for it to end. True when the request was delivered.
bool QuitApplicationAtPath(const WideString& path, const ProcessSerialNumber& process);

// True while the process runs (an ended child of ours is reaped).
bool IsApplicationRunning(const ProcessSerialNumber& process);

// Shows the item in the desktop's file manager (xdg-open); no answer is awaited. True when
// the request was handed over.
bool OpenInFinder(const WideString& path);
// Replaces what OpenInFinder runs (tests; null restores xdg-open).
void SetOpenInFinderHandlerForTesting(std::function<bool(const std::string& utf8Path)> handler);

// System and process queries.
//
// The version queries answer fixed values chosen so that every start-up and feature check of
// the program passes on this system: the system version is 0x1049 (10.4.9; checks want at
// least 0x1000 for "Mac OS X" and the font panel path wants above 0x101F), the Carbon version
// is 0x0170 (any non-zero value passes). Processes are known by their process id
// (ProcessSerialNumber, platform/Processes.h).
#pragma once

#include <cstdint>

#include "platform/Processes.h"

inline constexpr uint32_t kFixedSystemVersion = 0x1049;
inline constexpr uint32_t kFixedCarbonVersion = 0x0170;

uint32_t GetSystemVersion();
bool IsMacOSX();
bool IsClassicMacOS();
bool HasCarbonLib();
uint32_t GetCarbonVersion();

// The serial number of the running program; true.
bool GetCurrentProcessPSN(ProcessSerialNumber& psn);
// Windows of another program can't be raised from here; true when the process runs.
bool BringProcessToFront(const ProcessSerialNumber& psn);
// True while the process exists and has not ended (a process that ended and was not yet
// reaped counts as ended).
bool IsProcessRunning(const ProcessSerialNumber& psn);

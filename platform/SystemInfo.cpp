#include "platform/SystemInfo.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

uint32_t GetSystemVersion() { return kFixedSystemVersion; }
bool IsMacOSX() { return GetSystemVersion() >= 0x1000; }
bool IsClassicMacOS() { return GetSystemVersion() != 0 && GetSystemVersion() < 0x1000; }
bool HasCarbonLib() { return true; }
uint32_t GetCarbonVersion() { return kFixedCarbonVersion; }

bool GetCurrentProcessPSN(ProcessSerialNumber& psn) {
  psn.highLongOfPSN = 0;
  psn.lowLongOfPSN = static_cast<uint32_t>(::getpid());
  return true;
}

bool IsProcessRunning(const ProcessSerialNumber& psn) {
  const pid_t pid = static_cast<pid_t>(psn.lowLongOfPSN);
  if (psn.highLongOfPSN != 0 || pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  // A zombie has ended; its state letter in /proc/<pid>/stat is 'Z' (or 'X' while it goes).
  const std::string statPath = "/proc/" + std::to_string(pid) + "/stat";
  FILE* f = std::fopen(statPath.c_str(), "r");
  if (!f) return true;
  char buf[512];
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = '\0';
  const char* close = std::strrchr(buf, ')');  // the name in parentheses may hold anything
  if (close && close[1] == ' ') {
    const char state = close[2];
    if (state == 'Z' || state == 'X') return false;
  }
  return true;
}

bool BringProcessToFront(const ProcessSerialNumber& psn) { return IsProcessRunning(psn); }

#include "platform/SystemInfo.h"

#include <unistd.h>

uint32_t GetSystemVersion() { return kFixedSystemVersion; }
bool IsMacOSX() { return GetSystemVersion() >= 0x1000; }
bool IsClassicMacOS() { return GetSystemVersion() != 0 && GetSystemVersion() < 0x1000; }
bool HasCarbonLib() { return true; }
uint32_t GetCarbonVersion() { return kFixedCarbonVersion; }

bool GetCurrentProcessPSN(ProcessSerialNumber& psn) {
  psn.pid = static_cast<long>(::getpid());
  return true;
}

bool IsProcessRunning(const ProcessSerialNumber& psn) { return IsApplicationRunning(psn); }

bool BringProcessToFront(const ProcessSerialNumber& psn) { return IsProcessRunning(psn); }

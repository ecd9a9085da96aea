#include "platform/Processes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>

#include "host/Process.h"
#include "platform/Paths.h"

namespace {

constexpr int kQuitWaitMilliseconds = 3000;

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::function<bool(const std::string&)>& FinderHandler() {
  static std::function<bool(const std::string&)> handler;
  return handler;
}

}  // namespace

WideString GetApplicationExecutable(const WideString& path) {
  std::string native = WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle));
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat st {};
  if (native.empty() || ::stat(native.c_str(), &st) != 0) return {};
  if (!S_ISDIR(st.st_mode)) return IsExecutableFile(native) ? Utf8ToWide(native) : WideString();
  const WideString name = GetFileName(Utf8ToWide(native), true);
  WideString lower = name;
  for (wchar_t& ch : lower) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
  for (const WideString& candidate : {name, lower}) {
    const std::string exe = native + "/bin/" + WideToUtf8(candidate);
    if (IsExecutableFile(exe)) return Utf8ToWide(exe);
  }
  return {};
}

bool LaunchApplicationAtPath(const WideString& path, ProcessSerialNumber& process) {
  process = ProcessSerialNumber{};
  const WideString exe = GetApplicationExecutable(path);
  if (exe.empty()) return false;
  const pid_t pid = host::process::Spawn(WideToUtf8(exe));
  if (pid <= 0) return false;
  process.pid = pid;
  return true;
}

bool QuitApplicationAtPath(const WideString& path, const ProcessSerialNumber& process) {
  if (process.IsNull()) return false;
  const WideString exe = GetApplicationExecutable(path);
  const pid_t pid = static_cast<pid_t>(process.pid);
  if (exe.empty() || !host::process::IsRunning(pid) || !host::process::RunsExecutable(pid, WideToUtf8(exe))) {
    return false;
  }
  return host::process::Terminate(pid, kQuitWaitMilliseconds);
}

bool IsApplicationRunning(const ProcessSerialNumber& process) {
  return !process.IsNull() && host::process::IsRunning(static_cast<pid_t>(process.pid));
}

bool OpenInFinder(const WideString& path) {
  const WideString absolute = MakeAbsolutePath(path, kPosixPathStyle);
  if (!PathExists(absolute)) return false;
  const std::string native = WideToUtf8(absolute);
  if (FinderHandler()) return FinderHandler()(native);
  return host::process::SpawnDetached("xdg-open", {native});
}

void SetOpenInFinderHandlerForTesting(std::function<bool(const std::string&)> handler) {
  FinderHandler() = std::move(handler);
}

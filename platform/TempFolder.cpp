#include "platform/TempFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <string>

#include "host/PrivateFolder.h"

namespace {

WideString& AppTempFolderName() {
  static WideString name;
  return name;
}

std::atomic<unsigned long> g_tempNameCounter{0};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string StripSlashes(std::string text) {
  while (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  while (!text.empty() && (text.front() == '/' || text.front() == '\\')) text.erase(0, 1);
  return text;
}

// The program's folder inside the temporary folder, created and checked; "" on failure.
std::string SubFolder(const std::string& temp) {
  const std::string name = StripSlashes(WideToUtf8(AppTempFolderName()));
  if (name.empty()) return temp;
  const std::string folder = temp + "/" + name;
  return host::fs::EnsurePrivateFolder(folder) == 0 ? folder : std::string();
}

// True when the name has the form GetTempFilePath gives ("<stem>-<pid>-<n><ext>") and that
// process is running (or exists and belongs to someone else).
bool NamesARunningProcess(const std::string& name) {
  std::string rest = name;
  const auto dot = rest.find_last_of('.');
  const auto lastDash = rest.find_last_of('-');
  if (dot != std::string::npos && lastDash != std::string::npos && dot > lastDash) rest.erase(dot);
  auto digitsAfter = [](const std::string& text, size_t from) {
    if (from >= text.size()) return false;
    for (size_t i = from; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
  };
  const auto counterDash = rest.find_last_of('-');
  if (counterDash == std::string::npos || counterDash == 0 || !digitsAfter(rest, counterDash + 1)) return false;
  rest.erase(counterDash);
  const auto pidDash = rest.find_last_of('-');
  if (pidDash == std::string::npos || !digitsAfter(rest, pidDash + 1) || rest.size() - pidDash > 10) return false;
  const long pid = std::stol(rest.substr(pidDash + 1));
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes the stale files in the open folder (the descriptor is taken over) and, one level
// down, in its private sub-folders.
int RemoveStaleFilesIn(int folder, time_t before, bool descend) {
  DIR* listing = ::fdopendir(folder);
  if (listing == nullptr) {
    ::close(folder);
    return 0;
  }
  int removed = 0;
  const uid_t user = ::geteuid();
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(::dirfd(listing), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_uid != user) continue;
    if (S_ISDIR(st.st_mode)) {
      if (!descend || (st.st_mode & 077) != 0) continue;
      const int sub = ::openat(::dirfd(listing), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) removed += RemoveStaleFilesIn(sub, before, false);
      continue;
    }
    if (!S_ISREG(st.st_mode) || st.st_mtime >= before || NamesARunningProcess(name)) continue;
    if (::unlinkat(::dirfd(listing), name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(listing);
  return removed;
}

}  // namespace

WideString GetTempFolderPath() {
  const std::string folder = host::fs::PrivateTemporaryFolder();
  return folder.empty() ? WideString() : Utf8ToWide(folder + "/");
}

bool CreateAppTempFolder(const WideString& name) {
  AppTempFolderName() = name;
  const std::string temp = host::fs::PrivateTemporaryFolder();
  return !temp.empty() && !SubFolder(temp).empty();
}

const WideString& GetAppTempFolderName() { return AppTempFolderName(); }

bool GetTempFilePath(WideString& out, const WideString& name, bool inSubFolder) {
  out.clear();
  const std::string temp = host::fs::PrivateTemporaryFolder();
  if (temp.empty()) return false;
  const std::string folder = inSubFolder ? SubFolder(temp) : temp;
  if (folder.empty()) return false;

  const std::string file = WideToUtf8(name);
  const auto dot = file.find_last_of('.');
  const bool hasExt = dot != std::string::npos && dot > 0;
  const std::string stem = hasExt ? file.substr(0, dot) : file;
  const std::string ext = hasExt ? file.substr(dot) : std::string();
  const std::string pid = std::to_string(static_cast<long>(::getpid()));
  for (;;) {
    const unsigned long n = ++g_tempNameCounter;
    const std::string path = folder + "/" + stem + "-" + pid + "-" + std::to_string(n) + ext;
    if (!Exists(path)) {
      out = Utf8ToWide(path);
      return true;
    }
  }
}

int RemoveStaleTempFiles(long ageSeconds) {
  const std::string temp = host::fs::PrivateTemporaryFolder();
  if (temp.empty()) return 0;
  const int folder = ::open(temp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) return 0;
  return RemoveStaleFilesIn(folder, std::time(nullptr) - static_cast<time_t>(ageSeconds), true);
}

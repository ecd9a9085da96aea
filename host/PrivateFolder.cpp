#include "host/PrivateFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace host::fs {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string TrimSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// mkdir -p for the folders above a private folder (created 0700 when missing).
int EnsureParents(const std::string& path) {
  for (size_t pos = 1; pos < path.size(); ++pos) {
    if (path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace

int EnsurePrivateFolder(const std::string& path) {
  if (!IsAbsolute(path)) return EINVAL;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;  // also a symbolic link, whatever it points to
  if (st.st_uid != ::geteuid()) return EPERM;
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return errno;
  return 0;
}

std::string UserTemporaryBase() {
  const std::string runtime = TrimSlashes(Env("XDG_RUNTIME_DIR"));
  if (IsAbsolute(runtime)) {
    struct stat st {};
    if (::lstat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 077) == 0) {
      return runtime;
    }
  }
  const std::string cache = TrimSlashes(Env("XDG_CACHE_HOME"));
  if (IsAbsolute(cache)) return cache;
  std::string home = TrimSlashes(Env("HOME"));
  if (!IsAbsolute(home)) {
    const passwd* pw = ::getpwuid(::geteuid());
    home = pw != nullptr && pw->pw_dir != nullptr ? TrimSlashes(pw->pw_dir) : std::string();
  }
  if (!IsAbsolute(home)) return {};
  return (home == "/" ? std::string() : home) + "/.cache";
}

std::string PrivateTemporaryFolder() {
  const std::string base = UserTemporaryBase();
  if (base.empty()) {
    errno = ENOENT;
    return {};
  }
  const bool runtime = base == TrimSlashes(Env("XDG_RUNTIME_DIR"));
  const std::string folder = runtime ? base + "/plenwick" : base + "/plenwick/tmp";
  int err = EnsureParents(folder);
  if (err == 0 && !runtime) err = EnsurePrivateFolder(base + "/plenwick");
  if (err == 0) err = EnsurePrivateFolder(folder);
  if (err != 0) {
    errno = err;
    return {};
  }
  return folder;
}

}  // namespace host::fs

#include "host/Bundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <vector>

namespace host::bundle {

namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
  return {};
}

std::string FindBundle() {
  if (const char* env = std::getenv("PLENWICK_BUNDLE"); env != nullptr && *env != '\0') {
    std::string path = env;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return IsFolder(path + "/Resources") ? path : std::string();
  }
  // <bundle>/bin/plenwick
  const std::string exe = ExecutablePath();
  if (exe.empty()) return {};
  const std::string bundle = ParentOf(ParentOf(exe));
  return IsFolder(bundle + "/Resources") ? bundle : std::string();
}

std::optional<std::string>& Cached() {
  static std::optional<std::string> cached;
  return cached;
}

}  // namespace

const std::string& BundlePath() {
  auto& cached = Cached();
  if (!cached) cached = FindBundle();
  return *cached;
}

std::string ResourcesPath() {
  const std::string& bundle = BundlePath();
  return bundle.empty() ? std::string() : bundle + "/Resources";
}

std::string ResourcePath(const std::string& name) {
  const std::string res = ResourcesPath();
  return res.empty() ? std::string() : res + "/" + name;
}

void SetBundlePathForTesting(const std::string& path) {
  if (path.empty()) {
    Cached().reset();
  } else {
    Cached() = path;
  }
}

}  // namespace host::bundle

#include "Scratch.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testutil {

ScratchFolder::ScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/plenwick-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

namespace {
int RemoveOne(const char* path, const struct stat* st, int type, FTW*) {
  if (type == FTW_DP || type == FTW_D || type == FTW_DNR) {
    ::chmod(path, 0700);
    ::rmdir(path);
  } else {
    (void)st;
    ::unlink(path);
  }
  return 0;
}
int MakeWritable(const char* path, const struct stat* st, int type, FTW*) {
  if (type == FTW_D || type == FTW_DNR) ::chmod(path, (st->st_mode & 07777) | 0700);
  return 0;
}
}  // namespace

void RemoveTree(const std::string& path) {
  if (path.empty()) return;
  ::nftw(path.c_str(), MakeWritable, 32, FTW_PHYS);
  ::nftw(path.c_str(), RemoveOne, 32, FTW_PHYS | FTW_DEPTH);
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {
bool WriteProc(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return ok;
}
}  // namespace

int RunOnFreshMount(const std::string& fstype, const std::string& options,
                    const std::function<int(const std::string&)>& check, std::string& why) {
  ScratchFolder scratch;
  const std::string mountPoint = scratch / "mnt";
  ::mkdir(mountPoint.c_str(), 0700);
  int pipeFd[2];
  if (::pipe(pipeFd) != 0) {
    why = "pipe failed";
    return -1;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    why = "fork failed";
    return -1;
  }
  constexpr int kSetupFailed = 125;
  if (child == 0) {
    ::close(pipeFd[0]);
    auto fail = [&](const char* step) {
      const std::string text = std::string(step) + ": " + std::strerror(errno);
      (void)!::write(pipeFd[1], text.data(), text.size());
      ::_exit(kSetupFailed);
    };
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (uid == 0) {
      if (::unshare(CLONE_NEWNS) != 0) fail("unshare(CLONE_NEWNS)");
    } else {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) fail("unshare(CLONE_NEWUSER|CLONE_NEWNS)");
      WriteProc("/proc/self/setgroups", "deny");
      if (!WriteProc("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1\n")) fail("uid_map");
      if (!WriteProc("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1\n")) fail("gid_map");
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) fail("make mounts private");
    if (::mount(fstype.c_str(), mountPoint.c_str(), fstype.c_str(), 0, options.empty() ? nullptr : options.c_str()) !=
        0) {
      fail(("mount " + fstype).c_str());
    }
    ::close(pipeFd[1]);
    int result = 1;
    try {
      result = check(mountPoint);
    } catch (...) {
      result = 124;
    }
    ::umount2(mountPoint.c_str(), MNT_DETACH);
    ::_exit(result);
  }
  ::close(pipeFd[1]);
  char message[512] = {};
  ssize_t got = 0;
  while ((got = ::read(pipeFd[0], message, sizeof message - 1)) < 0 && errno == EINTR) {
  }
  ::close(pipeFd[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status)) {
    why = "the child process died";
    return 126;
  }
  if (WEXITSTATUS(status) == kSetupFailed && got > 0) {
    why = "cannot mount a " + fstype + " here (" + std::string(message, static_cast<size_t>(got)) + ")";
    return -1;
  }
  return WEXITSTATUS(status);
}

}  // namespace testutil

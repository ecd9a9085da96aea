#include "platform/FileCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <string>
#include <vector>

#include "host/ResourceFork.h"

namespace {

using host::OSErr;

std::function<void(size_t)>& ChunkObserver() {
  static std::function<void(size_t)> observer;
  return observer;
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

OSErr FromErrno(int err) { return host::OSErrFromErrno(err != 0 ? err : EIO); }

// Removes whatever is at the path (a whole tree for a folder), without following links.
void RemoveItem(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRWXU);
    if (DIR* dir = ::opendir(path.c_str())) {
      std::vector<std::string> names;
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      ::closedir(dir);
      for (const std::string& name : names) RemoveItem(Join(path, name));
    }
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
    if (S_ISREG(st.st_mode)) host::fs::RemoveResourceFork(path);
  }
}

// Copies the user extended attributes (Finder information among them). A destination file
// system that keeps none is not an error; other failures are.
int CopyAttributes(const std::string& from, const std::string& to) {
  const ssize_t size = ::llistxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return 0;
  std::string names(static_cast<size_t>(size), '\0');
  const ssize_t got = ::llistxattr(from.c_str(), names.data(), names.size());
  if (got < 0) return 0;
  names.resize(static_cast<size_t>(got));
  for (size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    if (name.rfind("user.", 0) != 0) continue;
    const ssize_t length = ::lgetxattr(from.c_str(), name.c_str(), nullptr, 0);
    if (length < 0) continue;
    std::string value(static_cast<size_t>(length), '\0');
    const ssize_t read = ::lgetxattr(from.c_str(), name.c_str(), value.data(), value.size());
    if (read < 0) continue;
    value.resize(static_cast<size_t>(read));
    if (::lsetxattr(to.c_str(), name.c_str(), value.data(), value.size(), 0) != 0) {
      if (errno == ENOTSUP || errno == EPERM) return 0;
      return errno;
    }
  }
  return 0;
}

int CopyData(int in, int out, off_t size, std::vector<char>& buffer) {
  if (size > 0) {
    const int rc = ::posix_fallocate(out, 0, size);
    if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) return rc;
  }
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    if (ChunkObserver()) ChunkObserver()(static_cast<size_t>(n));
    size_t done = 0;
    while (done < static_cast<size_t>(n)) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n) - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return w < 0 ? errno : EIO;
      done += static_cast<size_t>(w);
    }
  }
}

// Copies one file, link or (empty) special item. On failure the new item is removed.
int CopyOneItem(const std::string& from, const struct stat& st, const std::string& to, std::vector<char>& buffer) {
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
    if (n < 0) return errno;
    target.resize(static_cast<size_t>(n));
    return ::symlink(target.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  if (!S_ISREG(st.st_mode)) return ENOTSUP;  // devices, pipes and sockets are not copied
  const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    return err;
  }
  int err = CopyData(in, out, st.st_size, buffer);
  ::close(in);
  if (err == 0) err = CopyAttributes(from, to);
  if (err == 0 && host::fs::HasResourceFork(from)) {
    std::string fork;
    bool exists = false;
    err = host::fs::ReadResourceFork(from, fork, exists);
    if (err == 0 && exists) err = host::fs::WriteResourceFork(to, fork);
  }
  if (err == 0 && ::fchmod(out, st.st_mode & 07777) != 0) err = errno;
  if (err == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out, times) != 0) err = errno;
  }
  if (::close(out) != 0 && err == 0) err = errno;
  if (err != 0) {
    ::unlink(to.c_str());
    host::fs::RemoveResourceFork(to);
  }
  return err;
}

// True when `folder` is `ancestor` or lies inside it (compared by device and inode while
// walking up through "..", so links and odd spellings of the paths don't fool it).
bool IsSameOrInside(const std::string& folder, const struct stat& ancestor) {
  std::string current = folder;
  struct stat last {};
  for (int depth = 0; depth < 4096; ++depth) {
    struct stat st {};
    if (::stat(current.c_str(), &st) != 0) return false;
    if (st.st_dev == ancestor.st_dev && st.st_ino == ancestor.st_ino) return true;
    if (depth > 0 && st.st_dev == last.st_dev && st.st_ino == last.st_ino) return false;  // the root
    last = st;
    current += "/..";
  }
  return false;
}

std::string UniqueAsideName(const std::string& folder, const std::string& name) {
  for (unsigned n = 0;; ++n) {
    const std::string candidate =
        Join(folder, "." + name + ".replaced-" + std::to_string(::getpid()) + "-" + std::to_string(n));
    if (!Exists(candidate)) return candidate;
  }
}

// "photo.png" -> "photo N.png": the number goes before the last '.', or at the end when the
// name has no '.' after its first character.
std::string NumberedName(const std::string& name, int n) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return name + " " + std::to_string(n);
  return name.substr(0, dot) + " " + std::to_string(n) + name.substr(dot);
}

struct PendingFolder {
  std::string from;
  std::string to;
  int level;
};

struct FinishFolder {
  std::string from;
  std::string path;
  struct stat source;
};

int CopyFolder(const std::string& from, const struct stat& top, const std::string& to, int levelLimit,
               const CopyFilter& filter, std::vector<char>& buffer, OSErr& filterError) {
  // Folders are made owner-writable while they fill and get their real mode at the end.
  if (::mkdir(to.c_str(), (top.st_mode & 07777) | S_IRWXU) != 0) return errno;
  std::vector<FinishFolder> finish{{from, to, top}};
  std::deque<PendingFolder> queue{{from, to, 0}};
  while (!queue.empty()) {
    const PendingFolder folder = queue.front();
    queue.pop_front();
    DIR* dir = ::opendir(folder.from.c_str());
    if (dir == nullptr) return errno;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (host::fs::IsSideFileName(name) && std::binary_search(names.begin(), names.end(), name.substr(2))) {
        continue;  // a resource fork, copied with its file
      }
      const std::string source = Join(folder.from, name);
      const std::string copy = Join(folder.to, name);
      struct stat st {};
      if (::lstat(source.c_str(), &st) != 0) return errno;
      if (S_ISDIR(st.st_mode)) {
        if (::mkdir(copy.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return errno;
        finish.push_back({source, copy, st});
        if (levelLimit == 0 || folder.level + 1 < levelLimit) queue.push_back({source, copy, folder.level + 1});
      } else if (const int err = CopyOneItem(source, st, copy, buffer); err != 0) {
        return err;
      }
      if (filter) {
        filterError = filter(st, FileRef{copy}, folder.level + 1);
        if (filterError != 0) return -1;
      }
    }
  }
  // Deepest folders first, so a read-only folder is closed only after its content is in.
  for (auto it = finish.rbegin(); it != finish.rend(); ++it) {
    if (const int err = CopyAttributes(it->from, it->path); err != 0) return err;
    ::chmod(it->path.c_str(), it->source.st_mode & 07777);
    const timespec times[2] = {it->source.st_atim, it->source.st_mtim};
    ::utimensat(AT_FDCWD, it->path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
  return 0;
}

}  // namespace

host::OSErr CopyObject(const FileRef& source, const FileRef& destinationFolder, int levelLimit,
                       DuplicateAction duplicate, const WideString* newName, const CopyFilter& filter,
                       FileRef* newItem) {
  if (source.IsNull() || destinationFolder.IsNull()) return host::kParamErr;
  struct stat st {};
  if (::lstat(source.path.c_str(), &st) != 0) return FromErrno(errno);
  struct stat dest {};
  if (::stat(destinationFolder.path.c_str(), &dest) != 0 || !S_ISDIR(dest.st_mode)) return host::kNotAFolderErr;
  std::string name = newName != nullptr && !newName->empty() ? WideToUtf8(*newName) : NameOf(source.path);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return host::kParamErr;

  if (S_ISDIR(st.st_mode) && IsSameOrInside(destinationFolder.path, st)) return host::kCopyIntoItselfErr;

  std::string target = Join(destinationFolder.path, name);
  std::string aside;
  if (Exists(target)) {
    switch (duplicate) {
      case kDuplicateFail: return host::kDuplicateErr;
      case kDuplicateReplace:
        aside = UniqueAsideName(destinationFolder.path, name);
        if (::rename(target.c_str(), aside.c_str()) != 0) return FromErrno(errno);
        break;
      case kDuplicateUniqueName: {
        bool found = false;
        for (int n = 1; n <= 9 && !found; ++n) {
          const std::string candidate = Join(destinationFolder.path, NumberedName(name, n));
          if (!Exists(candidate)) {
            target = candidate;
            found = true;
          }
        }
        if (!found) return host::kDuplicateErr;
        break;
      }
    }
  }

  std::vector<char> buffer(kCopyBufferSize);
  OSErr filterError = 0;
  const int err = S_ISDIR(st.st_mode) ? CopyFolder(source.path, st, target, levelLimit, filter, buffer, filterError)
                                      : CopyOneItem(source.path, st, target, buffer);
  if (err != 0) {
    RemoveItem(target);  // no half copy stays behind
    if (!aside.empty()) ::rename(aside.c_str(), target.c_str());
    return err == -1 ? filterError : FromErrno(err);
  }
  if (!aside.empty()) RemoveItem(aside);
  if (newItem != nullptr) *newItem = FileRef{target};
  return 0;
}

bool CopyFileOrFolder(const WideString& source, const WideString& destinationFolder, const WideString* newName,
                      DuplicateAction duplicate, WideString* newPath) {
  const FileRef from = PathToFSSpec(source);
  const FileRef to = PathToFSSpec(destinationFolder);
  FileRef made;
  if (CopyObject(from, to, 0, duplicate, newName, nullptr, &made) != 0) return false;
  if (newPath != nullptr) PathFromFSRef(*newPath, made);
  return true;
}

void SetCopyChunkObserverForTesting(std::function<void(size_t)> observer) { ChunkObserver() = std::move(observer); }

#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "host/Bundle.h"
#include "host/ResourceFork.h"

namespace {

std::string Native(const WideString& path) {
  std::string native = WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle));
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return native;
}

bool Lstat(const std::string& path, struct stat& st) { return !path.empty() && ::lstat(path.c_str(), &st) == 0; }

// Deletes what `parentFd` holds under `name`: a folder (opened without following a link)
// depth first, anything else with unlinkat. Returns 0 or errno.
int DeleteEntryAt(int parentFd, const char* name, int depth);

int EmptyFolder(int fd, int depth) {
  if (depth > 4096) return ELOOP;
  // Linux asks the folder, not the file, whether an item may go: make it writable.
  struct stat st {};
  if (::fstat(fd, &st) == 0 && (st.st_mode & S_IWUSR) == 0) ::fchmod(fd, (st.st_mode & 07777) | S_IRWXU);
  const int listFd = ::dup(fd);
  if (listFd < 0) return errno;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    const int err = errno;
    ::close(listFd);
    return err;
  }
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int readErr = errno;
  ::closedir(dir);
  if (readErr != 0) return readErr;
  for (const std::string& name : names) {
    const int err = DeleteEntryAt(fd, name.c_str(), depth + 1);
    if (err != 0) return err;
  }
  return 0;
}

int DeleteEntryAt(int parentFd, const char* name, int depth) {
  struct stat st {};
  if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT ? 0 : errno;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(parentFd, name, 0) == 0 || errno == ENOENT ? 0 : errno;
  const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = EmptyFolder(fd, depth);
  ::close(fd);
  if (err == 0 && ::unlinkat(parentFd, name, AT_REMOVEDIR) != 0 && errno != ENOENT) err = errno;
  return err;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool PathIsFolder(const WideString& path) {
  const std::string native = Native(path);
  struct stat st {};
  return !native.empty() && ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolderAtPath(WideString& path) {
  const std::string native = Native(path);
  if (native.empty()) return false;
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return false;
  } else if (::mkdir(native.c_str(), 0777) != 0) {
    return false;
  }
  path = Utf8ToWide(native);
  EnsureTrailingSlash(path);
  return true;
}

bool DeleteFileAtPath(const WideString& path, bool /*force*/) {
  const std::string native = Native(path);
  if (native.empty()) return true;
  struct stat st {};
  if (!Lstat(native, st)) return errno == ENOENT || errno == ENOTDIR;
  const int rc = S_ISDIR(st.st_mode) ? ::rmdir(native.c_str()) : ::unlink(native.c_str());
  if (rc != 0) return false;
  if (!S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) host::fs::RemoveResourceFork(native);
  return true;
}

bool DeleteFolderAtPath(const WideString& path, bool recursive) {
  const std::string native = Native(path);
  struct stat st {};
  if (!Lstat(native, st)) return false;
  if (!S_ISDIR(st.st_mode)) return S_ISLNK(st.st_mode) && ::unlink(native.c_str()) == 0;
  if (::rmdir(native.c_str()) == 0) return true;
  if (!recursive || (errno != ENOTEMPTY && errno != EEXIST)) return false;
  return DeleteObjectTree(FileRef{native}) == host::kNoErr;
}

host::OSErr DeleteObjectTree(const FileRef& folder) {
  struct stat st {};
  if (!Lstat(folder.path, st) || !S_ISDIR(st.st_mode)) return host::kDirNotFoundErr;
  const std::string parent = FolderOf(folder.path);
  const std::string name = NameOf(folder.path);
  const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parentFd < 0) return host::OSErrFromErrno(errno);
  const int err = name.empty() ? EBUSY : DeleteEntryAt(parentFd, name.c_str(), 0);
  ::close(parentFd);
  return host::OSErrFromErrno(err);
}

bool RenamePath(WideString& path, const WideString& newName) {
  const std::string from = Native(path);
  const std::string name = WideToUtf8(newName);
  if (from.empty() || name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
    return false;
  }
  struct stat st {};
  if (!Lstat(from, st)) return false;
  const std::string to = (FolderOf(from) == "/" ? std::string() : FolderOf(from)) + "/" + name;
  if (to == from) return true;
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  if (S_ISREG(st.st_mode)) {
    // The resource fork follows the file; a stale fork of a replaced file goes.
    if (host::fs::HasResourceFork(from)) {
      ::rename(host::fs::ResourceForkSidePath(from).c_str(), host::fs::ResourceForkSidePath(to).c_str());
    } else {
      host::fs::RemoveResourceFork(to);
    }
  }
  PathFromFSRef(path, FileRef{to});
  return true;
}

bool RenameToBackupName(WideString& out, const WideString& path, bool replace) {
  const std::string native = Native(path);
  struct stat st {};
  if (!Lstat(native, st)) return false;
  out = Utf8ToWide(native + "~");
  struct stat backup {};
  if (Lstat(native + "~", backup)) {
    if (!replace) return false;
    // rename(2) replaces a file in one step; a folder in the way has to go first.
    if (S_ISDIR(backup.st_mode) && !DeleteFolderAtPath(out, true)) return false;
  }
  WideString renamed = Utf8ToWide(native);
  if (!RenamePath(renamed, GetFileName(out))) return false;
  return true;
}

bool MakeUniqueFilePath(WideString& out, const WideString& path) {
  out = MakeAbsolutePath(path, kPosixPathStyle);
  const WideString stem = GetFileName(out, true);
  const WideString ext = GetPathExtension(out, true);
  out = ReplaceFileName(out, stem + L"__" + ext);
  if (!PathExists(out)) return true;
  for (int n = 0; n <= 999; ++n) {
    out = ReplaceFileName(out, stem + L"__" + Utf8ToWide(std::to_string(n)) + ext);
    if (!PathExists(out)) return true;
  }
  return false;
}

bool GetBundleResourcePath(WideString& out, const WideString& name) {
  const std::string path = host::bundle::ResourcePath(WideToUtf8(name));
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  out = Utf8ToWide(path);
  return true;
}

bool GetAppFolderItemPath(WideString& out, const WideString& name, bool viaProcess) {
  std::string bundle;
  if (viaProcess) {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return false;
    bundle = FolderOf(FolderOf(std::string(exe, static_cast<size_t>(n))));  // <bundle>/bin/<exe>
  } else {
    bundle = host::bundle::BundlePath();
  }
  if (bundle.empty() || bundle == "/") return false;
  const std::string folder = FolderOf(bundle);
  out = Utf8ToWide(folder == "/" ? folder : folder + "/") + name;
  return true;
}

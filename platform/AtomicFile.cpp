#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kBufferSize = 64 * 1024;

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process's umask, read without changing it (umask(2) can only be read by setting it,
// which would race with other threads creating files).
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        std::fclose(status);
        return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8)) & 0777;
      }
    }
    std::fclose(status);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Follows a chain of symbolic links at the destination to the file they name (which need
// not exist yet). Gives up after 40 links, like the kernel.
std::string ResolveTarget(const std::string& path) {
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(static_cast<size_t>(PATH_MAX), '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<size_t>(n) >= link.size()) return current;
    link.resize(static_cast<size_t>(n));
    current = link[0] == '/' ? link : FolderOf(current) + "/" + link;
  }
  return current;
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Fail(int err) {
  if (!failed_) {
    failed_ = true;
    error_ = err != 0 ? err : EIO;
  }
  return false;
}

bool AtomicFileWriter::Open(const WideString& path) {
  Abort();
  error_ = 0;
  failed_ = false;
  path_ = path;
  const std::string dest = WideToUtf8(path);
  if (dest.empty() || dest.back() == '/') return Fail(EISDIR);
  target_ = ResolveTarget(dest);

  struct stat st {};
  mode_t mode = 0666 & ~CurrentUmask();
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
    // Only a regular file is ever replaced: renaming over a device, pipe or socket that a
    // link points at would destroy it (and as root, that could be /dev/null).
    if (!S_ISREG(st.st_mode)) return Fail(EINVAL);
    mode = st.st_mode & 07777;
  }

  // Everything that allocates happens before the file is made: once it exists, nothing may
  // throw before the writer knows its name, or an allocation failure would leave it behind.
  std::string pattern = FolderOf(target_) + "/." + NameOf(target_) + ".tmp-XXXXXX";
  folder_ = FolderOf(target_);
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  fd_ = fd;
  temp_ = std::move(pattern);
  if (::fchmod(fd_, mode) != 0) {
    const int err = errno;
    Abort();
    return Fail(err);
  }
  return true;
}

bool AtomicFileWriter::FlushBuffer() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(EIO);
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
  return true;
}

bool AtomicFileWriter::Write(const void* data, size_t size) {
  if (fd_ < 0) return Fail(EBADF);
  if (failed_) return false;
  if (size == 0) return true;
  if (data == nullptr) return Fail(EINVAL);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const size_t room = kBufferSize - buffer_.size();
    const size_t take = size < room ? size : room;
    buffer_.insert(buffer_.end(), bytes, bytes + take);
    bytes += take;
    size -= take;
    if (buffer_.size() == kBufferSize && !FlushBuffer()) return false;
  }
  return true;
}

bool AtomicFileWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (fd_ < 0) return Fail(EBADF);
  if (failed_) return false;
  if (!FlushBuffer()) return false;
  const off_t end = ::lseek(fd_, 0, SEEK_CUR);
  if (end < 0) return Fail(errno);
  if (size == 0) return true;
  if (data == nullptr || offset > static_cast<uint64_t>(end) || size > static_cast<uint64_t>(end) - offset) {
    return Fail(EINVAL);
  }
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(EIO);
    done += static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0) {
    Fail(EBADF);
    return false;
  }
  bool ok = !failed_ && FlushBuffer();
  if (ok && ::fsync(fd_) != 0) ok = Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && ok) ok = Fail(errno);
  if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = Fail(errno);
  if (!ok) {
    ::unlink(temp_.c_str());
    temp_.clear();
    buffer_.clear();
    return false;
  }
  temp_.clear();
  buffer_.clear();
  // Make the rename itself durable. The new content is in place already, so a folder that
  // can't be synced (some file systems refuse) is not a failure of the save.
  const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void AtomicFileWriter::Abort() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  buffer_.clear();
}

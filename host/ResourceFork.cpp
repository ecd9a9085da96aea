#include "host/ResourceFork.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace host::fs {

namespace {

constexpr uint32_t kMagic = 0x00051607;
constexpr uint32_t kVersion = 0x00020000;
constexpr uint32_t kResourceForkId = 2;
constexpr size_t kHeaderSize = 26;
constexpr size_t kEntrySize = 12;

void AppendU32(std::string& b, uint32_t v) {
  b.push_back(static_cast<char>(v >> 24));
  b.push_back(static_cast<char>(v >> 16));
  b.push_back(static_cast<char>(v >> 8));
  b.push_back(static_cast<char>(v));
}

int ReadWhole(const std::string& path, std::string& out, size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISREG(st.st_mode) ? errno : EINVAL;
    ::close(fd);
    return err;
  }
  if (static_cast<uint64_t>(st.st_size) > limit) {
    ::close(fd);
    return EFBIG;
  }
  out.assign(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  out.resize(done);  // a file that shrank meanwhile reads as far as it goes
  ::close(fd);
  return 0;
}

}  // namespace

std::string ResourceForkSidePath(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const auto slash = trimmed.find_last_of('/');
  if (slash == std::string::npos) return kSideFilePrefix + trimmed;
  return trimmed.substr(0, slash + 1) + kSideFilePrefix + trimmed.substr(slash + 1);
}

bool IsSideFileName(const std::string& name) { return name.size() > 2 && name.compare(0, 2, kSideFilePrefix) == 0; }

int ParseAppleDouble(std::string_view file, std::string& data, bool& exists, size_t limit) {
  data.clear();
  exists = false;
  const auto u32 = [&](size_t at) {
    return (uint32_t{static_cast<uint8_t>(file[at])} << 24) | (uint32_t{static_cast<uint8_t>(file[at + 1])} << 16) |
           (uint32_t{static_cast<uint8_t>(file[at + 2])} << 8) | uint32_t{static_cast<uint8_t>(file[at + 3])};
  };
  if (file.size() < kHeaderSize || u32(0) != kMagic || u32(4) != kVersion) return EINVAL;
  const size_t count = (static_cast<uint8_t>(file[24]) << 8) | static_cast<uint8_t>(file[25]);
  if (kHeaderSize + count * kEntrySize > file.size()) return EINVAL;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kHeaderSize + i * kEntrySize;
    const uint32_t offset = u32(at + 4);
    const uint32_t length = u32(at + 8);
    if (uint64_t{offset} + length > file.size()) return EINVAL;
    if (u32(at) != kResourceForkId) continue;
    if (length > limit) return EFBIG;
    data.assign(file.substr(offset, length));
    exists = true;
    return 0;
  }
  return 0;  // an AppleDouble file without a resource fork entry
}

std::string BuildAppleDouble(std::string_view fork) {
  std::string file;
  file.reserve(kHeaderSize + kEntrySize + fork.size());
  AppendU32(file, kMagic);
  AppendU32(file, kVersion);
  file.append(16, '\0');
  file.push_back(0);
  file.push_back(1);
  AppendU32(file, kResourceForkId);
  AppendU32(file, static_cast<uint32_t>(kHeaderSize + kEntrySize));
  AppendU32(file, static_cast<uint32_t>(fork.size()));
  file.append(fork);
  return file;
}

int ReadResourceFork(const std::string& path, std::string& data, bool& exists, size_t limit) {
  data.clear();
  exists = false;
  std::string file;
  const int err = ReadWhole(ResourceForkSidePath(path), file, limit + kHeaderSize + 64 * kEntrySize);
  if (err == ENOENT) return 0;
  if (err != 0) return err;
  return ParseAppleDouble(file, data, exists, limit);
}

int WriteResourceFork(const std::string& path, const std::string& data) {
  if (data.size() > 0xFFFFFFFFu - kHeaderSize - kEntrySize) return EFBIG;
  struct stat st {};
  unsigned mode = 0644;
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 0666;
  return ReplaceFileContents(ResourceForkSidePath(path), BuildAppleDouble(data), mode);
}

int RemoveResourceFork(const std::string& path) {
  if (::unlink(ResourceForkSidePath(path).c_str()) == 0 || errno == ENOENT) return 0;
  return errno;
}

bool HasResourceFork(const std::string& path) {
  struct stat st {};
  return ::lstat(ResourceForkSidePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int ReplaceFileContents(const std::string& path, const std::string& bytes, unsigned mode) {
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = folder + "/." + name + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int err = 0;
  size_t done = 0;
  while (err == 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      err = errno;
    else if (n == 0)
      err = EIO;
    else
      done += static_cast<size_t>(n);
  }
  if (err == 0 && ::fchmod(fd, static_cast<mode_t>(mode)) != 0) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) ::unlink(temp.c_str());
  return err;
}

}  // namespace host::fs

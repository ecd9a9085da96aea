#include "platform/ForkFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/FinderInfo.h"
#include "host/ResourceFork.h"

namespace {

using host::fs::AttrResult;
using host::fs::FinderInfoBytes;

// Reads the record; false on an error other than "none there" / "not kept here".
bool ReadInfo(const std::string& path, FinderInfoBytes& info, AttrResult& result) {
  result = host::fs::ReadFinderInfo(path, info);
  return result != AttrResult::kError;
}

}  // namespace

ForkFile::~ForkFile() {
  if (openFork_ != kNone) static_cast<void>(Close());  // nobody is left to be told
}

bool ForkFile::Fail(int err) {
  lastError_ = host::OSErrFromErrno(err);
  return false;
}

bool ForkFile::SetPath(const WideString& path) {
  path_ = WideToUtf8(MakeAbsolutePath(path, kPosixPathStyle));
  while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
  return true;
}

int ForkFile::AccessFromFlags(int flags) {
  if (flags & kRead) return O_RDONLY;
  if (flags & kWrite) return O_WRONLY;
  if (flags & kReadWrite) return O_RDWR;
  return -1;
}

bool ForkFile::OpenDataFork(int flags) {
  const int access = AccessFromFlags(flags);
  if (access < 0 || openFork_ != kNone) return Fail(EINVAL);
  const int fd = ::open(path_.c_str(), access | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Fail(EISDIR);
  }
  fd_ = fd;
  openFork_ = kData;
  writable_ = access != O_RDONLY;
  lastError_ = 0;
  return true;
}

bool ForkFile::OpenResourceFork(int flags) {
  const int access = AccessFromFlags(flags);
  if (access < 0 || openFork_ != kNone) return Fail(EINVAL);
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  bool exists = false;
  if (const int err = host::fs::ReadResourceFork(path_, resource_, exists); err != 0) return Fail(err);
  if (!exists && access == O_RDONLY) return Fail(ENOENT);
  openFork_ = kResource;
  writable_ = access != O_RDONLY;
  dirty_ = !exists;  // a new fork is made on close
  position_ = 0;
  lastError_ = 0;
  return true;
}

long ForkFile::Write(const void* bytes, long count) {
  if (openFork_ == kNone) return Fail(EBADF), 0;
  if (!writable_) return Fail(EBADF), 0;
  if (count <= 0 || bytes == nullptr) return 0;
  const char* data = static_cast<const char*>(bytes);
  if (openFork_ == kResource) {
    const size_t n = static_cast<size_t>(count);
    if (position_ + n > resource_.size()) resource_.resize(position_ + n);
    std::memcpy(resource_.data() + position_, data, n);
    position_ += n;
    dirty_ = true;
    return count;
  }
  long done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? errno : EIO);
      break;
    }
    done += n;
  }
  return done;
}

long ForkFile::Read(void* bytes, long count) {
  if (openFork_ == kNone) return Fail(EBADF), 0;
  if (count <= 0 || bytes == nullptr) return 0;
  if (openFork_ == kResource) {
    if (position_ >= resource_.size()) {
      lastError_ = host::kEofErr;
      return 0;
    }
    const size_t n = std::min(static_cast<size_t>(count), resource_.size() - position_);
    std::memcpy(bytes, resource_.data() + position_, n);
    position_ += n;
    return static_cast<long>(n);
  }
  for (;;) {
    const ssize_t n = ::read(fd_, bytes, static_cast<size_t>(count));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno), 0;
    if (n == 0) lastError_ = host::kEofErr;
    return static_cast<long>(n);
  }
}

bool ForkFile::Close() {
  if (openFork_ == kNone) return Fail(EBADF);
  bool ok = true;
  if (openFork_ == kData) {
    if (::close(fd_) != 0) ok = Fail(errno);
    fd_ = -1;
  } else if (writable_ && dirty_) {
    if (const int err = host::fs::WriteResourceFork(path_, resource_); err != 0) ok = Fail(err);
  }
  openFork_ = kNone;
  resource_.clear();
  dirty_ = false;
  return ok;
}

bool ForkFile::GetFinderInfo(FinderInfoFields& info) {
  FinderInfoBytes bytes{};
  AttrResult result;
  if (!ReadInfo(path_, bytes, result)) return Fail(EIO);
  if (result == AttrResult::kUnsupported) {
    bytes.fill(0);
    host::fs::PutU32(bytes, host::fs::kFileTypeOffset, kUnknownFileType);
    host::fs::PutU32(bytes, host::fs::kFileCreatorOffset, kUnknownFileType);
  }
  info.type = host::fs::GetU32(bytes, host::fs::kFileTypeOffset);
  info.creator = host::fs::GetU32(bytes, host::fs::kFileCreatorOffset);
  info.finderFlags = host::fs::GetU16(bytes, host::fs::kFileFlagsOffset);
  info.location.v = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFileLocationOffset));
  info.location.h = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFileLocationOffset + 2));
  info.reserved = host::fs::GetU16(bytes, host::fs::kFileReservedOffset);
  return true;
}

bool ForkFile::SetFinderInfo(const FinderInfoFields& info) {
  FinderInfoBytes bytes{};
  AttrResult result;
  if (!ReadInfo(path_, bytes, result) || result == AttrResult::kUnsupported) return Fail(ENOTSUP);
  if (info.mask & FinderInfoFields::kType) host::fs::PutU32(bytes, host::fs::kFileTypeOffset, info.type);
  if (info.mask & FinderInfoFields::kCreator) host::fs::PutU32(bytes, host::fs::kFileCreatorOffset, info.creator);
  if (info.mask & FinderInfoFields::kFlags) host::fs::PutU16(bytes, host::fs::kFileFlagsOffset, info.finderFlags);
  if (info.mask & FinderInfoFields::kLocation) {
    host::fs::PutU16(bytes, host::fs::kFileLocationOffset, static_cast<uint16_t>(info.location.v));
    host::fs::PutU16(bytes, host::fs::kFileLocationOffset + 2, static_cast<uint16_t>(info.location.h));
  }
  if (info.mask & FinderInfoFields::kReserved) host::fs::PutU16(bytes, host::fs::kFileReservedOffset, info.reserved);
  int err = 0;
  if (host::fs::WriteFinderInfo(path_, bytes, &err) != AttrResult::kOk) return Fail(err != 0 ? err : ENOTSUP);
  return true;
}

bool ForkFile::GetFolderFinderInfo(FolderFinderInfoFields& info) {
  FinderInfoBytes bytes{};
  AttrResult result;
  if (!ReadInfo(path_, bytes, result)) return Fail(EIO);
  if (result == AttrResult::kUnsupported) bytes.fill(0);
  info.windowBounds.top = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderBoundsOffset));
  info.windowBounds.left = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderBoundsOffset + 2));
  info.windowBounds.bottom = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderBoundsOffset + 4));
  info.windowBounds.right = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderBoundsOffset + 6));
  info.finderFlags = host::fs::GetU16(bytes, host::fs::kFolderFlagsOffset);
  info.location.v = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderLocationOffset));
  info.location.h = static_cast<int16_t>(host::fs::GetU16(bytes, host::fs::kFolderLocationOffset + 2));
  info.reserved = host::fs::GetU16(bytes, host::fs::kFolderReservedOffset);
  return true;
}

bool ForkFile::SetFolderFinderInfo(const FolderFinderInfoFields& info) {
  FinderInfoBytes bytes{};
  AttrResult result;
  if (!ReadInfo(path_, bytes, result) || result == AttrResult::kUnsupported) return Fail(ENOTSUP);
  if (info.mask & FolderFinderInfoFields::kBounds) {
    host::fs::PutU16(bytes, host::fs::kFolderBoundsOffset, static_cast<uint16_t>(info.windowBounds.top));
    host::fs::PutU16(bytes, host::fs::kFolderBoundsOffset + 2, static_cast<uint16_t>(info.windowBounds.left));
    host::fs::PutU16(bytes, host::fs::kFolderBoundsOffset + 4, static_cast<uint16_t>(info.windowBounds.bottom));
    host::fs::PutU16(bytes, host::fs::kFolderBoundsOffset + 6, static_cast<uint16_t>(info.windowBounds.right));
  }
  if (info.mask & FolderFinderInfoFields::kFlags)
    host::fs::PutU16(bytes, host::fs::kFolderFlagsOffset, info.finderFlags);
  if (info.mask & FolderFinderInfoFields::kLocation) {
    host::fs::PutU16(bytes, host::fs::kFolderLocationOffset, static_cast<uint16_t>(info.location.v));
    host::fs::PutU16(bytes, host::fs::kFolderLocationOffset + 2, static_cast<uint16_t>(info.location.h));
  }
  int err = 0;
  if (host::fs::WriteFinderInfo(path_, bytes, &err) != AttrResult::kOk) return Fail(err != 0 ? err : ENOTSUP);
  return true;
}

bool ForkFile::SetHasBundle() {
  FinderInfoBytes bytes{};
  AttrResult result;
  if (!ReadInfo(path_, bytes, result) || result == AttrResult::kUnsupported) return Fail(ENOTSUP);
  struct stat st {};
  const size_t at = ::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? host::fs::kFolderFlagsOffset
                                                                           : host::fs::kFileFlagsOffset;
  host::fs::PutU16(bytes, at, static_cast<uint16_t>(host::fs::GetU16(bytes, at) | kFinderFlagHasBundle));
  int err = 0;
  if (host::fs::WriteFinderInfo(path_, bytes, &err) != AttrResult::kOk) return Fail(err != 0 ? err : ENOTSUP);
  return true;
}

#include "platform/ResourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "host/Bundle.h"
#include "host/ResourceFork.h"

namespace {

constexpr size_t kMaxResourceFileBytes = 256u * 1024 * 1024;

bool ReadFileBounded(const std::string& path, std::string& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("can't open: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<unsigned long long>(st.st_size) > kMaxResourceFileBytes) {
    ::close(fd);
    error = "not a regular file of a sensible size";
    return false;
  }
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || bytes.size() + static_cast<size_t>(n) > kMaxResourceFileBytes) {
      error = n < 0 ? std::string("can't read: ") + std::strerror(errno) : "file too large";
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

std::unique_ptr<ResourceFile>& MainRsrc() {
  static std::unique_ptr<ResourceFile> file;
  return file;
}

}  // namespace

bool ResourceFile::Open(const WideString& path) {
  Close();
  std::string bytes;
  const std::string native = WideToUtf8(path);
  bool hasFork = false;
  const int err = host::fs::ReadResourceFork(native, bytes, hasFork, kMaxResourceFileBytes);
  if (err != 0) {
    error_ = std::string("can't read the resource fork: ") + std::strerror(err);
    return false;
  }
  if (!hasFork && !ReadFileBounded(native, bytes, error_)) return false;
  if (!map_.Parse(bytes, &error_)) return false;
  open_ = true;
  return true;
}

void ResourceFile::Close() {
  map_.Clear();
  open_ = false;
}

bool ResourceFile::GetResource(uint32_t type, int id, std::string& data, size_t* size) const {
  if (!open_ || id < -32768 || id > 32767) return false;
  const host::rsrc::Resource* r = map_.Find(type, static_cast<int16_t>(id));
  if (!r) return false;
  data = r->data;
  if (size) *size = r->data.size();
  return true;
}

bool GetMainRsrcResourceCached(uint32_t type, int id, std::string& data, size_t* size) {
  auto& cached = MainRsrc();
  if (!cached) {
    const std::string path = host::bundle::ResourcePath("main.rsrc");
    if (path.empty()) return false;
    auto file = std::make_unique<ResourceFile>();
    if (!file->Open(Utf8ToWide(path))) return false;
    cached = std::move(file);
  }
  return cached->GetResource(type, id, data, size);
}

bool GetMainRsrcResource(uint32_t type, int id, std::string& data, size_t* size) {
  return GetMainRsrcResourceCached(type, id, data, size);
}

bool ReleaseMainRsrcResource(std::string& data) {
  std::string().swap(data);
  return true;
}

bool SetSizeResource(const WideString& applicationPath, uint32_t preferredSize, uint32_t minimumSize) {
  const std::string native = WideToUtf8(applicationPath);
  std::string fork;
  bool exists = false;
  if (host::fs::ReadResourceFork(native, fork, exists, kMaxResourceFileBytes) != 0 || !exists) return false;
  host::rsrc::ResourceMap map;
  if (!map.Parse(fork)) return false;
  host::rsrc::Resource* size = map.Find(host::rsrc::FourCC("SIZE"), -1);
  if (!size || size->data.size() < 10) return false;
  for (int i = 0; i < 4; ++i) {
    size->data[2 + i] = static_cast<char>(preferredSize >> (24 - 8 * i));
    size->data[6 + i] = static_cast<char>(minimumSize >> (24 - 8 * i));
  }
  std::string out;
  if (!map.Serialize(out)) return false;
  return host::fs::WriteResourceFork(native, out) == 0;
}

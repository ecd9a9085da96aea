#include "platform/ResourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "host/Bundle.h"

namespace {

constexpr size_t kMaxResourceFileBytes = 256u * 1024 * 1024;

bool ReadFileBounded(const std::string& path, std::string& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("can't open: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > kMaxResourceFileBytes) {
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
  if (!ReadFileBounded(WideToUtf8(path), bytes, error_)) return false;
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

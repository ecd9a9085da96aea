#include "publish/ProjectorReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "publish/ProjectorWriter.h"

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `size` bytes at `offset`; false on an error or an early end.
bool ReadAt(int fd, uint64_t offset, char* into, size_t size) {
  while (size > 0) {
    const ssize_t got = ::pread(fd, into, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    size -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace

bool ReadProjectorMovie(const std::string& path, std::string& movie, std::string& error) {
  movie.clear();
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = path + " is not a file";
    return false;
  }
  const uint64_t length = static_cast<uint64_t>(st.st_size);
  ProjectorTrailer trailer{};
  if (length < trailer.size() ||
      !ReadAt(file.Get(), length - trailer.size(), reinterpret_cast<char*>(trailer.data()), trailer.size())) {
    error = path + " holds no movie";
    return false;
  }
  const auto range = FindProjectorMovie(trailer, length);
  if (!range) {
    error = path + " holds no movie";
    return false;
  }
  movie.resize(range->length);
  if (!ReadAt(file.Get(), range->offset, movie.data(), movie.size())) {
    movie.clear();
    error = "cannot read the movie of " + path;
    return false;
  }
  return true;
}

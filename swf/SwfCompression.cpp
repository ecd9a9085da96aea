#include "swf/SwfCompression.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileTypes.h"
#include "platform/Paths.h"
#include "swf/SwfFileWriter.h"

namespace {

constexpr size_t kChunk = 64 * 1024;

uint32_t DeclaredLength(const uint8_t* header) {
  return uint32_t{header[4]} | (uint32_t{header[5]} << 8) | (uint32_t{header[6]} << 16) | (uint32_t{header[7]} << 24);
}

// A source of bytes: memory or an open file.
class Source {
 public:
  virtual ~Source() = default;
  // Up to `size` bytes; 0 at the end (or on an error, see Failed).
  virtual size_t Read(uint8_t* buffer, size_t size) = 0;
  virtual bool Failed() const { return false; }
};

class MemorySource : public Source {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Read(uint8_t* buffer, size_t size) override {
    const size_t n = std::min(size, size_ - at_);
    if (n != 0) std::memcpy(buffer, data_ + at_, n);
    at_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

class FileSource : public Source {
 public:
  // Only regular files are read: opening a FIFO or a device for reading could block for ever
  // or never end. The descriptor is opened non-blocking so that the check itself cannot block.
  explicit FileSource(const WideString& path) : file_(nullptr) {
    const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      return;
    }
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) ::close(fd);
  }
  ~FileSource() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool IsOpen() const { return file_ != nullptr; }
  size_t Read(uint8_t* buffer, size_t size) override {
    if (file_ == nullptr) return 0;
    return std::fread(buffer, 1, size, file_);
  }
  bool Failed() const override { return file_ == nullptr || std::ferror(file_) != 0; }

 private:
  FILE* file_;
};

// A destination of bytes: memory or an atomic file writer.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

class MemorySink : public Sink {
 public:
  explicit MemorySink(std::vector<uint8_t>& out) : out_(out) {}
  bool Write(const uint8_t* data, size_t size) override {
    out_.insert(out_.end(), data, data + size);
    return true;
  }

 private:
  std::vector<uint8_t>& out_;
};

class FileSink : public Sink {
 public:
  explicit FileSink(AtomicFileWriter& file) : file_(file) {}
  bool Write(const uint8_t* data, size_t size) override { return file_.Write(data, size); }

 private:
  AtomicFileWriter& file_;
};

// Reads exactly `size` bytes unless the source ends first; returns how many.
size_t ReadFully(Source& source, uint8_t* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    const size_t n = source.Read(buffer + got, size - got);
    if (n == 0) break;
    got += n;
  }
  return got;
}

SwfInflateResult Inflate(Source& source, Sink& sink, uint64_t ceiling) {
  uint8_t header[8];
  if (ReadFully(source, header, 8) != 8 || std::memcmp(header, "CWS", 3) != 0) {
    return source.Failed() ? SwfInflateResult::kReadFailed : SwfInflateResult::kNotCompressed;
  }
  const uint32_t declared = DeclaredLength(header);
  if (declared < 8) return SwfInflateResult::kCorrupt;
  if (declared > ceiling) return SwfInflateResult::kTooLarge;
  header[0] = 'F';
  if (!sink.Write(header, 8)) return SwfInflateResult::kWriteFailed;

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return SwfInflateResult::kCorrupt;
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&zs, inflateEnd);
  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  uint64_t remaining = declared - 8;  // bytes the declared length still allows
  bool inputEnded = false;
  while (remaining != 0) {
    if (zs.avail_in == 0 && !inputEnded) {
      const size_t n = source.Read(in.data(), in.size());
      if (n == 0) {
        if (source.Failed()) return SwfInflateResult::kReadFailed;
        inputEnded = true;
      }
      zs.next_in = in.data();
      zs.avail_in = static_cast<uInt>(n);
    }
    const size_t room = static_cast<size_t>(std::min<uint64_t>(out.size(), remaining));
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&zs, Z_NO_FLUSH);
    const size_t produced = room - zs.avail_out;
    if (produced != 0) {
      if (!sink.Write(out.data(), produced)) return SwfInflateResult::kWriteFailed;
      remaining -= produced;
    }
    if (rc == Z_STREAM_END) return SwfInflateResult::kOk;
    if (rc == Z_BUF_ERROR) {
      // No progress: more input is needed.
      if (inputEnded) return SwfInflateResult::kTruncated;
      continue;
    }
    if (rc != Z_OK) return SwfInflateResult::kCorrupt;
    if (inputEnded && zs.avail_in == 0 && produced == 0) return SwfInflateResult::kTruncated;
  }
  return SwfInflateResult::kOk;  // stopped at the declared length
}

bool Deflate(Source& source, Sink& sink) {
  uint8_t header[8];
  if (ReadFully(source, header, 8) != 8 || std::memcmp(header, "FWS", 3) != 0) return false;
  header[0] = 'C';
  if (!sink.Write(header, 8)) return false;

  z_stream zs{};
  if (deflateInit(&zs, 9) != Z_OK) return false;
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&zs, deflateEnd);
  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  int flush = Z_NO_FLUSH;
  do {
    const size_t n = source.Read(in.data(), in.size());
    if (n == 0) {
      if (source.Failed()) return false;
      flush = Z_FINISH;
    }
    zs.next_in = in.data();
    zs.avail_in = static_cast<uInt>(n);
    int rc = Z_OK;
    do {
      zs.next_out = out.data();
      zs.avail_out = static_cast<uInt>(out.size());
      rc = deflate(&zs, flush);
      if (rc == Z_STREAM_ERROR) return false;
      const size_t produced = out.size() - zs.avail_out;
      if (produced != 0 && !sink.Write(out.data(), produced)) return false;
    } while (zs.avail_out == 0);
    if (flush == Z_FINISH && rc != Z_STREAM_END) return false;
  } while (flush != Z_FINISH);
  return true;
}

bool StartsWith(const WideString& path, bool allowFws) {
  FileSource file(path);
  uint8_t sig[3];
  if (!file.IsOpen() || ReadFully(file, sig, 3) != 3) return false;
  if (sig[1] != 'W' || sig[2] != 'S') return false;
  return sig[0] == 'C' || (allowFws && sig[0] == 'F');
}

}  // namespace

SwfInflateResult InflateSwf(const uint8_t* data, size_t size, std::vector<uint8_t>& out, uint64_t ceiling) {
  out.clear();
  MemorySource source(data, size);
  MemorySink sink(out);
  const SwfInflateResult result = Inflate(source, sink, ceiling);
  if (result != SwfInflateResult::kOk) {
    out.clear();
    out.shrink_to_fit();
  }
  return result;
}

bool DeflateSwf(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  out.clear();
  MemorySource source(data, size);
  MemorySink sink(out);
  if (Deflate(source, sink)) return true;
  out.clear();
  return false;
}

bool HasSwfSignature(const WideString& path) { return StartsWith(path, true); }

bool IsCompressedSwfFile(const WideString& path) { return StartsWith(path, false); }

bool CompressSwfFile(const WideString& source, const WideString& destination, bool replace) {
  if (!HasSwfSignature(source)) return false;
  if (!replace && PathExists(destination)) return false;
  FileSource in(source);
  if (!in.IsOpen()) return false;
  AtomicFileWriter out;
  if (!out.Open(destination)) return false;
  SetFileTypeCreator(out.TempPath(), SwfFileTypeCreator());
  FileSink sink(out);
  if (!Deflate(in, sink)) {
    out.Abort();
    return false;
  }
  return out.Commit();
}

bool DecompressSwfFile(const WideString& source, const WideString& destination, bool replace, uint64_t ceiling) {
  if (!IsCompressedSwfFile(source)) return false;
  if (!replace && PathExists(destination)) return false;
  FileSource in(source);
  if (!in.IsOpen()) return false;
  AtomicFileWriter out;
  if (!out.Open(destination)) return false;
  SetFileTypeCreator(out.TempPath(), SwfFileTypeCreator());
  FileSink sink(out);
  if (Inflate(in, sink, ceiling) != SwfInflateResult::kOk) {
    out.Abort();
    return false;
  }
  return out.Commit();
}

bool DecompressSwfFileInPlace(const WideString& path, bool viaBackup) {
  if (!viaBackup) {
    if (!IsCompressedSwfFile(path)) return true;
    return DecompressSwfFile(path, path, true);
  }
  if (!IsCompressedSwfFile(path)) return false;
  const WideString backup = path + L"~";
  const std::string pathBytes = WideToUtf8(path);
  const std::string backupBytes = WideToUtf8(backup);
  // rename(2) replaces an older backup in one step.
  if (std::rename(pathBytes.c_str(), backupBytes.c_str()) != 0) return false;
  if (DecompressSwfFile(backup, path, false)) return true;
  std::rename(backupBytes.c_str(), pathBytes.c_str());
  return false;
}

#include "publish/InstallerArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "host/PrivateFolder.h"
#include "platform/AtomicFile.h"
#include "platform/Checksum.h"
#include "platform/Paths.h"

namespace {

constexpr uint64_t kMaxWord = std::numeric_limits<uint32_t>::max();

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

class MemorySource : public ArchiveSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* out, size_t count) override {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    if (count > 0) std::memcpy(out, bytes_.data() + offset, count);
    return true;
  }

 private:
  std::string bytes_;
};

class FileSource : public ArchiveSource {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* out, size_t count) override {
    if (offset > size_ || count > size_ - offset) return false;
    auto* p = static_cast<char*>(out);
    while (count > 0) {
      const ssize_t n = ::pread(fd_, p, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      offset += static_cast<uint64_t>(n);
      count -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

bool IsPlainFileName(const std::wstring& name) {
  if (name.empty() || name.size() > kArchiveMaxNameLength || name == L"." || name == L"..") return false;
  for (const wchar_t c : name) {
    const auto u = static_cast<uint32_t>(c);
    if (u == 0 || u == '/' || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return false;
  }
  return true;
}

size_t WriteArchiveU32(std::string& out, uint32_t value) {
  PutU32(out, value);
  return 4;
}

size_t WriteArchiveU8(std::string& out, uint8_t value) {
  out.push_back(static_cast<char>(value));
  return 1;
}

size_t WriteArchiveBlob(std::string& out, const void* bytes, size_t count) {
  if (count > kMaxWord || (bytes == nullptr && count > 0)) return 0;
  out.append(static_cast<const char*>(bytes), count);
  PutU32(out, static_cast<uint32_t>(count));
  return count + 4;
}

size_t WriteArchiveWideString(std::string& out, const std::wstring& name) {
  if (!IsPlainFileName(name)) return 0;
  for (const wchar_t c : name) PutU32(out, static_cast<uint32_t>(c));
  PutU32(out, static_cast<uint32_t>(name.size()));
  return 4 * name.size() + 4;
}

bool ReadArchiveSourceFile(const WideString& path, std::string& out) {
  out.clear();
  const std::string file = WideToUtf8(path);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= kMaxWord;
  if (ok) {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;
      if (out.size() + static_cast<size_t>(n) > kMaxWord) {
        ok = false;  // the file grew past what a blob can hold
        break;
      }
      out.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

bool WriteArchiveFileBlob(std::string& out, const WideString& path, size_t& written) {
  written = 0;
  std::string bytes;
  if (!ReadArchiveSourceFile(path, bytes)) return false;
  written = WriteArchiveBlob(out, bytes.data(), bytes.size());
  return true;
}

size_t WriteArchiveRecordHeader(std::string& out, uint32_t kind, uint32_t length) {
  PutU32(out, length);
  PutU32(out, kind);
  return kArchiveTrailerSize;
}

std::string ConvertLineEndsToCrLf(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// --- Records -------------------------------------------------------------------------------

bool InstallerRecord::Finish(std::string& out, const std::string& payload) {
  if (payload.size() > kMaxWord) return false;
  payloadLength_ = static_cast<uint32_t>(payload.size());
  out += payload;
  WriteArchiveRecordHeader(out, static_cast<uint32_t>(kind_), payloadLength_);
  return true;
}

bool InstallerRecord::Write(std::string& out) { return Finish(out, std::string()); }

bool InstallerRecord::Read(InstallerArchive&) {
  payloadLength_ = 0;
  return true;
}

InstallerFileRecord::InstallerFileRecord() : InstallerFileRecord(InstallerRecordKind::kDescription, L"installer.dat") {}

InstallerFileRecord::InstallerFileRecord(InstallerRecordKind kind, const wchar_t* fixedName)
    : InstallerRecord(kind), fixedName_(fixedName) {}

bool InstallerFileRecord::Write(std::string& out) {
  std::string payload;
  size_t written = 0;
  if (!WriteArchiveFileBlob(payload, path_, written) || written == 0) return false;
  return Finish(out, payload);
}

bool InstallerFileRecord::Read(InstallerArchive& archive) {
  std::string bytes;
  if (!archive.ReadBlobBackward(bytes)) return false;
  payloadLength_ = static_cast<uint32_t>(bytes.size() + 4);
  return archive.ExtractFile(fixedName_, bytes, path_);
}

InstallerConfigRecord::InstallerConfigRecord() : InstallerFileRecord(InstallerRecordKind::kConfig, L"icd0.dat") {}

InstallerContentRecord::InstallerContentRecord() : InstallerContentRecord(InstallerRecordKind::kContent) {}

InstallerContentRecord::InstallerContentRecord(InstallerRecordKind kind) : InstallerRecord(kind) {}

bool InstallerContentRecord::Write(std::string& out) {
  const std::wstring name = GetFileName(path_);
  if (!IsPlainFileName(name)) return false;
  std::string bytes;
  if (!ReadArchiveSourceFile(path_, bytes)) return false;
  std::string payload;
  if (compressed_) {
    const std::string text = ConvertText(bytes);
    size_t length = 0;
    const auto packed = CompressToNewBuffer(text.data(), text.size(), length);
    if (!packed || WriteArchiveBlob(payload, packed.get(), length) == 0) return false;
  } else if (WriteArchiveBlob(payload, bytes.data(), bytes.size()) == 0) {
    return false;
  }
  WriteArchiveU8(payload, compressed_ ? 1 : 0);
  WriteArchiveWideString(payload, name);
  name_ = name;
  return Finish(out, payload);
}

bool InstallerContentRecord::Read(InstallerArchive& archive) {
  std::wstring name;
  uint8_t flag = 0;
  std::string blob;
  if (!archive.ReadWideStringBackward(name) || !archive.ReadU8Backward(flag) || !archive.ReadBlobBackward(blob)) {
    return false;
  }
  if (flag > 1 || !IsPlainFileName(name)) return archive.Fail(kArchiveDamaged);
  name_ = name;
  ApplyFixedName();
  compressed_ = flag == 1;
  payloadLength_ = static_cast<uint32_t>(blob.size() + 4 + 1 + 4 * name.size() + 4);
  if (!compressed_) return archive.ExtractFile(name_, blob, path_);
  size_t length = 0;
  const auto bytes = UncompressToNewBuffer(blob.data(), blob.size(), length);
  if (!bytes) return archive.Fail(kArchiveDamaged);
  return archive.ExtractFile(name_, std::string(reinterpret_cast<const char*>(bytes.get()), length), path_);
}

InstallerReadMeRecord::InstallerReadMeRecord() : InstallerContentRecord(InstallerRecordKind::kReadMe) {}

InstallerLicenseRecord::InstallerLicenseRecord() : InstallerContentRecord(InstallerRecordKind::kLicense) {}

InstallerPictureRecord::InstallerPictureRecord() : InstallerRecord(InstallerRecordKind::kPicture) {}

bool InstallerPictureRecord::Write(std::string& out) {
  if (picture_.Pixels() == nullptr || picture_.Size() == 0) return false;
  std::string payload;
  if (WriteArchiveBlob(payload, picture_.Pixels(), picture_.Size()) == 0) return false;
  WriteArchiveU32(payload, static_cast<uint32_t>(picture_.BitsPerPixel()));
  WriteArchiveU32(payload, picture_.Height());
  WriteArchiveU32(payload, picture_.Width());
  return Finish(out, payload);
}

bool InstallerPictureRecord::Read(InstallerArchive& archive) {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bits = 0;
  if (!archive.ReadU32Backward(width) || !archive.ReadU32Backward(height) || !archive.ReadU32Backward(bits)) {
    return false;
  }
  // The dimensions must describe the blob exactly; they are checked before the blob is read.
  size_t bytes = 0;
  if ((bits != 24 && bits != 32) || !BitmapByteCount(width, height, bits / 8, bytes)) {
    return archive.Fail(kArchiveDamaged);
  }
  std::string blob;
  if (!archive.ReadBlobBackward(blob)) return false;
  if (blob.size() != bytes ||
      !picture_.Allocate(width, height, static_cast<int>(bits), reinterpret_cast<const uint8_t*>(blob.data()))) {
    return archive.Fail(kArchiveDamaged);
  }
  payloadLength_ = static_cast<uint32_t>(blob.size() + 16);
  return true;
}

// --- Writer --------------------------------------------------------------------------------

bool InstallerArchiveWriter::Open(const WideString& path) {
  path_ = path;
  bytes_.clear();
  failed_ = false;
  open_ = true;
  InstallerRecord start;
  return start.Write(bytes_);
}

bool InstallerArchiveWriter::Add(InstallerRecord& record) {
  if (!open_ || failed_) return false;
  if (!record.Write(bytes_)) failed_ = true;
  return !failed_;
}

bool InstallerArchiveWriter::Finish() {
  if (!open_) return false;
  open_ = false;
  if (failed_) return false;
  WriteArchiveU32(bytes_, kArchiveMagic);
  AtomicFileWriter out;
  const bool ok = out.Open(path_) && out.Write(bytes_) && out.Commit();
  bytes_.clear();
  return ok;
}

// --- Reader --------------------------------------------------------------------------------

InstallerArchive::InstallerArchive() = default;
InstallerArchive::~InstallerArchive() = default;

bool InstallerArchive::Open(const WideString& path) {
  Close();
  const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  source_ = std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
  return true;
}

void InstallerArchive::OpenBytes(const std::string& bytes) {
  Close();
  source_ = std::make_unique<MemorySource>(bytes);
}

void InstallerArchive::Close() {
  Clear();
  source_.reset();
}

void InstallerArchive::Clear() {
  contents_.clear();
  description_ = ArchiveEntry();
  readMe_ = ArchiveEntry();
  license_ = ArchiveEntry();
  picture_ = ArchiveEntry();
  error_ = 0;
  position_ = 0;
  floor_ = 0;
}

bool InstallerArchive::Fail(int error) {
  if (error_ == 0) error_ = error;
  return false;
}

bool InstallerArchive::ReadU32Backward(uint32_t& value) {
  unsigned char b[4];
  if (position_ - floor_ < 4 || !source_->ReadAt(position_ - 4, b, 4)) return Fail(kArchiveDamaged);
  position_ -= 4;
  value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
          (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

bool InstallerArchive::ReadU8Backward(uint8_t& value) {
  if (position_ - floor_ < 1 || !source_->ReadAt(position_ - 1, &value, 1)) return Fail(kArchiveDamaged);
  position_ -= 1;
  return true;
}

bool InstallerArchive::ReadBlobBackward(std::string& out) {
  uint32_t count = 0;
  if (!ReadU32Backward(count)) return false;
  if (count > position_ - floor_) return Fail(kArchiveDamaged);
  std::string bytes(count, '\0');
  if (!source_->ReadAt(position_ - count, bytes.data(), count)) return Fail(kArchiveDamaged);
  position_ -= count;
  out = std::move(bytes);
  return true;
}

bool InstallerArchive::ReadWideStringBackward(std::wstring& out) {
  uint32_t count = 0;
  if (!ReadU32Backward(count)) return false;
  if (count > kArchiveMaxNameLength || uint64_t{count} * 4 > position_ - floor_) return Fail(kArchiveDamaged);
  std::string bytes(size_t{count} * 4, '\0');
  if (!source_->ReadAt(position_ - bytes.size(), bytes.data(), bytes.size())) return Fail(kArchiveDamaged);
  position_ -= bytes.size();
  std::wstring text;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + i);
    text.push_back(static_cast<wchar_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                        (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24)));
  }
  out = std::move(text);
  return true;
}

bool InstallerArchive::ExtractFile(const std::wstring& name, const std::string& bytes, WideString& path) {
  // Every record reads all its fields before it extracts anything: a payload with bytes left
  // over is damaged, and nothing of it is written.
  if (!IsPlainFileName(name) || position_ != floor_) return Fail(kArchiveDamaged);
  if (extractFolder_.empty()) {
    // A folder of this reader's own in the private temporary folder, so that two readers never
    // share the fixed names.
    const std::string temp = host::fs::PrivateTemporaryFolder();
    if (temp.empty()) return Fail(kArchiveExtractFailed);
    std::string pattern = temp + "/archive-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return Fail(kArchiveExtractFailed);
    extractFolder_ = Utf8ToWide(pattern + "/");
  } else if (::mkdir(WideToUtf8(extractFolder_).c_str(), 0700) != 0 && errno != EEXIST) {
    return Fail(kArchiveExtractFailed);
  }
  WideString folder = extractFolder_;
  EnsureTrailingSlash(folder);
  const WideString target = folder + WideString(name);
  AtomicFileWriter out;
  if (!out.Open(target) || !out.Write(bytes) || !out.Commit()) return Fail(kArchiveExtractFailed);
  path = target;
  return true;
}

bool InstallerArchive::Walk(Mode mode) {
  Clear();
  if (!source_) return Fail(kArchiveNotAnArchive);
  position_ = source_->Size();
  static constexpr uint8_t kMagicBackward[4] = {0x58, 0x51, 0xEE, 0xFF};
  for (const uint8_t expected : kMagicBackward) {
    uint8_t b = 0;
    if (!ReadU8Backward(b) || b != expected) {
      Clear();
      return Fail(kArchiveNotAnArchive);
    }
  }
  // Every pass moves the position back by at least a trailer, so the walk ends.
  while (position_ > 0) {
    uint32_t kind = 0;
    uint32_t length = 0;
    if (!ReadU32Backward(kind) || !ReadU32Backward(length)) return false;
    if (length > position_) return Fail(kArchiveDamaged);
    const uint64_t end = position_;
    const uint64_t start = position_ - length;

    std::unique_ptr<InstallerRecord> record;
    ArchiveEntry* entry = nullptr;
    bool inContents = false;
    switch (static_cast<InstallerRecordKind>(kind)) {
      case InstallerRecordKind::kDescription:
        if (mode == Mode::kTrailingTexts) break;
        record = std::make_unique<InstallerFileRecord>();
        if (mode == Mode::kAll) entry = &description_;
        break;
      case InstallerRecordKind::kContent:
        if (mode == Mode::kAll) {
          record = std::make_unique<InstallerContentRecord>();
          inContents = true;
        } else if (mode == Mode::kAllButContents) {
          position_ = start;  // stepped over, not extracted
          continue;
        }
        break;
      case InstallerRecordKind::kReadMe:
        record = std::make_unique<InstallerReadMeRecord>();
        if (mode == Mode::kAll) entry = &readMe_;
        break;
      case InstallerRecordKind::kLicense:
        record = std::make_unique<InstallerLicenseRecord>();
        if (mode == Mode::kAll) entry = &license_;
        break;
      case InstallerRecordKind::kConfig: record = std::make_unique<InstallerConfigRecord>(); break;
      case InstallerRecordKind::kPicture:
        if (mode == Mode::kTrailingTexts) break;
        record = std::make_unique<InstallerPictureRecord>();
        entry = &picture_;
        break;
      default: break;
    }
    if (!record) {
      // A kind this mode doesn't read ends the walk; where it was a record the position goes
      // to its first byte.
      if (mode != Mode::kAll) position_ = start;
      return true;
    }
    floor_ = start;
    const bool ok = record->Read(*this);
    floor_ = 0;
    if (!ok) return false;
    if (position_ != start) return Fail(kArchiveDamaged);  // the payload held more or less than its fields
    if (inContents) {
      contents_.push_back(ArchiveEntry{end, std::move(record)});
    } else if (entry != nullptr) {
      *entry = ArchiveEntry{end, std::move(record)};
    }
  }
  return true;
}

bool InstallerArchive::ReadAll() { return Walk(Mode::kAll); }
bool InstallerArchive::ReadTrailingTexts() { return Walk(Mode::kTrailingTexts); }
bool InstallerArchive::ReadAllButContents() { return Walk(Mode::kAllButContents); }

// The installer data archive: one file that carries an installer's description, the items it
// installs, its read-me and licence texts, its configuration file and its splash picture.
//
// The file is a run of records followed by the four bytes FF EE 51 58. Each record is its
// payload and then an 8-byte trailer (payload length, kind); every word is a 32-bit unsigned
// little-endian value, and inside a payload every variable-length field comes before its
// count, so the file is read from its end towards its start:
//
//   word          4 bytes
//   byte          1 byte
//   blob          n bytes, then the word n
//   wide string   count characters of 4 bytes (UTF-32 LE), then the word count
//
//   kind 0  empty (written first, so that the backward walk stops there)
//   kind 1  blob: the description, extracted as "installer.dat"
//   kind 2  blob (zlib when the flag is 1), flag byte, name: a content file under its name
//   kind 4  as 2, text with CR LF line ends, extracted as "ReadMe.txt"
//   kind 5  as 2, text with CR LF line ends, extracted as "License.txt"
//   kind 6  blob: the configuration, extracted as "icd0.dat"
//   kind 7  blob: pixels, then bits per pixel, height and width: a picture kept in memory
//
// Everything read is untrusted: every length and count is checked against the bytes of its
// record before anything is allocated, and a stored name is used only when it is a single
// plain file name (see IsPlainFileName), so nothing is ever written outside the extraction
// folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "media/Bitmap.h"
#include "platform/WideString.h"

inline constexpr uint32_t kArchiveMagic = 0x5851EEFF;  // FF EE 51 58 as a little-endian word
inline constexpr size_t kArchiveTrailerSize = 8;
// Longest name a wide string of the archive may hold (its count must fit in a byte).
inline constexpr size_t kArchiveMaxNameLength = 255;

// Errors of the readers (InstallerArchive::Error).
inline constexpr int kArchiveNotAnArchive = 102;   // the file doesn't end with the magic
inline constexpr int kArchiveDamaged = 103;        // a count, length, name or stream is wrong
inline constexpr int kArchiveExtractFailed = 104;  // an extracted file couldn't be written

enum class InstallerRecordKind : uint32_t {
  kEmpty = 0,
  kDescription = 1,
  kContent = 2,
  kReadMe = 4,
  kLicense = 5,
  kConfig = 6,
  kPicture = 7,
};

// True for a name that may become one path component: not empty, at most 255 characters,
// not "." or "..", and without '/', NUL or anything that is not a Unicode scalar value.
bool IsPlainFileName(const std::wstring& name);

// Field encoders: each appends to `out` and returns the bytes appended.
size_t WriteArchiveU32(std::string& out, uint32_t value);
size_t WriteArchiveU8(std::string& out, uint8_t value);
size_t WriteArchiveBlob(std::string& out, const void* bytes, size_t count);
// The name and its count; 0 (nothing appended) unless IsPlainFileName holds.
size_t WriteArchiveWideString(std::string& out, const std::wstring& name);
// The file's bytes as a blob; false (nothing appended) when it can't be read whole.
[[nodiscard]] bool WriteArchiveFileBlob(std::string& out, const WideString& path, size_t& written);
// The trailer: length, then kind; 8.
size_t WriteArchiveRecordHeader(std::string& out, uint32_t kind, uint32_t length);

// Every lone CR, lone LF and CR LF becomes CR LF; other bytes are copied.
std::string ConvertLineEndsToCrLf(const std::string& bytes);

// Reads a whole file (up to 4 GiB less one byte: a blob's count is one word). False when it
// can't be read or is larger.
[[nodiscard]] bool ReadArchiveSourceFile(const WideString& path, std::string& out);

class InstallerArchive;

// The base record: kind 0, no payload.
class InstallerRecord {
 public:
  explicit InstallerRecord(InstallerRecordKind kind = InstallerRecordKind::kEmpty) : kind_(kind) {}
  virtual ~InstallerRecord() = default;
  InstallerRecord(const InstallerRecord&) = delete;
  InstallerRecord& operator=(const InstallerRecord&) = delete;

  // Appends the payload and the trailer to `out` and stores the payload length. False (with
  // nothing appended) when the payload can't be made: a source that can't be read, a
  // compression that fails, a name that is not a plain file name, a payload over 4 GiB.
  [[nodiscard]] virtual bool Write(std::string& out);
  // Reads the payload that ends at the archive's position, leaving the position at its first
  // byte. False, with the archive's error set, when the payload is damaged or what it
  // carries can't be extracted.
  [[nodiscard]] virtual bool Read(InstallerArchive& archive);

  InstallerRecordKind Kind() const { return kind_; }
  uint32_t PayloadLength() const { return payloadLength_; }

 protected:
  // Appends payload + trailer, checking the payload fits a word.
  bool Finish(std::string& out, const std::string& payload);

  InstallerRecordKind kind_;
  uint32_t payloadLength_ = 0;
};

// Kind 1: a file stored under a fixed name ("installer.dat").
class InstallerFileRecord : public InstallerRecord {
 public:
  InstallerFileRecord();
  // The source file when writing; the extracted file after reading.
  void SetPath(const WideString& path) { path_ = path; }
  const WideString& Path() const { return path_; }
  const WideString& FixedName() const { return fixedName_; }

  bool Write(std::string& out) override;
  bool Read(InstallerArchive& archive) override;

 protected:
  InstallerFileRecord(InstallerRecordKind kind, const wchar_t* fixedName);

  WideString fixedName_;
  WideString path_;
};

// Kind 6: the installer configuration file "icd0.dat".
class InstallerConfigRecord : public InstallerFileRecord {
 public:
  InstallerConfigRecord();
};

// Kind 2: a file stored under its own name, compressed unless the flag is cleared.
class InstallerContentRecord : public InstallerRecord {
 public:
  InstallerContentRecord();
  void SetPath(const WideString& path) { path_ = path; }
  const WideString& Path() const { return path_; }
  const WideString& Name() const { return name_; }
  void SetCompressed(bool compressed) { compressed_ = compressed; }
  bool Compressed() const { return compressed_; }

  bool Write(std::string& out) override;
  bool Read(InstallerArchive& archive) override;

 protected:
  explicit InstallerContentRecord(InstallerRecordKind kind);
  // Applied to the file's bytes before compression.
  virtual std::string ConvertText(const std::string& bytes) const { return bytes; }
  // Called once the stored name has been read.
  virtual void ApplyFixedName() {}

  bool compressed_ = true;
  WideString path_;
  WideString name_;
};

// Kind 4: the read-me text, stored with CR LF line ends and extracted as "ReadMe.txt".
class InstallerReadMeRecord : public InstallerContentRecord {
 public:
  InstallerReadMeRecord();

 protected:
  std::string ConvertText(const std::string& bytes) const override { return ConvertLineEndsToCrLf(bytes); }
  void ApplyFixedName() override { name_ = L"ReadMe.txt"; }
};

// Kind 5: the licence text, stored with CR LF line ends and extracted as "License.txt".
class InstallerLicenseRecord : public InstallerContentRecord {
 public:
  InstallerLicenseRecord();

 protected:
  std::string ConvertText(const std::string& bytes) const override { return ConvertLineEndsToCrLf(bytes); }
  void ApplyFixedName() override { name_ = L"License.txt"; }
};

// Kind 7: a picture (24- or 32-bit pixels, rows top-down) held in memory.
class InstallerPictureRecord : public InstallerRecord {
 public:
  InstallerPictureRecord();
  Bitmap& Picture() { return picture_; }
  const Bitmap& Picture() const { return picture_; }

  bool Write(std::string& out) override;
  bool Read(InstallerArchive& archive) override;

 private:
  Bitmap picture_;
};

// Writes a whole archive: the empty record first, then each record added, then the magic.
// The file replaces an old one only when all of it was written (see AtomicFileWriter).
class InstallerArchiveWriter {
 public:
  [[nodiscard]] bool Open(const WideString& path);
  // Writes the record; false (and the archive is then abandoned by Finish) when it fails.
  [[nodiscard]] bool Add(InstallerRecord& record);
  // Appends the magic and puts the file in place; false when anything since Open failed.
  [[nodiscard]] bool Finish();

 private:
  bool open_ = false;
  bool failed_ = false;
  WideString path_;
  std::string bytes_;
};

// Where a reader finds the archive's bytes.
class ArchiveSource {
 public:
  virtual ~ArchiveSource() = default;
  virtual uint64_t Size() const = 0;
  // Exactly `count` bytes from `offset`; false when they can't be read.
  virtual bool ReadAt(uint64_t offset, void* out, size_t count) = 0;
};

// An index entry: where the record's payload ends in the file, and the record.
struct ArchiveEntry {
  uint64_t offset = 0;
  std::unique_ptr<InstallerRecord> record;
};

// The reading side: opens an archive, walks its records backwards and extracts what they
// carry into the extraction folder.
class InstallerArchive {
 public:
  InstallerArchive();
  ~InstallerArchive();
  InstallerArchive(const InstallerArchive&) = delete;
  InstallerArchive& operator=(const InstallerArchive&) = delete;

  // Reads from the file at the path (kept open until Close or another Open).
  [[nodiscard]] bool Open(const WideString& path);
  // Reads from the bytes (copied).
  void OpenBytes(const std::string& bytes);
  void Close();

  // The folder extracted files go to (made when missing). Defaults to the program's
  // temporary sub-folder.
  void SetExtractFolder(const WideString& folder) { extractFolder_ = folder; }
  const WideString& ExtractFolder() const { return extractFolder_; }

  // The three reading modes; each clears the index first. False with Error() set when the
  // archive is not one (102), is damaged (103) or a file couldn't be extracted (104).
  //   ReadAll: every record up to the first kind outside 1..7 (index entries for all but 6).
  //   ReadTrailingTexts: the read-me, licence and configuration records written last.
  //   ReadAllButContents: all records but content files, which are stepped over.
  [[nodiscard]] bool ReadAll();
  [[nodiscard]] bool ReadTrailingTexts();
  [[nodiscard]] bool ReadAllButContents();
  void Clear();

  int Error() const { return error_; }
  const std::list<ArchiveEntry>& Contents() const { return contents_; }
  const ArchiveEntry* Description() const { return description_.record ? &description_ : nullptr; }
  const ArchiveEntry* ReadMe() const { return readMe_.record ? &readMe_ : nullptr; }
  const ArchiveEntry* License() const { return license_.record ? &license_ : nullptr; }
  const ArchiveEntry* Picture() const { return picture_.record ? &picture_ : nullptr; }

  // The backward readers used by the records. Each reads what lies just before the
  // position, never below the floor (the first byte of the record being read), and leaves
  // the position at the first byte read. False (error 103) when the bytes aren't there.
  [[nodiscard]] bool ReadU32Backward(uint32_t& value);
  [[nodiscard]] bool ReadU8Backward(uint8_t& value);
  [[nodiscard]] bool ReadBlobBackward(std::string& out);
  [[nodiscard]] bool ReadWideStringBackward(std::wstring& out);
  uint64_t Position() const { return position_; }

  // Records write their extracted files through this: the name must be plain. False (error
  // 104) when the file can't be written; path receives where it went.
  [[nodiscard]] bool ExtractFile(const std::wstring& name, const std::string& bytes, WideString& path);
  bool Fail(int error);

 private:
  enum class Mode { kAll, kTrailingTexts, kAllButContents };
  bool Walk(Mode mode);

  std::unique_ptr<ArchiveSource> source_;
  uint64_t position_ = 0;
  uint64_t floor_ = 0;
  int error_ = 0;
  WideString extractFolder_;
  std::list<ArchiveEntry> contents_;
  ArchiveEntry description_;
  ArchiveEntry readMe_;
  ArchiveEntry license_;
  ArchiveEntry picture_;
};

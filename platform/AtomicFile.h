// Safe replacement of a file.
//
// The new content goes to a uniquely named temporary file in the destination's folder; only
// when all of it is written, flushed to the disk and closed without error is the temporary
// renamed over the destination (rename(2) replaces it in one step). Until then the old file
// stays as it was, and after any failure the temporary file is removed and the old file is
// untouched.
//
//   AtomicFileWriter out;
//   if (!out.Open(path) || !out.Write(data, size) || !out.Commit()) report(out.LastError());
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WideString.h"

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // aborts when not committed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file beside the destination. A destination that is a symbolic
  // link is replaced at the file the link points to (the link stays). The new file gets the
  // old file's permission bits, or 0666 less the umask for a new file. Fails when the
  // destination is a folder or its folder can't be written; a writer that is open already
  // is aborted first.
  [[nodiscard]] bool Open(const WideString& path);

  // Appends bytes (buffered). False after any error; the error sticks until Commit/Abort.
  [[nodiscard]] bool Write(const void* data, size_t size);
  [[nodiscard]] bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }

  // Overwrites bytes written before, at `offset` from the start of the file (a header whose
  // fields are known only at the end). The range must lie inside what was written; the
  // file's end does not move. False after any error, which sticks like Write's.
  [[nodiscard]] bool WriteAt(uint64_t offset, const void* data, size_t size);

  // Writes what is buffered, fsyncs, closes and renames the temporary over the destination,
  // then syncs the folder. False on any error, with the temporary removed and the old file
  // as it was. The writer is closed afterwards either way.
  [[nodiscard]] bool Commit();

  // Drops the temporary file; the destination is untouched. Harmless when nothing is open.
  void Abort();

  bool IsOpen() const { return fd_ >= 0; }
  // errno of the first failure (0 when none).
  int LastError() const { return error_; }
  // The destination and the temporary file of the open writer (UTF-8 on disk). Callers may
  // set attributes of the temporary file before Commit.
  const WideString& Path() const { return path_; }
  WideString TempPath() const { return Utf8ToWide(temp_); }

 private:
  bool Fail(int err);
  bool FlushBuffer();

  int fd_ = -1;
  int error_ = 0;
  bool failed_ = false;
  WideString path_;
  std::string target_;  // where the rename goes (the link's target for a symbolic link)
  std::string temp_;
  std::string folder_;  // the target's folder, synced after the rename
  std::vector<char> buffer_;
};

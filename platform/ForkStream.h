// Byte streams over a file's data fork, and the text output stream that writes wide text
// in a file encoding.
//
// ForkStreamBuf is a standard stream buffer over an open file. Every write error is kept:
// a stream whose bytes didn't all reach the file reports failure from Close. Opened with
// OpenReplacing, the stream writes a temporary file that Close puts in place of the old
// file only when everything was written (see AtomicFileWriter).
#pragma once

#include <array>
#include <ios>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "host/CFString.h"
#include "platform/WideString.h"

class AtomicFileWriter;

class ForkStreamBuf : public std::streambuf {
 public:
  ForkStreamBuf();
  // Closes (flushing) when open; a replacing stream that was not closed is dropped and the
  // old file stays.
  ~ForkStreamBuf() override;
  ForkStreamBuf(const ForkStreamBuf&) = delete;
  ForkStreamBuf& operator=(const ForkStreamBuf&) = delete;

  // The mode (ate aside) picks the access:
  //   read:       in, in|binary, in|out
  //   write:      out, out|app, out|trunc
  //   read/write: out|binary, out|app|binary, in|out|binary, out|trunc|binary,
  //               in|out|trunc, in|out|trunc|binary
  // Any other mode fails, as does a buffer that is open already. A missing file is created
  // (mode 0666 less the umask, no type). trunc empties an existing file and app writes at
  // its end, as with standard file streams; ate moves to the end after opening.
  [[nodiscard]] bool Open(const WideString& path, std::ios::openmode mode);
  // Opens for writing a new file that replaces the one at the path on a successful Close.
  [[nodiscard]] bool OpenReplacing(const WideString& path);
  // Writes what is pending and closes. False when nothing was open, or any write, the flush
  // or the close failed (the replaced file is then untouched).
  [[nodiscard]] bool Close();
  bool IsOpen() const { return fd_ >= 0 || atomic_ != nullptr; }
  // errno of the first failure (0 when none).
  int LastError() const { return error_; }
  // The temporary file of a replacing stream (empty otherwise), to set its attributes.
  WideString PendingPath() const;

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;
  int_type underflow() override;
  pos_type seekoff(off_type offset, std::ios::seekdir dir, std::ios::openmode which) override;
  pos_type seekpos(pos_type position, std::ios::openmode which) override;

 private:
  bool FlushPending();
  void Fail(int err);

  int fd_ = -1;
  std::unique_ptr<AtomicFileWriter> atomic_;
  bool readable_ = false;
  bool writable_ = false;
  int error_ = 0;
  std::array<char, 4096> put_{};
  char get_ = 0;
};

class ForkOutputStream : public std::ostream {
 public:
  ForkOutputStream();
  ~ForkOutputStream() override;
  // Opens the buffer with the mode plus out; failbit when that fails.
  void Open(const WideString& path, std::ios::openmode mode);
  void OpenReplacing(const WideString& path);
  bool IsOpen() const { return buffer_.IsOpen(); }
  // Closes the buffer; failbit (and false) when closing or any earlier write failed.
  [[nodiscard]] bool Close();
  ForkStreamBuf& Buffer() { return buffer_; }
  const ForkStreamBuf& Buffer() const { return buffer_; }

 private:
  ForkStreamBuf buffer_;
};

class TextFileOutputStream : public ForkOutputStream {
 public:
  // ForkOutputStream::Open, then remembers the encoding of wide text; true when open.
  [[nodiscard]] bool Open(const WideString& path, std::ios::openmode mode, host::cf::Encoding encoding);
  [[nodiscard]] bool OpenReplacing(const WideString& path, host::cf::Encoding encoding);
  host::cf::Encoding GetEncoding() const { return encoding_; }

 private:
  host::cf::Encoding encoding_ = host::cf::Encoding::kUtf8;
};

// Writes the text in the stream's encoding; nothing for null or empty text. Line feeds stay
// as they are. A character the encoding can't carry becomes U+FFFD in UTF-8 and '?' in Mac
// Roman, so the rest of the text is never lost.
TextFileOutputStream& WriteWideTextToStream(TextFileOutputStream& stream, const wchar_t* text);
TextFileOutputStream& WriteWideTextToStream(TextFileOutputStream& stream, const WideString& text);

#include "platform/ForkStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "host/Text.h"
#include "platform/AtomicFile.h"

namespace {

using std::ios;

// The access for an open mode (ate ignored): O_RDONLY, O_WRONLY, O_RDWR, or -1.
int AccessForMode(ios::openmode mode) {
  const ios::openmode m = mode & ~ios::ate;
  const ios::openmode in = ios::in, out = ios::out, app = ios::app, trunc = ios::trunc, bin = ios::binary;
  if (m == in || m == (in | bin) || m == (in | out)) return O_RDONLY;
  if (m == out || m == (out | app) || m == (out | trunc)) return O_WRONLY;
  if (m == (out | bin) || m == (out | app | bin) || m == (in | out | bin) || m == (out | trunc | bin) ||
      m == (in | out | trunc) || m == (in | out | trunc | bin)) {
    return O_RDWR;
  }
  return -1;
}

}  // namespace

ForkStreamBuf::ForkStreamBuf() = default;

ForkStreamBuf::~ForkStreamBuf() {
  // A replacing stream that was never closed replaces nothing: nobody saw it succeed.
  if (atomic_) atomic_->Abort();
  if (IsOpen()) static_cast<void>(Close());  // nobody is left to be told
}

void ForkStreamBuf::Fail(int err) {
  if (error_ == 0) error_ = err != 0 ? err : EIO;
}

bool ForkStreamBuf::Open(const WideString& path, ios::openmode mode) {
  if (IsOpen()) return false;
  const int access = AccessForMode(mode);
  if (access < 0) return false;
  error_ = 0;
  int flags = access | O_CLOEXEC | O_CREAT;
  const ios::openmode m = mode & ~ios::ate;
  if (access != O_RDONLY && (m & ios::app)) flags |= O_APPEND;
  if (access != O_RDONLY && ((m & ios::trunc) || (!(m & ios::in) && !(m & ios::app)))) flags |= O_TRUNC;
  const int fd = ::open(WideToUtf8(path).c_str(), flags, 0666);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  fd_ = fd;
  readable_ = access != O_WRONLY;
  writable_ = access != O_RDONLY;
  if (writable_) {
    setp(put_.data(), put_.data() + put_.size());
  } else {
    setp(nullptr, nullptr);  // every write reaches overflow, which refuses it
  }
  setg(&get_, &get_ + 1, &get_ + 1);
  if ((mode & ios::ate) && ::lseek(fd_, 0, SEEK_END) < 0) {
    error_ = errno;
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

bool ForkStreamBuf::OpenReplacing(const WideString& path) {
  if (IsOpen()) return false;
  error_ = 0;
  auto writer = std::make_unique<AtomicFileWriter>();
  if (!writer->Open(path)) {
    error_ = writer->LastError();
    return false;
  }
  atomic_ = std::move(writer);
  readable_ = false;
  writable_ = true;
  setp(put_.data(), put_.data() + put_.size());
  setg(&get_, &get_ + 1, &get_ + 1);
  return true;
}

WideString ForkStreamBuf::PendingPath() const { return atomic_ ? atomic_->TempPath() : WideString(); }

bool ForkStreamBuf::FlushPending() {
  if (!writable_) return true;
  const size_t count = static_cast<size_t>(pptr() - pbase());
  setp(put_.data(), put_.data() + put_.size());
  if (count == 0) return true;
  if (atomic_) {
    if (atomic_->Write(put_.data(), count)) return true;
    Fail(atomic_->LastError());
    return false;
  }
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, put_.data() + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? errno : EIO);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

ForkStreamBuf::int_type ForkStreamBuf::overflow(int_type ch) {
  if (!IsOpen() || !writable_) {
    if (IsOpen()) Fail(EBADF);
    return traits_type::eof();
  }
  if (!FlushPending()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int ForkStreamBuf::sync() {
  if (!IsOpen()) return -1;
  if (!FlushPending()) return -1;
  if (fd_ >= 0 && writable_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
    Fail(errno);
    return -1;
  }
  return 0;
}

ForkStreamBuf::int_type ForkStreamBuf::underflow() {
  if (fd_ < 0 || !readable_) return traits_type::eof();
  if (!FlushPending()) return traits_type::eof();
  for (;;) {
    const ssize_t n = ::read(fd_, &get_, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) Fail(errno);
      return traits_type::eof();
    }
    setg(&get_, &get_, &get_ + 1);
    return traits_type::to_int_type(get_);
  }
}

ForkStreamBuf::pos_type ForkStreamBuf::seekoff(off_type offset, ios::seekdir dir, ios::openmode) {
  if (fd_ < 0 || !FlushPending()) return pos_type(off_type(-1));
  // A character read ahead into the get area is given back first.
  off_type readAhead = egptr() - gptr();
  setg(&get_, &get_ + 1, &get_ + 1);
  int whence = SEEK_SET;
  if (dir == ios::cur) {
    whence = SEEK_CUR;
    offset -= readAhead;
  } else if (dir == ios::end) {
    whence = SEEK_END;
  }
  const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (at < 0) return pos_type(off_type(-1));
  return pos_type(static_cast<off_type>(at));
}

ForkStreamBuf::pos_type ForkStreamBuf::seekpos(pos_type position, ios::openmode which) {
  return seekoff(off_type(position), ios::beg, which);
}

bool ForkStreamBuf::Close() {
  if (!IsOpen()) return false;
  bool ok = FlushPending();
  if (atomic_) {
    if (ok) {
      ok = atomic_->Commit();
      if (!ok) Fail(atomic_->LastError());
    } else {
      atomic_->Abort();
    }
    atomic_.reset();
  } else {
    if (::close(fd_) != 0 && ok) {
      Fail(errno);
      ok = false;
    }
    fd_ = -1;
  }
  setp(nullptr, nullptr);
  setg(nullptr, nullptr, nullptr);
  return ok && error_ == 0;
}

ForkOutputStream::ForkOutputStream() : std::ostream(nullptr) { rdbuf(&buffer_); }

ForkOutputStream::~ForkOutputStream() = default;

void ForkOutputStream::Open(const WideString& path, ios::openmode mode) {
  if (!buffer_.Open(path, mode | ios::out)) setstate(ios::failbit);
}

void ForkOutputStream::OpenReplacing(const WideString& path) {
  if (!buffer_.OpenReplacing(path)) setstate(ios::failbit);
}

bool ForkOutputStream::Close() {
  if (!buffer_.Close()) {
    setstate(ios::failbit);
    return false;
  }
  return true;
}

bool TextFileOutputStream::Open(const WideString& path, ios::openmode mode, host::cf::Encoding encoding) {
  ForkOutputStream::Open(path, mode);
  encoding_ = encoding;
  return IsOpen();
}

bool TextFileOutputStream::OpenReplacing(const WideString& path, host::cf::Encoding encoding) {
  ForkOutputStream::OpenReplacing(path);
  encoding_ = encoding;
  return IsOpen();
}

TextFileOutputStream& WriteWideTextToStream(TextFileOutputStream& stream, const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return stream;
  return WriteWideTextToStream(stream, WideString(text));
}

TextFileOutputStream& WriteWideTextToStream(TextFileOutputStream& stream, const WideString& text) {
  if (text.empty()) return stream;
  std::string bytes;
  if (stream.GetEncoding() == host::cf::Encoding::kMacRoman) {
    bytes.reserve(text.size());
    for (const wchar_t ch : text) {
      const auto byte = host::text::MacRomanByte(ch);
      bytes.push_back(byte ? static_cast<char>(*byte) : '?');
    }
  } else {
    // Escaped bytes (U+DC80..U+DCFF, from undecodable input) are written back as the bytes;
    // anything UTF-8 can't carry becomes U+FFFD.
    bytes = host::text::WideToUtf8(text);
  }
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return stream;
}

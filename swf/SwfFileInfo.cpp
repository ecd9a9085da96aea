#include "swf/SwfFileInfo.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace {

// A RECT takes at most 5 + 4 x 31 bits (17 bytes); rate and count take 4 more.
constexpr size_t kHeaderBodyBytes = 21;

size_t ReadUpTo(int fd, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd, buffer + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// Inflates the beginning of the zlib stream that follows the first eight bytes.
size_t InflateStart(int fd, uint8_t* out, size_t outSize) {
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (inflateInit(&stream) != Z_OK) return 0;
  uint8_t input[256];
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(outSize);
  int status = Z_OK;
  // A few kilobytes of input are plenty for a couple of dozen output bytes; a stream that
  // needs more is not a movie we can measure.
  for (int rounds = 0; rounds < 64 && stream.avail_out > 0 && status == Z_OK; ++rounds) {
    size_t got = ReadUpTo(fd, input, sizeof input);
    if (got == 0) break;
    stream.next_in = input;
    stream.avail_in = static_cast<uInt>(got);
    status = inflate(&stream, Z_SYNC_FLUSH);
    if (status == Z_BUF_ERROR && stream.avail_out > 0) status = Z_OK;
  }
  const size_t produced = outSize - stream.avail_out;
  inflateEnd(&stream);
  return produced;
}

class BitCursor {
 public:
  BitCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Read(int count, uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
      const size_t byte = bit_ / 8;
      if (byte >= size_) return false;
      value = (value << 1) | ((data_[byte] >> (7 - bit_ % 8)) & 1u);
      ++bit_;
    }
    return true;
  }
  bool ReadSigned(int count, int32_t& value) {
    uint32_t raw = 0;
    if (!Read(count, raw)) return false;
    if (count > 0 && count < 32 && (raw >> (count - 1)) & 1u) raw |= ~0u << count;
    value = static_cast<int32_t>(raw);
    return true;
  }
  size_t BytePosition() const { return (bit_ + 7) / 8; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t bit_ = 0;
};

}  // namespace

bool ReadSwfFileInfo(const WideString& path, int32_t* width, int32_t* height, float* frameRate, uint8_t* version,
                     uint16_t* frameCount, bool* compressed) {
  const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  uint8_t head[8];
  uint8_t body[kHeaderBodyBytes];
  size_t bodySize = 0;
  bool isCompressed = false;
  bool ok = ReadUpTo(fd, head, sizeof head) == sizeof head && head[1] == 'W' && head[2] == 'S' &&
            (head[0] == 'F' || head[0] == 'C');
  if (ok) {
    isCompressed = head[0] == 'C';
    bodySize = isCompressed ? InflateStart(fd, body, sizeof body) : ReadUpTo(fd, body, sizeof body);
  }
  ::close(fd);
  if (!ok) return false;

  BitCursor bits(body, bodySize);
  uint32_t nbits = 0;
  int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  if (!bits.Read(5, nbits)) return false;
  const int n = static_cast<int>(nbits);
  if (!bits.ReadSigned(n, xmin) || !bits.ReadSigned(n, xmax) || !bits.ReadSigned(n, ymin) || !bits.ReadSigned(n, ymax))
    return false;
  const size_t at = bits.BytePosition();
  if (at + 4 > bodySize) return false;
  if (width != nullptr) *width = static_cast<int32_t>(static_cast<int64_t>(xmax) - xmin);
  if (height != nullptr) *height = static_cast<int32_t>(static_cast<int64_t>(ymax) - ymin);
  if (frameRate != nullptr) *frameRate = static_cast<float>(body[at + 1]) + static_cast<float>(body[at]) / 256.0f;
  if (version != nullptr) *version = head[3];
  if (frameCount != nullptr) *frameCount = static_cast<uint16_t>(body[at + 2] | (body[at + 3] << 8));
  if (compressed != nullptr) *compressed = isCompressed;
  return true;
}

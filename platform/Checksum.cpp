#include "platform/Checksum.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

inline std::uint32_t CrcStep(std::uint32_t crc, unsigned char byte) {
  return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

std::unique_ptr<unsigned char[]> CopyOut(const unsigned char* data, size_t size) {
  std::unique_ptr<unsigned char[]> out(new (std::nothrow) unsigned char[size == 0 ? 1 : size]);
  if (out && size > 0) std::memcpy(out.get(), data, size);
  return out;
}

}  // namespace

bool Crc32Bytes(const void* bytes, size_t count, std::uint32_t& checksum) {
  if (bytes == nullptr) return false;
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) crc = CrcStep(crc, p[i]);
  checksum = crc ^ 0xFFFFFFFFu;
  return true;
}

bool Crc32WideString(const wchar_t* text, std::uint32_t& checksum) {
  if (text == nullptr) return false;
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    crc = CrcStep(crc, static_cast<unsigned char>(static_cast<std::uint32_t>(*p) & 0xFF));
  }
  checksum = crc ^ 0xFFFFFFFFu;
  return true;
}

std::unique_ptr<unsigned char[]> CompressToNewBuffer(const void* bytes, size_t count, size_t& length) {
  if ((bytes == nullptr && count > 0) || count > ULONG_MAX) return nullptr;
  // compressBound is the worst case of the stream, so one attempt always has room.
  uLongf size = compressBound(static_cast<uLong>(count));
  std::unique_ptr<unsigned char[]> out(new (std::nothrow) unsigned char[size]);
  if (!out) return nullptr;
  if (compress2(out.get(), &size, static_cast<const Bytef*>(bytes), static_cast<uLong>(count), Z_DEFAULT_COMPRESSION) !=
      Z_OK) {
    return nullptr;
  }
  length = size;
  return out;
}

std::unique_ptr<unsigned char[]> UncompressToNewBuffer(const void* bytes, size_t count, size_t& length,
                                                       size_t maxLength) {
  if (bytes == nullptr && count > 0) return nullptr;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return nullptr;
  struct End {
    z_stream* zs;
    ~End() { inflateEnd(zs); }
  } end{&zs};

  const auto* in = static_cast<const unsigned char*>(bytes);
  size_t inLeft = count;
  std::vector<unsigned char> out;
  size_t produced = 0;
  // Most data expands less than eight times; grow by doubling beyond that.
  size_t capacity = std::min(maxLength, std::max<size_t>(256, count <= SIZE_MAX / 8 ? count * 8 : SIZE_MAX));
  try {
    out.resize(capacity);
    for (;;) {
      if (zs.avail_in == 0 && inLeft > 0) {
        const size_t chunk = std::min<size_t>(inLeft, UINT_MAX);
        zs.next_in = const_cast<Bytef*>(in);
        zs.avail_in = static_cast<uInt>(chunk);
        in += chunk;
        inLeft -= chunk;
      }
      if (produced == out.size()) {
        if (out.size() >= maxLength) return nullptr;  // would be longer than allowed
        out.resize(out.size() > maxLength / 2 ? maxLength : out.size() * 2);
      }
      const size_t room = std::min<size_t>(out.size() - produced, UINT_MAX);
      zs.next_out = out.data() + produced;
      zs.avail_out = static_cast<uInt>(room);
      const int ret = inflate(&zs, Z_NO_FLUSH);
      produced += room - zs.avail_out;
      if (ret == Z_STREAM_END) break;
      if (ret == Z_OK) continue;
      if (ret == Z_BUF_ERROR && zs.avail_out == 0) continue;  // only short of output room
      if (ret == Z_BUF_ERROR && (zs.avail_in > 0 || inLeft > 0)) continue;
      return nullptr;  // damaged, or the input ended before the stream did
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  auto result = CopyOut(out.data(), produced);
  if (!result) return nullptr;
  length = produced;
  return result;
}

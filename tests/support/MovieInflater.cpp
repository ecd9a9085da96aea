#include "tests/support/MovieInflater.h"

#include <zlib.h>

#include <algorithm>

namespace movieinflate {

Inflated InflateMovie(const uint8_t* file, size_t size, uint32_t ceiling) {
  Inflated result;
  if (size < 8 || file[0] != 'C' || file[1] != 'W' || file[2] != 'S') return result;
  const uint32_t declared = file[4] | (file[5] << 8) | (file[6] << 16) | (static_cast<uint32_t>(file[7]) << 24);
  if (declared > ceiling) {
    result.status = InflateStatus::kTooLarge;
    return result;
  }
  result.movie.assign(file, file + 8);
  result.movie[0] = 'F';
  result.movie.resize(std::max<uint32_t>(declared, 8));

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) {
    result.status = InflateStatus::kDamaged;
    result.movie.resize(8);
    return result;
  }
  const size_t room = result.movie.size() - 8;
  zs.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(file + 8));
  zs.avail_in = static_cast<uInt>(size - 8);
  zs.next_out = result.movie.data() + 8;
  zs.avail_out = static_cast<uInt>(room);
  // All the input and all the room at once: inflate stops at the stream's end, at damage, or
  // when either buffer runs out.
  int rc = inflate(&zs, Z_FINISH);
  const size_t produced = room - zs.avail_out;
  auto damaged = [](int code) { return code == Z_DATA_ERROR || code == Z_NEED_DICT || code == Z_MEM_ERROR; };
  if (rc == Z_STREAM_END) {
    result.status = InflateStatus::kComplete;
  } else if (damaged(rc)) {
    result.status = InflateStatus::kDamaged;
  } else if (zs.avail_out != 0) {
    result.status = InflateStatus::kCutShort;
  } else {
    // The room is full; the stream may end right there.
    uint8_t probe = 0;
    zs.next_out = &probe;
    zs.avail_out = 1;
    rc = inflate(&zs, Z_FINISH);
    if (rc == Z_STREAM_END && zs.avail_out == 1) {
      result.status = InflateStatus::kComplete;
    } else if (damaged(rc)) {
      result.status = InflateStatus::kDamaged;
    } else {
      result.status = zs.avail_out == 0 ? InflateStatus::kPastDeclared : InflateStatus::kCutShort;
    }
  }
  inflateEnd(&zs);
  result.movie.resize(8 + produced);
  return result;
}

Inflated InflateMovie(const std::vector<uint8_t>& file, uint32_t ceiling) {
  return InflateMovie(file.data(), file.size(), ceiling);
}

}  // namespace movieinflate

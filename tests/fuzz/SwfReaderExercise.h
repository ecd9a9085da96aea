// Runs the SWF byte layer over arbitrary bytes: inflation of a compressed movie, the header,
// the tag framing, the bit-packed records and strings inside every tag body, and writing
// everything back. Shared by the libFuzzer target and the robustness test of tests/swf.
//
// It aborts (through the sanitizers or an explicit check) only on a real fault: a read
// outside the data, undefined behaviour, or a written record that does not read back to
// the same bytes when written again.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "swf/SwfBasicRecords.h"
#include "swf/SwfCompression.h"
#include "swf/SwfHeader.h"
#include "swf/SwfRecord.h"

namespace swffuzz {

// Ceiling of inflation while fuzzing: the same bounded code path as the 1 GiB default,
// small enough to keep every run fast.
inline constexpr uint64_t kFuzzInflateCeiling = uint64_t{16} << 20;

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Writes a record, reads the bytes back into a fresh record and writes that: both writes
// must give the same bytes.
template <typename Record>
void CheckRecordFixedPoint(Record& record, uint8_t version) {
  SwfBitWriter first(version);
  record.Write(first);
  first.Flush();
  SwfReader reader(first.GetBytes(), version);
  Record again;
  again.Read(reader);
  Check(!reader.HasOverrun());
  SwfBitWriter second(version);
  again.Write(second);
  second.Flush();
  Check(first.GetBytes() == second.GetBytes());
}

// Reads whatever records the body holds, one after another, as if it were made of them.
inline void ExerciseBody(SwfReader& reader, int code, uint8_t version) {
  switch (code % 4) {
    case 0: {
      SwfRect rect;
      rect.Read(reader);
      CheckRecordFixedPoint(rect, version);
      break;
    }
    case 1: {
      SwfMatrix matrix;
      matrix.Read(reader);
      CheckRecordFixedPoint(matrix, version);
      SwfCxformWithAlpha cx;
      cx.Read(reader);
      CheckRecordFixedPoint(cx, version);
      break;
    }
    case 2: {
      SwfCxform cx;
      cx.Read(reader);
      CheckRecordFixedPoint(cx, version);
      SwfRgba rgba;
      rgba.Read(reader);
      break;
    }
    default: break;
  }
  // Strings until the body ends; each keeps its bytes through a write.
  while (reader.GetRemaining() != 0 && !reader.HasOverrun()) {
    const size_t start = reader.GetPosition() + (reader.GetBitPosition() != 0 ? 1 : 0);
    WideString text;
    const size_t used = reader.ReadString(text, 0, true);
    Check(used != 0);
    SwfBitWriter w(version);
    w.WriteWideString(text);
    const std::vector<uint8_t>& bytes = w.GetBytes();
    const SwfBytes& data = reader.GetData();
    // The text stops at a NUL character, so it is a prefix of what was read.
    Check(bytes.size() <= used);
    for (size_t i = 0; i < bytes.size(); ++i) Check(bytes[i] == data[start + i]);
  }
}

struct Tag {
  int code;
  std::vector<uint8_t> body;
};

// Splits an uncompressed movie into its tags (header must already be read).
inline std::vector<Tag> WalkTags(SwfReader& reader, bool exercise) {
  std::vector<Tag> tags;
  while (reader.GetRemaining() != 0) {
    const size_t before = reader.GetPosition();
    SwfTagHeader th;
    if (!ReadTagHeader(reader, th)) break;
    RawTag raw(th.code, th.length);
    {
      SwfReaderRange body(reader, th.length, SwfReaderRange::Overrun::Contain);
      raw.Read(reader);
    }
    Check(reader.GetPosition() > before);  // the loop always moves on
    if (exercise) {
      SwfReader inner(raw.GetBody(), reader.GetVersion());
      ExerciseBody(inner, th.code, reader.GetVersion());
    }
    tags.push_back({th.code, raw.GetBody()});
    if (th.code == 0) break;
  }
  return tags;
}

inline void ExerciseMovie(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes;
  if (size >= 1 && data[0] == 'C') {
    if (InflateSwf(data, size, bytes, kFuzzInflateCeiling) != SwfInflateResult::kOk) return;
    Check(bytes.size() <= kFuzzInflateCeiling);
  } else {
    bytes.assign(data, data + size);
  }
  const uint8_t version = bytes.size() > 3 ? bytes[3] : 6;
  SwfReader reader(std::move(bytes), version);
  SwfHeader header;
  if (header.ReadFrom(reader, true) == 0) return;
  const std::vector<Tag> tags = WalkTags(reader, true);

  // Written again, the tags read back the same.
  SwfBitWriter out(version);
  header.Write(out);
  for (const Tag& t : tags) {
    RawTag raw(t.code, t.body);
    raw.Write(out);
  }
  SwfReader again(out.GetBytes(), version);
  SwfHeader header2;
  Check(header2.ReadFrom(again, true) != 0);
  const std::vector<Tag> tags2 = WalkTags(again, false);
  Check(tags2.size() == tags.size());
  for (size_t i = 0; i < tags.size(); ++i)
    Check(tags2[i].code == (tags[i].code & 0x3FF) && tags2[i].body == tags[i].body);

  // And the movie, with its real length in the header, survives compression both ways.
  std::vector<uint8_t> movie = out.GetBytes();
  const uint32_t length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  std::vector<uint8_t> cws;
  Check(DeflateSwf(movie.data(), movie.size(), cws));
  std::vector<uint8_t> fws;
  if (movie.size() <= kFuzzInflateCeiling) {
    Check(InflateSwf(cws.data(), cws.size(), fws, kFuzzInflateCeiling) == SwfInflateResult::kOk);
    Check(fws == movie);
  }
}

}  // namespace swffuzz

// Reads a built movie back for the tests, straight from the file format (it shares no code
// with the movie model): the header, the tags, the children of sprites, and the fields of
// placements that the tests look at.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/MovieInflater.h"

namespace movieinspect {

struct Tag {
  int code = 0;
  std::vector<uint8_t> body;
  std::vector<Tag> children;  // of a DefineSprite
};

struct Movie {
  std::string signature;
  uint8_t version = 0;
  uint32_t length = 0;    // as the header says
  uint32_t fileSize = 0;  // bytes (inflated for CWS)
  size_t headerSize = 0;
  int32_t width = 0, height = 0;  // twips
  double frameRate = 0;
  uint16_t frameCount = 0;
  std::vector<Tag> tags;
  std::string error;
};

class Bits {
 public:
  Bits(const uint8_t* data, size_t size) : d_(data), n_(size) {}
  uint32_t U(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
      const size_t byte = bit_ / 8;
      const int b = byte < n_ ? (d_[byte] >> (7 - bit_ % 8)) & 1 : 0;
      v = (v << 1) | static_cast<uint32_t>(b);
      ++bit_;
    }
    return v;
  }
  int32_t S(int count) {
    if (count == 0) return 0;
    uint32_t v = U(count);
    if (v & (1u << (count - 1))) v |= ~((1u << count) - 1);
    return static_cast<int32_t>(v);
  }
  size_t AlignedByte() { return (bit_ + 7) / 8; }

 private:
  const uint8_t* d_;
  size_t n_;
  size_t bit_ = 0;
};

struct Translation {
  int32_t x = 0, y = 0;
  bool hasScale = false;
  int32_t scaleX = 65536, scaleY = 65536;  // 16.16
};

// Reads a MATRIX record: its translation and scale; a rotation is passed over.
inline Translation ReadMatrix(Bits& bits) {
  Translation t;
  for (int part = 0; part < 2; ++part) {
    if (bits.U(1)) {
      const int n = static_cast<int>(bits.U(5));
      const int32_t a = bits.S(n);
      const int32_t b = bits.S(n);
      if (part == 0) {
        t.hasScale = true;
        t.scaleX = a;
        t.scaleY = b;
      }
    }
  }
  const int n = static_cast<int>(bits.U(5));
  t.x = bits.S(n);
  t.y = bits.S(n);
  return t;
}

// A movie's tags end with End; a sprite's may end with its body (the player does not loop
// such a sprite), so `endRequired` is false for them.
inline bool ParseTags(const uint8_t* d, size_t n, std::vector<Tag>& out, std::string& error, bool endRequired = true) {
  size_t p = 0;
  while (p + 2 <= n) {
    const uint16_t head = d[p] | (d[p + 1] << 8);
    p += 2;
    Tag t;
    t.code = head >> 6;
    size_t length = head & 0x3F;
    if (length == 0x3F) {
      if (p + 4 > n) break;
      length = d[p] | (d[p + 1] << 8) | (d[p + 2] << 16) | (static_cast<size_t>(d[p + 3]) << 24);
      p += 4;
    }
    if (p + length > n) {
      error = "tag past the end";
      return false;
    }
    t.body.assign(d + p, d + p + length);
    p += length;
    if (t.code == 39 && length >= 4 && !ParseTags(t.body.data() + 4, length - 4, t.children, error, false))
      return false;
    const bool end = t.code == 0;
    out.push_back(std::move(t));
    if (end) return true;
  }
  if (!endRequired && p == n) return true;
  error = "no End tag";
  return false;
}

inline Movie ReadBytes(std::vector<uint8_t> bytes) {
  Movie m;
  if (bytes.size() < 8) {
    m.error = "too short";
    return m;
  }
  m.signature.assign(bytes.begin(), bytes.begin() + 3);
  m.version = bytes[3];
  m.length = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (static_cast<uint32_t>(bytes[7]) << 24);
  if (m.signature == "CWS") {
    movieinflate::Inflated inflated = movieinflate::InflateMovie(bytes);
    if (m.length < 8 || inflated.status != movieinflate::InflateStatus::kComplete) {
      m.error = "bad zlib stream";
      return m;
    }
    bytes = std::move(inflated.movie);
  } else if (m.signature != "FWS") {
    m.error = "no SWF signature";
    return m;
  }
  m.fileSize = static_cast<uint32_t>(bytes.size());
  Bits bits(bytes.data() + 8, bytes.size() - 8);
  const int nbits = static_cast<int>(bits.U(5));
  const int32_t xmin = bits.S(nbits), xmax = bits.S(nbits), ymin = bits.S(nbits), ymax = bits.S(nbits);
  m.width = xmax - xmin;
  m.height = ymax - ymin;
  size_t p = 8 + bits.AlignedByte();
  if (p + 4 > bytes.size()) {
    m.error = "header cut short";
    return m;
  }
  m.frameRate = bytes[p + 1] + bytes[p] / 256.0;
  m.frameCount = bytes[p + 2] | (bytes[p + 3] << 8);
  m.headerSize = p + 4;
  ParseTags(bytes.data() + m.headerSize, bytes.size() - m.headerSize, m.tags, m.error);
  return m;
}

inline Movie ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Movie m;
    m.error = "cannot open " + path;
    return m;
  }
  return ReadBytes(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

inline std::vector<int> Codes(const std::vector<Tag>& tags) {
  std::vector<int> codes;
  for (const Tag& t : tags) codes.push_back(t.code);
  return codes;
}

inline int ShowFrames(const std::vector<Tag>& tags) {
  int n = 0;
  for (const Tag& t : tags) n += t.code == 1;
  return n;
}

inline uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
  return b.size() >= at + 2 ? b[at] | (b[at + 1] << 8) : 0;
}

struct Placement {
  uint16_t depth = 0;
  int id = -1;  // -1 without a character
  bool move = false;
  bool hasMatrix = false;
  int32_t translateX = 0, translateY = 0;
  bool hasScale = false;
  int32_t scaleX = 65536, scaleY = 65536;  // 16.16
  bool hasColorTransform = false;
  int32_t alphaMult = 256;  // 8.8, with the colour transform's multiply terms
  std::string name;
};

inline Placement ReadPlacement(const Tag& t) {
  Placement pl;
  const std::vector<uint8_t>& b = t.body;
  if (b.size() < 3) return pl;
  const uint8_t flags = b[0];
  pl.depth = U16(b, 1);
  pl.move = (flags & 0x01) != 0;
  size_t p = 3;
  if (flags & 0x02) {
    pl.id = U16(b, p);
    p += 2;
  }
  if (flags & 0x04) {
    pl.hasMatrix = true;
    Bits bits(b.data() + p, b.size() - p);
    const Translation t = ReadMatrix(bits);
    pl.translateX = t.x;
    pl.translateY = t.y;
    pl.hasScale = t.hasScale;
    pl.scaleX = t.scaleX;
    pl.scaleY = t.scaleY;
    p += bits.AlignedByte();
  }
  if (flags & 0x08) {
    pl.hasColorTransform = true;
    Bits bits(b.data() + p, b.size() - p);
    const bool hasAdd = bits.U(1) != 0;
    const bool hasMult = bits.U(1) != 0;
    const int n = static_cast<int>(bits.U(4));
    if (hasMult) {
      for (int i = 0; i < 3; ++i) bits.S(n);
      pl.alphaMult = bits.S(n);
    }
    if (hasAdd)
      for (int i = 0; i < 4; ++i) bits.S(n);
    p += bits.AlignedByte();
  }
  if (flags & 0x10) p += 2;
  if (flags & 0x20)
    while (p < b.size() && b[p] != 0) pl.name += static_cast<char>(b[p++]);
  return pl;
}

// A DefineShape with one bitmap fill: its bounds and the fill.
struct BitmapShape {
  uint16_t id = 0;
  int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;  // twips
  int fillStyles = 0;
  uint8_t fillType = 0;
  uint16_t bitmapId = 0;
  Translation fillMatrix;
};

inline BitmapShape ReadBitmapShape(const Tag& t) {
  BitmapShape s;
  s.id = U16(t.body, 0);
  Bits rect(t.body.data() + 2, t.body.size() - 2);
  const int n = static_cast<int>(rect.U(5));
  s.xmin = rect.S(n);
  s.xmax = rect.S(n);
  s.ymin = rect.S(n);
  s.ymax = rect.S(n);
  const size_t at = 2 + rect.AlignedByte();
  if (t.body.size() < at + 4) return s;
  s.fillStyles = t.body[at];
  s.fillType = t.body[at + 1];
  if (s.fillType < 0x40) return s;
  s.bitmapId = U16(t.body, at + 2);
  Bits matrix(t.body.data() + at + 4, t.body.size() - at - 4);
  s.fillMatrix = ReadMatrix(matrix);
  return s;
}

inline std::string Text(const Tag& t) {
  std::string s;
  for (uint8_t c : t.body) {
    if (c == 0) break;
    s += static_cast<char>(c);
  }
  return s;
}

}  // namespace movieinspect

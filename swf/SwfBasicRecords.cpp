#include "swf/SwfBasicRecords.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

// Values beyond a signed field saturate at +-limit; every value the field holds, its most
// negative one (-limit - 1) included, is kept as read.
int32_t Saturate(int32_t value, int32_t limit) {
  return value == -limit - 1 ? value : std::clamp(value, -limit, limit);
}

// Truncation toward zero of a double into int32, saturating (NaN gives 0).
int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Width of a signed field that holds every value of the list.
int SignedWidth(std::initializer_list<int32_t> values) {
  uint32_t largest = 0;
  for (int32_t v : values) largest = std::max(largest, SwfMagnitude(v));
  // Saturated values fit 31 bits; only the most negative one has a magnitude that asks for 32.
  return std::min(CountBitsNeeded(largest, true), 31);
}

// Bytes a bit-packed record occupies, from the byte of its first bit to the byte of its last.
class BitSpan {
 public:
  explicit BitSpan(const SwfReader& reader) : start_(reader.GetPosition() + (reader.GetBitPosition() == 8 ? 1 : 0)) {}
  size_t BytesTouched(const SwfReader& reader) const {
    const size_t end = reader.GetPosition() + (reader.GetBitPosition() != 0 ? 1 : 0);
    return end > start_ ? end - start_ : 0;
  }

 private:
  size_t start_;
};

uint8_t ColourByte(uint32_t colour, int index) { return static_cast<uint8_t>((colour >> (8 * index)) & 0xFF); }

}  // namespace

int32_t SwfColourByteTerm(uint8_t colourByte) {
  return static_cast<int32_t>(static_cast<double>(colourByte) / 255.0 * 256.0 + 0.5);
}

int32_t SwfFactorTerm(double factor) {
  if (std::isnan(factor)) factor = 0;
  factor = std::clamp(factor, 0.0, 1.0);
  return static_cast<int32_t>(factor * 256.0 + 0.5);
}

// --- Colours ---------------------------------------------------------------------------

void SwfRgb::Set(uint8_t r, uint8_t g, uint8_t b) {
  red = r;
  green = g;
  blue = b;
}

void SwfRgb::CopyFrom(const SwfRgb& colour) { Set(colour.red, colour.green, colour.blue); }

size_t SwfRgb::Read(SwfReader& reader) {
  red = reader.ReadU8();
  green = reader.ReadU8();
  blue = reader.ReadU8();
  return 3;
}

size_t SwfRgb::Write(SwfBitWriter& writer) {
  writer.WriteU8(red);
  writer.WriteU8(green);
  writer.WriteU8(blue);
  return 3;
}

void SwfRgba::Set(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  SwfRgb::Set(r, g, b);
  alpha = a;
}

size_t SwfRgba::Read(SwfReader& reader) {
  SwfRgb::Read(reader);
  alpha = reader.ReadU8();
  return 4;
}

size_t SwfRgba::Write(SwfBitWriter& writer) {
  SwfRgb::Write(writer);
  writer.WriteU8(alpha);
  return 4;
}

// --- Rectangle -------------------------------------------------------------------------

void SwfRect::Set(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool inPixels) {
  const int64_t scale = inPixels ? 20 : 1;
  auto twips = [scale](int32_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v * scale, INT32_MIN, INT32_MAX));
  };
  xmin = twips(x0);
  ymin = twips(y0);
  xmax = twips(x1);
  ymax = twips(y1);
}

size_t SwfRect::Read(SwfReader& reader) {
  const BitSpan span(reader);
  const int bits = static_cast<int>(reader.ReadUBits(5));
  xmin = reader.ReadSBits(bits);
  xmax = reader.ReadSBits(bits);
  ymin = reader.ReadSBits(bits);
  ymax = reader.ReadSBits(bits);
  return span.BytesTouched(reader);
}

size_t SwfRect::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount() + (writer.GetPendingBitCount() != 0 ? 1 : 0);
  const int32_t v[4] = {Saturate(xmin, kSwfMaxBitFieldValue), Saturate(xmax, kSwfMaxBitFieldValue),
                        Saturate(ymin, kSwfMaxBitFieldValue), Saturate(ymax, kSwfMaxBitFieldValue)};
  const int bits = SignedWidth({v[0], v[1], v[2], v[3]});
  writer.WriteBits(static_cast<uint32_t>(bits), 5);
  for (int32_t value : v) writer.WriteSignedBits(value, bits);
  writer.Flush();
  return writer.GetByteCount() - before;
}

// --- Matrix ----------------------------------------------------------------------------

void SwfMatrix::SetRotateSkew0(int32_t value, bool rotate) {
  rotateSkew0 = value;
  hasRotate = rotate;
}

void SwfMatrix::SetRotateSkew1(int32_t value, bool rotate) {
  rotateSkew1 = value;
  hasRotate = rotate;
}

void SwfMatrix::SetRotateSkew(int32_t value, bool second, bool rotate) {
  if (second) {
    SetRotateSkew1(value, rotate);
  } else {
    SetRotateSkew0(value, rotate);
  }
}

std::unique_ptr<SwfMatrix> SwfMatrix::Make(int32_t tx, int32_t ty, float sx, float sy, float a0, float a1) {
  auto matrix = std::make_unique<SwfMatrix>();
  if (a0 != 0.0f || a1 != 0.0f) {
    const float r0 = a0 * 0.017453292519943295f;
    const float r1 = a1 * 0.017453292519943295f;
    matrix->rotateSkew0 = TruncateToInt32(static_cast<double>(std::sin(r0) * sx * 65536.0f) + 0.5);
    matrix->rotateSkew1 = TruncateToInt32(static_cast<double>(-std::sin(r1) * sy * 65536.0f) + 0.5);
    matrix->hasRotate = true;
    sx = std::cos(r0) * sx;
    sy = std::cos(r1) * sy;
  }
  if (sx != 1.0f || sy != 1.0f) {
    matrix->hasScale = true;
    matrix->scaleX = TruncateToInt32(static_cast<double>(sx) * 65536.0 + 0.5);
    matrix->scaleY = TruncateToInt32(static_cast<double>(sy) * 65536.0 + 0.5);
  }
  matrix->translateX = tx;
  matrix->translateY = ty;
  return matrix;
}

size_t SwfMatrix::Read(SwfReader& reader) {
  const BitSpan span(reader);
  hasScale = reader.ReadUBits(1) != 0;
  if (hasScale) {
    const int bits = static_cast<int>(reader.ReadUBits(5));
    scaleX = reader.ReadSBits(bits);
    scaleY = reader.ReadSBits(bits);
  }
  hasRotate = reader.ReadUBits(1) != 0;
  if (hasRotate) {
    const int bits = static_cast<int>(reader.ReadUBits(5));
    rotateSkew0 = reader.ReadSBits(bits);
    rotateSkew1 = reader.ReadSBits(bits);
  }
  const int bits = static_cast<int>(reader.ReadUBits(5));
  translateX = reader.ReadSBits(bits);
  translateY = reader.ReadSBits(bits);
  return span.BytesTouched(reader);
}

size_t SwfMatrix::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  if (hasScale) {
    const int32_t x = Saturate(scaleX, kSwfMaxBitFieldValue);
    const int32_t y = Saturate(scaleY, kSwfMaxBitFieldValue);
    const int bits = SignedWidth({x, y});
    writer.WriteBits(1, 1);
    writer.WriteBits(static_cast<uint32_t>(bits), 5);
    writer.WriteSignedBits(x, bits);
    writer.WriteSignedBits(y, bits);
  } else {
    writer.WriteBits(0, 1);
  }
  if (hasRotate) {
    const int32_t r0 = Saturate(rotateSkew0, kSwfMaxBitFieldValue);
    const int32_t r1 = Saturate(rotateSkew1, kSwfMaxBitFieldValue);
    const int bits = SignedWidth({r0, r1});
    writer.WriteBits(1, 1);
    writer.WriteBits(static_cast<uint32_t>(bits), 5);
    writer.WriteSignedBits(r0, bits);
    writer.WriteSignedBits(r1, bits);
  } else {
    writer.WriteBits(0, 1);
  }
  if (translateX != 0 || translateY != 0) {
    const int32_t x = Saturate(translateX, kSwfMaxBitFieldValue);
    const int32_t y = Saturate(translateY, kSwfMaxBitFieldValue);
    const int bits = SignedWidth({x, y});
    writer.WriteBits(static_cast<uint32_t>(bits), 5);
    writer.WriteSignedBits(x, bits);
    writer.WriteSignedBits(y, bits);
  } else {
    writer.WriteBits(0, 5);
  }
  return writer.GetByteCount() - before;
}

bool SwfMatrix::operator==(const SwfMatrix& o) const {
  return scaleX == o.scaleX && scaleY == o.scaleY && rotateSkew0 == o.rotateSkew0 && rotateSkew1 == o.rotateSkew1 &&
         translateX == o.translateX && translateY == o.translateY && hasScale == o.hasScale && hasRotate == o.hasRotate;
}

// --- Colour transforms -----------------------------------------------------------------

SwfCxform::SwfCxform() { ResetTerms(); }

void SwfCxform::ResetTerms() {
  redMult = greenMult = blueMult = 0;
  redAdd = greenAdd = blueAdd = 0;
  hasAdd = false;
  hasMult = false;
}

void SwfCxform::Reset() { ResetTerms(); }

void SwfCxform::SetMultiply(int32_t red, int32_t green, int32_t blue) {
  redMult = red;
  greenMult = green;
  blueMult = blue;
}

void SwfCxform::SetTint(uint32_t colour) {
  redAdd = SwfColourByteTerm(ColourByte(colour, 0));
  greenAdd = SwfColourByteTerm(ColourByte(colour, 1));
  blueAdd = SwfColourByteTerm(ColourByte(colour, 2));
  redMult = greenMult = blueMult = 0;
  hasMult = true;
  hasAdd = true;
}

void SwfCxform::SetMultiplyAll(double factor) {
  const int32_t term = SwfFactorTerm(factor);
  redMult = greenMult = blueMult = term;
  redAdd = greenAdd = blueAdd = 0;
  hasMult = true;
  hasAdd = false;
}

void SwfCxform::SetMultiplyColor(uint32_t colour) {
  redMult = SwfColourByteTerm(ColourByte(colour, 0));
  greenMult = SwfColourByteTerm(ColourByte(colour, 1));
  blueMult = SwfColourByteTerm(ColourByte(colour, 2));
  hasMult = true;
  hasAdd = false;
}

namespace {

// Shared layout of both colour transforms: HasAdd, HasMult, Nbits (4), multiply terms,
// add terms. `mult` and `add` hold three or four terms.
size_t ReadCxformTerms(SwfReader& reader, bool& hasAdd, bool& hasMult, int32_t* const* mult, int32_t* const* add,
                       int count) {
  const BitSpan span(reader);
  hasAdd = reader.ReadUBits(1) != 0;
  hasMult = reader.ReadUBits(1) != 0;
  const int bits = static_cast<int>(reader.ReadUBits(4));
  for (int i = 0; i < count; ++i) *mult[i] = hasMult ? reader.ReadSBits(bits) : 256;
  if (hasAdd) {
    for (int i = 0; i < count; ++i) *add[i] = reader.ReadSBits(bits);
  }
  return span.BytesTouched(reader);
}

size_t WriteCxformTerms(SwfBitWriter& writer, bool hasAdd, bool hasMult, const int32_t* mult, const int32_t* add,
                        int count) {
  const size_t before = writer.GetByteCount();
  int32_t m[4];
  int32_t a[4];
  uint32_t largest = 0;
  for (int i = 0; i < count; ++i) {
    m[i] = Saturate(mult[i], kSwfMaxCxformTerm);
    a[i] = Saturate(add[i], kSwfMaxCxformTerm);
    largest = std::max({largest, SwfMagnitude(m[i]), SwfMagnitude(a[i])});
  }
  const int bits = std::min(CountBitsNeeded(largest, true), 15);
  writer.WriteBits(hasAdd ? 1 : 0, 1);
  writer.WriteBits(hasMult ? 1 : 0, 1);
  writer.WriteBits(static_cast<uint32_t>(bits), 4);
  if (hasMult) {
    for (int i = 0; i < count; ++i) writer.WriteSignedBits(m[i], bits);
  }
  if (hasAdd) {
    for (int i = 0; i < count; ++i) writer.WriteSignedBits(a[i], bits);
  }
  return writer.GetByteCount() - before;
}

}  // namespace

size_t SwfCxform::Read(SwfReader& reader) {
  ResetTerms();
  int32_t* const mult[3] = {&redMult, &greenMult, &blueMult};
  int32_t* const add[3] = {&redAdd, &greenAdd, &blueAdd};
  return ReadCxformTerms(reader, hasAdd, hasMult, mult, add, 3);
}

size_t SwfCxform::Write(SwfBitWriter& writer) {
  const int32_t mult[3] = {redMult, greenMult, blueMult};
  const int32_t add[3] = {redAdd, greenAdd, blueAdd};
  return WriteCxformTerms(writer, hasAdd, hasMult, mult, add, 3);
}

SwfCxformWithAlpha::SwfCxformWithAlpha() { SwfCxformWithAlpha::Reset(); }

void SwfCxformWithAlpha::Reset() {
  ResetTerms();
  alphaMult = 0;
  alphaAdd = 0;
  hasMult = true;
}

void SwfCxformWithAlpha::SetTint(uint32_t colour) {
  alphaMult = 256;
  alphaAdd = 0;
  SwfCxform::SetTint(colour);
}

void SwfCxformWithAlpha::SetMultiplyAll(double factor) {
  alphaMult = 256;
  alphaAdd = 0;
  SwfCxform::SetMultiplyAll(factor);
}

void SwfCxformWithAlpha::SetMultiplyColor(uint32_t colour) {
  alphaMult = 256;
  alphaAdd = 0;
  SwfCxform::SetMultiplyColor(colour);
}

int32_t SwfCxformWithAlpha::SetAlphaMultiplier(double factor) {
  alphaMult = SwfFactorTerm(factor);
  redMult = greenMult = blueMult = 256;
  hasMult = true;
  hasAdd = true;
  return alphaMult;
}

void SwfCxformWithAlpha::SetAlphaMultiply(int32_t value, bool resetColourMultipliers) {
  alphaMult = value;
  if (resetColourMultipliers) redMult = greenMult = blueMult = 256;
  hasMult = true;
}

size_t SwfCxformWithAlpha::Read(SwfReader& reader) {
  Reset();
  int32_t* const mult[4] = {&redMult, &greenMult, &blueMult, &alphaMult};
  int32_t* const add[4] = {&redAdd, &greenAdd, &blueAdd, &alphaAdd};
  const size_t consumed = ReadCxformTerms(reader, hasAdd, hasMult, mult, add, 4);
  hasMult = true;
  return consumed;
}

size_t SwfCxformWithAlpha::Write(SwfBitWriter& writer) {
  const int32_t mult[4] = {redMult, greenMult, blueMult, alphaMult};
  const int32_t add[4] = {redAdd, greenAdd, blueAdd, alphaAdd};
  return WriteCxformTerms(writer, hasAdd, hasMult, mult, add, 4);
}

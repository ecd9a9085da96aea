// The small records that tags embed: RGB and RGBA colours, the RECT bounding box, the
// MATRIX placement transform and the two colour transforms CXFORM and CXFORMWITHALPHA.
//
// Bit-field widths come from CountBitsNeeded over the largest magnitude of the fields that
// share a width. Values too wide for their fields are saturated when written: RECT and
// MATRIX terms to +-(2^30 - 1) (31-bit fields, the most a 5-bit width can give), colour
// transform terms to +-16383 (15-bit fields, the most a 4-bit width can give).
#pragma once

#include <cstdint>
#include <memory>

#include "swf/SwfRecord.h"

inline constexpr int32_t kSwfMaxBitFieldValue = (1 << 30) - 1;
inline constexpr int32_t kSwfMaxCxformTerm = (1 << 14) - 1;

class SwfRgb : public SwfRecord {
 public:
  SwfRgb() = default;
  SwfRgb(uint8_t r, uint8_t g, uint8_t b) : red(r), green(g), blue(b) {}
  SwfRgb(const SwfRgb&) = default;
  SwfRgb& operator=(const SwfRgb&) = default;

  void Set(uint8_t r, uint8_t g, uint8_t b);
  // Copies red, green and blue; an RGBA keeps its alpha.
  virtual void CopyFrom(const SwfRgb& colour);

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

class SwfRgba : public SwfRgb {
 public:
  SwfRgba() = default;
  SwfRgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) : SwfRgb(r, g, b), alpha(a) {}
  SwfRgba(const SwfRgba&) = default;
  SwfRgba& operator=(const SwfRgba&) = default;

  void Set(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t alpha = 0;
};

class SwfRect : public SwfRecord {
 public:
  SwfRect() = default;
  SwfRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) : xmin(x0), xmax(x1), ymin(y0), ymax(y1) {}
  SwfRect(const SwfRect&) = default;
  SwfRect& operator=(const SwfRect&) = default;

  // Note the argument order x, y, x, y. With `inPixels` the values are multiplied by 20.
  void Set(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool inPixels);

  // Nbits (5 bits), then the four values as signed Nbits fields; no alignment at the end.
  size_t Read(SwfReader& reader) override;
  // Smallest width for the four values, then a flush to a byte boundary.
  size_t Write(SwfBitWriter& writer) override;

  bool operator==(const SwfRect& other) const {
    return xmin == other.xmin && xmax == other.xmax && ymin == other.ymin && ymax == other.ymax;
  }

  int32_t xmin = 0;
  int32_t xmax = 0;
  int32_t ymin = 0;
  int32_t ymax = 0;
};

class SwfMatrix : public SwfRecord {
 public:
  SwfMatrix() = default;
  SwfMatrix(const SwfMatrix&) = default;
  SwfMatrix& operator=(const SwfMatrix&) = default;

  void CopyFrom(const SwfMatrix& other) { *this = other; }
  void SetRotateSkew0(int32_t value, bool hasRotate);
  void SetRotateSkew1(int32_t value, bool hasRotate);
  void SetRotateSkew(int32_t value, bool second, bool hasRotate);

  // A placement: translation in twips, scales, and the angles (degrees) that turn the x and
  // the y axis; equal angles rotate, different angles skew.
  static std::unique_ptr<SwfMatrix> Make(int32_t translateX, int32_t translateY, float scaleX, float scaleY,
                                         float angle0, float angle1);

  // Terms that are absent keep their values; no alignment at the end.
  size_t Read(SwfReader& reader) override;
  // No flush at the end: the caller aligns before its next byte field.
  size_t Write(SwfBitWriter& writer) override;

  bool operator==(const SwfMatrix& other) const;

  int32_t scaleX = 0;       // 16.16
  int32_t scaleY = 0;       // 16.16
  int32_t rotateSkew0 = 0;  // 16.16
  int32_t rotateSkew1 = 0;  // 16.16
  int32_t translateX = 0;   // twips
  int32_t translateY = 0;   // twips
  bool hasScale = false;
  bool hasRotate = false;
};

// Colour transform without alpha. Terms are 8.8 fixed point (256 is 1.0). Colours handed to
// the setters are packed 0x00BBGGRR.
class SwfCxform : public SwfRecord {
 public:
  SwfCxform();
  SwfCxform(const SwfCxform&) = default;
  SwfCxform& operator=(const SwfCxform&) = default;

  // All terms 0 and both flags clear.
  virtual void Reset();
  // The three colour multiply terms; flags unchanged.
  virtual void SetMultiply(int32_t red, int32_t green, int32_t blue);
  // Shows the object as the solid colour: add terms from the colour, multiply terms 0.
  virtual void SetTint(uint32_t colour);
  // Multiply terms from a 0..1 factor, add terms 0, HasMult set, HasAdd clear.
  virtual void SetMultiplyAll(double factor);
  // Multiply terms from the colour's bytes, HasMult set, HasAdd clear, add terms unchanged.
  virtual void SetMultiplyColor(uint32_t colour);

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  int32_t redMult = 0;
  int32_t greenMult = 0;
  int32_t blueMult = 0;
  int32_t redAdd = 0;
  int32_t greenAdd = 0;
  int32_t blueAdd = 0;
  bool hasAdd = false;
  bool hasMult = false;

 protected:
  void ResetTerms();
};

class SwfCxformWithAlpha : public SwfCxform {
 public:
  SwfCxformWithAlpha();
  SwfCxformWithAlpha(const SwfCxformWithAlpha&) = default;
  SwfCxformWithAlpha& operator=(const SwfCxformWithAlpha&) = default;

  // All terms 0, HasAdd clear, HasMult set.
  void Reset() override;
  void SetTint(uint32_t colour) override;
  void SetMultiplyAll(double factor) override;
  void SetMultiplyColor(uint32_t colour) override;
  // The fade: AlphaMult from a 0..1 factor, colour multiply terms 256, both flags set (add
  // terms unchanged). Returns AlphaMult.
  int32_t SetAlphaMultiplier(double factor);
  void SetAlphaMultiply(int32_t value, bool resetColourMultipliers);

  // A record read without multiply terms gets four terms of 256 and HasMult set.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  int32_t alphaMult = 0;
  int32_t alphaAdd = 0;
};

// 8.8 term of a colour byte: (int)(c / 255 * 256 + 0.5).
int32_t SwfColourByteTerm(uint8_t colourByte);
// 8.8 term of a factor clamped to 0..1: (int)(x * 256 + 0.5).
int32_t SwfFactorTerm(double factor);

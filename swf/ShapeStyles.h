// Fill and line styles of shapes, their arrays, and gradients.
//
// A style belongs to a shape whose colours are either all RGB or all RGBA (DefineShape3 and
// morph shapes); the has-alpha flag each style carries says which, and the readers create
// colours of that class. Every object owns what it points to; copies are deep and keep the
// class of each colour.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

// Fill types.
inline constexpr uint8_t kFillSolid = 0x00;
inline constexpr uint8_t kFillLinearGradient = 0x10;
inline constexpr uint8_t kFillRadialGradient = 0x12;
inline constexpr uint8_t kFillRepeatingBitmap = 0x40;
inline constexpr uint8_t kFillClippedBitmap = 0x41;
inline constexpr uint8_t kFillRepeatingBitmapHard = 0x42;
inline constexpr uint8_t kFillClippedBitmapHard = 0x43;
// A bitmap fill's character id that means "no bitmap".
inline constexpr uint16_t kNoBitmapId = 0xFFFF;

inline bool IsGradientFill(uint8_t type) { return type == kFillLinearGradient || type == kFillRadialGradient; }
inline bool IsBitmapFill(uint8_t type) { return type >= kFillRepeatingBitmap && type <= kFillClippedBitmapHard; }

// A colour of the class the has-alpha flag asks for: RGBA (0, 0, 0, 255) or RGB (0, 0, 0).
std::unique_ptr<SwfRgb> MakeDefaultColour(bool hasAlpha);
// A copy of the same class (RGBA stays RGBA); null gives null.
std::unique_ptr<SwfRgb> CloneColour(const SwfRgb* colour);
// Reads a colour of the class the flag asks for.
std::unique_ptr<SwfRgb> ReadColour(SwfReader& reader, bool hasAlpha);

// The bitmap id after a relocation of character ids, and whether it stays a valid id (the
// "no bitmap" id stays as it is and always fits).
uint16_t RelocateBitmapId(uint16_t id, int idDelta);
bool BitmapIdFits(uint16_t id, int idDelta);

// One colour stop of a gradient.
class SwfGradRecord : public SwfRecord {
 public:
  SwfGradRecord() = default;
  SwfGradRecord(uint8_t ratio, std::unique_ptr<SwfRgb> colour, bool hasAlpha);
  SwfGradRecord(const SwfGradRecord& other);
  SwfGradRecord& operator=(const SwfGradRecord&) = delete;

  // UI8 ratio, then the colour (RGB or RGBA by the has-alpha flag).
  size_t Read(SwfReader& reader) override;
  // A record without a colour writes black (opaque with alpha).
  size_t Write(SwfBitWriter& writer) override;

  std::unique_ptr<SwfRgb> colour;
  uint8_t ratio = 0;
  bool hasAlpha = false;
};

// GRADIENT: a byte with the spread mode (2 bits), the interpolation mode (2 bits) and the
// record count (4 bits), then the records. Movies before SWF 8 leave both modes 0.
class SwfGradient : public SwfRecord {
 public:
  static constexpr size_t kMaxRecords = 15;

  explicit SwfGradient(bool alpha = false) : hasAlpha(alpha) {}
  SwfGradient(const SwfGradient& other);
  SwfGradient& operator=(const SwfGradient&) = delete;

  size_t Read(SwfReader& reader) override;
  // Writes at most kMaxRecords records, the most the count field holds.
  size_t Write(SwfBitWriter& writer) override;

  bool hasAlpha = false;
  uint8_t spreadMode = 0;         // 0 pad, 1 reflect, 2 repeat
  uint8_t interpolationMode = 0;  // 0 normal RGB, 1 linear RGB
  std::vector<std::unique_ptr<SwfGradRecord>> records;
};

class FillStyle : public SwfRecord {
 public:
  explicit FillStyle(bool alpha = false) : hasAlpha(alpha) {}
  FillStyle(const FillStyle& other);
  FillStyle& operator=(const FillStyle&) = delete;

  // A solid fill owning the colour.
  void InitSolidColor(std::unique_ptr<SwfRgb> colour, bool hasAlpha);
  // A bitmap fill (types 0x40 to 0x43) owning the matrix; no colour, no gradient, no alpha.
  void InitBitmapFill(uint8_t fillType, uint16_t bitmapId, std::unique_ptr<SwfMatrix> matrix);

  // An unknown fill type is a format error: nothing more can be read, and the reader is
  // marked as overrun so that the enclosing tag is kept as raw bytes.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  bool hasAlpha = false;
  uint8_t fillType = kFillSolid;
  std::unique_ptr<SwfRgb> colour;
  std::unique_ptr<SwfGradient> gradient;
  std::unique_ptr<SwfMatrix> matrix;
  uint16_t bitmapId = 0;
};

class LineStyle : public SwfRecord {
 public:
  explicit LineStyle(uint16_t lineWidth = 0, std::unique_ptr<SwfRgb> lineColour = nullptr, bool alpha = false);
  LineStyle(const LineStyle& other);
  LineStyle& operator=(const LineStyle&) = delete;

  // UI16 width, then the colour (RGB or RGBA by the has-alpha flag).
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint16_t width = 0;  // twips
  std::unique_ptr<SwfRgb> colour;
  bool hasAlpha = false;
};

// Writes and reads the count of a style array: below 255 one byte, else 0xFF and a UI16.
void WriteStyleCount(SwfBitWriter& writer, size_t count);
uint16_t ReadStyleCount(SwfReader& reader);

// The count written in the array header is the number of styles in the list.
class FillStyleArray : public SwfRecord {
 public:
  explicit FillStyleArray(bool alpha = false) : hasAlpha(alpha) {}
  FillStyleArray(const FillStyleArray& other);
  FillStyleArray& operator=(const FillStyleArray&) = delete;

  // Appends a style (the array takes ownership).
  void AddStyle(std::unique_ptr<FillStyle> style) { styles.push_back(std::move(style)); }
  size_t GetCount() const { return styles.size(); }

  size_t Read(SwfReader& reader) override;
  // Writes at most 65535 styles, the most the count field holds.
  size_t Write(SwfBitWriter& writer) override;

  // Adds idDelta to the id of every bitmap fill that names a bitmap.
  void RelocateBitmaps(int idDelta);
  bool CanRelocateBitmaps(int idDelta) const;

  bool hasAlpha = false;
  std::vector<std::unique_ptr<FillStyle>> styles;
};

class LineStyleArray : public SwfRecord {
 public:
  explicit LineStyleArray(bool alpha = false) : hasAlpha(alpha) {}
  LineStyleArray(const LineStyleArray& other);
  LineStyleArray& operator=(const LineStyleArray&) = delete;

  void AddStyle(std::unique_ptr<LineStyle> style) { styles.push_back(std::move(style)); }
  size_t GetCount() const { return styles.size(); }

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  bool hasAlpha = false;
  std::vector<std::unique_ptr<LineStyle>> styles;
};

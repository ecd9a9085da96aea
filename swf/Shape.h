// SHAPE and SHAPEWITHSTYLE: the outline of shapes, glyphs and morph edges as a list of
// bit-packed shape records.
//
// A shape keeps two fill-index and two line-index bit counts: the initial counts, written in
// its header, and the running counts, which style-change records with new style arrays
// replace while the records are read or written. Writing always starts from the initial
// counts, so a shape can be written any number of times with the same result.
//
// Coordinates are twips. Edge records hold deltas of any size: an edge too long for the
// format's widest field (17 bits) is written as several edges that draw the same outline, and
// a move beyond the widest move field (31 bits) is saturated.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/ShapeStyles.h"
#include "swf/SwfRecord.h"

class Shape;

class ShapeRecord : public SwfRecord {
 public:
  enum Kind : int { kStyleChange = 1, kStraightEdge = 2, kCurvedEdge = 3, kEnd = 4 };

  virtual int GetKind() const = 0;
  // A deep copy, bound to `owner` where the record needs its shape.
  virtual std::unique_ptr<ShapeRecord> Clone(Shape* owner) const = 0;
};

// Style-change flags (the record type bit, 0x20 on the wire, is never part of them).
inline constexpr uint8_t kStyleMoveTo = 0x01;
inline constexpr uint8_t kStyleFill0 = 0x02;
inline constexpr uint8_t kStyleFill1 = 0x04;
inline constexpr uint8_t kStyleLine = 0x08;
inline constexpr uint8_t kStyleNewStyles = 0x10;

class StyleChangeRecord : public ShapeRecord {
 public:
  // Move 0, 0, no style indices, no new styles; the bit counts are the shape's initial ones.
  StyleChangeRecord(uint8_t flagBits, Shape* ownerShape);

  // Sets the move, binds the record to the shape (taking its initial bit counts), clears the
  // style indices and forgets both new style arrays; the flags are not changed.
  void InitMoveTo(int32_t x, int32_t y, Shape* ownerShape);
  void SetFlags(uint8_t flagBits) { flags = flagBits; }
  // `second` selects fill style 1, else fill style 0.
  void SetFillStyleIndex(uint16_t index, bool second);
  void SetLineStyleIndex(uint16_t index) { lineStyle = index; }
  // The flags from the fields: new styles, line, fill 1, fill 0, and move-to when the move is
  // not 0, 0.
  void UpdateFlags();

  int GetKind() const override { return kStyleChange; }
  std::unique_ptr<ShapeRecord> Clone(Shape* owner) const override;

  // Reads the fields the flags (already read by the shape) announce.
  size_t Read(SwfReader& reader) override;
  // A record with no flags would read as the end of the shape: it changes nothing and is not
  // written. The new-styles flag is written only when a new style array is present.
  size_t Write(SwfBitWriter& writer) override;

  uint8_t flags = 0;
  int32_t moveX = 0;  // absolute, from the shape origin
  int32_t moveY = 0;
  uint16_t fillStyle0 = 0;  // 1-based; 0 is none
  uint16_t fillStyle1 = 0;
  uint16_t lineStyle = 0;
  uint8_t fillBits = 0;
  uint8_t lineBits = 0;
  Shape* owner = nullptr;  // not owned
  std::unique_ptr<FillStyleArray> newFillStyles;
  std::unique_ptr<LineStyleArray> newLineStyles;
};

class StraightEdgeRecord : public ShapeRecord {
 public:
  enum EdgeKind : uint8_t { kGeneral = 0, kHorizontal = 1, kVertical = 2 };

  explicit StraightEdgeRecord(int32_t dx = 0, int32_t dy = 0, uint8_t edgeKind = kGeneral);
  void Set(int32_t dx, int32_t dy, uint8_t edgeKind);

  int GetKind() const override { return kStraightEdge; }
  std::unique_ptr<ShapeRecord> Clone(Shape* owner) const override;

  // Reads the record after its two type bits.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t kind = kGeneral;  // a horizontal edge uses only dx, a vertical one only dy
  int32_t deltaX = 0;
  int32_t deltaY = 0;
};

class CurvedEdgeRecord : public ShapeRecord {
 public:
  CurvedEdgeRecord(int32_t controlDx = 0, int32_t controlDy = 0, int32_t anchorDx = 0, int32_t anchorDy = 0);

  int GetKind() const override { return kCurvedEdge; }
  std::unique_ptr<ShapeRecord> Clone(Shape* owner) const override;

  // Reads the record after its two type bits.
  size_t Read(SwfReader& reader) override;
  // A curve too wide for one record is halved (de Casteljau) until every piece fits.
  size_t Write(SwfBitWriter& writer) override;

  int32_t controlDeltaX = 0;
  int32_t controlDeltaY = 0;
  int32_t anchorDeltaX = 0;
  int32_t anchorDeltaY = 0;
};

class EndShapeRecord : public ShapeRecord {
 public:
  int GetKind() const override { return kEnd; }
  std::unique_ptr<ShapeRecord> Clone(Shape* owner) const override;
  size_t Write(SwfBitWriter& writer) override;
};

class Shape : public SwfRecord {
 public:
  // The widest bit counts the 4-bit fields hold.
  static constexpr uint8_t kMaxIndexBits = 15;

  explicit Shape(bool alpha = false) : hasAlpha(alpha) {}
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;

  // Both the initial and the running copies.
  virtual void SetBitCounts(int fillBitCount, int lineBitCount);
  void SetNumFillBits(int bitCount);
  void SetNumLineBits(int bitCount);
  virtual void Clear();
  // Replaces the records by deep copies of the other shape's, bound to this shape, and takes
  // its has-alpha flag and bit counts.
  void CopyFrom(const Shape& other);

  // UB[4] fill bits, UB[4] line bits, then records up to the end record; an end record is
  // appended and the reader aligned to a byte.
  size_t Read(SwfReader& reader) override;
  // UB[4] initial fill bits, UB[4] initial line bits, the records. The last partial byte is
  // left pending; the enclosing writer flushes.
  size_t Write(SwfBitWriter& writer) override;

  // Bitmap fills of the new style arrays of the style-change records.
  void RelocateBitmaps(int idDelta);
  bool CanRelocateBitmaps(int idDelta) const;

  std::vector<std::unique_ptr<ShapeRecord>> records;
  bool hasAlpha = false;
  uint8_t initialFillBits = 0;
  uint8_t initialLineBits = 0;
  uint8_t fillBits = 0;  // running
  uint8_t lineBits = 0;  // running

 protected:
  size_t ReadRecords(SwfReader& reader);
  void WriteRecords(SwfBitWriter& writer);
};

class ShapeWithStyle : public Shape {
 public:
  explicit ShapeWithStyle(bool alpha = false) : Shape(alpha) {}

  // Also deletes both style arrays.
  void Clear() override;
  // Deep copies of the other's style arrays (a missing array stays missing), then the records.
  void CopyFrom(const ShapeWithStyle& other);

  // The fill and line style arrays, then the shape records.
  size_t Read(SwfReader& reader) override;
  // The style arrays (a single 0 byte for a missing or empty one), with the index bit counts
  // computed from their counts, then the shape records.
  size_t Write(SwfBitWriter& writer) override;

  // Bitmap fills of the shape's styles and of the style-change records.
  void RelocateBitmaps(int idDelta);
  bool CanRelocateBitmaps(int idDelta) const;

  std::unique_ptr<FillStyleArray> fillStyles;
  std::unique_ptr<LineStyleArray> lineStyles;
};

// Bits of a style index for an array of `count` styles (1 needs 1, 2 or 3 need 2, ...), at
// most the 15 the shape header holds.
uint8_t StyleIndexBits(size_t count);

// DefineMorphShape (46): a shape that morphs from a start to an end outline, with styles
// that hold a start and an end value of every colour, width, ratio and matrix. Its edges
// are two plain shapes; all its colours are RGBA.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/Shape.h"
#include "swf/ShapeStyles.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

class MorphGradRecord : public SwfRecord {
 public:
  MorphGradRecord() = default;
  MorphGradRecord(const MorphGradRecord&) = default;
  MorphGradRecord& operator=(const MorphGradRecord&) = default;

  // UI8 start ratio, start RGBA, UI8 end ratio, end RGBA.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t startRatio = 0;
  SwfRgba startColour;
  uint8_t endRatio = 0;
  SwfRgba endColour;
};

// The count byte carries the spread and interpolation modes in its top 4 bits, as in
// SwfGradient.
class MorphGradient : public SwfRecord {
 public:
  MorphGradient() = default;
  MorphGradient(const MorphGradient& other);
  MorphGradient& operator=(const MorphGradient&) = delete;

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t spreadMode = 0;
  uint8_t interpolationMode = 0;
  std::vector<std::unique_ptr<MorphGradRecord>> records;
};

class MorphFillStyle : public SwfRecord {
 public:
  MorphFillStyle() = default;
  MorphFillStyle(const MorphFillStyle& other);
  MorphFillStyle& operator=(const MorphFillStyle&) = delete;

  // An unknown fill type is a format error, as for FillStyle.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint8_t fillType = kFillSolid;
  std::unique_ptr<SwfRgba> startColour;
  std::unique_ptr<SwfRgba> endColour;
  std::unique_ptr<MorphGradient> gradient;
  std::unique_ptr<SwfMatrix> startMatrix;
  std::unique_ptr<SwfMatrix> endMatrix;
  uint16_t bitmapId = kNoBitmapId;
};

class MorphLineStyle : public SwfRecord {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint16_t startWidth = 0;  // twips
  uint16_t endWidth = 0;
  SwfRgba startColour;
  SwfRgba endColour;
};

// Both arrays write the number of styles in their list as the count.
class MorphFillStyleArray : public SwfRecord {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  std::vector<std::unique_ptr<MorphFillStyle>> styles;
};

class MorphLineStyleArray : public SwfRecord {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  std::vector<std::unique_ptr<MorphLineStyle>> styles;
};

class DefineMorphShapeTag : public SwfCharacterTag {
 public:
  DefineMorphShapeTag();
  DefineMorphShapeTag(const DefineMorphShapeTag&) = delete;
  DefineMorphShapeTag& operator=(const DefineMorphShapeTag&) = delete;

  int TagCode() const override { return kSwfTagDefineMorphShape; }

  // The end edges start where the offset field says when that lies between the end of the
  // start edges and the end of the body; otherwise they are read from where the start
  // edges end.
  size_t Read(SwfReader& reader) override;
  // The offset is computed from what is written.
  size_t Write(SwfBitWriter& writer) override;

  // The id, the bitmaps of the fills, and the bitmaps of new styles inside the edges.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::unique_ptr<SwfRect> startBounds;
  std::unique_ptr<SwfRect> endBounds;
  uint32_t offset = 0;  // as read
  std::unique_ptr<MorphFillStyleArray> fillStyles;
  std::unique_ptr<MorphLineStyleArray> lineStyles;
  std::unique_ptr<Shape> startEdges;
  std::unique_ptr<Shape> endEdges;
};

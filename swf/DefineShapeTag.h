// The shape definition tags DefineShape (2), DefineShape2 (22) and DefineShape3 (32): a
// character id, the bounds and a SHAPEWITHSTYLE. DefineShape3's colours are RGBA.
#pragma once

#include <memory>

#include "swf/Shape.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

class DefineShapeTag : public SwfCharacterTag {
 public:
  DefineShapeTag() = default;
  DefineShapeTag(const DefineShapeTag&) = delete;
  DefineShapeTag& operator=(const DefineShapeTag&) = delete;

  int TagCode() const override { return kSwfTagDefineShape; }

  // Fills an empty tag with a rectangle in twips, filled with fill style 1 and outlined with
  // line style 1 when given (the tag takes both). The character id is left to the caller.
  void BuildRectangle(int32_t x, int32_t y, int32_t width, int32_t height, std::unique_ptr<FillStyle> fill,
                      std::unique_ptr<LineStyle> line);

  // Deletes bounds and shape.
  virtual void Clear();
  // Takes the other tag's id and deep copies of its bounds and shape.
  virtual void CopyFrom(const DefineShapeTag& other);

  // u16 id, RECT, SHAPEWITHSTYLE.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  // The id and the ids of the bitmaps its fills name.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  // Colours of this tag's shape are RGBA.
  bool HasAlphaColours() const { return TagCode() == kSwfTagDefineShape3; }

  std::unique_ptr<ShapeWithStyle> shape;
  std::unique_ptr<SwfRect> bounds;
};

class DefineShape2Tag : public DefineShapeTag {
 public:
  int TagCode() const override { return kSwfTagDefineShape2; }
};

class DefineShape3Tag : public DefineShapeTag {
 public:
  int TagCode() const override { return kSwfTagDefineShape3; }
};

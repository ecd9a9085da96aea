#include "swf/DefineShapeTag.h"

#include "swf/SwfRelocation.h"
#include "swf/SwfTagList.h"

void DefineShapeTag::BuildRectangle(int32_t x, int32_t y, int32_t width, int32_t height,
                                    std::unique_ptr<FillStyle> fill, std::unique_ptr<LineStyle> line) {
  bounds = std::make_unique<SwfRect>(x, y, x + width, y + height);
  shape = std::make_unique<ShapeWithStyle>(false);
  uint8_t flags = 0;
  if (fill) {
    shape->fillStyles = std::make_unique<FillStyleArray>(false);
    shape->fillStyles->AddStyle(std::move(fill));
    shape->SetNumFillBits(15);
    flags |= kStyleFill1;
  }
  if (line) {
    shape->lineStyles = std::make_unique<LineStyleArray>(false);
    shape->lineStyles->AddStyle(std::move(line));
    shape->SetNumLineBits(15);
    flags |= kStyleLine;
  }
  auto start = std::make_unique<StyleChangeRecord>(0, shape.get());
  start->InitMoveTo(x, y, shape.get());
  if (flags & kStyleFill1) start->SetFillStyleIndex(1, true);
  if (flags & kStyleLine) start->SetLineStyleIndex(1);
  start->SetFlags(static_cast<uint8_t>(flags | kStyleMoveTo));
  shape->records.push_back(std::move(start));
  shape->records.push_back(std::make_unique<StraightEdgeRecord>(width, 0, StraightEdgeRecord::kHorizontal));
  shape->records.push_back(std::make_unique<StraightEdgeRecord>(0, height, StraightEdgeRecord::kVertical));
  shape->records.push_back(std::make_unique<StraightEdgeRecord>(-width, 0, StraightEdgeRecord::kHorizontal));
  shape->records.push_back(std::make_unique<StraightEdgeRecord>(0, -height, StraightEdgeRecord::kVertical));
  shape->records.push_back(std::make_unique<EndShapeRecord>());
}

void DefineShapeTag::Clear() {
  bounds.reset();
  shape.reset();
}

void DefineShapeTag::CopyFrom(const DefineShapeTag& other) {
  if (&other == this) return;
  SetCharacterId(other.GetCharacterId());
  bounds = other.bounds ? std::make_unique<SwfRect>(*other.bounds) : nullptr;
  shape.reset();
  if (other.shape) {
    shape = std::make_unique<ShapeWithStyle>(other.shape->hasAlpha);
    shape->CopyFrom(*other.shape);
  }
}

size_t DefineShapeTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  bounds = std::make_unique<SwfRect>();
  bounds->Read(reader);
  reader.ByteAlign();
  shape = std::make_unique<ShapeWithStyle>(HasAlphaColours());
  shape->Read(reader);
  return reader.GetPosition() - before;
}

size_t DefineShapeTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  if (bounds) {
    bounds->Write(body);
  } else {
    SwfRect().Write(body);
  }
  if (shape) {
    shape->Write(body);
  } else {
    ShapeWithStyle empty(HasAlphaColours());
    empty.records.push_back(std::make_unique<EndShapeRecord>());
    empty.Write(body);
  }
  return WriteWithBody(writer, body, false);
}

void DefineShapeTag::Relocate(int idDelta, int, int) {
  SetCharacterId(RelocateCharacterId(GetCharacterId(), idDelta));
  if (shape) shape->RelocateBitmaps(idDelta);
}

bool DefineShapeTag::CanRelocate(int idDelta, int, int) const {
  if (!SwfU16Fits(GetCharacterId(), idDelta)) return false;
  return shape == nullptr || shape->CanRelocateBitmaps(idDelta);
}

// The bitmaps it fills with.
void DefineShapeTag::CollectReferences(SwfTagReferences& refs) const {
  for (uint16_t bitmap : GetShapeBitmapIds(*this)) refs.ids.push_back(bitmap);
}

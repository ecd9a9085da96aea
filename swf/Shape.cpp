#include "swf/Shape.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Largest edge delta one record holds: the width field is UB[4] plus 2, so 17-bit signed
// fields, and CountBitsNeeded asks for one bit more than a magnitude of 65536 needs.
constexpr int64_t kMaxEdgeDelta = 65535;
// Halvings of a curve before its pieces are written as they are; 2^31 needs 16.
constexpr int kMaxCurveSplitDepth = 40;

uint32_t Magnitude64(int64_t value) {
  const uint64_t magnitude = value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
  return static_cast<uint32_t>(std::min<uint64_t>(magnitude, 0xFFFFFFFFu));
}

int32_t SaturateMove(int32_t value) { return std::clamp(value, -kSwfMaxBitFieldValue, kSwfMaxBitFieldValue); }

int64_t FloorHalf(int64_t value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); }
int64_t FloorQuarter(int64_t value) { return value >= 0 ? value / 4 : -((-value + 3) / 4); }

int32_t ClampEdgeDelta(int64_t value) { return static_cast<int32_t>(std::clamp(value, -kMaxEdgeDelta, kMaxEdgeDelta)); }

void WriteOneStraightEdge(SwfBitWriter& writer, int32_t dx, int32_t dy, uint8_t kind) {
  uint32_t magnitude = 0;
  if (kind != StraightEdgeRecord::kVertical) magnitude = std::max(magnitude, SwfMagnitude(dx));
  if (kind != StraightEdgeRecord::kHorizontal) magnitude = std::max(magnitude, SwfMagnitude(dy));
  const int bits = std::max(CountBitsNeeded(magnitude, true), 2);
  writer.WriteBits(1, 1);  // edge
  writer.WriteBits(1, 1);  // straight
  writer.WriteBits(static_cast<uint32_t>(bits - 2), 4);
  if (kind == StraightEdgeRecord::kHorizontal) {
    writer.WriteBits(0, 1);
    writer.WriteBits(0, 1);
    writer.WriteSignedBits(dx, bits);
  } else if (kind == StraightEdgeRecord::kVertical) {
    writer.WriteBits(0, 1);
    writer.WriteBits(1, 1);
    writer.WriteSignedBits(dy, bits);
  } else {
    writer.WriteBits(1, 1);
    writer.WriteSignedBits(dx, bits);
    writer.WriteSignedBits(dy, bits);
  }
}

void WriteOneCurvedEdge(SwfBitWriter& writer, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  const uint32_t magnitude =
      std::max({SwfMagnitude(cx), SwfMagnitude(cy), SwfMagnitude(ax), SwfMagnitude(ay)});
  const int bits = std::max(CountBitsNeeded(magnitude, true) - 2, 0);
  writer.WriteBits(1, 1);  // edge
  writer.WriteBits(0, 1);  // curved
  writer.WriteBits(static_cast<uint32_t>(bits), 4);
  writer.WriteSignedBits(cx, bits + 2);
  writer.WriteSignedBits(cy, bits + 2);
  writer.WriteSignedBits(ax, bits + 2);
  writer.WriteSignedBits(ay, bits + 2);
}

// Writes the quadratic curve from the pen with control point c and end point c + a (both
// relative to the pen), halving it until every piece fits one record. The pieces' deltas
// add up exactly to the curve's, so the outline ends where the curve ends.
void WriteCurve(SwfBitWriter& writer, int64_t cx, int64_t cy, int64_t ax, int64_t ay, int depth) {
  const uint32_t magnitude = std::max({Magnitude64(cx), Magnitude64(cy), Magnitude64(ax), Magnitude64(ay)});
  if (magnitude <= kMaxEdgeDelta || depth >= kMaxCurveSplitDepth) {
    WriteOneCurvedEdge(writer, ClampEdgeDelta(cx), ClampEdgeDelta(cy), ClampEdgeDelta(ax), ClampEdgeDelta(ay));
    return;
  }
  // de Casteljau at t = 1/2, from P0 = 0, P1 = c, P2 = c + a.
  const int64_t p2x = cx + ax;
  const int64_t p2y = cy + ay;
  const int64_t q1x = FloorHalf(cx);
  const int64_t q1y = FloorHalf(cy);
  const int64_t mx = FloorQuarter(2 * cx + p2x);
  const int64_t my = FloorQuarter(2 * cy + p2y);
  const int64_t r1x = FloorHalf(cx + p2x);
  const int64_t r1y = FloorHalf(cy + p2y);
  WriteCurve(writer, q1x, q1y, mx - q1x, my - q1y, depth + 1);
  WriteCurve(writer, r1x - mx, r1y - my, p2x - r1x, p2y - r1y, depth + 1);
}

void BindRecord(ShapeRecord& record, Shape* owner) {
  if (record.GetKind() == ShapeRecord::kStyleChange) static_cast<StyleChangeRecord&>(record).owner = owner;
}

}  // namespace

uint8_t StyleIndexBits(size_t count) {
  const uint32_t value = static_cast<uint32_t>(std::min<size_t>(count, 0xFFFFFFFFu));
  return static_cast<uint8_t>(std::min(CountBitsNeeded(value, false), static_cast<int>(Shape::kMaxIndexBits)));
}

// --- StyleChangeRecord -----------------------------------------------------------------

StyleChangeRecord::StyleChangeRecord(uint8_t flagBits, Shape* ownerShape) : flags(flagBits), owner(ownerShape) {
  if (owner != nullptr) {
    fillBits = owner->initialFillBits;
    lineBits = owner->initialLineBits;
  }
}

void StyleChangeRecord::InitMoveTo(int32_t x, int32_t y, Shape* ownerShape) {
  moveX = x;
  moveY = y;
  owner = ownerShape;
  if (owner != nullptr) {
    fillBits = owner->initialFillBits;
    lineBits = owner->initialLineBits;
  }
  fillStyle0 = 0;
  fillStyle1 = 0;
  lineStyle = 0;
  // Forgotten, not deleted by the Part's rules; with owned arrays forgetting is deleting.
  newFillStyles.reset();
  newLineStyles.reset();
}

void StyleChangeRecord::SetFillStyleIndex(uint16_t index, bool second) {
  if (second) {
    fillStyle1 = index;
  } else {
    fillStyle0 = index;
  }
}

void StyleChangeRecord::UpdateFlags() {
  uint8_t value = 0;
  if (newFillStyles || newLineStyles) value |= kStyleNewStyles;
  if (lineStyle != 0) value |= kStyleLine;
  if (fillStyle1 != 0) value |= kStyleFill1;
  if (fillStyle0 != 0) value |= kStyleFill0;
  if (moveX != 0 || moveY != 0) value |= kStyleMoveTo;
  flags = value;
}

std::unique_ptr<ShapeRecord> StyleChangeRecord::Clone(Shape* newOwner) const {
  auto copy = std::make_unique<StyleChangeRecord>(flags, nullptr);
  copy->moveX = moveX;
  copy->moveY = moveY;
  copy->fillStyle0 = fillStyle0;
  copy->fillStyle1 = fillStyle1;
  copy->lineStyle = lineStyle;
  copy->fillBits = fillBits;
  copy->lineBits = lineBits;
  copy->owner = newOwner;
  if (newFillStyles) copy->newFillStyles = std::make_unique<FillStyleArray>(*newFillStyles);
  if (newLineStyles) copy->newLineStyles = std::make_unique<LineStyleArray>(*newLineStyles);
  return copy;
}

size_t StyleChangeRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  const bool alpha = owner != nullptr && owner->hasAlpha;
  if (owner != nullptr) {
    fillBits = owner->fillBits;
    lineBits = owner->lineBits;
  }
  if (flags & kStyleMoveTo) {
    const int bits = static_cast<int>(reader.ReadUBits(5));
    moveX = reader.ReadSBits(bits);
    moveY = reader.ReadSBits(bits);
  }
  if (flags & kStyleFill0) fillStyle0 = static_cast<uint16_t>(reader.ReadUBits(fillBits));
  if (flags & kStyleFill1) fillStyle1 = static_cast<uint16_t>(reader.ReadUBits(fillBits));
  if (flags & kStyleLine) lineStyle = static_cast<uint16_t>(reader.ReadUBits(lineBits));
  if (flags & kStyleNewStyles) {
    newFillStyles = std::make_unique<FillStyleArray>(alpha);
    newFillStyles->Read(reader);
    newLineStyles = std::make_unique<LineStyleArray>(alpha);
    newLineStyles->Read(reader);
    fillBits = static_cast<uint8_t>(reader.ReadUBits(4));
    lineBits = static_cast<uint8_t>(reader.ReadUBits(4));
    if (owner != nullptr) {
      owner->fillBits = fillBits;
      owner->lineBits = lineBits;
    }
  }
  return reader.GetPosition() - before;
}

size_t StyleChangeRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  if (owner != nullptr) {
    fillBits = owner->fillBits;
    lineBits = owner->lineBits;
  }
  const bool writeNewStyles = (flags & kStyleNewStyles) && (newFillStyles || newLineStyles);
  const uint8_t written = static_cast<uint8_t>((flags & 0x0F) | (writeNewStyles ? kStyleNewStyles : 0));
  if (written == 0) return 0;

  writer.WriteBits(written, 6);
  if (written & kStyleMoveTo) {
    const int32_t x = SaturateMove(moveX);
    const int32_t y = SaturateMove(moveY);
    const int bits = CountBitsNeeded(std::max(SwfMagnitude(x), SwfMagnitude(y)), true);
    writer.WriteBits(static_cast<uint32_t>(bits), 5);
    writer.WriteSignedBits(x, bits);
    writer.WriteSignedBits(y, bits);
  }
  if (written & kStyleFill0) writer.WriteBits(fillStyle0, fillBits);
  if (written & kStyleFill1) writer.WriteBits(fillStyle1, fillBits);
  if (written & kStyleLine) writer.WriteBits(lineStyle, lineBits);
  if (writeNewStyles) {
    if (newFillStyles) {
      newFillStyles->Write(writer);
      fillBits = StyleIndexBits(newFillStyles->GetCount());
    } else {
      writer.WriteU8(0);
    }
    if (newLineStyles) {
      newLineStyles->Write(writer);
      lineBits = StyleIndexBits(newLineStyles->GetCount());
    } else {
      writer.WriteU8(0);
    }
    writer.WriteBits(std::min(fillBits, Shape::kMaxIndexBits), 4);
    writer.WriteBits(std::min(lineBits, Shape::kMaxIndexBits), 4);
    if (owner != nullptr) {
      owner->fillBits = fillBits;
      owner->lineBits = lineBits;
    }
  }
  return writer.GetByteCount() - before;
}

// --- Edges -----------------------------------------------------------------------------

StraightEdgeRecord::StraightEdgeRecord(int32_t dx, int32_t dy, uint8_t edgeKind)
    : kind(edgeKind), deltaX(dx), deltaY(dy) {}

void StraightEdgeRecord::Set(int32_t dx, int32_t dy, uint8_t edgeKind) {
  deltaX = dx;
  deltaY = dy;
  kind = edgeKind;
}

std::unique_ptr<ShapeRecord> StraightEdgeRecord::Clone(Shape*) const {
  return std::make_unique<StraightEdgeRecord>(deltaX, deltaY, kind);
}

size_t StraightEdgeRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  const int bits = static_cast<int>(reader.ReadUBits(4)) + 2;
  deltaX = 0;
  deltaY = 0;
  if (reader.ReadUBits(1) != 0) {
    kind = kGeneral;
    deltaX = reader.ReadSBits(bits);
    deltaY = reader.ReadSBits(bits);
  } else if (reader.ReadUBits(1) != 0) {
    kind = kVertical;
    deltaY = reader.ReadSBits(bits);
  } else {
    kind = kHorizontal;
    deltaX = reader.ReadSBits(bits);
  }
  return reader.GetPosition() - before;
}

size_t StraightEdgeRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const int64_t dx = kind == kVertical ? 0 : deltaX;
  const int64_t dy = kind == kHorizontal ? 0 : deltaY;
  const int64_t magnitude = std::max<int64_t>(Magnitude64(dx), Magnitude64(dy));
  const int64_t pieces = magnitude <= kMaxEdgeDelta ? 1 : (magnitude + kMaxEdgeDelta - 1) / kMaxEdgeDelta;
  for (int64_t i = 0; i < pieces; ++i) {
    // Consecutive cuts of the whole delta: the pieces add up to it exactly.
    const int64_t px = dx * (i + 1) / pieces - dx * i / pieces;
    const int64_t py = dy * (i + 1) / pieces - dy * i / pieces;
    WriteOneStraightEdge(writer, static_cast<int32_t>(px), static_cast<int32_t>(py), kind);
  }
  return writer.GetByteCount() - before;
}

CurvedEdgeRecord::CurvedEdgeRecord(int32_t controlDx, int32_t controlDy, int32_t anchorDx, int32_t anchorDy)
    : controlDeltaX(controlDx), controlDeltaY(controlDy), anchorDeltaX(anchorDx), anchorDeltaY(anchorDy) {}

std::unique_ptr<ShapeRecord> CurvedEdgeRecord::Clone(Shape*) const {
  return std::make_unique<CurvedEdgeRecord>(controlDeltaX, controlDeltaY, anchorDeltaX, anchorDeltaY);
}

size_t CurvedEdgeRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  const int bits = static_cast<int>(reader.ReadUBits(4)) + 2;
  controlDeltaX = reader.ReadSBits(bits);
  controlDeltaY = reader.ReadSBits(bits);
  anchorDeltaX = reader.ReadSBits(bits);
  anchorDeltaY = reader.ReadSBits(bits);
  return reader.GetPosition() - before;
}

size_t CurvedEdgeRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteCurve(writer, controlDeltaX, controlDeltaY, anchorDeltaX, anchorDeltaY, 0);
  return writer.GetByteCount() - before;
}

std::unique_ptr<ShapeRecord> EndShapeRecord::Clone(Shape*) const { return std::make_unique<EndShapeRecord>(); }

size_t EndShapeRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteBits(0, 6);
  return writer.GetByteCount() - before;
}

// --- Shape -----------------------------------------------------------------------------

void Shape::SetBitCounts(int fillBitCount, int lineBitCount) {
  SetNumFillBits(fillBitCount);
  SetNumLineBits(lineBitCount);
}

void Shape::SetNumFillBits(int bitCount) {
  initialFillBits = fillBits = static_cast<uint8_t>(std::clamp(bitCount, 0, static_cast<int>(kMaxIndexBits)));
}

void Shape::SetNumLineBits(int bitCount) {
  initialLineBits = lineBits = static_cast<uint8_t>(std::clamp(bitCount, 0, static_cast<int>(kMaxIndexBits)));
}

void Shape::Clear() { records.clear(); }

void Shape::CopyFrom(const Shape& other) {
  if (&other == this) return;
  records.clear();
  hasAlpha = other.hasAlpha;
  initialFillBits = other.initialFillBits;
  initialLineBits = other.initialLineBits;
  fillBits = other.fillBits;
  lineBits = other.lineBits;
  for (const auto& record : other.records) records.push_back(record->Clone(this));
}

size_t Shape::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  records.clear();
  SetNumFillBits(static_cast<int>(reader.ReadUBits(4)));
  SetNumLineBits(static_cast<int>(reader.ReadUBits(4)));
  ReadRecords(reader);
  return reader.GetPosition() - before;
}

size_t Shape::ReadRecords(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  // Past the end of the data every bit reads 0, which is an end record, so the loop ends.
  while (!reader.HasOverrun()) {
    std::unique_ptr<ShapeRecord> record;
    if (reader.ReadUBits(1) != 0) {
      if (reader.ReadUBits(1) != 0) {
        record = std::make_unique<StraightEdgeRecord>();
      } else {
        record = std::make_unique<CurvedEdgeRecord>();
      }
    } else {
      const auto flags = static_cast<uint8_t>(reader.ReadUBits(5));
      if (flags == 0) break;
      record = std::make_unique<StyleChangeRecord>(flags, this);
    }
    record->Read(reader);
    records.push_back(std::move(record));
  }
  records.push_back(std::make_unique<EndShapeRecord>());
  reader.ByteAlign();
  fillBits = initialFillBits;
  lineBits = initialLineBits;
  return reader.GetPosition() - before;
}

size_t Shape::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteBits(std::min(initialFillBits, kMaxIndexBits), 4);
  writer.WriteBits(std::min(initialLineBits, kMaxIndexBits), 4);
  WriteRecords(writer);
  return writer.GetByteCount() - before;
}

void Shape::WriteRecords(SwfBitWriter& writer) {
  fillBits = initialFillBits;
  lineBits = initialLineBits;
  for (auto& record : records) {
    BindRecord(*record, this);
    record->Write(writer);
  }
  fillBits = initialFillBits;
  lineBits = initialLineBits;
}

void Shape::RelocateBitmaps(int idDelta) {
  for (auto& record : records) {
    if (record->GetKind() != ShapeRecord::kStyleChange) continue;
    auto& change = static_cast<StyleChangeRecord&>(*record);
    if (change.newFillStyles) change.newFillStyles->RelocateBitmaps(idDelta);
  }
}

bool Shape::CanRelocateBitmaps(int idDelta) const {
  for (const auto& record : records) {
    if (record->GetKind() != ShapeRecord::kStyleChange) continue;
    const auto& change = static_cast<const StyleChangeRecord&>(*record);
    if (change.newFillStyles && !change.newFillStyles->CanRelocateBitmaps(idDelta)) return false;
  }
  return true;
}

// --- ShapeWithStyle --------------------------------------------------------------------

void ShapeWithStyle::Clear() {
  Shape::Clear();
  fillStyles.reset();
  lineStyles.reset();
}

void ShapeWithStyle::CopyFrom(const ShapeWithStyle& other) {
  if (&other == this) return;
  fillStyles = other.fillStyles ? std::make_unique<FillStyleArray>(*other.fillStyles) : nullptr;
  lineStyles = other.lineStyles ? std::make_unique<LineStyleArray>(*other.lineStyles) : nullptr;
  Shape::CopyFrom(other);
}

size_t ShapeWithStyle::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  fillStyles = std::make_unique<FillStyleArray>(hasAlpha);
  fillStyles->Read(reader);
  lineStyles = std::make_unique<LineStyleArray>(hasAlpha);
  lineStyles->Read(reader);
  Shape::Read(reader);
  return reader.GetPosition() - before;
}

size_t ShapeWithStyle::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  uint8_t fillIndexBits = 0;
  if (fillStyles && fillStyles->GetCount() != 0) {
    fillStyles->Write(writer);
    fillIndexBits = StyleIndexBits(fillStyles->GetCount());
  } else {
    writer.WriteU8(0);
  }
  uint8_t lineIndexBits = 0;
  if (lineStyles && lineStyles->GetCount() != 0) {
    lineStyles->Write(writer);
    lineIndexBits = StyleIndexBits(lineStyles->GetCount());
  } else {
    writer.WriteU8(0);
  }
  SetBitCounts(fillIndexBits, lineIndexBits);
  Shape::Write(writer);
  return writer.GetByteCount() - before;
}

void ShapeWithStyle::RelocateBitmaps(int idDelta) {
  if (fillStyles) fillStyles->RelocateBitmaps(idDelta);
  Shape::RelocateBitmaps(idDelta);
}

bool ShapeWithStyle::CanRelocateBitmaps(int idDelta) const {
  if (fillStyles && !fillStyles->CanRelocateBitmaps(idDelta)) return false;
  return Shape::CanRelocateBitmaps(idDelta);
}

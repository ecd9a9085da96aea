#include "swf/Shape.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

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

// As the basic records: beyond the field's range a move saturates; its most negative value is kept.
int32_t SaturateMove(int32_t value) {
  return value == -kSwfMaxBitFieldValue - 1 ? value : std::clamp(value, -kSwfMaxBitFieldValue, kSwfMaxBitFieldValue);
}

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
  const uint32_t magnitude = std::max({SwfMagnitude(cx), SwfMagnitude(cy), SwfMagnitude(ax), SwfMagnitude(ay)});
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

}  // namespace

uint8_t StyleIndexBits(size_t count) {
  const uint32_t value = static_cast<uint32_t>(std::min<size_t>(count, 0xFFFFFFFFu));
  return static_cast<uint8_t>(std::min(CountBitsNeeded(value, false), static_cast<int>(Shape::kMaxIndexBits)));
}

// --- StyleChangeRecord -----------------------------------------------------------------

StyleChangeRecord::StyleChangeRecord(uint8_t flagBits, Shape* ownerShape)
    : ShapeRecord(kStyleChange), flags(flagBits), owner(ownerShape) {
  if (owner != nullptr) {
    fillBits = owner->initialFillBits;
    lineBits = owner->initialLineBits;
  }
}

StyleChangeRecord::~StyleChangeRecord() = default;

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
  // Forgotten rather than deleted; with owned arrays forgetting is deleting.
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

std::unique_ptr<StyleChangeRecord> StyleChangeRecord::Clone(Shape* newOwner) const {
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
    const int bits = std::min(CountBitsNeeded(std::max(SwfMagnitude(x), SwfMagnitude(y)), true), 31);
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
    : ShapeRecord(kStraightEdge), kind(edgeKind), deltaX(dx), deltaY(dy) {}

void StraightEdgeRecord::Set(int32_t dx, int32_t dy, uint8_t edgeKind) {
  deltaX = dx;
  deltaY = dy;
  kind = edgeKind;
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

size_t StraightEdgeRecord::Write(SwfBitWriter& writer) const {
  const size_t before = writer.GetByteCount();
  const int64_t dx = kind == kVertical ? 0 : deltaX;
  const int64_t dy = kind == kHorizontal ? 0 : deltaY;
  const int64_t magnitude = std::max<int64_t>(Magnitude64(dx), Magnitude64(dy));
  if (magnitude <= kMaxEdgeDelta) {
    WriteOneStraightEdge(writer, static_cast<int32_t>(dx), static_cast<int32_t>(dy), kind);
    return writer.GetByteCount() - before;
  }
  const int64_t pieces = (magnitude + kMaxEdgeDelta - 1) / kMaxEdgeDelta;
  for (int64_t i = 0; i < pieces; ++i) {
    // Consecutive cuts of the whole delta: the pieces add up to it exactly.
    const int64_t px = dx * (i + 1) / pieces - dx * i / pieces;
    const int64_t py = dy * (i + 1) / pieces - dy * i / pieces;
    WriteOneStraightEdge(writer, static_cast<int32_t>(px), static_cast<int32_t>(py), kind);
  }
  return writer.GetByteCount() - before;
}

CurvedEdgeRecord::CurvedEdgeRecord(int32_t controlDx, int32_t controlDy, int32_t anchorDx, int32_t anchorDy)
    : ShapeRecord(kCurvedEdge),
      controlDeltaX(controlDx),
      controlDeltaY(controlDy),
      anchorDeltaX(anchorDx),
      anchorDeltaY(anchorDy) {}

size_t CurvedEdgeRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  const int bits = static_cast<int>(reader.ReadUBits(4)) + 2;
  controlDeltaX = reader.ReadSBits(bits);
  controlDeltaY = reader.ReadSBits(bits);
  anchorDeltaX = reader.ReadSBits(bits);
  anchorDeltaY = reader.ReadSBits(bits);
  return reader.GetPosition() - before;
}

size_t CurvedEdgeRecord::Write(SwfBitWriter& writer) const {
  const size_t before = writer.GetByteCount();
  WriteCurve(writer, controlDeltaX, controlDeltaY, anchorDeltaX, anchorDeltaY, 0);
  return writer.GetByteCount() - before;
}

size_t EndShapeRecord::Write(SwfBitWriter& writer) const {
  const size_t before = writer.GetByteCount();
  writer.WriteBits(0, 6);
  return writer.GetByteCount() - before;
}

// --- ShapeRecordList ------------------------------------------------------------------

static_assert(sizeof(StraightEdgeRecord) <= 20 && alignof(StraightEdgeRecord) <= 4);
static_assert(sizeof(CurvedEdgeRecord) <= 20 && alignof(CurvedEdgeRecord) <= 4);
static_assert(std::is_trivially_copyable_v<StraightEdgeRecord> && std::is_trivially_copyable_v<CurvedEdgeRecord> &&
              std::is_trivially_copyable_v<EndShapeRecord>);

ShapeRecordList::StyleChangeHandle::StyleChangeHandle(StyleChangeRecord* record) : ShapeRecord(kStyleChange) {
  static_assert(sizeof(StyleChangeHandle) <= sizeof(Slot) && std::is_trivially_copyable_v<StyleChangeHandle>);
  std::memcpy(address_, &record, sizeof record);
}

StyleChangeRecord* ShapeRecordList::StyleChangeHandle::Get() const {
  StyleChangeRecord* record = nullptr;
  std::memcpy(&record, address_, sizeof record);
  return record;
}

ShapeRecord* ShapeRecordList::RecordAt(Slot* slot) {
  auto* record = std::launder(reinterpret_cast<ShapeRecord*>(slot->bytes));
  if (record->GetKind() == ShapeRecord::kStyleChange) return static_cast<StyleChangeHandle*>(record)->Get();
  return record;
}

const ShapeRecord* ShapeRecordList::RecordAt(const Slot* slot) { return RecordAt(const_cast<Slot*>(slot)); }

ShapeRecordList::ShapeRecordList(ShapeRecordList&& other) noexcept
    : slots_(std::move(other.slots_)), packed_(std::move(other.packed_)), packedCount_(other.packedCount_) {
  other.slots_.clear();
  other.packed_.clear();
  other.packedCount_ = 0;
}

ShapeRecordList& ShapeRecordList::operator=(ShapeRecordList&& other) noexcept {
  if (&other != this) {
    clear();
    slots_ = std::move(other.slots_);
    packed_ = std::move(other.packed_);
    packedCount_ = other.packedCount_;
    other.slots_.clear();
    other.packed_.clear();
    other.packedCount_ = 0;
  }
  return *this;
}

ShapeRecordList::~ShapeRecordList() { DeleteOwned(); }

void ShapeRecordList::clear() {
  DeleteOwned();
  slots_.clear();
  packed_.clear();
  packedCount_ = 0;
}

namespace {

enum PackedKind : uint8_t {
  kPackedStyleChange = 1,
  kPackedGeneralEdge = 2,
  kPackedHorizontalEdge = 3,
  kPackedVerticalEdge = 4,
  kPackedCurve = 5,
  kPackedEnd = 6,
};

// Appends the zigzag base-128 form of `value` at `out` (at most five bytes); returns the end.
uint8_t* PutDelta(uint8_t* out, int32_t value) {
  uint32_t zigzag = (static_cast<uint32_t>(value) << 1) ^ static_cast<uint32_t>(value >> 31);
  while (zigzag >= 0x80) {
    *out++ = static_cast<uint8_t>(zigzag | 0x80);
    zigzag >>= 7;
  }
  *out++ = static_cast<uint8_t>(zigzag);
  return out;
}

void SkipDelta(const uint8_t*& at) {
  while ((*at++ & 0x80) != 0) {
  }
}

int32_t TakeDelta(const uint8_t*& at) {
  uint32_t zigzag = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t byte = *at++;
    zigzag |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) break;
  }
  return static_cast<int32_t>((zigzag >> 1) ^ (~(zigzag & 1) + 1));
}

}  // namespace

void ShapeRecordList::DeleteOwned() {
  if (packedCount_ == 0) {
    for (Slot& slot : slots_) {
      ShapeRecord* record = RecordAt(&slot);
      if (record->GetKind() == ShapeRecord::kStyleChange) delete static_cast<StyleChangeRecord*>(record);
    }
    return;
  }
  // The packed records are stepped over; only the style changes are looked at.
  const uint8_t* at = packed_.data();
  const uint8_t* end = at + packed_.size();
  while (at < end) {
    switch (*at++) {
      case kPackedStyleChange: {
        StyleChangeRecord* address = nullptr;
        std::memcpy(&address, at, sizeof address);
        delete address;
        at += sizeof address;
        break;
      }
      case kPackedGeneralEdge:
        SkipDelta(at);
        SkipDelta(at);
        break;
      case kPackedHorizontalEdge:
      case kPackedVerticalEdge: SkipDelta(at); break;
      case kPackedCurve:
        for (int i = 0; i < 4; ++i) SkipDelta(at);
        break;
      default: break;
    }
  }
}

void ShapeRecordList::AppendRead(const StraightEdgeRecord& record) {
  // An edge along an axis with a delta along the other never comes from a reading; it is
  // held in a slot, where it stays exact.
  const bool offAxis = (record.kind == StraightEdgeRecord::kHorizontal && record.deltaY != 0) ||
                       (record.kind == StraightEdgeRecord::kVertical && record.deltaX != 0);
  if (!CanPack() || offAxis) {
    Unpack();
    push_back(record);
    return;
  }
  uint8_t bytes[11];
  uint8_t* end = bytes + 1;
  if (record.kind == StraightEdgeRecord::kHorizontal) {
    bytes[0] = kPackedHorizontalEdge;
    end = PutDelta(end, record.deltaX);
  } else if (record.kind == StraightEdgeRecord::kVertical) {
    bytes[0] = kPackedVerticalEdge;
    end = PutDelta(end, record.deltaY);
  } else {
    bytes[0] = kPackedGeneralEdge;
    end = PutDelta(end, record.deltaX);
    end = PutDelta(end, record.deltaY);
  }
  packed_.insert(packed_.end(), bytes, end);
  ++packedCount_;
}

void ShapeRecordList::AppendRead(const CurvedEdgeRecord& record) {
  if (!CanPack()) {
    push_back(record);
    return;
  }
  uint8_t bytes[21];
  bytes[0] = kPackedCurve;
  uint8_t* end = PutDelta(bytes + 1, record.controlDeltaX);
  end = PutDelta(end, record.controlDeltaY);
  end = PutDelta(end, record.anchorDeltaX);
  end = PutDelta(end, record.anchorDeltaY);
  packed_.insert(packed_.end(), bytes, end);
  ++packedCount_;
}

void ShapeRecordList::AppendRead(const EndShapeRecord& record) {
  if (!CanPack()) {
    push_back(record);
    return;
  }
  packed_.push_back(kPackedEnd);
  ++packedCount_;
}

void ShapeRecordList::AppendRead(std::unique_ptr<StyleChangeRecord> record) {
  if (!record) return;
  if (!CanPack()) {
    push_back(std::move(record));
    return;
  }
  packed_.reserve(packed_.size() + 1 + sizeof(StyleChangeRecord*));  // nothing fails once it is let go
  StyleChangeRecord* address = record.release();
  packed_.push_back(kPackedStyleChange);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
  packed_.insert(packed_.end(), bytes, bytes + sizeof address);
  ++packedCount_;
}

const uint8_t* ShapeRecordList::DecodePacked(const uint8_t* at, Slot& slot) {
  void* place = static_cast<void*>(slot.bytes);
  switch (*at++) {
    case kPackedStyleChange: {
      StyleChangeRecord* address = nullptr;
      std::memcpy(&address, at, sizeof address);
      ::new (place) StyleChangeHandle(address);
      return at + sizeof address;
    }
    case kPackedGeneralEdge: {
      const int32_t dx = TakeDelta(at);
      const int32_t dy = TakeDelta(at);
      ::new (place) StraightEdgeRecord(dx, dy, StraightEdgeRecord::kGeneral);
      return at;
    }
    case kPackedHorizontalEdge:
      ::new (place) StraightEdgeRecord(TakeDelta(at), 0, StraightEdgeRecord::kHorizontal);
      return at;
    case kPackedVerticalEdge:
      ::new (place) StraightEdgeRecord(0, TakeDelta(at), StraightEdgeRecord::kVertical);
      return at;
    case kPackedCurve: {
      const int32_t cx = TakeDelta(at);
      const int32_t cy = TakeDelta(at);
      const int32_t ax = TakeDelta(at);
      const int32_t ay = TakeDelta(at);
      ::new (place) CurvedEdgeRecord(cx, cy, ax, ay);
      return at;
    }
    default: ::new (place) EndShapeRecord(); return at;
  }
}

void ShapeRecordList::Unpack() const {
  if (packedCount_ == 0) return;
  std::vector<Slot> slots(packedCount_);
  const uint8_t* at = packed_.data();
  for (Slot& slot : slots) at = DecodePacked(at, slot);
  slots_ = std::move(slots);
  packed_.clear();
  packed_.shrink_to_fit();
  packedCount_ = 0;
}

template <class R>
ShapeRecordList::iterator ShapeRecordList::Place(const_iterator at, const R& record) {
  const auto index = at.slot_ - slots_.data();
  const auto it = slots_.insert(slots_.begin() + index, Slot{});
  ::new (static_cast<void*>(it->bytes)) R(record);
  return iterator(slots_.data() + index);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, const StraightEdgeRecord& record) {
  return Place(at, record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, const CurvedEdgeRecord& record) {
  return Place(at, record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, const EndShapeRecord& record) {
  return Place(at, record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, std::unique_ptr<StraightEdgeRecord> record) {
  if (!record) return iterator(slots_.data() + (at.slot_ - slots_.data()));
  return Place(at, *record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, std::unique_ptr<CurvedEdgeRecord> record) {
  if (!record) return iterator(slots_.data() + (at.slot_ - slots_.data()));
  return Place(at, *record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, std::unique_ptr<EndShapeRecord> record) {
  if (!record) return iterator(slots_.data() + (at.slot_ - slots_.data()));
  return Place(at, *record);
}

ShapeRecordList::iterator ShapeRecordList::insert(const_iterator at, std::unique_ptr<StyleChangeRecord> record) {
  if (!record) return iterator(slots_.data() + (at.slot_ - slots_.data()));
  const auto index = at.slot_ - slots_.data();
  slots_.reserve(slots_.size() + 1);  // nothing can fail once the record is let go
  const iterator placed = Place(const_iterator(slots_.data() + index), StyleChangeHandle(record.get()));
  record.release();
  return placed;
}

ShapeRecordList::iterator ShapeRecordList::erase(const_iterator at) {
  const auto index = at.slot_ - slots_.data();
  auto* record = std::launder(reinterpret_cast<ShapeRecord*>(slots_[static_cast<size_t>(index)].bytes));
  if (record->GetKind() == ShapeRecord::kStyleChange) delete static_cast<StyleChangeHandle*>(record)->Get();
  slots_.erase(slots_.begin() + index);
  return iterator(slots_.data() + index);
}

void ShapeRecordList::CopyFrom(const ShapeRecordList& other, Shape* owner) {
  if (&other == this) return;
  clear();
  other.Unpack();
  slots_.reserve(other.slots_.size());
  for (const Slot& slot : other.slots_) {
    const auto* record = std::launder(reinterpret_cast<const ShapeRecord*>(slot.bytes));
    if (record->GetKind() == ShapeRecord::kStyleChange) {
      push_back(static_cast<const StyleChangeHandle*>(record)->Get()->Clone(owner));
    } else {
      slots_.push_back(slot);
    }
  }
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
  records.CopyFrom(other.records, this);
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
    if (reader.ReadUBits(1) != 0) {
      if (reader.ReadUBits(1) != 0) {
        StraightEdgeRecord edge;
        edge.Read(reader);
        records.AppendRead(edge);
      } else {
        CurvedEdgeRecord curve;
        curve.Read(reader);
        records.AppendRead(curve);
      }
    } else {
      const auto flags = static_cast<uint8_t>(reader.ReadUBits(5));
      if (flags == 0) break;
      auto change = std::make_unique<StyleChangeRecord>(flags, this);
      change->Read(reader);
      records.AppendRead(std::move(change));
    }
  }
  records.AppendRead(EndShapeRecord());
  // The list grew by doubling; a shape keeps only the room its records take.
  records.shrink_to_fit();
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
  records.ForEach([&](ShapeRecord& record) {
    switch (record.GetKind()) {
      case ShapeRecord::kStyleChange: {
        auto& change = static_cast<StyleChangeRecord&>(record);
        change.owner = this;
        change.Write(writer);
        break;
      }
      case ShapeRecord::kStraightEdge: static_cast<const StraightEdgeRecord&>(record).Write(writer); break;
      case ShapeRecord::kCurvedEdge: static_cast<const CurvedEdgeRecord&>(record).Write(writer); break;
      default: static_cast<const EndShapeRecord&>(record).Write(writer); break;
    }
  });
  fillBits = initialFillBits;
  lineBits = initialLineBits;
}

void Shape::RelocateBitmaps(int idDelta) {
  records.ForEach([&](ShapeRecord& record) {
    if (record.GetKind() != ShapeRecord::kStyleChange) return;
    auto& change = static_cast<StyleChangeRecord&>(record);
    if (change.newFillStyles) change.newFillStyles->RelocateBitmaps(idDelta);
  });
}

bool Shape::CanRelocateBitmaps(int idDelta) const {
  bool can = true;
  records.ForEach([&](const ShapeRecord& record) {
    if (!can || record.GetKind() != ShapeRecord::kStyleChange) return;
    const auto& change = static_cast<const StyleChangeRecord&>(record);
    if (change.newFillStyles && !change.newFillStyles->CanRelocateBitmaps(idDelta)) can = false;
  });
  return can;
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

#include "swf/ShapeStyles.h"

#include <algorithm>

namespace {

constexpr size_t kMaxStyleCount = 0xFFFF;

size_t WrittenSince(const SwfBitWriter& writer, size_t before) { return writer.GetByteCount() - before; }

}  // namespace

std::unique_ptr<SwfRgb> MakeDefaultColour(bool hasAlpha) {
  if (hasAlpha) return std::make_unique<SwfRgba>(0, 0, 0, 255);
  return std::make_unique<SwfRgb>(0, 0, 0);
}

std::unique_ptr<SwfRgb> CloneColour(const SwfRgb* colour) {
  if (colour == nullptr) return nullptr;
  if (const auto* rgba = dynamic_cast<const SwfRgba*>(colour)) return std::make_unique<SwfRgba>(*rgba);
  return std::make_unique<SwfRgb>(*colour);
}

std::unique_ptr<SwfRgb> ReadColour(SwfReader& reader, bool hasAlpha) {
  std::unique_ptr<SwfRgb> colour = MakeDefaultColour(hasAlpha);
  colour->Read(reader);
  return colour;
}

uint16_t RelocateBitmapId(uint16_t id, int idDelta) {
  if (id == kNoBitmapId) return id;
  return static_cast<uint16_t>((static_cast<int64_t>(id) + idDelta) & 0xFFFF);
}

bool BitmapIdFits(uint16_t id, int idDelta) {
  if (id == kNoBitmapId) return true;
  const int64_t moved = static_cast<int64_t>(id) + idDelta;
  return moved >= 0 && moved < kNoBitmapId;
}

// --- SwfGradRecord ---------------------------------------------------------------------

SwfGradRecord::SwfGradRecord(uint8_t stopRatio, std::unique_ptr<SwfRgb> stopColour, bool alpha)
    : colour(std::move(stopColour)), ratio(stopRatio), hasAlpha(alpha) {}

SwfGradRecord::SwfGradRecord(const SwfGradRecord& other)
    : SwfRecord(other), colour(CloneColour(other.colour.get())), ratio(other.ratio), hasAlpha(other.hasAlpha) {}

size_t SwfGradRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  ratio = reader.ReadU8();
  colour = ReadColour(reader, hasAlpha);
  return reader.GetPosition() - before;
}

size_t SwfGradRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(ratio);
  if (colour) {
    colour->Write(writer);
  } else {
    MakeDefaultColour(hasAlpha)->Write(writer);
  }
  return WrittenSince(writer, before);
}

// --- SwfGradient -----------------------------------------------------------------------

SwfGradient::SwfGradient(const SwfGradient& other)
    : SwfRecord(other),
      hasAlpha(other.hasAlpha),
      spreadMode(other.spreadMode),
      interpolationMode(other.interpolationMode) {
  for (const auto& record : other.records) records.push_back(std::make_unique<SwfGradRecord>(*record));
}

size_t SwfGradient::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  records.clear();
  const uint8_t head = reader.ReadU8();
  spreadMode = static_cast<uint8_t>(head >> 6);
  interpolationMode = static_cast<uint8_t>((head >> 4) & 0x03);
  const int count = head & 0x0F;
  for (int i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto record = std::make_unique<SwfGradRecord>();
    record->hasAlpha = hasAlpha;
    record->Read(reader);
    records.push_back(std::move(record));
  }
  return reader.GetPosition() - before;
}

size_t SwfGradient::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(records.size(), kMaxRecords);
  writer.WriteU8(static_cast<uint8_t>((spreadMode & 0x03) << 6 | (interpolationMode & 0x03) << 4 | count));
  for (size_t i = 0; i < count; ++i) {
    SwfGradRecord& record = *records[i];
    record.Write(writer);
  }
  return WrittenSince(writer, before);
}

// --- FillStyle -------------------------------------------------------------------------

FillStyle::FillStyle(const FillStyle& other)
    : SwfRecord(other),
      hasAlpha(other.hasAlpha),
      fillType(other.fillType),
      colour(CloneColour(other.colour.get())),
      gradient(other.gradient ? std::make_unique<SwfGradient>(*other.gradient) : nullptr),
      matrix(other.matrix ? std::make_unique<SwfMatrix>(*other.matrix) : nullptr),
      bitmapId(other.bitmapId) {}

void FillStyle::InitSolidColor(std::unique_ptr<SwfRgb> solidColour, bool alpha) {
  fillType = kFillSolid;
  hasAlpha = alpha;
  colour = std::move(solidColour);
  gradient.reset();
  matrix.reset();
}

void FillStyle::InitBitmapFill(uint8_t type, uint16_t bitmap, std::unique_ptr<SwfMatrix> bitmapMatrix) {
  fillType = type;
  hasAlpha = false;
  bitmapId = bitmap;
  matrix = std::move(bitmapMatrix);
  colour.reset();
  gradient.reset();
}

size_t FillStyle::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  colour.reset();
  gradient.reset();
  matrix.reset();
  fillType = reader.ReadU8();
  if (fillType == kFillSolid) {
    colour = ReadColour(reader, hasAlpha);
  } else if (IsGradientFill(fillType)) {
    matrix = std::make_unique<SwfMatrix>();
    matrix->Read(reader);
    gradient = std::make_unique<SwfGradient>(hasAlpha);
    gradient->Read(reader);
  } else if (IsBitmapFill(fillType)) {
    bitmapId = reader.ReadU16();
    matrix = std::make_unique<SwfMatrix>();
    matrix->Read(reader);
  } else {
    // The layout of an unknown fill is not known, so nothing after it can be read.
    reader.SetOverrun(true);
  }
  return reader.GetPosition() - before;
}

size_t FillStyle::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(fillType);
  if (fillType == kFillSolid) {
    if (colour) colour->Write(writer);
  } else if (IsGradientFill(fillType)) {
    if (matrix) {
      matrix->Write(writer);
    } else {
      SwfMatrix().Write(writer);
    }
    if (gradient) {
      gradient->Write(writer);
    } else {
      SwfGradient(hasAlpha).Write(writer);
    }
  } else if (IsBitmapFill(fillType)) {
    writer.WriteU16(bitmapId);
    if (matrix) {
      matrix->Write(writer);
    } else {
      SwfMatrix().Write(writer);
    }
  }
  return WrittenSince(writer, before);
}

// --- LineStyle -------------------------------------------------------------------------

LineStyle::LineStyle(uint16_t lineWidth, std::unique_ptr<SwfRgb> lineColour, bool alpha)
    : width(lineWidth), colour(std::move(lineColour)), hasAlpha(alpha) {}

LineStyle::LineStyle(const LineStyle& other)
    : SwfRecord(other), width(other.width), colour(CloneColour(other.colour.get())), hasAlpha(other.hasAlpha) {}

size_t LineStyle::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  width = reader.ReadU16();
  colour = ReadColour(reader, hasAlpha);
  return reader.GetPosition() - before;
}

size_t LineStyle::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU16(width);
  if (colour) {
    colour->Write(writer);
  } else {
    MakeDefaultColour(hasAlpha)->Write(writer);
  }
  return WrittenSince(writer, before);
}

// --- Style arrays ----------------------------------------------------------------------

void WriteStyleCount(SwfBitWriter& writer, size_t count) {
  if (count < 0xFF) {
    writer.WriteU8(static_cast<uint8_t>(count));
  } else {
    writer.WriteU8(0xFF);
    writer.WriteU16(static_cast<uint16_t>(std::min(count, kMaxStyleCount)));
  }
}

uint16_t ReadStyleCount(SwfReader& reader) {
  const uint8_t count = reader.ReadU8();
  if (count == 0xFF) return reader.ReadU16();
  return count;
}

FillStyleArray::FillStyleArray(const FillStyleArray& other) : SwfRecord(other), hasAlpha(other.hasAlpha) {
  for (const auto& style : other.styles) styles.push_back(std::make_unique<FillStyle>(*style));
}

size_t FillStyleArray::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  styles.clear();
  const uint16_t count = ReadStyleCount(reader);
  for (uint16_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto style = std::make_unique<FillStyle>(hasAlpha);
    style->Read(reader);
    styles.push_back(std::move(style));
  }
  return reader.GetPosition() - before;
}

size_t FillStyleArray::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(styles.size(), kMaxStyleCount);
  WriteStyleCount(writer, count);
  for (size_t i = 0; i < count; ++i) styles[i]->Write(writer);
  return WrittenSince(writer, before);
}

void FillStyleArray::RelocateBitmaps(int idDelta) {
  for (auto& style : styles) {
    if (IsBitmapFill(style->fillType)) style->bitmapId = RelocateBitmapId(style->bitmapId, idDelta);
  }
}

bool FillStyleArray::CanRelocateBitmaps(int idDelta) const {
  for (const auto& style : styles) {
    if (IsBitmapFill(style->fillType) && !BitmapIdFits(style->bitmapId, idDelta)) return false;
  }
  return true;
}

LineStyleArray::LineStyleArray(const LineStyleArray& other) : SwfRecord(other), hasAlpha(other.hasAlpha) {
  for (const auto& style : other.styles) styles.push_back(std::make_unique<LineStyle>(*style));
}

size_t LineStyleArray::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  styles.clear();
  const uint16_t count = ReadStyleCount(reader);
  for (uint16_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto style = std::make_unique<LineStyle>(0, nullptr, hasAlpha);
    style->Read(reader);
    styles.push_back(std::move(style));
  }
  return reader.GetPosition() - before;
}

size_t LineStyleArray::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(styles.size(), kMaxStyleCount);
  WriteStyleCount(writer, count);
  for (size_t i = 0; i < count; ++i) styles[i]->Write(writer);
  return WrittenSince(writer, before);
}

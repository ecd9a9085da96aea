#include "swf/MorphShape.h"

#include <algorithm>

#include "swf/SwfRelocation.h"
#include "swf/SwfTagList.h"

namespace {

constexpr size_t kMaxStyleCount = 0xFFFF;

void WriteMatrixOrIdentity(SwfBitWriter& writer, const std::unique_ptr<SwfMatrix>& matrix) {
  if (matrix) {
    matrix->Write(writer);
  } else {
    SwfMatrix().Write(writer);
  }
  writer.Flush();
}

std::unique_ptr<SwfMatrix> ReadAlignedMatrix(SwfReader& reader) {
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->Read(reader);
  reader.ByteAlign();
  return matrix;
}

void WriteRgbaOrBlack(SwfBitWriter& writer, const std::unique_ptr<SwfRgba>& colour) {
  if (colour) {
    colour->Write(writer);
  } else {
    SwfRgba(0, 0, 0, 255).Write(writer);
  }
}

std::unique_ptr<SwfRgba> CloneRgba(const std::unique_ptr<SwfRgba>& colour) {
  return colour ? std::make_unique<SwfRgba>(*colour) : nullptr;
}

std::unique_ptr<SwfMatrix> CloneMatrix(const std::unique_ptr<SwfMatrix>& matrix) {
  return matrix ? std::make_unique<SwfMatrix>(*matrix) : nullptr;
}

void WriteShapeOrEmpty(SwfBitWriter& writer, const std::unique_ptr<Shape>& shape) {
  if (shape) {
    shape->Write(writer);
  } else {
    Shape empty(true);
    empty.records.push_back(std::make_unique<EndShapeRecord>());
    empty.Write(writer);
  }
  writer.Flush();
}

}  // namespace

// --- Gradient --------------------------------------------------------------------------

size_t MorphGradRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  startRatio = reader.ReadU8();
  startColour.Read(reader);
  endRatio = reader.ReadU8();
  endColour.Read(reader);
  return reader.GetPosition() - before;
}

size_t MorphGradRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(startRatio);
  startColour.Write(writer);
  writer.WriteU8(endRatio);
  endColour.Write(writer);
  return writer.GetByteCount() - before;
}

MorphGradient::MorphGradient(const MorphGradient& other)
    : SwfRecord(other), spreadMode(other.spreadMode), interpolationMode(other.interpolationMode) {
  for (const auto& record : other.records) records.push_back(std::make_unique<MorphGradRecord>(*record));
}

size_t MorphGradient::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  records.clear();
  const uint8_t head = reader.ReadU8();
  spreadMode = static_cast<uint8_t>(head >> 6);
  interpolationMode = static_cast<uint8_t>((head >> 4) & 0x03);
  const int count = head & 0x0F;
  for (int i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto record = std::make_unique<MorphGradRecord>();
    record->Read(reader);
    records.push_back(std::move(record));
  }
  return reader.GetPosition() - before;
}

size_t MorphGradient::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(records.size(), SwfGradient::kMaxRecords);
  writer.WriteU8(static_cast<uint8_t>((spreadMode & 0x03) << 6 | (interpolationMode & 0x03) << 4 | count));
  for (size_t i = 0; i < count; ++i) records[i]->Write(writer);
  return writer.GetByteCount() - before;
}

// --- Styles ----------------------------------------------------------------------------

MorphFillStyle::MorphFillStyle(const MorphFillStyle& other)
    : SwfRecord(other),
      fillType(other.fillType),
      startColour(CloneRgba(other.startColour)),
      endColour(CloneRgba(other.endColour)),
      gradient(other.gradient ? std::make_unique<MorphGradient>(*other.gradient) : nullptr),
      startMatrix(CloneMatrix(other.startMatrix)),
      endMatrix(CloneMatrix(other.endMatrix)),
      bitmapId(other.bitmapId) {}

size_t MorphFillStyle::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  startColour.reset();
  endColour.reset();
  gradient.reset();
  startMatrix.reset();
  endMatrix.reset();
  fillType = reader.ReadU8();
  if (fillType == kFillSolid) {
    startColour = std::make_unique<SwfRgba>();
    startColour->Read(reader);
    endColour = std::make_unique<SwfRgba>();
    endColour->Read(reader);
  } else if (IsGradientFill(fillType)) {
    startMatrix = ReadAlignedMatrix(reader);
    endMatrix = ReadAlignedMatrix(reader);
    gradient = std::make_unique<MorphGradient>();
    gradient->Read(reader);
    reader.ByteAlign();
  } else if (IsBitmapFill(fillType)) {
    bitmapId = reader.ReadU16();
    startMatrix = ReadAlignedMatrix(reader);
    endMatrix = ReadAlignedMatrix(reader);
  } else {
    reader.SetOverrun(true);
  }
  return reader.GetPosition() - before;
}

size_t MorphFillStyle::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(fillType);
  if (fillType == kFillSolid) {
    WriteRgbaOrBlack(writer, startColour);
    WriteRgbaOrBlack(writer, endColour);
  } else if (IsGradientFill(fillType)) {
    WriteMatrixOrIdentity(writer, startMatrix);
    WriteMatrixOrIdentity(writer, endMatrix);
    if (gradient) {
      gradient->Write(writer);
    } else {
      MorphGradient().Write(writer);
    }
    writer.Flush();
  } else if (IsBitmapFill(fillType)) {
    writer.WriteU16(bitmapId);
    WriteMatrixOrIdentity(writer, startMatrix);
    WriteMatrixOrIdentity(writer, endMatrix);
  }
  return writer.GetByteCount() - before;
}

size_t MorphLineStyle::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  startWidth = reader.ReadU16();
  endWidth = reader.ReadU16();
  startColour.Read(reader);
  endColour.Read(reader);
  return reader.GetPosition() - before;
}

size_t MorphLineStyle::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU16(startWidth);
  writer.WriteU16(endWidth);
  startColour.Write(writer);
  endColour.Write(writer);
  return writer.GetByteCount() - before;
}

size_t MorphFillStyleArray::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  styles.clear();
  const uint16_t count = ReadStyleCount(reader);
  for (uint16_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto style = std::make_unique<MorphFillStyle>();
    style->Read(reader);
    styles.push_back(std::move(style));
  }
  return reader.GetPosition() - before;
}

size_t MorphFillStyleArray::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(styles.size(), kMaxStyleCount);
  WriteStyleCount(writer, count);
  for (size_t i = 0; i < count; ++i) styles[i]->Write(writer);
  return writer.GetByteCount() - before;
}

size_t MorphLineStyleArray::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  styles.clear();
  const uint16_t count = ReadStyleCount(reader);
  for (uint16_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto style = std::make_unique<MorphLineStyle>();
    style->Read(reader);
    styles.push_back(std::move(style));
  }
  return reader.GetPosition() - before;
}

size_t MorphLineStyleArray::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const size_t count = std::min(styles.size(), kMaxStyleCount);
  WriteStyleCount(writer, count);
  for (size_t i = 0; i < count; ++i) styles[i]->Write(writer);
  return writer.GetByteCount() - before;
}

// --- DefineMorphShape ------------------------------------------------------------------

DefineMorphShapeTag::DefineMorphShapeTag()
    : fillStyles(std::make_unique<MorphFillStyleArray>()),
      lineStyles(std::make_unique<MorphLineStyleArray>()),
      startEdges(std::make_unique<Shape>(true)),
      endEdges(std::make_unique<Shape>(true)) {}

size_t DefineMorphShapeTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  startBounds = std::make_unique<SwfRect>();
  startBounds->Read(reader);
  reader.ByteAlign();
  endBounds = std::make_unique<SwfRect>();
  endBounds->Read(reader);
  reader.ByteAlign();
  offset = reader.ReadU32();
  const size_t afterOffset = reader.GetPosition();
  fillStyles = std::make_unique<MorphFillStyleArray>();
  fillStyles->Read(reader);
  lineStyles = std::make_unique<MorphLineStyleArray>();
  lineStyles->Read(reader);
  startEdges = std::make_unique<Shape>(true);
  startEdges->Read(reader);
  reader.ByteAlign();
  // Honour the offset only where it can point: after the start edges, inside the body.
  const uint64_t target = static_cast<uint64_t>(afterOffset) + offset;
  if (target > reader.GetPosition() && target <= reader.GetPosition() + reader.GetRemaining()) {
    reader.Seek(static_cast<size_t>(target));
  }
  endEdges = std::make_unique<Shape>(true);
  endEdges->Read(reader);
  return reader.GetPosition() - before;
}

size_t DefineMorphShapeTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  (startBounds ? *startBounds : SwfRect()).Write(body);
  body.Flush();
  (endBounds ? *endBounds : SwfRect()).Write(body);
  body.Flush();

  SwfBitWriter styled = MakeBodyWriter(writer);
  if (fillStyles) {
    fillStyles->Write(styled);
  } else {
    MorphFillStyleArray().Write(styled);
  }
  styled.Flush();
  if (lineStyles) {
    lineStyles->Write(styled);
  } else {
    MorphLineStyleArray().Write(styled);
  }
  styled.Flush();
  WriteShapeOrEmpty(styled, startEdges);

  body.WriteU32(static_cast<uint32_t>(styled.GetByteCount()));
  body.Append(styled);
  WriteShapeOrEmpty(body, endEdges);
  return WriteWithBody(writer, body, false);
}

void DefineMorphShapeTag::Relocate(int idDelta, int, int) {
  SetCharacterId(RelocateCharacterId(GetCharacterId(), idDelta));
  if (fillStyles) {
    for (auto& style : fillStyles->styles) {
      if (IsBitmapFill(style->fillType)) style->bitmapId = RelocateBitmapId(style->bitmapId, idDelta);
    }
  }
  if (startEdges) startEdges->RelocateBitmaps(idDelta);
  if (endEdges) endEdges->RelocateBitmaps(idDelta);
}

bool DefineMorphShapeTag::CanRelocate(int idDelta, int, int) const {
  if (!SwfU16Fits(GetCharacterId(), idDelta)) return false;
  if (fillStyles) {
    for (const auto& style : fillStyles->styles) {
      if (IsBitmapFill(style->fillType) && !BitmapIdFits(style->bitmapId, idDelta)) return false;
    }
  }
  if (startEdges && !startEdges->CanRelocateBitmaps(idDelta)) return false;
  return endEdges == nullptr || endEdges->CanRelocateBitmaps(idDelta);
}

// The bitmaps it fills with.
void DefineMorphShapeTag::CollectReferences(SwfTagReferences& refs) const {
  for (uint16_t bitmap : GetMorphShapeBitmapIds(*this)) refs.ids.push_back(bitmap);
}

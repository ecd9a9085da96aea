#include "swf/TextTags.h"

#include <algorithm>

#include "swf/SwfRelocation.h"
#include "swf/SwfString.h"

// --- TextStyleRecord ---------------------------------------------------------------------

TextStyleRecord::TextStyleRecord(uint8_t flags, bool rgbOnly)
    : TextRecordBase(static_cast<uint8_t>(flags | kRecordType), rgbOnly) {}

void TextStyleRecord::SetFontId(uint16_t id) {
  fontId = id;
  flags_ |= kHasFont;
}

void TextStyleRecord::SetTextHeight(uint16_t height) {
  textHeight = height;
  flags_ |= kHasFont;
}

void TextStyleRecord::SetColor(std::unique_ptr<SwfRgb> colour) {
  color = std::move(colour);
  flags_ |= kHasColor;
}

void TextStyleRecord::SetXOffset(int16_t offset) {
  xOffset = offset;
  flags_ |= kHasXOffset;
}

void TextStyleRecord::SetYOffset(int16_t offset) {
  yOffset = offset;
  flags_ |= kHasYOffset;
}

void TextStyleRecord::SetOffsets(int16_t x, int16_t y) {
  SetXOffset(x);
  SetYOffset(y);
}

void TextStyleRecord::Clear() { color.reset(); }

size_t TextStyleRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  fontId = (flags_ & kHasFont) ? reader.ReadU16() : 0;
  color.reset();
  if (flags_ & kHasColor) {
    color = rgbOnly_ ? std::make_unique<SwfRgb>() : std::make_unique<SwfRgba>();
    color->Read(reader);
  }
  xOffset = (flags_ & kHasXOffset) ? reader.ReadS16() : 0;
  yOffset = (flags_ & kHasYOffset) ? reader.ReadS16() : 0;
  textHeight = (flags_ & kHasFont) ? reader.ReadU16() : 0;
  return reader.GetPosition() - before;
}

size_t TextStyleRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const bool hasFont = (flags_ & kHasFont) != 0;
  const bool hasColor = (flags_ & kHasColor) != 0 && color != nullptr;
  const bool hasY = (flags_ & kHasYOffset) != 0 || yOffset != 0;
  const bool hasX = (flags_ & kHasXOffset) != 0 || xOffset != 0;
  writer.WriteBits(1, 1);
  writer.WriteBits((flags_ >> 4) & 0x07, 3);
  writer.WriteBits(hasFont, 1);
  writer.WriteBits(hasColor, 1);
  writer.WriteBits(hasY, 1);
  writer.WriteBits(hasX, 1);
  if (hasFont) writer.WriteU16(fontId);
  if (hasColor) color->Write(writer);
  if (hasX) writer.WriteS16(xOffset);
  if (hasY) writer.WriteS16(yOffset);
  if (hasFont) writer.WriteU16(textHeight);
  writer.Flush();
  return writer.GetByteCount() - before;
}

// --- TextGlyphRecord ---------------------------------------------------------------------

TextGlyphRecord::TextGlyphRecord(uint8_t countByte, bool rgbOnly) : TextRecordBase(countByte, rgbOnly) {}

void TextGlyphRecord::SetBitCounts(int glyphBitCount, int advanceBitCount) {
  glyphBits = static_cast<uint8_t>(std::clamp(glyphBitCount, 0, kMaxTextFieldBits));
  advanceBits = static_cast<uint8_t>(std::clamp(advanceBitCount, 0, kMaxTextFieldBits));
}

size_t TextGlyphRecord::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  entries.clear();
  if (glyphBits > kMaxTextFieldBits || advanceBits > kMaxTextFieldBits) {
    reader.SetOverrun(true);
    return 0;
  }
  for (int i = 0; i < flags_ && !reader.HasOverrun(); ++i) {
    GlyphEntry entry;
    entry.glyphIndex = reader.ReadUBits(glyphBits);
    entry.advance = reader.ReadSBits(advanceBits);
    entries.push_back(entry);
  }
  reader.ByteAlign();
  return reader.GetPosition() - before;
}

size_t TextGlyphRecord::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.Flush();
  size_t at = 0;
  do {
    const size_t count = std::min(entries.size() - at, kMaxGlyphsPerRecord);
    if (at != 0) writer.WriteU8(TextStyleRecord::kRecordType);
    writer.WriteU8(static_cast<uint8_t>(count));
    for (size_t i = at; i < at + count; ++i) {
      writer.WriteBits(entries[i].glyphIndex, glyphBits);
      writer.WriteSignedBits(entries[i].advance, advanceBits);
    }
    writer.Flush();
    at += count;
  } while (at < entries.size());
  return writer.GetByteCount() - before;
}

// --- DefineText and DefineText2 ----------------------------------------------------------

void DefineTextTag::Clear() {
  bounds.reset();
  matrix.reset();
  records.clear();
}

void DefineTextTag::Init(int characterId, std::unique_ptr<SwfRect> newBounds, std::unique_ptr<SwfMatrix> newMatrix,
                         int glyphBitCount, int advanceBitCount) {
  SetCharacterId(characterId);
  bounds = std::move(newBounds);
  matrix = std::move(newMatrix);
  SetGlyphBits(glyphBitCount);
  SetAdvanceBits(advanceBitCount);
}

void DefineTextTag::ComputeBitCounts() {
  uint32_t largestIndex = 0;
  uint32_t largestAdvance = 0;
  for (const auto& record : records) {
    if (record->GetRgbOnly() != RgbOnly()) record->SetRgbOnly(RgbOnly());
    if (auto* glyphs = dynamic_cast<TextGlyphRecord*>(record.get())) {
      for (const GlyphEntry& entry : glyphs->entries) {
        largestIndex = std::max(largestIndex, entry.glyphIndex);
        largestAdvance = std::max(largestAdvance, SwfMagnitude(entry.advance));
      }
    }
  }
  const int minGlyph = std::min<int>(minGlyphBits, kMaxTextFieldBits);
  const int minAdvance = std::min<int>(minAdvanceBits, kMaxTextFieldBits);
  glyphBits = static_cast<uint8_t>(std::max(CountBitsNeeded(largestIndex, false), minGlyph));
  advanceBits =
      static_cast<uint8_t>(std::min(std::max(CountBitsNeeded(largestAdvance, true), minAdvance), kMaxTextFieldBits));
  for (const auto& record : records) {
    if (auto* glyphs = dynamic_cast<TextGlyphRecord*>(record.get())) glyphs->SetBitCounts(glyphBits, advanceBits);
  }
}

size_t DefineTextTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  bounds = std::make_unique<SwfRect>();
  bounds->Read(reader);
  reader.ByteAlign();
  matrix = std::make_unique<SwfMatrix>();
  matrix->Read(reader);
  reader.ByteAlign();
  glyphBits = minGlyphBits = reader.ReadU8();
  advanceBits = minAdvanceBits = reader.ReadU8();
  if (glyphBits > kMaxTextFieldBits || advanceBits > kMaxTextFieldBits) {
    reader.SetOverrun(true);
    return reader.GetPosition() - before;
  }
  const bool rgbOnly = RgbOnly();
  auto readGlyphs = [&](uint8_t count) {
    auto glyphs = std::make_unique<TextGlyphRecord>(count, rgbOnly);
    glyphs->SetBitCounts(glyphBits, advanceBits);
    glyphs->Read(reader);
    records.push_back(std::move(glyphs));
  };
  while (!reader.HasOverrun() && reader.GetRemaining() != 0) {
    const uint8_t b = reader.ReadU8();
    if (b == 0) break;
    if ((b & TextStyleRecord::kRecordType) == 0) {
      readGlyphs(b);
      continue;
    }
    auto style = std::make_unique<TextStyleRecord>(b, rgbOnly);
    style->Read(reader);
    records.push_back(std::move(style));
    // A 0 here is a glyph count, unless it is the end of the records that closes the body.
    if (reader.PeekByte() != 0 || reader.GetRemaining() > 1) readGlyphs(reader.ReadU8());
  }
  return reader.GetPosition() - before;
}

size_t DefineTextTag::Write(SwfBitWriter& writer) {
  ComputeBitCounts();
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  SwfRect emptyBounds;
  (bounds ? *bounds : emptyBounds).Write(body);
  body.Flush();
  SwfMatrix identity;
  (matrix ? *matrix : identity).Write(body);
  body.Flush();
  body.WriteU8(glyphBits);
  body.WriteU8(advanceBits);
  for (const auto& record : records) record->Write(body);
  body.WriteU8(0);
  return WriteWithBody(writer, body, false);
}

void DefineTextTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
  for (const auto& record : records) {
    if (auto* style = dynamic_cast<TextStyleRecord*>(record.get()); style && style->fontId != 0) {
      style->SetFontId(RelocateCharacterId(style->fontId, idDelta));
    }
  }
}

// --- DefineEditText ----------------------------------------------------------------------

DefineEditTextTag::DefineEditTextTag() { SetDefaults(); }

void DefineEditTextTag::SetDefaults() {
  SetCharacterId(1);
  bounds.reset();
  fontHeight = 100;
  textColor.reset();
  maxLength = 0;
  alignment = kAlignLeft;
  leftMargin = rightMargin = indent = leading = 0;
  variableName.clear();
  initialText.clear();
  flags = 0;
}

void DefineEditTextTag::Clear() {
  bounds.reset();
  textColor.reset();
}

void DefineEditTextTag::Init(int characterId, std::unique_ptr<SwfRgba> colour, const WideString& name) {
  SetDefaults();
  SetCharacterId(characterId);
  textColor = std::move(colour);
  flags |= kHasTextColor;
  variableName = name;
}

size_t DefineEditTextTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  bounds = std::make_unique<SwfRect>();
  bounds->Read(reader);
  reader.ByteAlign();
  const uint8_t high = reader.ReadU8();
  const uint8_t low = reader.ReadU8();
  flags = static_cast<uint16_t>(high << 8 | low);
  if (flags & kHasFontClass) {
    reader.SetOverrun(true);
    return reader.GetPosition() - before;
  }
  if (flags & kHasFont) {
    fontId = reader.ReadU16();
    fontHeight = reader.ReadU16();
  }
  if (flags & kHasTextColor) {
    textColor = std::make_unique<SwfRgba>();
    textColor->Read(reader);
  }
  if (flags & kHasMaxLength) maxLength = reader.ReadU16();
  if (flags & kHasLayout) {
    alignment = reader.ReadU8();
    leftMargin = reader.ReadU16();
    rightMargin = reader.ReadU16();
    indent = reader.ReadU16();
    leading = reader.ReadU16();
  }
  reader.ReadString(variableName, 0, false);
  if (flags & kHasText) reader.ReadString(initialText, 0, false);
  return reader.GetPosition() - before;
}

size_t DefineEditTextTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  SwfRect emptyBounds;
  (bounds ? *bounds : emptyBounds).Write(body);
  body.Flush();
  uint16_t written = flags;
  if (!textColor) written &= static_cast<uint16_t>(~kHasTextColor);
  body.WriteBits(written, 16);
  if (written & kHasFont) {
    body.WriteU16(fontId);
    body.WriteU16(fontHeight);
  }
  if (written & kHasTextColor) textColor->Write(body);
  if (written & kHasMaxLength) body.WriteU16(maxLength);
  if (written & kHasLayout) {
    body.WriteU8(alignment);
    body.WriteU16(leftMargin);
    body.WriteU16(rightMargin);
    body.WriteU16(indent);
    body.WriteU16(leading);
  }
  body.WriteWideString(variableName);
  body.WriteU8(0);
  if (written & kHasText) {
    body.WriteWideString(initialText);
    body.WriteU8(0);
  }
  return WriteWithBody(writer, body, false);
}

void DefineEditTextTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
  if (fontId != 0) fontId = RelocateCharacterId(fontId, idDelta);
}

bool DefineTextTag::CanRelocate(int idDelta, int, int) const {
  if (!SwfU16Fits(characterId_, idDelta)) return false;
  for (const auto& record : records) {
    const auto* style = dynamic_cast<const TextStyleRecord*>(record.get());
    if (style && style->fontId != 0 && !SwfU16Fits(style->fontId, idDelta)) return false;
  }
  return true;
}

bool DefineEditTextTag::CanRelocate(int idDelta, int, int) const {
  return SwfU16Fits(characterId_, idDelta) && (fontId == 0 || SwfU16Fits(fontId, idDelta));
}

// The fonts of the style records.
void DefineTextTag::CollectReferences(SwfTagReferences& refs) const {
  for (const auto& record : records) {
    if (const auto* style = dynamic_cast<const TextStyleRecord*>(record.get())) refs.ids.push_back(style->fontId);
  }
}

void DefineEditTextTag::CollectReferences(SwfTagReferences& refs) const { refs.ids.push_back(fontId); }

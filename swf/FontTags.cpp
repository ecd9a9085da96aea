#include "swf/FontTags.h"

#include <algorithm>

#include "swf/SwfRelocation.h"
#include "swf/SwfString.h"

namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr size_t kMaxCount16 = 0xFFFF;

// The bytes of one glyph outline, flushed.
std::vector<uint8_t> GlyphBytes(Shape* shape, uint8_t version) {
  SwfBitWriter writer(version);
  if (shape != nullptr) {
    shape->Write(writer);
  } else {
    Shape empty;
    empty.Write(writer);
  }
  return writer.GetBytes();
}

// Reads a name of `length` bytes (none when 0).
WideString ReadName(SwfReader& reader, size_t length) {
  WideString text;
  if (length != 0) reader.ReadString(text, length, false);
  return text;
}

void WriteName(SwfBitWriter& writer, const WideString& name) {
  const std::string bytes = EncodeFontName(name, writer.GetVersion());
  writer.WriteU8(static_cast<uint8_t>(bytes.size()));
  writer.WriteString(bytes);
}

std::vector<uint16_t> CodesOf(const WideString& text) {
  std::vector<uint16_t> codes;
  codes.reserve(text.size());
  for (wchar_t c : text) codes.push_back(static_cast<uint16_t>(static_cast<uint32_t>(c) & 0xFFFF));
  return codes;
}

}  // namespace

std::string EncodeFontName(const WideString& name, uint8_t version) {
  std::string bytes = EncodeSwfString(name, version);
  if (bytes.size() <= kMaxNameBytes) return bytes;
  size_t cut = kMaxNameBytes;
  if (version >= kSwfFirstUtf8Version) {
    // Back up to the start of a character: continuation bytes are 10xxxxxx.
    while (cut > 0 && (static_cast<uint8_t>(bytes[cut]) & 0xC0) == 0x80) --cut;
  }
  bytes.resize(cut);
  return bytes;
}

// --- DefineFont ------------------------------------------------------------------------------

void DefineFontTag::Clear() {
  offsetTable.clear();
  glyphs.clear();
}

void DefineFontTag::SetGlyphs(std::vector<int32_t> offsets, std::vector<std::unique_ptr<Shape>> shapes, int characterId,
                              bool adjust) {
  if (adjust) {
    const int32_t tableSize = static_cast<int32_t>(offsets.size() * 2);
    for (int32_t& offset : offsets) offset += tableSize;
  }
  offsetTable = std::move(offsets);
  glyphs = std::move(shapes);
  SetCharacterId(characterId);
}

size_t DefineFontTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  if (reader.GetRemaining() == 0) return reader.GetPosition() - before;  // a font without glyphs
  const uint16_t first = reader.ReadU16();
  const size_t count = first / 2;
  if (count == 0 || !reader.CanHold(count - 1, 2)) {
    if (count != 0) reader.SetOverrun(true);
    return reader.GetPosition() - before;
  }
  offsetTable.push_back(first);
  for (size_t i = 1; i < count; ++i) offsetTable.push_back(reader.ReadU16());
  for (size_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    auto shape = std::make_unique<Shape>();
    shape->Read(reader);
    glyphs.push_back(std::move(shape));
  }
  return reader.GetPosition() - before;
}

size_t DefineFontTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  const size_t count = std::min(glyphs.size(), kMaxCount16 / 2);
  if (count != 0) {
    SwfBitWriter data(writer.GetVersion());
    const size_t first = count * 2;
    body.WriteU16(static_cast<uint16_t>(first));
    for (size_t i = 0; i < count; ++i) {
      const std::vector<uint8_t> bytes = GlyphBytes(glyphs[i].get(), writer.GetVersion());
      data.WriteBytes(bytes);
      if (i + 1 < count) body.WriteU16(static_cast<uint16_t>(first + data.GetByteCount()));
    }
    body.Append(data);
  }
  return WriteWithBody(writer, body, false);
}

void DefineFontTag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

// --- DefineFontInfo and DefineFontInfo2 ------------------------------------------------------

DefineFontInfoTag::DefineFontInfoTag() : name(L"Times New Roman") {}

DefineFontInfoTag::DefineFontInfoTag(uint16_t id, const WideString& fontName, const WideString& codeText,
                                     uint8_t fontFlags) {
  Init(id, fontName, codeText, fontFlags);
}

void DefineFontInfoTag::Init(uint16_t id, const WideString& fontName, const WideString& codeText, uint8_t fontFlags) {
  fontId = id;
  name = fontName;
  flags = fontFlags;
  languageCode = 0;
  codes.clear();
  if (!codeText.empty()) codes = CodesOf(codeText);
}

size_t DefineFontInfoTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  fontId = reader.ReadU16();
  name = ReadName(reader, reader.ReadU8());
  flags = reader.ReadU8();
  if (HasLanguage()) languageCode = reader.ReadU8();
  codes.clear();
  if (reader.HasOverrun()) return reader.GetPosition() - before;
  const bool wide = (flags & kWideCodes) != 0;
  const size_t count = wide ? reader.GetRemaining() / 2 : reader.GetRemaining();
  codes.reserve(count);
  for (size_t i = 0; i < count; ++i) codes.push_back(wide ? reader.ReadU16() : reader.ReadU8());
  return reader.GetPosition() - before;
}

size_t DefineFontInfoTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(fontId);
  WriteName(body, name);
  body.WriteU8(flags);
  if (HasLanguage()) body.WriteU8(languageCode);
  const bool wide = (flags & kWideCodes) != 0;
  for (uint16_t code : codes) {
    if (wide) {
      body.WriteU16(code);
    } else {
      body.WriteU8(static_cast<uint8_t>(code));
    }
  }
  return WriteWithBody(writer, body, false);
}

void DefineFontInfoTag::Relocate(int idDelta, int, int) { fontId = RelocateCharacterId(fontId, idDelta); }

// --- DefineFont2 -----------------------------------------------------------------------------

DefineFont2Tag::DefineFont2Tag() { SetDefaults(); }

DefineFont2Tag::DefineFont2Tag(const WideString& fontName, int characterId, uint8_t fontFlags) {
  Init(characterId, fontName, fontFlags);
}

void DefineFont2Tag::SetDefaults() {
  SetCharacterId(1);
  flags = kAnsi;
  languageCode = 0;
  ascent = descent = leading = 0;
}

void DefineFont2Tag::Clear() {
  name.clear();
  offsetTable.clear();
  codes.clear();
  glyphs.clear();
  advances.clear();
  bounds.clear();
  kerning.clear();
}

void DefineFont2Tag::Init(int characterId, const WideString& fontName, uint8_t fontFlags) {
  SetCharacterId(characterId);
  name = fontName;
  flags = fontFlags;
  languageCode = 0;
}

void DefineFont2Tag::AddGlyph(uint16_t code, std::unique_ptr<Shape> shape, int16_t advance,
                              std::unique_ptr<SwfRect> glyphBounds) {
  codes.push_back(code);
  glyphs.push_back(std::move(shape));
  advances.push_back(advance);
  bounds.push_back(std::move(glyphBounds));
}

void DefineFont2Tag::SetLayoutMetrics(int16_t fontAscent, int16_t fontDescent, int16_t fontLeading) {
  ascent = fontAscent;
  descent = fontDescent;
  leading = fontLeading;
  flags |= kHasLayout;
}

size_t DefineFont2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  flags = reader.ReadU8();
  languageCode = reader.ReadU8();
  name = ReadName(reader, reader.ReadU8());
  const uint16_t count = reader.ReadU16();
  const bool wideOffsets = (flags & kWideOffsets) != 0;
  const bool wideCodes = (flags & kWideCodes) != 0;
  const bool hasLayout = (flags & kHasLayout) != 0;
  const size_t offsetSize = wideOffsets ? 4 : 2;
  if (reader.HasOverrun()) return reader.GetPosition() - before;

  if (count == 0) {
    // Writers differ on whether a font without glyphs carries the code-table offset; it is
    // there when more bytes remain than the layout fields need.
    const size_t layoutSize = hasLayout ? 8 : 0;
    if (reader.GetRemaining() >= layoutSize + offsetSize) reader.Skip(offsetSize);
  } else {
    if (!reader.CanHold(static_cast<uint64_t>(count) + 1, offsetSize)) {
      reader.SetOverrun(true);
      return reader.GetPosition() - before;
    }
    offsetTable.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      offsetTable.push_back(wideOffsets ? static_cast<int32_t>(reader.ReadU32()) : reader.ReadU16());
    }
    if (wideOffsets) {
      reader.ReadU32();
    } else {
      reader.ReadU16();
    }
    for (size_t i = 0; i < count && !reader.HasOverrun(); ++i) {
      auto shape = std::make_unique<Shape>();
      shape->Read(reader);
      glyphs.push_back(std::move(shape));
    }
    if (!reader.CanHold(count, wideCodes ? 2 : 1)) {
      reader.SetOverrun(true);
      return reader.GetPosition() - before;
    }
    codes.reserve(count);
    for (size_t i = 0; i < count; ++i) codes.push_back(wideCodes ? reader.ReadU16() : reader.ReadU8());
  }

  if (hasLayout && !reader.HasOverrun()) {
    ascent = reader.ReadS16();
    descent = reader.ReadS16();
    leading = reader.ReadS16();
    if (!reader.CanHold(count, 2)) {
      reader.SetOverrun(true);
      return reader.GetPosition() - before;
    }
    advances.reserve(count);
    for (size_t i = 0; i < count; ++i) advances.push_back(reader.ReadS16());
    for (size_t i = 0; i < count && !reader.HasOverrun(); ++i) {
      auto rect = std::make_unique<SwfRect>();
      rect->Read(reader);
      reader.ByteAlign();
      bounds.push_back(std::move(rect));
    }
    const uint16_t kerningCount = reader.ReadU16();
    if (!reader.CanHold(kerningCount, wideCodes ? 6 : 4)) {
      reader.SetOverrun(true);
      return reader.GetPosition() - before;
    }
    kerning.resize(kerningCount);
    for (KerningRecord& record : kerning) {
      record.firstCode = wideCodes ? reader.ReadU16() : reader.ReadU8();
      record.secondCode = wideCodes ? reader.ReadU16() : reader.ReadU8();
      record.adjustment = reader.ReadS16();
    }
  }
  return reader.GetPosition() - before;
}

size_t DefineFont2Tag::Write(SwfBitWriter& writer) {
  const uint8_t version = writer.GetVersion();
  const size_t count = std::min(glyphs.size(), kMaxCount16);

  // Each glyph once, flushed; the offsets and the width of the offset table follow from them.
  std::vector<std::vector<uint8_t>> glyphData(count);
  uint64_t dataSize = 0;
  for (size_t i = 0; i < count; ++i) {
    glyphData[i] = GlyphBytes(glyphs[i].get(), version);
    dataSize += glyphData[i].size();
  }
  const bool wideOffsets = (count + 1) * 2 + dataSize > 0xFFFF;
  const size_t offsetSize = wideOffsets ? 4 : 2;

  uint8_t written = flags;
  if (version >= 6) written = static_cast<uint8_t>((written | kWideCodes) & ~(kShiftJis | kAnsi));
  written = static_cast<uint8_t>(wideOffsets ? written | kWideOffsets : written & ~kWideOffsets);
  const bool wideCodes = (written & kWideCodes) != 0;

  SwfBitWriter body = MakeBodyWriter(writer);
  body.Reserve(static_cast<size_t>(dataSize) + count * (offsetSize + 12) + 64);
  body.WriteU16(GetCharacterId());
  body.WriteU8(written);
  body.WriteU8(languageCode);
  WriteName(body, name);
  body.WriteU16(static_cast<uint16_t>(count));

  offsetTable.clear();
  uint64_t offset = (count + 1) * offsetSize;
  auto writeOffset = [&](uint64_t value) {
    if (wideOffsets) {
      body.WriteU32(static_cast<uint32_t>(value));
    } else {
      body.WriteU16(static_cast<uint16_t>(value));
    }
  };
  for (size_t i = 0; i < count; ++i) {
    offsetTable.push_back(static_cast<int32_t>(offset));
    writeOffset(offset);
    offset += glyphData[i].size();
  }
  writeOffset(offset);  // the code table's offset
  for (const std::vector<uint8_t>& bytes : glyphData) body.WriteBytes(bytes);

  for (size_t i = 0; i < count; ++i) {
    const uint16_t code = i < codes.size() ? codes[i] : 0;
    if (wideCodes) {
      body.WriteU16(code);
    } else {
      body.WriteU8(static_cast<uint8_t>(code));
    }
  }

  if (written & kHasLayout) {
    body.WriteS16(ascent);
    body.WriteS16(descent);
    body.WriteS16(leading);
    for (size_t i = 0; i < count; ++i) body.WriteS16(i < advances.size() ? advances[i] : 0);
    for (size_t i = 0; i < count; ++i) {
      SwfRect empty;
      (i < bounds.size() && bounds[i] ? *bounds[i] : empty).Write(body);
      body.Flush();
    }
    const size_t kerningCount = std::min(kerning.size(), kMaxCount16);
    body.WriteU16(static_cast<uint16_t>(kerningCount));
    for (size_t i = 0; i < kerningCount; ++i) {
      if (wideCodes) {
        body.WriteU16(kerning[i].firstCode);
        body.WriteU16(kerning[i].secondCode);
      } else {
        body.WriteU8(static_cast<uint8_t>(kerning[i].firstCode));
        body.WriteU8(static_cast<uint8_t>(kerning[i].secondCode));
      }
      body.WriteS16(kerning[i].adjustment);
    }
  }
  return WriteWithBody(writer, body, false);
}

void DefineFont2Tag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

bool DefineFontTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool DefineFontInfoTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(fontId, idDelta); }

bool DefineFont2Tag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

void DefineFontInfoTag::CollectReferences(SwfTagReferences& refs) const { refs.ids.push_back(fontId); }

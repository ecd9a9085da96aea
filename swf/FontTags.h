// The font tags: DefineFont, DefineFontInfo and DefineFontInfo2, and DefineFont2, the one the
// program builds itself from system fonts. Glyph outlines are shapes without style arrays
// (one fill-index bit, no line-index bits) at 1024 units per em.
//
// Font names are written as at most 255 bytes, the length byte counting the bytes written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "swf/Shape.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

// The bytes of a font name for a movie of the given version, cut to the 255 a length byte
// counts (never inside a UTF-8 sequence).
std::string EncodeFontName(const WideString& name, uint8_t version);

// DefineFont (10): glyph outlines only; DefineFontInfo gives their codes.
class DefineFontTag : public SwfCharacterTag {
 public:
  DefineFontTag() = default;
  DefineFontTag(const DefineFontTag&) = delete;
  DefineFontTag& operator=(const DefineFontTag&) = delete;

  // Empties the offset table and deletes the shapes.
  virtual void Clear();
  // Replaces the offset table (with `adjust`, twice the entry count is added to every entry,
  // turning glyph-data offsets into offsets from the table start) and the shapes; sets the id.
  virtual void SetGlyphs(std::vector<int32_t> offsets, std::vector<std::unique_ptr<Shape>> shapes, int characterId,
                         bool adjust);

  // UI16 id; a body without glyphs ends there. Otherwise UI16 first offset o, o / 2 offsets in
  // all, then o / 2 glyph shapes one after the other.
  size_t Read(SwfReader& reader) override;
  // UI16 id; with glyphs the offset table (the first offset twice the glyph count, the
  // others from the glyph sizes), then the glyphs.
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineFont; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::vector<int32_t> offsetTable;  // as read
  std::vector<std::unique_ptr<Shape>> glyphs;
};

// DefineFontInfo (13): name, style and character codes of a DefineFont.
class DefineFontInfoTag : public SwfTag {
 public:
  enum Flags : uint8_t {
    kSmallText = 0x20,
    kShiftJis = 0x10,
    kAnsi = 0x08,
    kItalic = 0x04,
    kBold = 0x02,
    kWideCodes = 0x01,
  };

  // Font id 1, name "Times New Roman", no codes, flags 0.
  DefineFontInfoTag();
  // The code table holds the characters of `codeText`, each as a 16-bit code.
  DefineFontInfoTag(uint16_t fontId, const WideString& name, const WideString& codeText, uint8_t flags);

  virtual void ClearName() { name.clear(); }
  virtual void Init(uint16_t fontId, const WideString& name, const WideString& codeText, uint8_t flags);

  // UI16 font id, UI8 n, n bytes of name, UI8 flags, (language), then the rest of the body as
  // codes: whole pairs with wide codes, else single bytes.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineFontInfo; }
  // Moves the font id it refers to.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t fontId = 1;
  WideString name;
  uint8_t flags = 0;
  uint8_t languageCode = 0;  // DefineFontInfo2 only
  std::vector<uint16_t> codes;

 protected:
  virtual bool HasLanguage() const { return false; }
};

class DefineFontInfo2Tag : public DefineFontInfoTag {
 public:
  DefineFontInfo2Tag() = default;
  DefineFontInfo2Tag(uint16_t fontId, const WideString& name, const WideString& codeText, uint8_t flags)
      : DefineFontInfoTag(fontId, name, codeText, flags) {}
  int TagCode() const override { return kSwfTagDefineFontInfo2; }

 protected:
  bool HasLanguage() const override { return true; }
};

struct KerningRecord {
  uint16_t firstCode = 0;
  uint16_t secondCode = 0;
  int16_t adjustment = 0;

  bool operator==(const KerningRecord& other) const = default;
};

// DefineFont2 (48): glyphs, codes and optional layout in one tag.
class DefineFont2Tag : public SwfCharacterTag {
 public:
  enum Flags : uint8_t {
    kHasLayout = 0x80,
    kShiftJis = 0x40,
    kSmallText = 0x20,
    kAnsi = 0x10,
    kWideOffsets = 0x08,
    kWideCodes = 0x04,
    kItalic = 0x02,
    kBold = 0x01,
  };

  // Empty tables, then SetDefaults.
  DefineFont2Tag();
  // Empty tables; language 0.
  DefineFont2Tag(const WideString& name, int characterId, uint8_t flags);
  DefineFont2Tag(const DefineFont2Tag&) = delete;
  DefineFont2Tag& operator=(const DefineFont2Tag&) = delete;

  // Id 1, flags ANSI, language 0, ascent, descent and leading 0.
  virtual void SetDefaults();
  void Reset() override { SetDefaults(); }
  // Deletes shapes, bounds and kerning records; empties the name and every table.
  virtual void Clear();
  void Init(int characterId, const WideString& name, uint8_t flags);

  // Appends one glyph to the code, shape, advance and bounds tables.
  void AddGlyph(uint16_t code, std::unique_ptr<Shape> shape, int16_t advance, std::unique_ptr<SwfRect> bounds);
  // Sets the layout metrics and the has-layout flag.
  void SetLayoutMetrics(int16_t ascent, int16_t descent, int16_t leading);
  size_t GetGlyphCount() const { return glyphs.size(); }

  size_t Read(SwfReader& reader) override;
  // From version 6 the flags written have wide codes and neither Shift-JIS nor ANSI; wide
  // offsets are used when the offset table and glyph data together pass 65535 bytes. The
  // stored flags do not change.
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineFont2; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint8_t flags = kAnsi;
  uint8_t languageCode = 0;
  WideString name;
  std::vector<int32_t> offsetTable;  // rebuilt by every write
  std::vector<uint16_t> codes;
  std::vector<std::unique_ptr<Shape>> glyphs;
  std::vector<int16_t> advances;
  std::vector<std::unique_ptr<SwfRect>> bounds;
  std::vector<KerningRecord> kerning;
  int16_t ascent = 0;
  int16_t descent = 0;
  int16_t leading = 0;
};

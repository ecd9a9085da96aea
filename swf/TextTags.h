// The text tags: DefineText and DefineText2 with their text records, and DefineEditText.
//
// A TEXTRECORD of the file is held as two records: a style record (font, colour, offsets,
// height) and the glyph record that follows it (glyph index and advance pairs). Glyph indices
// refer to the glyph order of a font tag; advances and offsets are twips.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

// The widest glyph-index and advance fields a reader accepts and a writer produces.
inline constexpr int kMaxTextFieldBits = 32;
// The most glyphs one record's count byte holds; longer runs are written as several records.
inline constexpr size_t kMaxGlyphsPerRecord = 255;

// The style part of a TEXTRECORD.
class TextStyleRecord : public TextRecordBase {
 public:
  enum Flags : uint8_t {
    kRecordType = 0x80,
    kHasFont = 0x08,
    kHasColor = 0x04,
    kHasYOffset = 0x02,
    kHasXOffset = 0x01,
  };

  // Font id 0, no colour, offsets and height 0. The record-type bit is always kept.
  explicit TextStyleRecord(uint8_t flags = kRecordType, bool rgbOnly = false);

  void SetFontId(uint16_t id);
  void SetTextHeight(uint16_t height);
  void SetColor(std::unique_ptr<SwfRgb> colour);
  void SetXOffset(int16_t offset);
  void SetYOffset(int16_t offset);
  void SetOffsets(int16_t x, int16_t y);
  uint8_t GetFlags() const { return flags_; }
  void SetFlags(uint8_t flags) { flags_ = static_cast<uint8_t>(flags | kRecordType); }

  // The fields after the flag byte (which the text tag has read): font id, colour (RGB when
  // RGB only, else RGBA), x offset, y offset and height, each only with its flag.
  size_t Read(SwfReader& reader) override;
  // The flag byte (an offset that is not 0 sets its flag; a colour flag without a colour is
  // written clear), then the fields.
  size_t Write(SwfBitWriter& writer) override;
  void Clear() override;

  uint16_t fontId = 0;
  std::unique_ptr<SwfRgb> color;
  int16_t xOffset = 0;
  int16_t yOffset = 0;
  uint16_t textHeight = 0;
};

struct GlyphEntry {
  uint32_t glyphIndex = 0;
  int32_t advance = 0;  // twips

  bool operator==(const GlyphEntry& other) const = default;
};

// The glyph part of a TEXTRECORD.
class TextGlyphRecord : public TextRecordBase {
 public:
  // `countByte` is the glyph count as read; 0 for records built in memory.
  explicit TextGlyphRecord(uint8_t countByte = 0, bool rgbOnly = false);

  void SetBitCounts(int glyphBits, int advanceBits);
  uint8_t GetCountByte() const { return flags_; }

  // The count-byte's entries, each UB[glyph bits] index and SB[advance bits] advance.
  size_t Read(SwfReader& reader) override;
  // UI8 count, the entries, a flush. More than 255 entries are written as several records,
  // each further one behind a style record without fields.
  size_t Write(SwfBitWriter& writer) override;
  void Clear() override { entries.clear(); }

  std::vector<GlyphEntry> entries;
  uint8_t glyphBits = 0;
  uint8_t advanceBits = 0;
};

// DefineText (11); DefineText2 (33) has RGBA colours.
class DefineTextTag : public SwfCharacterTag {
 public:
  DefineTextTag() = default;
  DefineTextTag(const DefineTextTag&) = delete;
  DefineTextTag& operator=(const DefineTextTag&) = delete;

  // Deletes bounds, matrix and records.
  virtual void Clear();
  // Sets the id, bounds, matrix and widths; the minimum widths stay, so a write recomputes
  // both widths from the records.
  virtual void Init(int characterId, std::unique_ptr<SwfRect> bounds, std::unique_ptr<SwfMatrix> matrix, int glyphBits,
                    int advanceBits);
  void SetGlyphBits(int bits) { glyphBits = static_cast<uint8_t>(bits); }
  void SetAdvanceBits(int bits) { advanceBits = static_cast<uint8_t>(bits); }
  void AddRecord(std::unique_ptr<TextRecordBase> record) { records.push_back(std::move(record)); }

  // The widths from the glyph records: the glyph bits hold the largest index, the advance
  // bits the largest advance magnitude as a signed field (at least 1); neither is below its
  // minimum, nor above 32. Both are handed to every glyph record.
  void ComputeBitCounts();

  // A glyph or advance width above 32 is a format error. After a style record, the next byte
  // is its glyph count unless it is the body's last byte (the end of the records), so a
  // record without glyphs in mid-text keeps the records after it.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineText; }
  // The id, and the font id of every style record that has one (setting its has-font flag).
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::unique_ptr<SwfRect> bounds;
  std::unique_ptr<SwfMatrix> matrix;
  uint8_t glyphBits = 0;
  uint8_t advanceBits = 0;
  std::vector<std::unique_ptr<TextRecordBase>> records;
  uint8_t minGlyphBits = 0;  // the widths read, for a tag that was read
  uint8_t minAdvanceBits = 0;

 protected:
  bool RgbOnly() const { return TagCode() == kSwfTagDefineText; }
};

class DefineText2Tag : public DefineTextTag {
 public:
  int TagCode() const override { return kSwfTagDefineText2; }
};

// DefineEditText (37): a text field.
class DefineEditTextTag : public SwfCharacterTag {
 public:
  enum Flags : uint16_t {
    kHasText = 0x8000,
    kWordWrap = 0x4000,
    kMultiline = 0x2000,
    kPassword = 0x1000,
    kReadOnly = 0x0800,
    kHasTextColor = 0x0400,
    kHasMaxLength = 0x0200,
    kHasFont = 0x0100,
    kHasFontClass = 0x0080,
    kAutoSize = 0x0040,
    kHasLayout = 0x0020,
    kNoSelect = 0x0010,
    kBorder = 0x0008,
    kWasStatic = 0x0004,
    kHtml = 0x0002,
    kUseOutlines = 0x0001,
  };
  enum Alignment : uint8_t { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2, kAlignJustify = 3 };

  DefineEditTextTag();
  DefineEditTextTag(const DefineEditTextTag&) = delete;
  DefineEditTextTag& operator=(const DefineEditTextTag&) = delete;

  // Id 1, no bounds, height 100, no colour, max length, alignment, margins, indent and
  // leading 0, empty texts, flags 0; the font id is left as it is.
  virtual void SetDefaults();
  void Reset() override { SetDefaults(); }
  // Deletes bounds and colour.
  virtual void Clear();
  // SetDefaults, then the id, the colour (with its flag) and the variable name.
  virtual void Init(int characterId, std::unique_ptr<SwfRgba> colour, const WideString& name);

  void SetUseOutlines(bool on) { SetFlag(kUseOutlines, on); }
  void SetNoSelect(bool on) { SetFlag(kNoSelect, on); }
  void SetReadOnly(bool on) { SetFlag(kReadOnly, on); }
  void SetFlag(uint16_t flag, bool on) { flags = static_cast<uint16_t>(on ? flags | flag : flags & ~flag); }

  // The flags are kept as read: a field with a font but no layout is written back without a
  // layout block (a field the program builds sets has-layout with its font height). A font
  // class name (SWF 9 and later) is not modelled: such a tag is a format error.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineEditText; }
  // The id, and the font id when it is not 0.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::unique_ptr<SwfRect> bounds;
  uint16_t flags = 0;
  uint16_t fontId = 0;
  uint16_t fontHeight = 100;  // twips
  std::unique_ptr<SwfRgba> textColor;
  uint16_t maxLength = 0;
  uint8_t alignment = kAlignLeft;
  uint16_t leftMargin = 0;
  uint16_t rightMargin = 0;
  uint16_t indent = 0;
  uint16_t leading = 0;
  WideString variableName;
  WideString initialText;
};

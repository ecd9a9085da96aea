// The fonts a movie embeds: each font its texts use, with the characters it must show, built
// into one DefineFont2 per family and style and written into the movie when a text first needs
// it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/PlatformFont.h"
#include "platform/WideString.h"
#include "swf/FontTags.h"

class SwfFileWriter;

// A font as a movie uses it: the system font and the colour its glyphs are drawn in.
class FontSpec : public PlatformFont {
 public:
  // 32 points, white.
  FontSpec() { SetSize(32); }
  uint32_t GetColor() const { return color_; }  // 0x00BBGGRR
  void SetColor(uint32_t color) { color_ = color; }

  // Same family and style; the colours when `compareColor`, the sizes when `compareSize`.
  bool Matches(const FontSpec& other, bool compareSize, bool compareColor) const;

 private:
  uint32_t color_ = 0xFFFFFF;
};

// The characters sorted by code without repeats.
WideString SortUniqueCharacters(const WideString& text);

class FontCollection {
 public:
  struct Entry {
    FontSpec spec;
    WideString characters;                      // sorted and unique after CreateFontTags
    uint16_t fontId = 0;                        // the character id of its DefineFont2; 0 until assigned
    std::map<int32_t, uint16_t> sampleSprites;  // point size to sprite id
    bool merged = false;
  };

  FontCollection() = default;
  FontCollection(const FontCollection&) = delete;
  FontCollection& operator=(const FontCollection&) = delete;

  // Adds the characters to the entry that matches the font (colour always compared, size
  // unless `ignoreSize`), or a new entry. `ignoreSize` is kept for every later lookup.
  bool AddFont(const FontSpec& spec, const WideString* characters, bool ignoreSize);
  // Deletes the entries (what was written and the built tags stay).
  void Clear();
  // Every entry counts as not written.
  void ResetEmitted();
  void SetUniqueNames(bool on) { uniqueNames_ = on; }

  // The first entry that matches (colour compared, size unless sizes are ignored); null if none.
  Entry* FindFont(const FontSpec& spec);
  // The first entry with the same name, ignoring case, and the same style bits; null if none.
  Entry* FindFontByName(const PlatformFont& font);
  // The position of the character among the entry's characters (its glyph index in the
  // entry's DefineFont2); -1 when there is no such entry or character.
  int32_t GetGlyphIndex(char32_t c, const PlatformFont& font);

  // Builds one DefineFont2 for each family and style (colours and sizes never split a font),
  // with the merged, sorted characters of its entries (characters above U+FFFF left out), and
  // gives it the next character id from `nextId`. False, with GetError saying why, when a
  // font is not installed or the character ids would pass 65535; the fonts that could be
  // built are kept.
  bool CreateFontTags(SwfFileWriter& writer, uint16_t& nextId);
  // The font id of the entry for the font, writing its DefineFont2 first the first time; 0
  // (and nothing written) when no entry matches.
  uint16_t WriteFontTag(const FontSpec& spec, SwfFileWriter& writer);
  // A one-frame sprite holding a centred edit text of "W" in the font at its size, written
  // once per font and size (after the font tag); its id, or 0 when no entry matches or the
  // character ids would pass 65535.
  uint16_t GetFontSampleSprite(const FontSpec& spec, SwfFileWriter& writer, uint16_t& nextId);

  const WideString& GetError() const { return error_; }
  const std::vector<std::unique_ptr<Entry>>& GetEntries() const { return entries_; }
  // The built tags not yet written.
  const std::vector<std::unique_ptr<DefineFont2Tag>>& GetFontTags() const { return fontTags_; }

 private:
  void WriteEntryTag(Entry& entry, SwfFileWriter& writer);

  std::vector<std::unique_ptr<Entry>> entries_;
  std::map<const Entry*, bool> written_;
  std::vector<std::unique_ptr<DefineFont2Tag>> fontTags_;
  bool ignoreSize_ = false;
  bool uniqueNames_ = false;
  WideString error_;
};

#include "media/FontCollection.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "media/GlyphOutline.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "swf/TextTags.h"

bool FontSpec::Matches(const FontSpec& other, bool compareSize, bool compareColor) const {
  if (!SameFamilyAndStyle(other)) return false;
  if (compareColor && color_ != other.color_) return false;
  if (compareSize && GetSize() != other.GetSize()) return false;
  return true;
}

WideString SortUniqueCharacters(const WideString& text) {
  WideString sorted = text;
  std::sort(sorted.begin(), sorted.end(),
            [](wchar_t a, wchar_t b) { return static_cast<uint32_t>(a) < static_cast<uint32_t>(b); });
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  return sorted;
}

namespace {

// Names compared ignoring case, character by character, for every character code.
bool SameNameIgnoringCase(const WideString& a, const WideString& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

// Takes the next character id; false when the 16-bit counter would wrap to 0.
bool NextId(uint16_t& nextId, uint16_t& id) {
  if (nextId == 0xFFFF) return false;
  id = ++nextId;
  return true;
}

}  // namespace

bool FontCollection::AddFont(const FontSpec& spec, const WideString* characters, bool ignoreSize) {
  ignoreSize_ = ignoreSize;
  for (auto& entry : entries_) {
    if (spec.Matches(entry->spec, !ignoreSize, true)) {
      if (characters != nullptr) entry->characters += *characters;
      return true;
    }
  }
  auto entry = std::make_unique<Entry>();
  static_cast<PlatformFont&>(entry->spec) = spec;
  entry->spec.SetColor(spec.GetColor());
  if (characters != nullptr) entry->characters = *characters;
  entries_.push_back(std::move(entry));
  return true;
}

void FontCollection::Clear() { entries_.clear(); }

void FontCollection::ResetEmitted() {
  written_.clear();
  for (const auto& entry : entries_) written_[entry.get()] = false;
}

FontCollection::Entry* FontCollection::FindFont(const FontSpec& spec) {
  for (auto& entry : entries_) {
    if (spec.Matches(entry->spec, !ignoreSize_, true)) return entry.get();
  }
  return nullptr;
}

FontCollection::Entry* FontCollection::FindFontByName(const PlatformFont& font) {
  for (auto& entry : entries_) {
    if (SameNameIgnoringCase(entry->spec.GetName(), font.GetName()) &&
        entry->spec.GetStyleBits() == font.GetStyleBits()) {
      return entry.get();
    }
  }
  return nullptr;
}

int32_t FontCollection::GetGlyphIndex(char32_t c, const PlatformFont& font) {
  const Entry* entry = FindFontByName(font);
  if (entry == nullptr) return -1;
  const size_t at = entry->characters.find(static_cast<wchar_t>(c));
  return at == WideString::npos ? -1 : static_cast<int32_t>(at);
}

bool FontCollection::CreateFontTags(SwfFileWriter& /*writer*/, uint16_t& nextId) {
  fontTags_.clear();
  error_.clear();
  for (auto& entry : entries_) entry->merged = false;
  bool ok = true;
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& e = *entries_[i];
    if (e.merged) continue;
    WideString chars = e.characters;
    std::vector<Entry*> group;
    for (size_t j = i + 1; j < entries_.size(); ++j) {
      Entry& f = *entries_[j];
      if (f.merged || !e.spec.Matches(f.spec, false, false)) continue;
      chars += f.characters;
      f.merged = true;
      group.push_back(&f);
    }
    // Codes are 16 bits: characters above U+FFFF get no glyph, and the glyph indices stay
    // positions in this text.
    chars.erase(std::remove_if(chars.begin(), chars.end(), [](wchar_t c) { return static_cast<uint32_t>(c) > 0xFFFF; }),
                chars.end());
    chars = SortUniqueCharacters(chars);
    uint16_t id = 0;
    if (!NextId(nextId, id)) {
      if (ok) error_ = L"the movie would need more than 65535 character ids";
      return false;
    }
    e.fontId = id;
    e.characters = chars;
    for (Entry* member : group) {
      member->fontId = id;
      member->characters = chars;
    }
    e.merged = true;
    WideString why;
    auto tag = GlyphShapeBuilder::MakeDefineFont2(e.spec, chars, id, uniqueNames_, &why);
    if (!tag) {
      if (ok) error_ = why;
      ok = false;
      continue;
    }
    fontTags_.push_back(std::move(tag));
  }
  return ok;
}

void FontCollection::WriteEntryTag(Entry& entry, SwfFileWriter& writer) {
  if (written_[&entry]) return;
  auto it = std::find_if(fontTags_.begin(), fontTags_.end(), [&](const std::unique_ptr<DefineFont2Tag>& tag) {
    return tag->GetCharacterId() == entry.fontId;
  });
  if (it != fontTags_.end()) {
    std::unique_ptr<DefineFont2Tag> tag = std::move(*it);
    fontTags_.erase(it);
    writer.AddTag(std::move(tag));
  }
  written_[&entry] = true;
}

uint16_t FontCollection::WriteFontTag(const FontSpec& spec, SwfFileWriter& writer) {
  Entry* entry = FindFont(spec);
  if (entry == nullptr) return 0;
  WriteEntryTag(*entry, writer);
  return entry->fontId;
}

uint16_t FontCollection::GetFontSampleSprite(const FontSpec& spec, SwfFileWriter& writer, uint16_t& nextId) {
  Entry* entry = FindFont(spec);
  if (entry == nullptr) return 0;
  WriteEntryTag(*entry, writer);
  const int32_t size = spec.GetSize();
  if (auto it = entry->sampleSprites.find(size); it != entry->sampleSprites.end()) return it->second;

  uint16_t textId = 0;
  uint16_t spriteId = 0;
  if (nextId > 0xFFFD || !NextId(nextId, textId) || !NextId(nextId, spriteId)) return 0;
  const int32_t h = std::clamp(size * 20, 0, 0xFFFF);
  const double w = h > 0 ? std::trunc(spec.GetCharAdvanceEm(U'W') / (1024.0 / h)) : 0.0;
  const int32_t halfWidth = static_cast<int32_t>(w);

  const uint32_t color = spec.GetColor();
  auto text = std::make_unique<DefineEditTextTag>();
  text->Init(textId,
             std::make_unique<SwfRgba>(static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                                       static_cast<uint8_t>(color >> 16), 255),
             L"dummyletter");
  text->fontId = entry->fontId;
  text->fontHeight = static_cast<uint16_t>(h);
  text->alignment = DefineEditTextTag::kAlignCenter;
  text->bounds = std::make_unique<SwfRect>(-2 * halfWidth, -h, 2 * halfWidth, h);
  text->initialText = L"W";
  text->flags |= DefineEditTextTag::kHasFont | DefineEditTextTag::kHasLayout | DefineEditTextTag::kUseOutlines |
                 DefineEditTextTag::kNoSelect | DefineEditTextTag::kReadOnly | DefineEditTextTag::kHasText |
                 DefineEditTextTag::kHasTextColor;
  writer.AddTag(std::move(text));

  auto sprite = std::make_unique<DefineSpriteTag>(spriteId);
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(textId);
  place->depth = 1;
  place->SetMatrix(std::make_unique<SwfMatrix>());
  sprite->AddTag(std::move(place));
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(sprite));

  entry->sampleSprites[size] = spriteId;
  return spriteId;
}

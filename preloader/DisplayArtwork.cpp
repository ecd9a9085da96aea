#include "preloader/DisplayArtwork.h"

#include <algorithm>
#include <cctype>

#include "swf/CharacterDependencies.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfFileWriter.h"

bool DisplayArtwork::Load(const WideString& path, std::string& why, const WideString& instance) {
  sprite_ = nullptr;
  tags_.clear();
  added_.clear();
  maxPlaced_ = 0;
  ResetCharacterIdRange();
  if (path.empty() || !reader_.LoadFileWithOptions(path, true, 0, true)) {
    why = "the library movie " + WideToUtf8(path) + " cannot be read as a SWF movie";
    return false;
  }
  maxPlaced_ = GetMaxCharacterIdRead();
  const SwfTagList& tags = reader_.GetTags();
  const std::string name = WideToUtf8(instance);
  PlaceObject2Tag* placement = FindPlaceObject2ByName(instance, tags);
  if (placement == nullptr) {
    why = "the library movie " + WideToUtf8(path) + " has no instance named \"" + name + "\"";
    return false;
  }
  sprite_ = FindSprite(*placement);
  if (sprite_ == nullptr) {
    why = "the instance \"" + name + "\" of the library movie " + WideToUtf8(path) + " places no sprite";
    return false;
  }
  SpriteDependencyCollector collector;
  if (!collector.Collect(sprite_, tags) || !collector.UnresolvedIds().empty()) {
    why = "the artwork of the library movie " + WideToUtf8(path) + " uses characters the movie does not define";
    sprite_ = nullptr;
    return false;
  }
  collector.AppendTagsTo(tags_, true);
  return true;
}

PlaceObject2Tag* DisplayArtwork::FindPlacement(const WideString& name) {
  return FindPlaceObject2ByName(name, reader_.GetTags());
}

PlaceObject2Tag* DisplayArtwork::FindChildPlacement(const DefineSpriteTag& sprite, const WideString& name) {
  for (const auto& child : sprite.Children()) {
    if (child->TagCode() != kSwfTagPlaceObject2) continue;
    auto* place = static_cast<PlaceObject2Tag*>(child.get());
    if (place->hasName && place->name == name) return place;
  }
  return nullptr;
}

DefineSpriteTag* DisplayArtwork::FindSprite(const PlaceObject2Tag& placement) {
  if (!placement.hasCharacter) return nullptr;
  SwfTag* tag = FindTagByCharacterId(placement.characterId, reader_.GetTags());
  if (tag == nullptr || tag->TagCode() != kSwfTagDefineSprite) return nullptr;
  return static_cast<DefineSpriteTag*>(tag);
}

void DisplayArtwork::Recolor(const WideString& name, uint32_t color) {
  PlaceObject2Tag* place = FindPlacement(name);
  if (place == nullptr) return;
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetMultiplyColor(color);
  place->SetColorTransform(std::move(transform));
}

uint16_t DisplayArtwork::AddDefinition(std::unique_ptr<SwfCharacterTag> tag) {
  int last = std::max<int>(maxPlaced_, GetLargestCharacterIdPresent(reader_.GetTags()));
  for (const auto& t : added_) {
    uint16_t id = 0;
    if (GetDefinedCharacterId(*t, id)) last = std::max<int>(last, id);
  }
  if (tag == nullptr || last >= 0xFFFF) return 0;
  const auto id = static_cast<uint16_t>(last + 1);
  tag->SetCharacterId(id);
  // Before the artwork's own tags, after the definitions added earlier.
  tags_.insert(tags_.begin() + static_cast<std::ptrdiff_t>(added_.size()), tag.get());
  added_.push_back(std::move(tag));
  return id;
}

std::unique_ptr<SwfTag> DisplayArtwork::TakeChild(DefineSpriteTag& sprite, const SwfTag* child) {
  bool held = false;
  for (const auto& c : sprite.Children()) held = held || c.get() == child;
  if (!held) return nullptr;
  std::vector<std::unique_ptr<SwfTag>> children = sprite.TakeTags();
  sprite.ClearTags();
  std::unique_ptr<SwfTag> taken;
  for (auto& c : children) {
    if (c.get() == child) {
      taken = std::move(c);
      continue;
    }
    sprite.AddTag(std::move(c));
  }
  return taken;
}

bool DisplayArtwork::ScriptsName(const std::string& variable) {
  // The name as a string of a Push or a constant pool: after a type byte, a string's end or
  // a dot, and followed by its end.
  const std::string needle = variable + std::string(1, '\0');
  for (SwfTag* tag : tags_) {
    const int code = tag->TagCode();
    if (code != kSwfTagDefineSprite && code != 12 && code != 59 && code != 7 && code != 34) continue;
    SwfBitWriter bytes(6);
    tag->Write(bytes);
    const std::vector<uint8_t>& b = bytes.GetBytes();
    const std::string text(b.begin(), b.end());
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
      const char before = at == 0 ? '\0' : text[at - 1];
      if (!std::isalnum(static_cast<unsigned char>(before)) && before != '_' && before != '$') return true;
    }
  }
  return false;
}

uint16_t DisplayArtwork::Write(SwfFileWriter& writer, uint16_t& lastId, std::string& why) {
  if (sprite_ == nullptr) {
    why = "no artwork has been read";
    return 0;
  }
  const int delta = lastId + 1;
  std::string reason;
  if (!CanRelocateTagList(tags_, delta, 0, 0, &reason)) {
    why = "the artwork of the display cannot be given ids of its own: " + reason;
    return 0;
  }
  RelocateTagList(tags_, delta, 0, 0);
  for (SwfTag* tag : tags_) writer.AddTag(tag, true);
  // Ids handed out later lie past the largest id the library movie places and past every id
  // the artwork brought, placed or not.
  const int advanced = std::min<int>(0xFFFF, lastId + maxPlaced_ + 1);
  lastId = static_cast<uint16_t>(std::max<int>(advanced, GetLargestCharacterIdPresent(tags_)));
  return sprite_->GetCharacterId();
}

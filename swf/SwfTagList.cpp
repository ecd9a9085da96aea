#include "swf/SwfTagList.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "swf/AssetTags.h"
#include "swf/ButtonTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/FontTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/Shape.h"
#include "swf/ShapeStyles.h"
#include "swf/SoundTags.h"
#include "swf/SwfTagFactory.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"

namespace {

const SwfTag& Deref(const std::unique_ptr<SwfTag>& tag) { return *tag; }
const SwfTag& Deref(SwfTag* tag) { return *tag; }

// What relocation would have to move in a tag the model keeps as bytes.
struct Moves {
  bool ids = false;
  bool depths = false;
  bool frames = false;
};

// Tags of SWF 8 and later that the model does not read although they name characters, depths
// or frames. Codes not listed carry nothing a player relates to other tags (metadata, file
// attributes, script limits, telemetry, the authoring tools' own tags), or are unknown to
// players, which pass over them.
struct OpaqueCode {
  int code;
  const char* name;
  Moves moves;
};

constexpr OpaqueCode kOpaqueCodes[] = {
    {66, "SetTabIndex", {false, true, false}},
    {70, "PlaceObject3", {true, true, false}},
    {71, "ImportAssets2", {true, false, false}},
    {72, "DoABC", {true, true, true}},  // ActionScript 3 code reaches all three
    {73, "DefineFontAlignZones", {true, false, false}},
    {74, "CSMTextSettings", {true, false, false}},
    {75, "DefineFont3", {true, false, false}},
    {76, "SymbolClass", {true, false, false}},
    {78, "DefineScalingGrid", {true, false, false}},
    {82, "DoABC", {true, true, true}},
    {83, "DefineShape4", {true, false, false}},
    {84, "DefineMorphShape2", {true, false, false}},
    {86, "DefineSceneAndFrameLabelData", {false, false, true}},
    {87, "DefineBinaryData", {true, false, false}},
    {88, "DefineFontName", {true, false, false}},
    {90, "DefineBitsJPEG4", {true, false, false}},
    {91, "DefineFont4", {true, false, false}},
    {94, "PlaceObject4", {true, true, false}},
};

const OpaqueCode* FindOpaqueCode(int code) {
  for (const OpaqueCode& entry : kOpaqueCodes) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

// Definitions the model does not know, whose body starts with the id they define.
bool IsOpaqueDefinitionCode(int code) {
  switch (code) {
    case 75:  // DefineFont3
    case 83:  // DefineShape4
    case 84:  // DefineMorphShape2
    case 87:  // DefineBinaryData
    case 90:  // DefineBitsJPEG4
    case 91:  // DefineFont4
      return true;
    default:
      return false;
  }
}

// What the model's own class for a code moves at the top level of a list.
Moves KnownCodeMoves(int code) {
  Moves moves;
  moves.ids = IsCharacterDefinitionCode(code);
  switch (code) {
    case 7: case 34:  // buttons: records at depths, actions with frames
      moves.depths = true;
      moves.frames = true;
      break;
    case 3: case 13: case 15: case 17: case 23: case 56: case 57: case 59: case 61: case 62:
      moves.ids = true;
      break;
    case 4: case 5: case 26:
      moves.ids = true;
      moves.depths = true;
      break;
    case 28:
      moves.depths = true;
      break;
    case 12:
      moves.frames = true;
      break;
    default:
      break;
  }
  return moves;
}

const char* KnownTagName(int code) {
  switch (code) {
    case 0: return "End";
    case 1: return "ShowFrame";
    case 2: return "DefineShape";
    case 3: return "FreeCharacter";
    case 4: return "PlaceObject";
    case 5: return "RemoveObject";
    case 6: return "DefineBits";
    case 7: return "DefineButton";
    case 8: return "JPEGTables";
    case 9: return "SetBackgroundColor";
    case 10: return "DefineFont";
    case 11: return "DefineText";
    case 12: return "DoAction";
    case 13: return "DefineFontInfo";
    case 14: return "DefineSound";
    case 15: return "StartSound";
    case 17: return "DefineButtonSound";
    case 18: return "SoundStreamHead";
    case 19: return "SoundStreamBlock";
    case 20: return "DefineBitsLossless";
    case 21: return "DefineBitsJPEG2";
    case 22: return "DefineShape2";
    case 23: return "DefineButtonCxform";
    case 24: return "Protect";
    case 26: return "PlaceObject2";
    case 28: return "RemoveObject2";
    case 32: return "DefineShape3";
    case 33: return "DefineText2";
    case 34: return "DefineButton2";
    case 35: return "DefineBitsJPEG3";
    case 36: return "DefineBitsLossless2";
    case 37: return "DefineEditText";
    case 39: return "DefineSprite";
    case 43: return "FrameLabel";
    case 45: return "SoundStreamHead2";
    case 46: return "DefineMorphShape";
    case 48: return "DefineFont2";
    case 56: return "ExportAssets";
    case 57: return "ImportAssets";
    case 58: return "EnableDebugger";
    case 59: return "DoInitAction";
    case 60: return "DefineVideoStream";
    case 61: return "VideoFrame";
    case 62: return "DefineFontInfo2";
    case 64: return "EnableDebugger2";
    default: return "A tag";
  }
}

std::string WhatMoves(const Moves& moves, int idDelta, int depthDelta, int frameDelta) {
  std::vector<std::string> parts;
  if (moves.ids && idDelta != 0) parts.push_back("character ids");
  if (moves.depths && depthDelta != 0) parts.push_back("depths");
  if (moves.frames && frameDelta != 0) parts.push_back("frame numbers");
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) text += i + 1 == parts.size() ? " and " : ", ";
    text += parts[i];
  }
  return text;
}

bool WouldMove(const Moves& moves, int idDelta, int depthDelta, int frameDelta) {
  return (moves.ids && idDelta != 0) || (moves.depths && depthDelta != 0) || (moves.frames && frameDelta != 0);
}

std::string Where(const std::string& context) { return context.empty() ? "" : " " + context; }

// A tag kept as bytes: refused when the deltas would have to move something it names.
// Inside a sprite only the children that move with the sprite, and definitions, count, and
// their depths and frames stay.
bool CheckRawTag(const RawTag& raw, int idDelta, int depthDelta, int frameDelta, bool inSprite,
                 const std::string& context, std::string* reason) {
  const int code = raw.TagCode();
  const std::string number = std::to_string(code);
  if (const OpaqueCode* opaque = FindOpaqueCode(code)) {
    if (!WouldMove(opaque->moves, idDelta, depthDelta, frameDelta)) return true;
    if (reason != nullptr) {
      *reason = std::string(opaque->name) + " (tag code " + number + ")" + Where(context) +
                " is kept as bytes, and the " + WhatMoves(opaque->moves, idDelta, depthDelta, frameDelta) +
                " it names cannot be renumbered";
    }
    return false;
  }
  if (!IsModelledSwfTagCode(code)) return true;
  Moves moves = KnownCodeMoves(code);
  if (inSprite && !DefineSpriteTag::MovesWithSprite(code) && !IsCharacterDefinitionCode(code)) moves = Moves();
  if (!WouldMove(moves, idDelta, depthDelta, frameDelta)) return true;
  if (reason != nullptr) {
    *reason = std::string(KnownTagName(code)) + " (tag code " + number + ")" + Where(context) +
              " could not be read and is kept as bytes, and the " +
              WhatMoves(moves, idDelta, depthDelta, frameDelta) + " it names cannot be renumbered";
  }
  return false;
}

template <typename List>
bool CheckList(const List& tags, int idDelta, int depthDelta, int frameDelta, std::string* reason) {
  for (const auto& item : tags) {
    const SwfTag& tag = Deref(item);
    const int code = tag.TagCode();
    if (const auto* raw = dynamic_cast<const RawTag*>(&tag)) {
      if (!CheckRawTag(*raw, idDelta, depthDelta, frameDelta, false, "", reason)) return false;
      continue;
    }
    if (!tag.CanRelocate(idDelta, depthDelta, frameDelta)) {
      if (reason != nullptr) {
        *reason = std::string(KnownTagName(code)) + " (tag code " + std::to_string(code) +
                  "): a character id, depth or frame number would pass 65535 or fall below 0";
      }
      return false;
    }
    const auto* sprite = dynamic_cast<const DefineSpriteTag*>(&tag);
    if (sprite == nullptr) continue;
    const std::string context = "in sprite " + std::to_string(sprite->GetCharacterId());
    for (const auto& child : sprite->Children()) {
      const auto* raw = dynamic_cast<const RawTag*>(child.get());
      if (raw != nullptr && !CheckRawTag(*raw, idDelta, 0, frameDelta, true, context, reason)) return false;
    }
  }
  return true;
}

uint16_t LeadingU16(const std::vector<uint8_t>& body, size_t at = 0) {
  return body.size() >= at + 2 ? static_cast<uint16_t>(body[at] | (body[at + 1] << 8)) : 0;
}

// The id a PlaceObject2, PlaceObject3 or PlaceObject4 body places, when it has one.
bool PlacedIdOfRawPlacement(const std::vector<uint8_t>& body, bool withSecondFlags, uint16_t& id) {
  const size_t flagBytes = withSecondFlags ? 2 : 1;
  if (body.size() < flagBytes + 2) return false;
  const uint8_t flags = body[0];
  if ((flags & 0x02) == 0) return false;
  size_t at = flagBytes + 2;
  if (withSecondFlags) {
    const uint8_t flags2 = body[1];
    // A class name (has class name, or has image with a character) comes before the id.
    if ((flags2 & 0x08) != 0 || ((flags2 & 0x10) != 0 && (flags & 0x02) != 0)) {
      const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
      if (nul == nullptr) return false;
      at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
    }
  }
  if (at + 2 > body.size()) return false;
  id = LeadingU16(body, at);
  return true;
}

// The ids of an asset list: u16 count, then per asset a u16 id and a 0-terminated name.
void RaiseAssetIds(const std::vector<uint8_t>& body, size_t at, uint16_t& largest) {
  if (at + 2 > body.size()) return;
  const uint16_t count = LeadingU16(body, at);
  at += 2;
  for (uint16_t i = 0; i < count && at + 2 <= body.size(); ++i) {
    largest = std::max(largest, LeadingU16(body, at));
    at += 2;
    const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
    if (nul == nullptr) return;
    at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
  }
}

// Position just after the 0-terminated text at `at`, or the body size when there is none.
size_t AfterText(const std::vector<uint8_t>& body, size_t at) {
  if (at >= body.size()) return body.size();
  const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
  return nul == nullptr ? body.size() : static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
}

// The ids a tag kept as bytes is known to name.
void RaiseRawIds(const RawTag& raw, uint16_t& largest) {
  const std::vector<uint8_t>& body = raw.GetBody();
  uint16_t id = 0;
  switch (raw.TagCode()) {
    case 26:
      if (PlacedIdOfRawPlacement(body, false, id)) largest = std::max(largest, id);
      break;
    case 70: case 94:
      if (PlacedIdOfRawPlacement(body, true, id)) largest = std::max(largest, id);
      break;
    case 56: case 76:
      RaiseAssetIds(body, 0, largest);
      break;
    case 57:
      RaiseAssetIds(body, AfterText(body, 0), largest);
      break;
    case 71:
      RaiseAssetIds(body, AfterText(body, 0) + 2, largest);
      break;
    // Tags about one character that name it first.
    case 3: case 4: case 5: case 13: case 15: case 17: case 23: case 59: case 61: case 62:
    case 73: case 74: case 78: case 88:
      if (body.size() >= 2) largest = std::max(largest, LeadingU16(body));
      break;
    default:
      break;
  }
}

void AddUniqueId(std::vector<uint16_t>& ids, uint16_t id) {
  if (id != kNoBitmapId && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

void AddFillIds(const FillStyleArray* styles, std::vector<uint16_t>& ids) {
  if (styles == nullptr) return;
  for (const auto& style : styles->styles) {
    if (IsBitmapFill(style->fillType)) AddUniqueId(ids, style->bitmapId);
  }
}

void AddNewStyleIds(const Shape* shape, std::vector<uint16_t>& ids) {
  if (shape == nullptr) return;
  for (const auto& record : shape->records) {
    if (const auto* change = dynamic_cast<const StyleChangeRecord*>(record.get())) AddFillIds(change->newFillStyles.get(), ids);
  }
}

void Raise(uint16_t& largest, uint16_t id) { largest = std::max(largest, id); }

void LargestIdIn(const SwfTag& tag, uint16_t& largest);

template <typename List>
void LargestIdInList(const List& tags, uint16_t& largest) {
  for (const auto& item : tags) LargestIdIn(Deref(item), largest);
}

void LargestIdIn(const SwfTag& tag, uint16_t& largest) {
  uint16_t id = 0;
  if (GetDefinedCharacterId(tag, id)) Raise(largest, id);
  if (const auto* raw = dynamic_cast<const RawTag*>(&tag)) {
    RaiseRawIds(*raw, largest);
    return;
  }
  if (const auto* sprite = dynamic_cast<const DefineSpriteTag*>(&tag)) {
    LargestIdInList(sprite->Children(), largest);
  } else if (const auto* place2 = dynamic_cast<const PlaceObject2Tag*>(&tag)) {
    if (place2->hasCharacter || place2->characterId != 0) Raise(largest, place2->characterId);
  } else if (const auto* place = dynamic_cast<const PlaceObjectTag*>(&tag)) {
    Raise(largest, place->characterId);
  } else if (const auto* remove = dynamic_cast<const RemoveObjectTag*>(&tag)) {
    Raise(largest, remove->characterId);
  } else if (const auto* free = dynamic_cast<const FreeCharacterTag*>(&tag)) {
    Raise(largest, free->characterId);
  } else if (const auto* start = dynamic_cast<const StartSoundTag*>(&tag)) {
    Raise(largest, start->soundId);
  } else if (const auto* frame = dynamic_cast<const VideoFrameTag*>(&tag)) {
    Raise(largest, frame->streamId);
  } else if (const auto* init = dynamic_cast<const DoInitActionTag*>(&tag)) {
    Raise(largest, init->spriteId);
  } else if (const auto* assets = dynamic_cast<const ExportAssetsTag*>(&tag)) {
    for (const auto& entry : assets->assets) Raise(largest, entry->id);
  } else if (const auto* info = dynamic_cast<const DefineFontInfoTag*>(&tag)) {
    Raise(largest, info->fontId);
  } else if (const auto* sound = dynamic_cast<const DefineButtonSoundTag*>(&tag)) {
    Raise(largest, sound->GetCharacterId());
    for (uint16_t soundId : sound->soundIds) Raise(largest, soundId);
  } else if (const auto* button = dynamic_cast<const DefineButtonTag*>(&tag)) {
    for (const auto& record : button->records) Raise(largest, record->characterId);
  } else if (const auto* text = dynamic_cast<const DefineTextTag*>(&tag)) {
    for (const auto& record : text->records) {
      if (const auto* style = dynamic_cast<const TextStyleRecord*>(record.get())) Raise(largest, style->fontId);
    }
  } else if (const auto* edit = dynamic_cast<const DefineEditTextTag*>(&tag)) {
    Raise(largest, edit->fontId);
  } else if (const auto* shape = dynamic_cast<const DefineShapeTag*>(&tag)) {
    for (uint16_t bitmap : GetShapeBitmapIds(*shape)) Raise(largest, bitmap);
  } else if (const auto* morph = dynamic_cast<const DefineMorphShapeTag*>(&tag)) {
    for (uint16_t bitmap : GetMorphShapeBitmapIds(*morph)) Raise(largest, bitmap);
  } else if (tag.TagCode() == 23) {
    // DefineButtonCxform names its button.
    if (const auto* cxform = dynamic_cast<const SwfCharacterTag*>(&tag)) Raise(largest, cxform->GetCharacterId());
  }
}

PlaceObject2Tag* FindNamed(const WideString& name, const SwfTagList& tags) {
  for (const auto& tag : tags) {
    if (auto* place = dynamic_cast<PlaceObject2Tag*>(tag.get())) {
      if (place->hasName && place->name == name) return place;
    } else if (const auto* sprite = dynamic_cast<const DefineSpriteTag*>(tag.get())) {
      if (PlaceObject2Tag* found = FindNamed(name, sprite->Children())) return found;
    }
  }
  return nullptr;
}

}  // namespace

bool IsCharacterDefinitionCode(int code) {
  switch (code) {
    case 2: case 6: case 7: case 10: case 11: case 14: case 20: case 21: case 22: case 32: case 33:
    case 34: case 35: case 36: case 37: case 39: case 46: case 48: case 60:
      return true;
    default:
      return false;
  }
}

bool IsOpaqueReferencingCode(int code) { return FindOpaqueCode(code) != nullptr; }

bool GetDefinedCharacterId(const SwfTag& tag, uint16_t& id) {
  const int code = tag.TagCode();
  if (const auto* raw = dynamic_cast<const RawTag*>(&tag)) {
    if (!IsCharacterDefinitionCode(code) && !IsOpaqueDefinitionCode(code)) return false;
    if (raw->GetBody().size() < 2) return false;
    id = LeadingU16(raw->GetBody());
    return true;
  }
  if (!IsCharacterDefinitionCode(code)) return false;
  const auto* character = dynamic_cast<const SwfCharacterTag*>(&tag);
  if (character == nullptr) return false;
  id = character->GetCharacterId();
  return true;
}

void RelocateTagList(const SwfTagList& tags, int idDelta, int depthDelta, int frameDelta) {
  for (const auto& tag : tags) tag->Relocate(idDelta, depthDelta, frameDelta);
}

void RelocateTagList(const SwfTagRefs& tags, int idDelta, int depthDelta, int frameDelta) {
  for (SwfTag* tag : tags) tag->Relocate(idDelta, depthDelta, frameDelta);
}

bool CanRelocateTagList(const SwfTagList& tags, int idDelta, int depthDelta, int frameDelta, std::string* reason) {
  return CheckList(tags, idDelta, depthDelta, frameDelta, reason);
}

bool CanRelocateTagList(const SwfTagRefs& tags, int idDelta, int depthDelta, int frameDelta, std::string* reason) {
  return CheckList(tags, idDelta, depthDelta, frameDelta, reason);
}

SwfTag* FindTagByCharacterId(uint16_t id, const SwfTagList& tags) {
  for (const auto& tag : tags) {
    if (const auto* sprite = dynamic_cast<const DefineSpriteTag*>(tag.get())) {
      if (sprite->GetCharacterId() == id) return tag.get();
      if (SwfTag* found = FindTagByCharacterId(id, sprite->Children())) return found;
      continue;
    }
    uint16_t defined = 0;
    if (GetDefinedCharacterId(*tag, defined) && defined == id) return tag.get();
  }
  return nullptr;
}

void GetMaxCharacterIdAndDepth(const SwfTagList& tags, int& maxId, int& maxDepth) {
  maxId = 0;
  maxDepth = 0;
  for (const auto& tag : tags) {
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id)) {
      maxId = std::max<int>(maxId, id);
    } else if (const auto* place = dynamic_cast<const PlaceObject2Tag*>(tag.get())) {
      maxId = std::max<int>(maxId, place->characterId);
      if (place->depth != 0xFFFF) maxDepth = std::max<int>(maxDepth, place->depth);
    } else if (const auto* init = dynamic_cast<const DoInitActionTag*>(tag.get())) {
      maxId = std::max<int>(maxId, init->spriteId);
    }
  }
}

uint16_t GetLargestCharacterIdPresent(const SwfTagList& tags) {
  uint16_t largest = 0;
  LargestIdInList(tags, largest);
  return largest;
}

uint16_t GetLargestCharacterIdPresent(const SwfTagRefs& tags) {
  uint16_t largest = 0;
  LargestIdInList(tags, largest);
  return largest;
}

std::vector<uint16_t> GetShapeBitmapIds(const DefineShapeTag& shape) {
  std::vector<uint16_t> ids;
  if (shape.shape) {
    AddFillIds(shape.shape->fillStyles.get(), ids);
    AddNewStyleIds(shape.shape.get(), ids);
  }
  return ids;
}

std::vector<uint16_t> GetMorphShapeBitmapIds(const DefineMorphShapeTag& morph) {
  std::vector<uint16_t> ids;
  if (morph.fillStyles) {
    for (const auto& style : morph.fillStyles->styles) {
      if (IsBitmapFill(style->fillType)) AddUniqueId(ids, style->bitmapId);
    }
  }
  AddNewStyleIds(morph.startEdges.get(), ids);
  AddNewStyleIds(morph.endEdges.get(), ids);
  return ids;
}

PlaceObject2Tag* FindPlaceObject2ByName(const WideString& name, const SwfTagList& tags) { return FindNamed(name, tags); }

SetBackgroundColorTag* FindBackgroundColorTag(const SwfTagList& tags) {
  for (const auto& tag : tags) {
    if (auto* background = dynamic_cast<SetBackgroundColorTag*>(tag.get())) return background;
  }
  return nullptr;
}

PlaceObjectTag* FindFirstPlacementAfter(const SwfTag* definition, const SwfTagList& tags) {
  if (definition == nullptr) return nullptr;
  uint16_t id = 0;
  if (!GetDefinedCharacterId(*definition, id)) return nullptr;
  auto it = std::find_if(tags.begin(), tags.end(), [&](const std::unique_ptr<SwfTag>& t) { return t.get() == definition; });
  for (; it != tags.end(); ++it) {
    auto* place = dynamic_cast<PlaceObjectTag*>(it->get());
    if (place == nullptr) continue;
    const auto* place2 = dynamic_cast<const PlaceObject2Tag*>(place);
    if (place2 != nullptr && !place2->hasCharacter) continue;
    if (place->characterId == id) return place;
  }
  return nullptr;
}

void CollectBitmapAndFontTags(SwfTagRefs& out, const std::vector<uint16_t>& ids, const SwfTagList& tags) {
  std::unordered_set<const SwfTag*> present(out.begin(), out.end());
  auto add = [&](SwfTag* tag) {
    if (tag != nullptr && present.insert(tag).second) out.push_back(tag);
  };
  for (uint16_t id : ids) {
    SwfTag* tables = nullptr;
    for (const auto& tag : tags) {
      const int code = tag->TagCode();
      if (code == 8) {
        tables = tag.get();
        continue;
      }
      uint16_t defined = 0;
      if (!GetDefinedCharacterId(*tag, defined) || defined != id) continue;
      if (code == 6) {
        add(tables);
        add(tag.get());
        break;
      }
      if (code == 10 || code == 20 || code == 21 || code == 35 || code == 36 || code == 48) {
        add(tag.get());
        break;
      }
    }
  }
}

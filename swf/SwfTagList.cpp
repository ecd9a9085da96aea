#include "swf/SwfTagList.h"

#include <algorithm>
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
    {kSwfTagSetTabIndex, "SetTabIndex", {false, true, false}},
    {kSwfTagPlaceObject3, "PlaceObject3", {true, true, false}},
    {kSwfTagImportAssets2, "ImportAssets2", {true, false, false}},
    {kSwfTagDoAbcDefine, "DoABC", {true, true, true}},  // ActionScript 3 code reaches all three
    {kSwfTagDefineFontAlignZones, "DefineFontAlignZones", {true, false, false}},
    {kSwfTagCsmTextSettings, "CSMTextSettings", {true, false, false}},
    {kSwfTagDefineFont3, "DefineFont3", {true, false, false}},
    {kSwfTagSymbolClass, "SymbolClass", {true, false, false}},
    {kSwfTagDefineScalingGrid, "DefineScalingGrid", {true, false, false}},
    {kSwfTagDoAbc, "DoABC", {true, true, true}},
    {kSwfTagDefineShape4, "DefineShape4", {true, false, false}},
    {kSwfTagDefineMorphShape2, "DefineMorphShape2", {true, false, false}},
    {kSwfTagDefineSceneAndFrameLabelData, "DefineSceneAndFrameLabelData", {false, false, true}},
    {kSwfTagDefineBinaryData, "DefineBinaryData", {true, false, false}},
    {kSwfTagDefineFontName, "DefineFontName", {true, false, false}},
    {kSwfTagDefineBitsJpeg4, "DefineBitsJPEG4", {true, false, false}},
    {kSwfTagDefineFont4, "DefineFont4", {true, false, false}},
    {kSwfTagPlaceObject4, "PlaceObject4", {true, true, false}},
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
    case kSwfTagDefineFont3:        // DefineFont3
    case kSwfTagDefineShape4:       // DefineShape4
    case kSwfTagDefineMorphShape2:  // DefineMorphShape2
    case kSwfTagDefineBinaryData:   // DefineBinaryData
    case kSwfTagDefineBitsJpeg4:    // DefineBitsJPEG4
    case kSwfTagDefineFont4:        // DefineFont4
      return true;
    default: return false;
  }
}

// What the model's own class for a code moves at the top level of a list.
Moves KnownCodeMoves(int code) {
  Moves moves;
  moves.ids = IsCharacterDefinitionCode(code);
  switch (code) {
    case kSwfTagDefineButton:
    case kSwfTagDefineButton2:  // buttons: records at depths, actions with frames
      moves.depths = true;
      moves.frames = true;
      break;
    case kSwfTagFreeCharacter:
    case kSwfTagDefineFontInfo:
    case kSwfTagStartSound:
    case kSwfTagDefineButtonSound:
    case kSwfTagDefineButtonCxform:
    case kSwfTagExportAssets:
    case kSwfTagImportAssets:
    case kSwfTagDoInitAction:
    case kSwfTagVideoFrame:
    case kSwfTagDefineFontInfo2: moves.ids = true; break;
    case kSwfTagPlaceObject:
    case kSwfTagRemoveObject:
    case kSwfTagPlaceObject2:
      moves.ids = true;
      moves.depths = true;
      break;
    case kSwfTagRemoveObject2: moves.depths = true; break;
    case kSwfTagDoAction: moves.frames = true; break;
    default: break;
  }
  return moves;
}

const char* KnownTagName(int code) {
  switch (code) {
    case kSwfTagEnd: return "End";
    case kSwfTagShowFrame: return "ShowFrame";
    case kSwfTagDefineShape: return "DefineShape";
    case kSwfTagFreeCharacter: return "FreeCharacter";
    case kSwfTagPlaceObject: return "PlaceObject";
    case kSwfTagRemoveObject: return "RemoveObject";
    case kSwfTagDefineBits: return "DefineBits";
    case kSwfTagDefineButton: return "DefineButton";
    case kSwfTagJpegTables: return "JPEGTables";
    case kSwfTagSetBackgroundColor: return "SetBackgroundColor";
    case kSwfTagDefineFont: return "DefineFont";
    case kSwfTagDefineText: return "DefineText";
    case kSwfTagDoAction: return "DoAction";
    case kSwfTagDefineFontInfo: return "DefineFontInfo";
    case kSwfTagDefineSound: return "DefineSound";
    case kSwfTagStartSound: return "StartSound";
    case kSwfTagDefineButtonSound: return "DefineButtonSound";
    case kSwfTagSoundStreamHead: return "SoundStreamHead";
    case kSwfTagSoundStreamBlock: return "SoundStreamBlock";
    case kSwfTagDefineBitsLossless: return "DefineBitsLossless";
    case kSwfTagDefineBitsJpeg2: return "DefineBitsJPEG2";
    case kSwfTagDefineShape2: return "DefineShape2";
    case kSwfTagDefineButtonCxform: return "DefineButtonCxform";
    case kSwfTagProtect: return "Protect";
    case kSwfTagPlaceObject2: return "PlaceObject2";
    case kSwfTagRemoveObject2: return "RemoveObject2";
    case kSwfTagDefineShape3: return "DefineShape3";
    case kSwfTagDefineText2: return "DefineText2";
    case kSwfTagDefineButton2: return "DefineButton2";
    case kSwfTagDefineBitsJpeg3: return "DefineBitsJPEG3";
    case kSwfTagDefineBitsLossless2: return "DefineBitsLossless2";
    case kSwfTagDefineEditText: return "DefineEditText";
    case kSwfTagDefineSprite: return "DefineSprite";
    case kSwfTagFrameLabel: return "FrameLabel";
    case kSwfTagSoundStreamHead2: return "SoundStreamHead2";
    case kSwfTagDefineMorphShape: return "DefineMorphShape";
    case kSwfTagDefineFont2: return "DefineFont2";
    case kSwfTagExportAssets: return "ExportAssets";
    case kSwfTagImportAssets: return "ImportAssets";
    case kSwfTagEnableDebugger: return "EnableDebugger";
    case kSwfTagDoInitAction: return "DoInitAction";
    case kSwfTagDefineVideoStream: return "DefineVideoStream";
    case kSwfTagVideoFrame: return "VideoFrame";
    case kSwfTagDefineFontInfo2: return "DefineFontInfo2";
    case kSwfTagEnableDebugger2: return "EnableDebugger2";
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
              " could not be read and is kept as bytes, and the " + WhatMoves(moves, idDelta, depthDelta, frameDelta) +
              " it names cannot be renumbered";
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

uint16_t LeadingU16(const SwfBytes& body, size_t at = 0) {
  return body.size() >= at + 2 ? static_cast<uint16_t>(body[at] | (body[at + 1] << 8)) : 0;
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
  shape->records.ForEach([&](const ShapeRecord& record) {
    if (record.GetKind() == ShapeRecord::kStyleChange) {
      AddFillIds(static_cast<const StyleChangeRecord&>(record).newFillStyles.get(), ids);
    }
  });
}

// The ids the tag defines and names.
void LargestIdIn(const SwfTag& tag, uint16_t& largest) {
  uint16_t id = 0;
  if (GetDefinedCharacterId(tag, id)) largest = std::max(largest, id);
  SwfTagReferences refs;
  tag.CollectReferences(refs);
  for (uint16_t named : refs.ids) largest = std::max(largest, named);
}

template <typename List>
void LargestIdInList(const List& tags, uint16_t& largest) {
  for (const auto& item : tags) LargestIdIn(Deref(item), largest);
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
    case kSwfTagDefineShape:
    case kSwfTagDefineBits:
    case kSwfTagDefineButton:
    case kSwfTagDefineFont:
    case kSwfTagDefineText:
    case kSwfTagDefineSound:
    case kSwfTagDefineBitsLossless:
    case kSwfTagDefineBitsJpeg2:
    case kSwfTagDefineShape2:
    case kSwfTagDefineShape3:
    case kSwfTagDefineText2:
    case kSwfTagDefineButton2:
    case kSwfTagDefineBitsJpeg3:
    case kSwfTagDefineBitsLossless2:
    case kSwfTagDefineEditText:
    case kSwfTagDefineSprite:
    case kSwfTagDefineMorphShape:
    case kSwfTagDefineFont2:
    case kSwfTagDefineVideoStream: return true;
    default: return false;
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

PlaceObject2Tag* FindPlaceObject2ByName(const WideString& name, const SwfTagList& tags) {
  return FindNamed(name, tags);
}

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
  auto it =
      std::find_if(tags.begin(), tags.end(), [&](const std::unique_ptr<SwfTag>& t) { return t.get() == definition; });
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
      if (code == kSwfTagJpegTables) {
        tables = tag.get();
        continue;
      }
      uint16_t defined = 0;
      if (!GetDefinedCharacterId(*tag, defined) || defined != id) continue;
      if (code == kSwfTagDefineBits) {
        add(tables);
        add(tag.get());
        break;
      }
      if (code == kSwfTagDefineFont || code == kSwfTagDefineBitsLossless || code == kSwfTagDefineBitsJpeg2 ||
          code == kSwfTagDefineBitsJpeg3 || code == kSwfTagDefineBitsLossless2 || code == kSwfTagDefineFont2) {
        add(tag.get());
        break;
      }
    }
  }
}

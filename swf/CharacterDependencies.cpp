#include "swf/CharacterDependencies.h"

#include <algorithm>

#include "swf/ButtonTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/FontTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/Shape.h"
#include "swf/ShapeStyles.h"
#include "swf/SoundTags.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"

namespace {

const SwfTagRefs kNoTags;

void AddUnique(std::vector<uint16_t>& ids, uint16_t id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

// An id set with the order of first insertion.
class IdList {
 public:
  void Add(uint16_t id) {
    if (seen_.insert(id).second) ids_.push_back(id);
  }
  const std::vector<uint16_t>& Ids() const { return ids_; }

 private:
  std::vector<uint16_t> ids_;
  std::unordered_set<uint16_t> seen_;
};

bool IsRaw(const SwfTag* tag) { return dynamic_cast<const RawTag*>(tag) != nullptr; }

// The fonts a text or edit text writes with.
void FontIdsOfText(const SwfTag* tag, IdList& fonts) {
  const int code = tag->TagCode();
  if (code != kSwfTagDefineText && code != kSwfTagDefineText2 && code != kSwfTagDefineEditText) return;
  SwfTagReferences refs;
  tag->CollectReferences(refs);
  for (uint16_t font : refs.ids) {
    if (font != 0) fonts.Add(font);
  }
}

// The id a placing child shows or starts: PlaceObject, PlaceObject2 with a character,
// StartSound, VideoFrame.
bool PlacedIdOf(const SwfTag* tag, uint16_t& id) {
  SwfTagReferences refs;
  tag->CollectReferences(refs);
  if (refs.placedIds.empty()) return false;
  id = refs.placedIds.front();
  return true;
}

PlaceObjectTag* FirstPlacementOf(uint16_t id, const SwfTagList& movie) {
  for (const auto& tag : movie) {
    uint16_t placed = 0;
    auto* place = dynamic_cast<PlaceObjectTag*>(tag.get());
    if (place != nullptr && PlacedIdOf(place, placed) && placed == id) return place;
  }
  return nullptr;
}

}  // namespace

// --- SwfTagSet -------------------------------------------------------------------------

bool SwfTagSet::Add(SwfTag* tag) {
  if (tag == nullptr || !present_.insert(tag).second) return false;
  tags_.push_back(tag);
  return true;
}

void SwfTagSet::Clear() {
  tags_.clear();
  present_.clear();
}

// --- MovieDefinitionIndex ----------------------------------------------------------------

void MovieDefinitionIndex::Build(const SwfTagList& movie) {
  *this = MovieDefinitionIndex();
  movie_ = &movie;
  std::unordered_set<uint16_t> depthSeen;
  int frame = 0;
  for (const auto& item : movie) {
    SwfTag* tag = item.get();
    const int code = tag->TagCode();
    uint16_t id = 0;
    const bool raw = IsRaw(tag);
    if (code == kSwfTagShowFrame) {
      ++frameCount_;
      ++frame;
      controlTags_.push_back(tag);
      continue;
    }
    if (GetDefinedCharacterId(*tag, id)) {
      definitions_.push_back(tag);
      byId_.emplace(id, tag);
      switch (code) {
        case kSwfTagDefineFont:
        case kSwfTagDefineText:
        case kSwfTagDefineText2:
        case kSwfTagDefineEditText:
        case kSwfTagDefineFont2: fontsAndTexts_.push_back(tag); break;
        case kSwfTagDefineSound: sounds_.push_back(tag); break;
        case kSwfTagDefineBits:
        case kSwfTagDefineBitsLossless:
        case kSwfTagDefineBitsJpeg2:
        case kSwfTagDefineBitsJpeg3:
        case kSwfTagDefineBitsLossless2: bitmaps_.push_back(tag); break;
        case kSwfTagDefineVideoStream: video_.push_back(tag); break;
        case kSwfTagDefineShape:
        case kSwfTagDefineShape2:
        case kSwfTagDefineShape3: shapes_.push_back(tag); break;
        case kSwfTagDefineButton:
        case kSwfTagDefineButton2: buttons_.push_back(tag); break;
        case kSwfTagDefineSprite: sprites_.push_back(tag); break;
        default: break;
      }
      if ((code == kSwfTagDefineFont || code == kSwfTagDefineFont2) && !raw) fontTags_[id].push_back(tag);
      continue;
    }
    if (raw) continue;
    if (code == kSwfTagDefineFontInfo || code == kSwfTagDefineFontInfo2) {
      const auto* info = dynamic_cast<const DefineFontInfoTag*>(tag);
      if (info != nullptr) fontTags_[info->fontId].push_back(tag);
    }
    if (code == kSwfTagDefineButtonSound || code == kSwfTagDefineButtonCxform) {
      if (const auto* character = dynamic_cast<const SwfCharacterTag*>(tag)) {
        buttonExtras_[character->GetCharacterId()].push_back(tag);
      }
    }
    if (code == kSwfTagJpegTables && jpegTables_ == nullptr) jpegTables_ = tag;
    if (auto* place = dynamic_cast<PlaceObjectTag*>(tag)) {
      placements_.push_back(tag);
      controlTags_.push_back(tag);
      if (depthSeen.insert(place->depth).second) depths_.push_back(place->depth);
      depthFrames_[place->depth][frame].push_back(tag);
      continue;
    }
    if (auto* remove = dynamic_cast<RemoveObjectTag*>(tag)) {
      controlTags_.push_back(tag);
      // Removals at depths never placed are not indexed.
      if (depthSeen.count(remove->depth) != 0) depthFrames_[remove->depth][frame].push_back(tag);
      continue;
    }
    switch (code) {
      case kSwfTagEnd:
      case kSwfTagFreeCharacter:
      case kSwfTagJpegTables:
      case kSwfTagSetBackgroundColor:
      case kSwfTagDoAction:
      case kSwfTagDefineFontInfo:
      case kSwfTagSoundStreamBlock:
      case kSwfTagProtect:
      case kSwfTagFrameLabel:
      case kSwfTagVideoFrame: controlTags_.push_back(tag); break;
      default: break;
    }
  }
}

SwfTag* MovieDefinitionIndex::FindDefinition(uint16_t id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

DefineFontInfoTag* MovieDefinitionIndex::FindFontInfo(uint16_t fontId) const {
  for (SwfTag* tag : FontTagsOf(fontId)) {
    if (tag->TagCode() == kSwfTagDefineFontInfo) return dynamic_cast<DefineFontInfoTag*>(tag);
  }
  return nullptr;
}

DefineFont2Tag* MovieDefinitionIndex::FindDefineFont2(uint16_t fontId) const {
  for (SwfTag* tag : FontTagsOf(fontId)) {
    if (tag->TagCode() == kSwfTagDefineFont2) return dynamic_cast<DefineFont2Tag*>(tag);
  }
  return nullptr;
}

const SwfTagRefs& MovieDefinitionIndex::FontTagsOf(uint16_t fontId) const {
  const auto it = fontTags_.find(fontId);
  return it == fontTags_.end() ? kNoTags : it->second;
}

const SwfTagRefs& MovieDefinitionIndex::ButtonExtrasOf(uint16_t buttonId) const {
  const auto it = buttonExtras_.find(buttonId);
  return it == buttonExtras_.end() ? kNoTags : it->second;
}

const SwfTagRefs* MovieDefinitionIndex::FrameTagsAtDepth(uint16_t depth, int frame) const {
  const auto d = depthFrames_.find(depth);
  if (d == depthFrames_.end()) return nullptr;
  const auto f = d->second.find(frame);
  return f == d->second.end() ? nullptr : &f->second;
}

void MovieDefinitionIndex::CollectDependencies(SwfTag* definition, SwfTagRefs& out) const {
  if (definition == nullptr || movie_ == nullptr) return;
  const size_t start = out.size();
  std::unordered_set<const SwfTag*> present(out.begin(), out.end());
  auto add = [&](SwfTag* tag) {
    if (tag != nullptr && present.insert(tag).second) out.push_back(tag);
  };
  IdList fonts;
  if (auto* shape = dynamic_cast<DefineShapeTag*>(definition)) {
    ShapeDependencyCollector shapes;
    shapes.Collect(shape, *this);
    for (SwfTag* tag : shapes.Tags()) add(tag);
  } else if (auto* morph = dynamic_cast<DefineMorphShapeTag*>(definition)) {
    ShapeDependencyCollector shapes;
    shapes.InitForMorph(morph, *this);
    for (SwfTag* tag : shapes.Tags()) add(tag);
  } else if (definition->TagCode() == kSwfTagDefineBits && !IsRaw(definition)) {
    add(jpegTables_);
  } else if (auto* button = dynamic_cast<DefineButtonTag*>(definition)) {
    ButtonDependencyCollector buttons;
    buttons.Collect(button, *this);
    for (uint16_t font : buttons.FontIds()) fonts.Add(font);
    for (SwfTag* tag : buttons.DefinitionTags()) add(tag);
  } else if (auto* sprite = dynamic_cast<DefineSpriteTag*>(definition)) {
    SpriteDependencyCollector sprites;
    sprites.Collect(sprite, *movie_);
    SwfTagRefs needed;
    sprites.AppendTagsTo(needed, false);
    for (SwfTag* tag : needed) add(tag);
  } else {
    FontIdsOfText(definition, fonts);
  }
  // The font tags go first among what is added: a button's definitions may hold texts.
  SwfTagRefs fontTags;
  for (uint16_t font : fonts.Ids()) {
    for (SwfTag* tag : FontTagsOf(font)) {
      if (present.insert(tag).second) fontTags.push_back(tag);
    }
  }
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), fontTags.begin(), fontTags.end());
}

// --- ShapeDependencyCollector ----------------------------------------------------------

void ShapeDependencyCollector::Clear() {
  shape_ = nullptr;
  morph_ = nullptr;
  bitmapIds_.clear();
  unresolved_.clear();
  tags_.Clear();
  background_ = nullptr;
}

void ShapeDependencyCollector::NoteBitmap(uint16_t id) {
  if (id != kNoBitmapId) AddUnique(bitmapIds_, id);
}

void ShapeDependencyCollector::Resolve(const MovieDefinitionIndex& index) {
  for (uint16_t id : bitmapIds_) {
    SwfTag* definition = index.FindDefinition(id);
    if (definition == nullptr) {
      unresolved_.push_back(id);
      continue;
    }
    if (definition->TagCode() == kSwfTagDefineBits) tags_.Add(index.FindJpegTables());
    tags_.Add(definition);
  }
  if (index.GetMovie() != nullptr) background_ = FindBackgroundColorTag(*index.GetMovie());
}

bool ShapeDependencyCollector::Collect(DefineShapeTag* shape, const SwfTagList& movie) {
  MovieDefinitionIndex index;
  index.Build(movie);
  return Collect(shape, index);
}

bool ShapeDependencyCollector::Collect(DefineShapeTag* shape, const MovieDefinitionIndex& index) {
  Clear();
  shape_ = shape;
  if (shape == nullptr) return false;
  for (uint16_t id : GetShapeBitmapIds(*shape)) NoteBitmap(id);
  Resolve(index);
  return true;
}

bool ShapeDependencyCollector::InitForMorph(DefineMorphShapeTag* morph, const SwfTagList& movie) {
  MovieDefinitionIndex index;
  index.Build(movie);
  return InitForMorph(morph, index);
}

bool ShapeDependencyCollector::InitForMorph(DefineMorphShapeTag* morph, const MovieDefinitionIndex& index) {
  Clear();
  morph_ = morph;
  if (morph == nullptr) return false;
  for (uint16_t id : GetMorphShapeBitmapIds(*morph)) NoteBitmap(id);
  Resolve(index);
  return true;
}

// --- ButtonDependencyCollector ---------------------------------------------------------

void ButtonDependencyCollector::Clear() {
  button_ = nullptr;
  placedIds_.clear();
  definitions_.Clear();
  buttonTags_.Clear();
  fontIds_.clear();
  unresolved_.clear();
  placement_ = nullptr;
  background_ = nullptr;
}

bool ButtonDependencyCollector::Collect(DefineButtonTag* button, const SwfTagList& movie) {
  MovieDefinitionIndex index;
  index.Build(movie);
  return Collect(button, index);
}

bool ButtonDependencyCollector::Collect(DefineButtonTag* button, const MovieDefinitionIndex& index) {
  Clear();
  button_ = button;
  if (button == nullptr) return false;
  std::unordered_set<uint16_t> visited;
  CollectInto(button, index, visited);
  if (index.GetMovie() != nullptr) {
    placement_ = FirstPlacementOf(button->GetCharacterId(), *index.GetMovie());
    background_ = FindBackgroundColorTag(*index.GetMovie());
  }
  return true;
}

void ButtonDependencyCollector::CollectInto(DefineButtonTag* button, const MovieDefinitionIndex& index,
                                            std::unordered_set<uint16_t>& visited) {
  visited.insert(button->GetCharacterId());
  IdList placed;
  for (const auto& record : button->records) placed.Add(record->characterId);
  // The button's sounds and colour transform follow it; the sounds are definitions it needs.
  for (SwfTag* extra : index.ButtonExtrasOf(button->GetCharacterId())) {
    if (const auto* sounds = dynamic_cast<const DefineButtonSoundTag*>(extra)) {
      for (uint16_t soundId : sounds->soundIds) {
        if (soundId != 0) placed.Add(soundId);
      }
    }
  }
  IdList fonts;
  for (uint16_t id : fontIds_) fonts.Add(id);
  for (uint16_t id : placed.Ids()) {
    AddUnique(placedIds_, id);
    SwfTag* definition = index.FindDefinition(id);
    if (definition == nullptr) {
      AddUnique(unresolved_, id);
      continue;
    }
    if (definition == button) continue;  // a button that shows itself
    const int code = definition->TagCode();
    if (auto* inner = dynamic_cast<DefineButtonTag*>(definition)) {
      if (visited.count(id) != 0) continue;  // already being collected further up
      CollectInto(inner, index, visited);
      for (uint16_t font : fontIds_) fonts.Add(font);
    } else if (auto* shape = dynamic_cast<DefineShapeTag*>(definition)) {
      ShapeDependencyCollector shapes;
      shapes.Collect(shape, index);
      for (SwfTag* tag : shapes.Tags()) definitions_.Add(tag);
      for (uint16_t missing : shapes.UnresolvedIds()) AddUnique(unresolved_, missing);
    } else if (auto* morph = dynamic_cast<DefineMorphShapeTag*>(definition)) {
      ShapeDependencyCollector shapes;
      shapes.InitForMorph(morph, index);
      for (SwfTag* tag : shapes.Tags()) definitions_.Add(tag);
      for (uint16_t missing : shapes.UnresolvedIds()) AddUnique(unresolved_, missing);
    } else if (code == kSwfTagDefineBits) {
      definitions_.Add(index.FindJpegTables());
    } else {
      FontIdsOfText(definition, fonts);
    }
    definitions_.Add(definition);
    if (dynamic_cast<DefineButtonTag*>(definition) != nullptr) {
      for (SwfTag* extra : index.ButtonExtrasOf(id)) buttonTags_.Add(extra);
    }
  }
  fontIds_ = fonts.Ids();
  if (button == button_) {
    for (SwfTag* extra : index.ButtonExtrasOf(button->GetCharacterId())) buttonTags_.Add(extra);
  }
}

void ButtonDependencyCollector::CollectDefinitionOf(uint16_t id, const SwfTagList& movie) {
  SwfTag* tables = nullptr;
  for (const auto& item : movie) {
    SwfTag* tag = item.get();
    const int code = tag->TagCode();
    if (code == kSwfTagJpegTables) {
      tables = tag;
      continue;
    }
    uint16_t defined = 0;
    if (!GetDefinedCharacterId(*tag, defined) || defined != id) continue;
    switch (code) {
      case kSwfTagDefineBits:
        definitions_.Add(tables);
        definitions_.Add(tag);
        return;
      case kSwfTagDefineShape:
      case kSwfTagDefineBitsLossless:
      case kSwfTagDefineBitsJpeg2:
      case kSwfTagDefineShape2:
      case kSwfTagDefineShape3:
      case kSwfTagDefineBitsJpeg3:
      case kSwfTagDefineBitsLossless2:
      case kSwfTagDefineSprite: definitions_.Add(tag); return;
      default: break;
    }
  }
}

// --- SpriteDependencyCollector ---------------------------------------------------------

void SpriteDependencyCollector::Clear() {
  fontTags_.Clear();
  definitions_.Clear();
  nestedSprites_.Clear();
  placedIds_.clear();
  fontIds_.clear();
  unresolved_.clear();
  sprite_ = nullptr;
  placement_ = nullptr;
  background_ = nullptr;
}

bool SpriteDependencyCollector::Collect(DefineSpriteTag* sprite, const SwfTagList& movie) {
  Clear();
  if (sprite == nullptr) return false;
  MovieDefinitionIndex index;
  index.Build(movie);

  // What the sprite places, then what every sprite of the movie places.
  IdList placed;
  auto notePlacements = [&](const DefineSpriteTag& s) {
    for (const auto& child : s.Children()) {
      uint16_t id = 0;
      if (PlacedIdOf(child.get(), id)) placed.Add(id);
    }
  };
  notePlacements(*sprite);
  for (SwfTag* tag : index.Sprites()) {
    if (const auto* other = dynamic_cast<const DefineSpriteTag*>(tag)) notePlacements(*other);
  }
  placedIds_ = placed.Ids();

  // Definitions inside a sprite's timeline (video streams) travel with their sprite.
  std::unordered_set<uint16_t> definedInSprites;
  for (SwfTag* tag : index.Sprites()) {
    const auto* other = dynamic_cast<const DefineSpriteTag*>(tag);
    if (other == nullptr) continue;
    for (const auto& child : other->Children()) {
      uint16_t id = 0;
      if (GetDefinedCharacterId(*child, id)) definedInSprites.insert(id);
    }
  }

  IdList fonts;
  for (uint16_t id : placedIds_) {
    SwfTag* definition = index.FindDefinition(id);
    if (definition == nullptr) {
      if (definedInSprites.count(id) == 0) AddUnique(unresolved_, id);
      continue;
    }
    const int code = definition->TagCode();
    if (code == kSwfTagDefineFont || code == kSwfTagDefineFont2) {
      // A font is not placed; fonts come with the texts that use them.
    } else if (IsRaw(definition)) {
      // Kept as bytes: copied as it is (whether it can be moved is for CanRelocateTagList).
      definitions_.Add(definition);
    } else if (auto* shape = dynamic_cast<DefineShapeTag*>(definition)) {
      ShapeDependencyCollector shapes;
      shapes.Collect(shape, index);
      for (SwfTag* tag : shapes.Tags()) definitions_.Add(tag);
      for (uint16_t missing : shapes.UnresolvedIds()) AddUnique(unresolved_, missing);
      definitions_.Add(definition);
    } else if (code == kSwfTagDefineBits) {
      definitions_.Add(index.FindJpegTables());
      definitions_.Add(definition);
    } else if (auto* button = dynamic_cast<DefineButtonTag*>(definition)) {
      ButtonDependencyCollector buttons;
      buttons.Collect(button, index);
      for (SwfTag* tag : buttons.DefinitionTags()) {
        // A sprite a button shows is copied with the other sprites.
        if (tag->TagCode() == kSwfTagDefineSprite) {
          if (tag != sprite) nestedSprites_.Add(tag);
        } else {
          definitions_.Add(tag);
        }
      }
      for (uint16_t font : buttons.FontIds()) fonts.Add(font);
      for (uint16_t missing : buttons.UnresolvedIds()) AddUnique(unresolved_, missing);
      definitions_.Add(definition);
      for (SwfTag* tag : buttons.ButtonTags()) definitions_.Add(tag);
    } else if (code == kSwfTagDefineSprite) {
      if (definition != sprite) nestedSprites_.Add(definition);
    } else if (auto* morph = dynamic_cast<DefineMorphShapeTag*>(definition)) {
      ShapeDependencyCollector shapes;
      shapes.InitForMorph(morph, index);
      for (SwfTag* tag : shapes.Tags()) definitions_.Add(tag);
      for (uint16_t missing : shapes.UnresolvedIds()) AddUnique(unresolved_, missing);
      definitions_.Add(definition);
    } else {
      FontIdsOfText(definition, fonts);
      definitions_.Add(definition);
    }
  }

  fontIds_ = fonts.Ids();
  for (uint16_t fontId : fontIds_) {
    const SwfTagRefs& found = index.FontTagsOf(fontId);
    if (found.empty()) {
      // A font kept as bytes (DefineFont3, DefineFont4) is copied as it is; none is missing.
      SwfTag* definition = index.FindDefinition(fontId);
      if (definition != nullptr) {
        fontTags_.Add(definition);
      } else {
        AddUnique(unresolved_, fontId);
      }
      continue;
    }
    // The font's definition and its info, at most two tags.
    for (size_t i = 0; i < found.size() && i < 2; ++i) fontTags_.Add(found[i]);
  }

  sprite_ = sprite;
  background_ = FindBackgroundColorTag(movie);
  placement_ = FindFirstPlacementAfter(sprite, movie);
  return true;
}

bool SpriteDependencyCollector::AppendTagsTo(SwfTagRefs& list, bool withSprite) const {
  // A tag reached on two roads (a font a button record also shows, the sprite as a sprite
  // another one places) is appended once, at its first place.
  std::unordered_set<const SwfTag*> appended;
  auto append = [&](SwfTag* tag) {
    if (tag != sprite_ && appended.insert(tag).second) list.push_back(tag);
  };
  for (SwfTag* tag : fontTags_.Tags()) append(tag);
  for (SwfTag* tag : definitions_.Tags()) append(tag);
  for (SwfTag* tag : nestedSprites_.Tags()) append(tag);
  if (withSprite && sprite_ != nullptr) list.push_back(sprite_);
  return true;
}

// What a sprite, button or shape of one movie needs so that it can be copied into another:
// the definitions it places or fills with, their fonts and bitmaps, in an order that puts
// every definition before its users. The lists point into the movie's tag list, which keeps
// ownership.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "swf/SwfTagList.h"

class DefineButtonTag;
class DefineFont2Tag;
class DefineFontInfoTag;
class DefineMorphShapeTag;
class DefineShapeTag;
class DefineSpriteTag;

// A list without duplicates, in the order of first insertion.
class SwfTagSet {
 public:
  bool Add(SwfTag* tag);
  bool Contains(const SwfTag* tag) const { return present_.count(tag) != 0; }
  const SwfTagRefs& Tags() const { return tags_; }
  void Clear();

 private:
  SwfTagRefs tags_;
  std::unordered_set<const SwfTag*> present_;
};

// An index of a movie's top-level tags: definitions by id, fonts, control tags, placements and,
// per depth, the tags that place or remove at it in each frame.
class MovieDefinitionIndex {
 public:
  void Build(const SwfTagList& movie);

  // The first definition of the id (definitions kept as bytes included); null when none.
  SwfTag* FindDefinition(uint16_t id) const;
  // The first JPEGTables tag, or null.
  SwfTag* FindJpegTables() const { return jpegTables_; }
  // The first DefineFontInfo (13) for the font id, or null.
  DefineFontInfoTag* FindFontInfo(uint16_t fontId) const;
  // The first DefineFont2 with the id, or null.
  DefineFont2Tag* FindDefineFont2(uint16_t fontId) const;
  // DefineFont, DefineFont2, DefineFontInfo and DefineFontInfo2 tags of a font id, in movie order.
  const SwfTagRefs& FontTagsOf(uint16_t fontId) const;
  // DefineButtonSound and DefineButtonCxform tags of a button id, in movie order.
  const SwfTagRefs& ButtonExtrasOf(uint16_t buttonId) const;
  // Tags that place or remove at `depth` in frame `frame` (0-based); null when none. Tags after
  // the last ShowFrame belong to the frame it would end.
  const SwfTagRefs* FrameTagsAtDepth(uint16_t depth, int frame) const;
  // Appends to `out`, unless already there, what the definition needs before it: a shape's
  // bitmaps, a DefineBits' JPEGTables, a button's definitions, the font tags of the fonts of
  // a text or edit text, and everything a sprite needs (the sprite itself left out).
  void CollectDependencies(SwfTag* definition, SwfTagRefs& out) const;

  const SwfTagList* GetMovie() const { return movie_; }
  int GetFrameCount() const { return frameCount_; }
  const SwfTagRefs& ControlTags() const { return controlTags_; }
  const SwfTagRefs& Definitions() const { return definitions_; }
  const SwfTagRefs& Placements() const { return placements_; }
  const std::vector<uint16_t>& DepthsPlaced() const { return depths_; }
  const SwfTagRefs& FontsAndTexts() const { return fontsAndTexts_; }
  const SwfTagRefs& Sounds() const { return sounds_; }
  const SwfTagRefs& Bitmaps() const { return bitmaps_; }
  const SwfTagRefs& Video() const { return video_; }
  const SwfTagRefs& Shapes() const { return shapes_; }
  const SwfTagRefs& Buttons() const { return buttons_; }
  const SwfTagRefs& Sprites() const { return sprites_; }

 private:
  const SwfTagList* movie_ = nullptr;
  int frameCount_ = 0;
  SwfTag* jpegTables_ = nullptr;
  SwfTagRefs controlTags_, definitions_, placements_;
  SwfTagRefs fontsAndTexts_, sounds_, bitmaps_, video_, shapes_, buttons_, sprites_;
  std::vector<uint16_t> depths_;
  std::unordered_map<uint16_t, SwfTag*> byId_;
  std::unordered_map<uint16_t, SwfTagRefs> fontTags_;
  std::unordered_map<uint16_t, SwfTagRefs> buttonExtras_;
  std::map<uint16_t, std::map<int, SwfTagRefs>> depthFrames_;
};

// The bitmaps a shape (or morph shape) fills with.
class ShapeDependencyCollector {
 public:
  // Bitmap fills of the shape's styles and of the new styles of its style-change records;
  // each bitmap defined in the movie is added, a DefineBits after the movie's JPEGTables.
  bool Collect(DefineShapeTag* shape, const SwfTagList& movie);
  bool Collect(DefineShapeTag* shape, const MovieDefinitionIndex& index);
  // The same for a morph shape's fills.
  bool InitForMorph(DefineMorphShapeTag* morph, const SwfTagList& movie);
  bool InitForMorph(DefineMorphShapeTag* morph, const MovieDefinitionIndex& index);

  const SwfTagRefs& Tags() const { return tags_.Tags(); }
  const std::vector<uint16_t>& BitmapIds() const { return bitmapIds_; }
  // Bitmap ids that nothing in the movie defines.
  const std::vector<uint16_t>& UnresolvedIds() const { return unresolved_; }
  DefineShapeTag* GetShape() const { return shape_; }
  DefineMorphShapeTag* GetMorphShape() const { return morph_; }
  SetBackgroundColorTag* GetBackgroundTag() const { return background_; }

 private:
  void Clear();
  void NoteBitmap(uint16_t id);
  void Resolve(const MovieDefinitionIndex& index);

  DefineShapeTag* shape_ = nullptr;
  DefineMorphShapeTag* morph_ = nullptr;
  std::vector<uint16_t> bitmapIds_;
  std::vector<uint16_t> unresolved_;
  SwfTagSet tags_;
  SetBackgroundColorTag* background_ = nullptr;
};

// What a button's records place, with their fonts; buttons placed by buttons are followed once
// each, so a button that places itself, or buttons that place each other, end.
class ButtonDependencyCollector {
 public:
  bool Collect(DefineButtonTag* button, const SwfTagList& movie);
  bool Collect(DefineButtonTag* button, const MovieDefinitionIndex& index);
  // Adds the first shape, bitmap or sprite of the movie with that id to the definitions: a
  // DefineBits after the last JPEGTables before it. Nothing when no such tag has the id.
  void CollectDefinitionOf(uint16_t id, const SwfTagList& movie);

  DefineButtonTag* GetButton() const { return button_; }
  const std::vector<uint16_t>& PlacedIds() const { return placedIds_; }
  // Definitions the button needs, before it.
  const SwfTagRefs& DefinitionTags() const { return definitions_.Tags(); }
  // DefineButtonSound and DefineButtonCxform tags of the button (and of buttons it places),
  // which must follow it.
  const SwfTagRefs& ButtonTags() const { return buttonTags_.Tags(); }
  const std::vector<uint16_t>& FontIds() const { return fontIds_; }
  const std::vector<uint16_t>& UnresolvedIds() const { return unresolved_; }
  PlaceObjectTag* GetPlacement() const { return placement_; }
  SetBackgroundColorTag* GetBackgroundTag() const { return background_; }

 private:
  friend class SpriteDependencyCollector;
  void Clear();
  void CollectInto(DefineButtonTag* button, const MovieDefinitionIndex& index, std::unordered_set<uint16_t>& visited);

  DefineButtonTag* button_ = nullptr;
  std::vector<uint16_t> placedIds_;
  SwfTagSet definitions_;
  SwfTagSet buttonTags_;
  std::vector<uint16_t> fontIds_;
  std::vector<uint16_t> unresolved_;
  PlaceObjectTag* placement_ = nullptr;
  SetBackgroundColorTag* background_ = nullptr;
};

// Everything a sprite needs: the definitions placed by it (and, as the movie's sprites may place
// each other, by every sprite of the movie), their fonts and bitmaps, and the nested sprites.
class SpriteDependencyCollector {
 public:
  bool Collect(DefineSpriteTag* sprite, const SwfTagList& movie);
  // Appends the font tags, the definitions, the nested sprites and, with `withSprite`, the
  // sprite: every definition comes before its users.
  bool AppendTagsTo(SwfTagRefs& list, bool withSprite) const;

  const SwfTagRefs& FontTags() const { return fontTags_.Tags(); }
  const SwfTagRefs& DefinitionTags() const { return definitions_.Tags(); }
  const SwfTagRefs& NestedSprites() const { return nestedSprites_.Tags(); }
  const std::vector<uint16_t>& PlacedIds() const { return placedIds_; }
  const std::vector<uint16_t>& FontIds() const { return fontIds_; }
  // Ids placed, filled with or written with that nothing in the movie defines; a copy with
  // any of them would be incomplete.
  const std::vector<uint16_t>& UnresolvedIds() const { return unresolved_; }
  DefineSpriteTag* GetSprite() const { return sprite_; }
  PlaceObjectTag* GetPlacement() const { return placement_; }
  SetBackgroundColorTag* GetBackgroundTag() const { return background_; }

 private:
  void Clear();

  SwfTagSet fontTags_;
  SwfTagSet definitions_;
  SwfTagSet nestedSprites_;
  std::vector<uint16_t> placedIds_;
  std::vector<uint16_t> fontIds_;
  std::vector<uint16_t> unresolved_;
  DefineSpriteTag* sprite_ = nullptr;
  PlaceObjectTag* placement_ = nullptr;
  SetBackgroundColorTag* background_ = nullptr;
};

// Two ways of cutting a tag list apart: into frames, and into a movie's own tags, its
// definitions and a sprite that carries its timeline.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/DefineSpriteTag.h"
#include "swf/SwfTagList.h"

// The tags of a list by frame; the lists point into the list that was split.
class FrameTagSplitter {
 public:
  // Frame 0 starts the first list; every ShowFrame starts the list of the next frame and is
  // its first tag. Depths placed by PlaceObject and PlaceObject2 and the ids of the
  // definitions are gathered on the way, each once, in order of appearance.
  void Split(const SwfTagList& tags);

  const std::vector<SwfTagRefs>& Frames() const { return frames_; }
  const std::vector<uint16_t>& Depths() const { return depths_; }
  const std::vector<uint16_t>& DefinedIds() const { return ids_; }

 private:
  std::vector<SwfTagRefs> frames_;
  std::vector<uint16_t> depths_;
  std::vector<uint16_t> ids_;
};

// A movie turned into a sprite: the timeline tags go into the sprite, End, SetBackgroundColor
// and Protect stay with the movie, and everything else (definitions first of all) is kept
// beside them. The splitter owns the tags it was given.
class MovieToSpriteSplitter {
 public:
  MovieToSpriteSplitter() : sprite_(std::make_unique<DefineSpriteTag>(0, 0)) {}

  void Split(SwfTagList tags);

  const SwfTagList& MovieTags() const { return movieTags_; }
  const SwfTagList& Definitions() const { return definitions_; }
  DefineSpriteTag& Sprite() const { return *sprite_; }
  // The smallest and largest id the definitions define (font infos count their font), 0 when
  // there is none; id 0 is not counted.
  uint16_t GetSmallestId() const { return smallestId_; }
  uint16_t GetLargestId() const { return largestId_; }

 private:
  SwfTagList movieTags_;
  SwfTagList definitions_;
  std::unique_ptr<DefineSpriteTag> sprite_;
  uint16_t smallestId_ = 0;
  uint16_t largestId_ = 0;
};

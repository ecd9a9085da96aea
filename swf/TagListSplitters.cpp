#include "swf/TagListSplitters.h"

#include <algorithm>

#include "swf/DisplayListTags.h"
#include "swf/FontTags.h"

namespace {

void AddOnce(std::vector<uint16_t>& ids, uint16_t id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

bool IsTimelineCode(int code) {
  switch (code) {
    case kSwfTagShowFrame:
    case kSwfTagFreeCharacter:
    case kSwfTagPlaceObject:
    case kSwfTagRemoveObject:
    case kSwfTagDoAction:
    case kSwfTagStartSound:
    case kSwfTagSoundStreamHead:
    case kSwfTagSoundStreamBlock:
    case kSwfTagPlaceObject2:
    case kSwfTagRemoveObject2:
    case kSwfTagSoundStreamHead2:
    case kSwfTagVideoFrame: return true;
    default: return false;
  }
}

}  // namespace

void FrameTagSplitter::Split(const SwfTagList& tags) {
  frames_.assign(1, SwfTagRefs());
  depths_.clear();
  ids_.clear();
  for (const auto& item : tags) {
    SwfTag* tag = item.get();
    if (tag->TagCode() == kSwfTagShowFrame) frames_.emplace_back();
    frames_.back().push_back(tag);
    if (const auto* place = dynamic_cast<const PlaceObjectTag*>(tag)) AddOnce(depths_, place->depth);
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id)) AddOnce(ids_, id);
  }
}

void MovieToSpriteSplitter::Split(SwfTagList tags) {
  for (auto& tag : tags) {
    const int code = tag->TagCode();
    if (code == kSwfTagEnd || code == kSwfTagSetBackgroundColor || code == kSwfTagProtect) {
      movieTags_.push_back(std::move(tag));
      continue;
    }
    if (IsTimelineCode(code)) {
      tag = sprite_->AddTag(std::move(tag));
      if (!tag) continue;
    }
    uint16_t id = 0;
    bool defines = GetDefinedCharacterId(*tag, id);
    if (const auto* info = dynamic_cast<const DefineFontInfoTag*>(tag.get())) {
      id = info->fontId;
      defines = true;
    }
    if (defines && id != 0) {
      smallestId_ = smallestId_ == 0 ? id : std::min(smallestId_, id);
      largestId_ = std::max(largestId_, id);
    }
    definitions_.push_back(std::move(tag));
  }
}

#include "swf/DefineSpriteTag.h"

#include <algorithm>

#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfRelocation.h"
#include "swf/SwfTagList.h"

namespace {

bool IsSoundTag(int code) {
  return code == kSwfTagStartSound || code == kSwfTagSoundStreamHead || code == kSwfTagSoundStreamBlock ||
         code == kSwfTagSoundStreamHead2;
}

}  // namespace

DefineSpriteTag::DefineSpriteTag(int id, uint16_t frames) : frameCount_(frames) { SetCharacterId(id); }

DefineSpriteTag::~DefineSpriteTag() = default;

bool DefineSpriteTag::IsAllowedChild(int code) {
  switch (code) {
    case kSwfTagEnd:
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
    case kSwfTagFrameLabel:
    case kSwfTagSoundStreamHead2:
    case kSwfTagDefineVideoStream:
    case kSwfTagVideoFrame: return true;
    default: return false;
  }
}

bool DefineSpriteTag::MovesWithSprite(int code) {
  switch (code) {
    case kSwfTagFreeCharacter:
    case kSwfTagPlaceObject:
    case kSwfTagRemoveObject:
    case kSwfTagStartSound:
    case kSwfTagPlaceObject2:
    case kSwfTagRemoveObject2:
    case kSwfTagDefineVideoStream:
    case kSwfTagVideoFrame: return true;
    default: return false;
  }
}

std::unique_ptr<SwfTag> DefineSpriteTag::AddTag(std::unique_ptr<SwfTag> tag) {
  if (!tag || !IsAllowedChild(tag->TagCode())) return tag;
  if (tag->TagCode() == kSwfTagShowFrame && frameCount_ != 0xFFFF) ++frameCount_;
  children_.push_back(std::move(tag));
  return nullptr;
}

std::unique_ptr<SwfTag> DefineSpriteTag::AddTagToFrame(std::unique_ptr<SwfTag> tag, int frame) {
  if (frame < 0 || frame >= 0xFFFF) return tag;
  if (frameCount_ < frame + 1) {
    if (!children_.empty() && children_.back()->TagCode() == kSwfTagEnd) children_.pop_back();
    while (frameCount_ < frame + 1) {
      children_.push_back(std::make_unique<ShowFrameTag>());
      ++frameCount_;
    }
  }
  if (!tag) return nullptr;
  int shown = 0;
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if ((*it)->TagCode() != kSwfTagShowFrame) continue;
    if (shown == frame) {
      children_.insert(it, std::move(tag));
      return nullptr;
    }
    ++shown;
  }
  return tag;
}

std::unique_ptr<SwfTag> DefineSpriteTag::AddTagToLastFrame(std::unique_ptr<SwfTag> tag) {
  for (size_t i = children_.size(); i-- > 0;) {
    if (children_[i]->TagCode() != kSwfTagShowFrame) continue;
    if (i == 0) break;
    if (!tag) return nullptr;
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i), std::move(tag));
    return nullptr;
  }
  return AddTagToFrame(std::move(tag), 0);
}

std::unique_ptr<SwfTag> DefineSpriteTag::AddTagToFirstFrame(std::unique_ptr<SwfTag> tag, bool atStart) {
  if (!atStart) return AddTagToFrame(std::move(tag), 0);
  if (tag) children_.insert(children_.begin(), std::move(tag));
  return nullptr;
}

void DefineSpriteTag::ClearTags() {
  children_.clear();
  readWithoutEnd_ = false;
  frameCount_ = 0;
  lowestDepth_ = -1;
  highestDepth_ = -1;
}

std::vector<std::unique_ptr<SwfTag>> DefineSpriteTag::TakeTags() {
  std::vector<std::unique_ptr<SwfTag>> taken;
  taken.swap(children_);
  return taken;
}

size_t DefineSpriteTag::Read(SwfReader& reader) {
  ClearTags();
  const size_t before = reader.GetPosition();
  characterId_ = reader.ReadU16();
  frameCount_ = reader.ReadU16();
  if (!reader.EnterSpriteNesting()) {
    // Too deep: the rest of the body is not read, and the reader knows why.
    reader.Skip(reader.GetRemaining());
    reader.SetOverrun(true);
    return reader.GetPosition() - before;
  }
  SwfReader children;
  children.ParseTags(&reader, 0);
  reader.LeaveSpriteNesting();
  children_ = children.TakeTags();
  // A body without End keeps none: the player does not loop such a sprite.
  const auto* end = children_.empty() ? nullptr : dynamic_cast<const EndTag*>(children_.back().get());
  if (end != nullptr && end->addedAtEndOfData) {
    children_.pop_back();
    readWithoutEnd_ = true;
  }
  for (const auto& child : children_) {
    const auto* place = dynamic_cast<const PlaceObjectTag*>(child.get());
    if (place == nullptr) continue;
    const int depth = place->depth;
    lowestDepth_ = lowestDepth_ < 0 ? depth : std::min(lowestDepth_, depth);
    highestDepth_ = std::max(highestDepth_, depth);
  }
  return reader.GetPosition() - before;
}

size_t DefineSpriteTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  // A modest reservation: most children are small, and the buffer grows as needed.
  body.Reserve(std::min<size_t>(children_.size() * 64 + 16, size_t{1} << 20));
  body.WriteU16(characterId_);
  body.WriteU16(frameCount_);
  for (const auto& child : children_) {
    if (writer.GetNoSound() && IsSoundTag(child->TagCode())) continue;
    child->Write(body);
  }
  if (!readWithoutEnd_ && (children_.empty() || children_.back()->TagCode() != kSwfTagEnd)) EndTag().Write(body);
  return WriteWithBody(writer, body, false);
}

void DefineSpriteTag::Relocate(int idDelta, int, int frameDelta) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
  for (const auto& child : children_) {
    if (MovesWithSprite(child->TagCode())) child->Relocate(idDelta, 0, frameDelta);
  }
}

bool DefineSpriteTag::CanRelocate(int idDelta, int, int frameDelta) const {
  if (!SwfU16Fits(characterId_, idDelta)) return false;
  return std::all_of(children_.begin(), children_.end(), [&](const std::unique_ptr<SwfTag>& child) {
    return !MovesWithSprite(child->TagCode()) || child->CanRelocate(idDelta, 0, frameDelta);
  });
}

// The ids of the timeline: what each child defines and names. The children's placements and
// depths belong to the sprite's own timeline, not to the one that holds the sprite.
void DefineSpriteTag::CollectReferences(SwfTagReferences& refs) const {
  for (const auto& child : children_) {
    uint16_t defined = 0;
    if (GetDefinedCharacterId(*child, defined)) refs.ids.push_back(defined);
    SwfTagReferences named;
    child->CollectReferences(named);
    refs.ids.insert(refs.ids.end(), named.ids.begin(), named.ids.end());
  }
}

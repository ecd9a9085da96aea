// DefineSprite (39): a movie clip, a character with a timeline of its own child tags.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/SwfRecord.h"

class DefineSpriteTag : public SwfCharacterTag {
 public:
  explicit DefineSpriteTag(int id = 0, uint16_t frames = 0);
  DefineSpriteTag(const DefineSpriteTag&) = delete;
  DefineSpriteTag& operator=(const DefineSpriteTag&) = delete;
  ~DefineSpriteTag() override;

  int TagCode() const override { return kSwfTagDefineSprite; }

  // Whether a tag of this code may stand in a sprite's timeline: End, ShowFrame,
  // FreeCharacter, PlaceObject, RemoveObject, DoAction, StartSound, the sound-stream tags,
  // PlaceObject2, RemoveObject2, FrameLabel, DefineVideoStream and VideoFrame.
  static bool IsAllowedChild(int code);
  // Whether a child of this code is relocated with the sprite: FreeCharacter, PlaceObject,
  // RemoveObject, StartSound, PlaceObject2, RemoveObject2, DefineVideoStream and VideoFrame.
  static bool MovesWithSprite(int code);

  // Appends a tag whose code is allowed (a ShowFrame adds a frame) and returns null; a tag
  // of any other code is handed back.
  std::unique_ptr<SwfTag> AddTag(std::unique_ptr<SwfTag> tag);
  // Makes sure the sprite has frame `frame` (0-based): a last End child is removed and
  // ShowFrames are appended until the frame count is frame + 1. Then the tag (when given) is
  // inserted just before the ShowFrame that ends that frame, and null is returned. When no
  // such ShowFrame exists (the frame count was high enough but the children hold fewer
  // ShowFrames) the tag is handed back.
  std::unique_ptr<SwfTag> AddTagToFrame(std::unique_ptr<SwfTag> tag, int frame);
  // Inserts the tag just before the last ShowFrame; with no ShowFrame, or when the last one is
  // the first child, as AddTagToFrame with frame 0.
  std::unique_ptr<SwfTag> AddTagToLastFrame(std::unique_ptr<SwfTag> tag);
  // With `atStart` the tag becomes the first child; otherwise AddTagToFrame with frame 0.
  std::unique_ptr<SwfTag> AddTagToFirstFrame(std::unique_ptr<SwfTag> tag, bool atStart);
  // Deletes the children and sets the frame count to 0.
  void ClearTags();
  // Gives the children away (the list is left empty); the frame count stays.
  std::vector<std::unique_ptr<SwfTag>> TakeTags();

  // u16 id, u16 frame count, then the children up to the child End tag or the end of the
  // sprite's body. A body that ends without End gives children without one, and the sprite
  // remembers it (ReadWithoutEnd). Sprites nested deeper than kSwfMaxSpriteNesting are
  // refused (the reader is marked and the body counts as unreadable).
  size_t Read(SwfReader& reader) override;
  // Header, id, frame count and the children; sound children are left out under the
  // writer's no-sound flag; an End is added when the last child is not one, except for a
  // sprite read without End, which is written without one as it was read (the player loops
  // a sprite that ends with End, and does not loop one without).
  size_t Write(SwfBitWriter& writer) override;
  // The sprite id moves by idDelta; FreeCharacter, PlaceObject, RemoveObject, StartSound,
  // PlaceObject2, RemoveObject2, DefineVideoStream and VideoFrame children move their ids
  // and frames, never their depths (a sprite's depths are its own).
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  const std::vector<std::unique_ptr<SwfTag>>& Children() const { return children_; }
  uint16_t GetFrameCount() const { return frameCount_; }
  void SetFrameCount(uint16_t count) { frameCount_ = count; }
  // Lowest and highest depth placed by PlaceObject or PlaceObject2 children as found by
  // Read; -1 and -1 when there is none.
  int GetLowestDepth() const { return lowestDepth_; }
  int GetHighestDepth() const { return highestDepth_; }
  // The sprite was read from a body without End (ClearTags forgets it).
  bool ReadWithoutEnd() const { return readWithoutEnd_; }

 private:
  uint16_t frameCount_;
  std::vector<std::unique_ptr<SwfTag>> children_;
  int lowestDepth_ = -1;
  int highestDepth_ = -1;
  bool readWithoutEnd_ = false;
};

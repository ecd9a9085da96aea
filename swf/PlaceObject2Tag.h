// PlaceObject2 (26): places, moves or replaces a character at a depth, with an optional
// matrix, colour transform with alpha, ratio, instance name, clip depth and clip actions
// (event handlers of a placed sprite).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"

// One clip event handler: the events it answers, and its actions.
class ClipActionRecord : public SwfRecord {
 public:
  static constexpr uint32_t kKeyPressEvent = 0x20000;

  // Key code 0 and a new empty action list.
  explicit ClipActionRecord(uint32_t events = 0);
  ClipActionRecord(const ClipActionRecord&) = delete;
  ClipActionRecord& operator=(const ClipActionRecord&) = delete;
  ~ClipActionRecord() override;

  void AddAction(std::unique_ptr<ActionRecord> action);
  // Replaces the list (null gives an empty one).
  void SetActions(std::unique_ptr<DoActionTag> list);
  // Branch tracking of the list; its open branches are kept.
  void SetBranchTracking(bool on);

  uint32_t eventFlags;
  uint32_t actionSize = 0;  // the record size as read
  uint8_t keyCode = 0;      // with the key-press event
  std::unique_ptr<DoActionTag> actions;
};

class PlaceObject2Tag : public PlaceObjectTag {
 public:
  // Empty name, no matrix, no colour transform, no clip actions; then Reset.
  PlaceObject2Tag();
  // Copies id, depth, ratio, name, clip depth, the matrix and colour transform (deep) and
  // the six flags; clip actions are not copied.
  PlaceObject2Tag(const PlaceObject2Tag& other);
  PlaceObject2Tag& operator=(const PlaceObject2Tag&) = delete;
  // The same onto this tag; the matrix and colour transform are replaced when the other
  // has them. Returns this tag.
  PlaceObject2Tag& CopyFrom(const PlaceObject2Tag& other);

  int TagCode() const override { return kSwfTagPlaceObject2; }
  // Id 0, ratio 0, clip depth 0, all six flags clear, clip-action version 4.
  void Reset() override;
  // Stores the id and sets HasCharacter.
  void SetCharacterId(int id) override;
  // Also deletes the colour transform and the clip actions, and empties the name.
  void ClearTransforms() override;

  void SetName(const WideString& text);
  void SetColorTransform(std::unique_ptr<SwfCxformWithAlpha> transform) { colorTransformAlpha = std::move(transform); }
  // Ignores null; appends the record and sets HasClipActions.
  void AddClipAction(std::unique_ptr<ClipActionRecord> record);

  // Clip-action records are read inside their declared sizes, and the list ends at the end
  // of the body when its terminator is missing.
  size_t Read(SwfReader& reader) override;
  // HasCharacter is written when set or when the id is not 0. Clip-action records whose
  // event flags are 0 in the written width are left out (they would end the list). The
  // all-event flags are those read (allEventFlagsAsRead), else the union of the records'.
  size_t Write(SwfBitWriter& writer) override;

  // The id moves only with HasCharacter; depth and clip depth saturate like every depth.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  // Offset of the clip-depth field from the start of the tag (header included), or 0 when
  // the tag has no clip depth; measured on the tag as written with its own clip-action
  // version, its stored HasCharacter flag and its stored all-event flags (when not 0).
  size_t GetClipDepthOffset();

  uint16_t ratio = 0;
  WideString name;
  uint16_t clipDepth = 0;
  std::unique_ptr<SwfCxformWithAlpha> colorTransformAlpha;
  bool hasClipActions = false;
  bool hasClipDepth = false;
  bool hasName = false;
  bool hasRatio = false;
  bool hasCharacter = false;
  bool move = false;
  uint32_t allEventFlags = 0;  // as read
  // The placement was read with clip actions: its all-event flags are written as read. A
  // placement the program builds (or whose records it changes with AddClipAction) writes
  // the union of its records' events.
  bool allEventFlagsAsRead = false;
  std::vector<std::unique_ptr<ClipActionRecord>> clipActions;
  uint8_t clipActionVersion = 4;

 private:
  struct BodyOptions {
    uint8_t clipActionVersion;
    bool characterFlag;
    uint32_t allEventFlags;  // 0: the OR of the records', unless given as it stands
    bool allEventFlagsAsGiven;
  };
  void WriteBody(SwfBitWriter& body, const BodyOptions& options, size_t* clipDepthAt);
  void ReadClipActions(SwfReader& reader);
};

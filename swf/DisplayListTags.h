// The tags that change the display list: ShowFrame, FreeCharacter, PlaceObject,
// RemoveObject and RemoveObject2 (PlaceObject2 is in swf/PlaceObject2Tag.h).
//
// Depths move by one rule in every placing and removing tag (see swf/SwfRelocation.h).
#pragma once

#include <cstdint>
#include <memory>

#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

// The largest character id read from PlaceObject and PlaceObject2 tags since the last reset
// (process-wide; readers run on the application's one thread).
void ResetCharacterIdRange();
uint16_t GetMaxCharacterIdRead();
// Raises the maximum to `id` when it is larger (used by the placement readers).
void NoteCharacterIdRead(uint16_t id);

class ShowFrameTag : public SwfTag {
 public:
  int TagCode() const override { return kSwfTagShowFrame; }
  size_t Write(SwfBitWriter& writer) override;
};

class FreeCharacterTag : public SwfTag {
 public:
  explicit FreeCharacterTag(uint16_t id = 0) : characterId(id) {}

  int TagCode() const override { return kSwfTagFreeCharacter; }
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t characterId;
};

class PlaceObjectTag : public SwfTag {
 public:
  PlaceObjectTag() = default;
  PlaceObjectTag(const PlaceObjectTag&) = delete;
  PlaceObjectTag& operator=(const PlaceObjectTag&) = delete;

  int TagCode() const override { return kSwfTagPlaceObject; }

  virtual void SetCharacterId(int id);
  // Deletes the matrix and the colour transform.
  virtual void ClearTransforms();
  // Replaces the matrix (null removes it).
  void SetMatrix(std::unique_ptr<SwfMatrix> newMatrix) { matrix = std::move(newMatrix); }

  // u16 id, u16 depth, MATRIX, and a CXFORM when the body has bytes left after the matrix.
  size_t Read(SwfReader& reader) override;
  // A missing matrix is written as the identity (the field is not optional).
  size_t Write(SwfBitWriter& writer) override;

  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t characterId = 0;
  uint16_t depth = 0;
  std::unique_ptr<SwfMatrix> matrix;
  std::unique_ptr<SwfCxform> colorTransform;  // PlaceObject only; PlaceObject2 has its own
};

class RemoveObjectTag : public SwfTag {
 public:
  RemoveObjectTag(uint16_t id = 0, uint16_t removeDepth = 0) : characterId(id), depth(removeDepth) {}

  int TagCode() const override { return kSwfTagRemoveObject; }
  // u16 id, u16 depth.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t characterId;
  uint16_t depth;
};

// RemoveObject2 uses only the depth.
class RemoveObject2Tag : public RemoveObjectTag {
 public:
  explicit RemoveObject2Tag(uint16_t removeDepth = 0) : RemoveObjectTag(0, removeDepth) {}

  int TagCode() const override { return kSwfTagRemoveObject2; }
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;
};

// The button tags: DefineButton, DefineButton2, DefineButtonCxform and DefineButtonSound, and
// the BUTTONRECORD that places one character in the button's states.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/DoActionTag.h"
#include "swf/SoundTags.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

// One character of a button's states.
class ButtonRecord {
 public:
  enum StateFlags : uint8_t {
    kHasBlendMode = 0x20,   // DefineButton2 records of SWF 8 and later
    kHasFilterList = 0x10,  // likewise
    kHitTest = 0x08,
    kDown = 0x04,
    kOver = 0x02,
    kUp = 0x01,
  };

  ButtonRecord() = default;
  ButtonRecord(const ButtonRecord&) = delete;
  ButtonRecord& operator=(const ButtonRecord&) = delete;

  // UI8 flags, UI16 id, UI16 depth, MATRIX; with the colour transform (DefineButton2) then
  // CXFORMWITHALPHA and, as their flags announce, the filter list and the blend mode as kept.
  size_t Write(SwfBitWriter& writer, bool withColorTransform) const;

  uint8_t stateFlags = 0;  // other bits stay as read
  uint16_t characterId = 0;
  uint16_t depth = 0;
  std::unique_ptr<SwfMatrix> matrix;
  std::unique_ptr<SwfCxformWithAlpha> colorTransform;  // DefineButton2 only
  // The FILTERLIST of a record with kHasFilterList, kept as its bytes (count byte included).
  std::vector<uint8_t> filterList;
  uint8_t blendMode = 0;  // with kHasBlendMode
};

// Reads the rest of one BUTTONRECORD after its flag byte. A filter list of an unknown filter
// is a format error.
std::unique_ptr<ButtonRecord> ReadButtonRecord(SwfReader& reader, uint8_t stateFlags, bool withColorTransform);

// DefineButton (7): button records and one action list run on release.
class DefineButtonTag : public SwfCharacterTag {
 public:
  DefineButtonTag() = default;
  DefineButtonTag(const DefineButtonTag&) = delete;
  DefineButtonTag& operator=(const DefineButtonTag&) = delete;

  // Deletes every action list and every button record.
  virtual void Clear();

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineButton; }
  // The id and every record's character id move by idDelta and its depth by depthDelta; the
  // action lists move only when frameDelta is not 0.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::vector<std::unique_ptr<ButtonRecord>> records;
  std::vector<std::unique_ptr<DoActionTag>> actions;

 protected:
  void RelocateRecordsAndActions(int idDelta, int depthDelta, int frameDelta);
  size_t ReadRecords(SwfReader& reader, bool withColorTransform);
};

// DefineButton2 (34): records with colour transforms and action lists by condition.
class DefineButton2Tag : public DefineButtonTag {
 public:
  // Condition bits (the low byte is the first byte of the file's condition field).
  enum Conditions : uint16_t {
    kIdleToOverDown = 0x0080,
    kOutDownToIdle = 0x0040,
    kOutDownToOverDown = 0x0020,
    kOverDownToOutDown = 0x0010,
    kOverDownToOverUp = 0x0008,
    kOverUpToOverDown = 0x0004,
    kOverUpToIdle = 0x0002,
    kIdleToOverUp = 0x0001,
    kOverDownToIdle = 0x0100,
    kKeyPressMask = 0xFE00,
  };

  // Also deletes the condition codes and clears the track-as-menu byte.
  void Clear() override;
  // Deletes every condition action list and the condition codes; the records stay.
  void ClearConditionActions();
  // Appends the code and the list (the tag takes it). Returns true.
  bool AddConditionAction(uint16_t condition, std::unique_ptr<DoActionTag> list);

  // Each condition is read inside the size its header declares; a declared size that does not
  // fit the body is a format error.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineButton2; }

  std::vector<uint16_t> conditionCodes;  // parallel to actions
  uint8_t trackAsMenu = 0;
};

// DefineButtonCxform (23): the colour transform of a DefineButton; the id is the button's.
class DefineButtonCxformTag : public SwfCharacterTag {
 public:
  DefineButtonCxformTag() : colorTransform(std::make_unique<SwfCxform>()) {}

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineButtonCxform; }
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::unique_ptr<SwfCxform> colorTransform;
};

// DefineButtonSound (17): the sounds of four transitions of a button; the id is the button's.
class DefineButtonSoundTag : public SwfCharacterTag {
 public:
  // Transitions, in the order of the tag.
  enum Transition : int { kOverUpToIdle = 0, kIdleToOverUp = 1, kOverUpToOverDown = 2, kOverDownToOverUp = 3 };

  // UI16 id, then per transition UI16 sound id and, when that is not 0, its SOUNDINFO.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineButtonSound; }
  // The button id and every sound id that is not 0.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::array<uint16_t, 4> soundIds{};
  std::array<SoundInfo, 4> soundInfos;
};

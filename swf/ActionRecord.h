// The root of every SWF action object (ACTIONRECORD).
//
// An action reads its body after the list reader has consumed its code byte,
// writes its whole record (code, length, payload) and reports from Size() the
// bytes Write() produces, so that action lists can do their branch bookkeeping
// without writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/WideString.h"
#include "swf/SwfRecord.h"

// The SWF version whose string form the Size() of a newly built action counts
// (UTF-8). Actions read from a movie count in the form of the movie they came from.
inline constexpr uint8_t kActionDefaultTextVersion = 6;

// What an action object is, for callers that must look at its fields. Objects
// read from a movie whose bytes do not fit their layout are ActionGeneric
// (Kind Generic) whatever their code, so code and kind can differ.
enum class ActionKind {
  Simple,  // a code byte alone (and Call); no fields
  Generic,
  GotoFrame,
  GetUrl,
  StoreRegister,
  WaitForFrame,
  SetTarget,
  GoToLabel,
  WaitForFrame2,
  With,
  Jump,
  GetUrl2,
  DefineFunction,
  If,
  GotoFrame2,
  Push,
  ConstantPool,
};

// Maps a distance that an action counts in Size() units from its own end (a
// branch offset, a block size) to the distance in the bytes actually written.
// Action lists use it when a written action differs from its Size() (a text
// whose encoding takes more bytes, an action left out).
class ActionOffsetMap {
 public:
  virtual ~ActionOffsetMap() = default;
  // False when the nominal distance does not land on an action boundary of
  // the list; then the action writes its distance unchanged.
  virtual bool Map(int64_t nominal, int64_t& actual) const = 0;
};

class ActionRecord : public SwfRecord {
 public:
  ~ActionRecord() override = default;

  // Reads the body after the code byte; returns the bytes consumed.
  size_t Read(SwfReader& reader) override;
  // Writes the whole record; returns the bytes written. Default: the code byte.
  size_t Write(SwfBitWriter& writer) override;

  ActionRecord* GetSelf() { return this; }
  virtual uint8_t ActionCode() const { return 0; }
  // Shifts character ids, depths and frame numbers when a movie is merged into another.
  virtual void Relocate(int idDelta, int depthDelta, int frameDelta);
  // Whether Relocate with these deltas keeps every number it moves inside its field. The
  // base moves nothing.
  virtual bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const;
  // The bytes Write() produces, header included.
  virtual uint32_t Size() const { return 1; }

  virtual ActionKind Kind() const { return ActionKind::Simple; }
  // A private copy of the same class (the listing keeps one per line).
  virtual std::unique_ptr<ActionRecord> Clone() const = 0;
  // Writes the record with its branch offset or block sizes translated through the map.
  virtual uint32_t WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map);

  bool IsBranch() const { return Kind() == ActionKind::Jump || Kind() == ActionKind::If; }

 protected:
  ActionRecord() = default;
  ActionRecord(const ActionRecord&) = default;
  ActionRecord& operator=(const ActionRecord&) = default;

  // Writes code, u16 payload length and the payload; returns the bytes written.
  static size_t WritePayload(SwfBitWriter& writer, uint8_t code, SwfBitWriter& payload);
  // Bytes of a text operand with its terminator in the given version's string form.
  static uint32_t TextSize(const WideString& text, uint8_t version);
  // Writes a text operand and its 0 terminator; returns the bytes written.
  static size_t WriteText(SwfBitWriter& writer, const WideString& text);
  // Reads a text operand up to its 0 byte; false when the range ends before one.
  static bool ReadText(SwfReader& reader, WideString& text, bool detectPaths);
};

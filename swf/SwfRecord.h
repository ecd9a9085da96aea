// Base classes of the SWF object model: every record, tag and action reads itself from a
// SwfReader and writes itself into a SwfBitWriter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagCodes.h"

class SwfRecord {
 public:
  SwfRecord() = default;
  SwfRecord(const SwfRecord&) = default;
  SwfRecord& operator=(const SwfRecord&) = default;
  virtual ~SwfRecord();

  // Reads the record's fields; returns the bytes consumed. The base reads nothing.
  virtual size_t Read(SwfReader& reader);
  // Writes the record; returns the bytes written. The base writes nothing.
  virtual size_t Write(SwfBitWriter& writer);
};

// The character ids and depths a tag names, apart from the id it defines. `ids` holds every id
// named (a sprite's include those of its timeline, the ids its children define among them);
// `placedIds` the ids the tag itself shows or starts on a timeline (a placement with a character,
// StartSound, VideoFrame); `depths` the depths the tag places or removes at. Tags kept as bytes
// fill only `ids`, from the bytes of the tags whose layout is known.
struct SwfTagReferences {
  std::vector<uint16_t> ids;
  std::vector<uint16_t> placedIds;
  std::vector<uint16_t> depths;
};

// Largest body length a short tag header carries; longer bodies get the long form.
inline constexpr uint32_t kSwfShortTagMaxLength = 62;

class SwfTag : public SwfRecord {
 public:
  // Restores the tag's default field values; the base does nothing.
  virtual void Reset();
  // The tag's SWF code.
  virtual int TagCode() const = 0;
  // Adds idDelta to every character id the tag defines or refers to, depthDelta to every
  // depth and frameDelta to every frame number. The base does nothing.
  virtual void Relocate(int idDelta, int depthDelta, int frameDelta);
  // Whether Relocate with these deltas keeps every id, depth and frame number the tag moves
  // inside its field, so that nothing wraps or saturates. The base moves nothing.
  virtual bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const;
  // Appends the ids and depths the tag names to `refs`. The base names none.
  virtual void CollectReferences(SwfTagReferences& refs) const;

  // Writes the record header of a tag body of the given length: the short form
  // (code << 6 | length) for lengths up to 62 unless forced, else code << 6 | 0x3F and a
  // u32 length. A length beyond the u32 range is written as 0xFFFFFFFF.
  static void WriteTagHeader(const SwfTag& tag, SwfBitWriter& writer, uint64_t bodyLength, bool forceLong);
  static void WriteTagHeader(int code, SwfBitWriter& writer, uint64_t bodyLength, bool forceLong);
  // The same header bytes as a new byte vector.
  static std::vector<uint8_t> MakeTagHeader(const SwfTag& tag, uint64_t bodyLength, bool forceLong);
  static std::vector<uint8_t> MakeTagHeader(int code, uint64_t bodyLength, bool forceLong);

  // The write pattern of every tag: header for the body's byte count, then the body
  // (flushed first). Returns the bytes added to `writer`.
  size_t WriteWithBody(SwfBitWriter& writer, SwfBitWriter& body, bool forceLong) const;
  // A writer for a tag body that carries the target writer's version and no-sound flag.
  static SwfBitWriter MakeBodyWriter(const SwfBitWriter& target);
};

// Base of the tags that define a character.
class SwfCharacterTag : public SwfTag {
 public:
  virtual uint16_t GetCharacterId() const;
  // Stores the low 16 bits.
  virtual void SetCharacterId(int id);

 protected:
  uint16_t characterId_ = 0;
};

// Header of a tag as read from a movie.
struct SwfTagHeader {
  int code = 0;
  uint32_t length = 0;
  bool longForm = false;
};

// Reads a tag record header: u16 code << 6 | length, a length of 0x3F escaping to a u32.
// Returns false (overrun set) when the header itself is cut short.
bool ReadTagHeader(SwfReader& reader, SwfTagHeader& header);

// A tag kept as its code and uninterpreted body bytes.
class RawTag : public SwfTag {
 public:
  RawTag(int code, uint32_t bodyLength);
  RawTag(int code, std::vector<uint8_t> body);
  RawTag(int code, SwfBytes body);

  // Reads the body: the declared length, but never more than the reader's range holds (a
  // shorter body sets the overrun flag and keeps the bytes that exist). The body shares the
  // reader's storage. Returns the bytes consumed.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return code_; }
  void CollectReferences(SwfTagReferences& refs) const override;

  uint32_t GetBodyLength() const { return bodyLength_; }
  const SwfBytes& GetBody() const { return body_; }
  void SetBody(std::vector<uint8_t> body);
  void SetBody(SwfBytes body);

 private:
  int code_;
  uint32_t bodyLength_;
  SwfBytes body_;
};

// Base of the records inside text tags.
class TextRecordBase : public SwfRecord {
 public:
  TextRecordBase(uint8_t flags, bool rgbOnly) : rgbOnly_(rgbOnly), flags_(flags) {}

  size_t Read(SwfReader& reader) override = 0;
  size_t Write(SwfBitWriter& writer) override = 0;
  virtual void SetRgbOnly(bool rgbOnly) { rgbOnly_ = rgbOnly; }
  virtual bool GetRgbOnly() const { return rgbOnly_; }
  // Releases owned parts; the base owns none.
  virtual void Clear();

 protected:
  bool rgbOnly_;
  uint8_t flags_;
};

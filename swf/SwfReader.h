// The input side of the SWF object model: a bounded cursor over the bytes of a movie, and
// the loading of whole movies into tag objects.
//
// Every record, tag and action reads itself from a SwfReader with the primitive reads below.
// The reader never reads outside its current range: the whole data, or a sub-range opened
// with SwfReaderRange for a tag body or any structure that declares its own size. A read
// that would cross the end of the range reads zeros (nothing moves for the byte reads) and
// sets the sticky overrun flag, so count-driven loops stop on HasOverrun() and no length
// taken from the file ever allocates more than the bytes that remain.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfBytes.h"

class SwfBitWriter;
class SwfHeader;
class SwfTag;

// Why a load failed (SwfReader::GetError).
enum SwfReadError : int {
  kSwfReadNoError = 0,
  kSwfReadCannotOpen = 1,     // the file does not open, or is not a regular file
  kSwfReadNotSwf = 2,         // no "FWS" movie (or a "CWS" one that does not inflate, or one handed over in memory)
  kSwfReadOutOfMemory = 3,    // the movie is larger than a reader takes in (or has more than kSwfMaxTagCount tags)
  kSwfReadNestedTooDeep = 4,  // sprites nested deeper than kSwfMaxSpriteNesting
};

// How deeply sprites may be nested inside sprites before a movie is refused.
inline constexpr int kSwfMaxSpriteNesting = 32;

// How many tags (sprite children included) one load reads before the movie is refused with
// kSwfReadOutOfMemory. Far above what real movies hold; it bounds the memory of the tag
// objects, since a tag header takes two bytes of the file and its object some tens of bytes.
inline constexpr uint32_t kSwfMaxTagCount = uint32_t{1} << 21;

class SwfReader {
 public:
  SwfReader();
  // A reader over `bytes` (taken over), with strings decoded for the given SWF version.
  SwfReader(std::vector<uint8_t> bytes, uint8_t version);
  // A reader over a run of bytes, sharing its storage.
  SwfReader(SwfBytes bytes, uint8_t version);
  SwfReader(const SwfReader&) = delete;
  SwfReader& operator=(const SwfReader&) = delete;
  virtual ~SwfReader();

  // Replaces the data; the position, bit position, range and overrun flag start afresh.
  void SetData(std::vector<uint8_t> bytes);
  void SetData(SwfBytes bytes);
  void SetData(const uint8_t* data, size_t size);
  const SwfBytes& GetData() const { return data_; }
  size_t GetSize() const { return data_.size(); }
  // The size of the movie's data as loaded (inflated), also after a parsed file's data was let go.
  size_t GetLoadedSize() const { return data_.empty() ? loadedSize_ : data_.size(); }

  // --- Primitive reads ---------------------------------------------------------------
  // Absolute move inside the current range; a position outside it is clamped to the range
  // and sets the overrun flag. The bit position becomes 0.
  void Seek(size_t position);
  // Relative move forward from the byte-aligned position, clamped like Seek.
  void Skip(size_t count);
  // Moves to the next byte when bits of the current one have been taken.
  void ByteAlign();
  // Reads `count` bits (0..32), most significant first; with `isSigned` the value is
  // sign-extended from `count` bits. A count above 32 is a format error: 0, overrun.
  int32_t ReadBits(int count, bool isSigned) {
    // The common case inline: a field of 1..32 bits wholly in range, with eight bytes of data
    // from its first byte on, taken with one load.
    const uint64_t start = uint64_t{position_} * 8 + static_cast<uint64_t>(bitPosition_);
    const uint64_t end = start + static_cast<uint64_t>(count);
    const size_t first = static_cast<size_t>(start / 8);
    if (count < 1 || count > 32 || end > uint64_t{rangeEnd_} * 8 || first + 8 > data_.size()) {
      return ReadBitsCarefully(count, isSigned);
    }
    const uint64_t word = LoadBigEndian64(data_.data() + first);
    uint32_t value = static_cast<uint32_t>((word << (start % 8)) >> (64 - count));
    // The position stays on the byte that gave the last bit, as far into it as was taken.
    position_ = static_cast<size_t>((end - 1) / 8);
    bitPosition_ = static_cast<int>(end - uint64_t{position_} * 8);
    if (isSigned && count < 32 && (value & (1u << (count - 1))) != 0) value |= ~0u << count;
    return static_cast<int32_t>(value);
  }
  uint32_t ReadUBits(int count) { return static_cast<uint32_t>(ReadBits(count, false)); }
  int32_t ReadSBits(int count) { return ReadBits(count, true); }
  // The byte after the current one when bits are pending, else the current byte; 0 at the
  // end of the range. Nothing moves.
  uint8_t PeekByte() const;
  // Align first; when fewer bytes than needed remain, 0 without moving (overrun set).
  uint8_t ReadU8();
  uint16_t ReadU16();
  int16_t ReadS16() { return static_cast<int16_t>(ReadU16()); }
  uint32_t ReadU32();
  // Aligns, then reads up to `count` bytes into `out` (replacing its content); reads only
  // what remains in the range (overrun when that is less). Returns the bytes read.
  size_t ReadBytes(size_t count, std::vector<uint8_t>& out);
  std::vector<uint8_t> ReadBytes(size_t count);
  // The same bytes as a run sharing the reader's storage: nothing is copied, and the storage
  // stays while the run does.
  SwfBytes ReadShared(size_t count);
  // `size` bytes from `begin` of the data as a run sharing the storage, wherever the reader
  // stands (cut to the data).
  SwfBytes ShareBytes(size_t begin, size_t size);
  // Aligns and reads a string: `byteCount` bytes when not 0, else up to and including a 0
  // byte or to the end of the range. The bytes are decoded for the reader's version and a
  // single trailing NUL character is dropped. With `detectPaths`, a text starting with '/'
  // or with "_root" (any case, longer than 4 characters) sets the absolute-paths flag.
  // Returns the bytes consumed.
  size_t ReadString(WideString& out, size_t byteCount, bool detectPaths);

  // --- State -------------------------------------------------------------------------
  size_t GetPosition() const { return position_; }
  int GetBitPosition() const { return bitPosition_; }
  // Current range: [begin, end) of the data.
  size_t GetRangeBegin() const { return rangeBegin_; }
  size_t GetRangeEnd() const { return rangeEnd_; }
  // Whole bytes left between the byte-aligned position and the end of the range.
  size_t GetRemaining() const;
  // True when at least `count` items of `itemSize` bytes each can still be in the range;
  // callers ask it before reserving memory for a count read from the file.
  bool CanHold(uint64_t count, uint64_t itemSize) const;

  bool HasOverrun() const { return overrun_; }
  void SetOverrun(bool overrun) { overrun_ = overrun; }

  bool HasAbsolutePaths() const { return absolutePaths_; }
  void SetAbsolutePaths(bool value) { absolutePaths_ = value; }

  uint8_t GetVersion() const { return version_; }
  void SetVersion(uint8_t version) { version_ = version; }

  // Body length of the tag being read, as its header declares it (set by the tag loop).
  uint32_t GetCurrentTagLength() const { return currentTagLength_; }
  void SetCurrentTagLength(uint32_t length) { currentTagLength_ = length; }

  // --- Movie loading -------------------------------------------------------------------
  // Every load starts with Reset: the data and the tags go (tags not taken over are
  // deleted), the position and the movie facts start afresh; the error code stays.
  void Reset();
  // Loads a movie file. With `checkSignature` the file must start with "FWS" or "CWS"; a
  // "CWS" movie is inflated in memory (bounded by kSwfMaxInflatedSize) and the compressed flag
  // set. The data taken is the declared file length (or `forcedLength` when not 0), cut to
  // what the file holds. Without the check the file starts at the length field. The header is
  // parsed and, with `parseNow`, all tags (ParseTags). Only regular files are read. After a
  // file is parsed, the reader lets go of its bytes (GetData is then empty): the tags keep
  // the bodies they share, and the pages of the rest go back to the system as the tags are
  // read, so a movie never takes the room of its file beside the room of its objects.
  [[nodiscard]] bool LoadFileWithOptions(const WideString& path, bool checkSignature, uint32_t forcedLength,
                                         bool parseNow);
  // The same with the check and the declared length; the tags are split by ParseTagsLight.
  [[nodiscard]] bool LoadFile(const WideString& path);
  // The same from a memory block. A block starting with 'C' sets the compressed flag and is
  // refused with kSwfReadNotSwf: compressed movies are inflated first (InflateSwf).
  [[nodiscard]] bool LoadFromMemory(const uint8_t* bytes, size_t size, bool checkSignature, uint32_t forcedLength,
                                    bool parseNow);
  // Copies the writer's bytes (flushed first); the header is not parsed. Returns true.
  [[nodiscard]] bool LoadFromWriter(SwfBitWriter& writer);

  // Reads tags from `source` (when not null: a sprite reads its children from its parent's
  // reader, inside the sprite's body) or from this reader, and replaces this reader's tag list
  // with them; the movie facts are recorded in this reader. Every tag is created by CreateTag
  // and reads its body inside the length its header gives; a body its class cannot read
  // (it runs past its end) is kept as a RawTag with the original bytes. Reading stops after
  // the End tag, which is kept, after `stopAfterFrames` ShowFrame tags when that is not 0,
  // or at the end of the data, where an End tag is added. Past kSwfMaxTagCount tags read from
  // the data, reading stops as at the end of the data and the data's reader is marked
  // (HasTooManyTags); a load then fails.
  void ParseTags(SwfReader* source, int stopAfterFrames);
  // Splits the tags without interpreting them: SetBackgroundColor and FrameLabel become
  // their classes, every other tag a RawTag. No facts are recorded. The tag limit holds as
  // for ParseTags.
  void ParseTagsLight();
  // One tag from the current position, created, read and positioned after; null when no
  // tag header is left. The caller owns it.
  std::unique_ptr<SwfTag> ReadNextTag();
  // The tag object for a code (CreateSwfTag), not yet read, recording the movie facts.
  std::unique_ptr<SwfTag> CreateTag(int code, uint32_t bodyLength);

  // The parsed tags; the reader owns them until they are taken.
  std::vector<std::unique_ptr<SwfTag>>& GetTags() { return tags_; }
  std::vector<std::unique_ptr<SwfTag>> TakeTags();
  // With true deletes every tag and empties the list; with false does nothing.
  void FreeTags(bool deleteTags);

  // The header as read by the last load (a default header before).
  const SwfHeader& GetHeader() const;
  int32_t GetFrameWidth() const;
  int32_t GetFrameHeight() const;

  int GetError() const { return error_; }
  // ShowFrame tags created so far (saturating at 65535).
  uint16_t GetFrameCount() const { return frameCount_; }
  bool IsCompressed() const { return compressed_; }
  bool HasPrivateTag() const { return privateTag_; }
  bool IsProtected() const { return protected_; }
  bool HasDebugger() const { return debugger_; }
  bool HasSound() const { return hasSound_; }
  // A tag header declared a body longer than the data left, and the body was cut there.
  bool HasCutTag() const { return cutTag_; }
  void SetCutTag(bool value) { cutTag_ = value; }

  // Sprite nesting while tags are read: Enter fails (and marks the reader) at the limit.
  bool EnterSpriteNesting();
  void LeaveSpriteNesting();
  bool NestedTooDeep() const { return nestedTooDeep_; }

  // Tags read from this reader's data since the last load: Count fails (and marks the reader)
  // once kSwfMaxTagCount have been read.
  bool CountTag();
  bool HasTooManyTags() const { return tooManyTags_; }

 private:
  friend class SwfReaderRange;

  int32_t ReadBitsCarefully(int count, bool isSigned);
  // Gives back the pages of the data read so far that no shared run holds (see DropPages).
  void DropParsedPages();
  static uint64_t LoadBigEndian64(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word;
  }

  bool LoadBytes(SwfBytes bytes, bool checkSignature, uint32_t forcedLength, bool parseNow);
  bool FinishLoad(bool parseNow);

  SwfBytes data_;
  size_t position_ = 0;
  int bitPosition_ = 0;  // bits already taken from data_[position_], 0..8
  size_t rangeBegin_ = 0;
  size_t rangeEnd_ = 0;
  bool overrun_ = false;
  bool absolutePaths_ = false;
  uint8_t version_ = 4;
  uint32_t currentTagLength_ = 0;
  // While a file's tags are parsed: the pages before `dropped_` are given back but for those
  // of the shared runs in `shared_` (ranges of the data, in reading order).
  bool dropParsed_ = false;
  size_t dropped_ = 0;
  size_t loadedSize_ = 0;
  std::vector<std::pair<size_t, size_t>> shared_;

  std::vector<std::unique_ptr<SwfTag>> tags_;
  std::unique_ptr<SwfHeader> header_;
  int error_ = kSwfReadNoError;
  uint16_t frameCount_ = 0;
  int spriteNesting_ = 0;
  bool nestedTooDeep_ = false;
  uint32_t tagCount_ = 0;
  bool tooManyTags_ = false;
  bool compressed_ = false;
  bool privateTag_ = false;
  bool protected_ = false;
  bool debugger_ = false;
  bool hasSound_ = false;
  bool cutTag_ = false;
};

// A sub-range of a reader for a structure of declared size: the range starts at the
// byte-aligned position and covers `length` bytes, cut to what the enclosing range holds.
// While it is open the reader cannot leave it. Closing it (or destroying it) restores the
// enclosing range and moves the reader to the end of the sub-range, however much of it was
// read. An overrun inside the sub-range is reported by Overran(); on closing it carries over
// to the enclosing range unless the range was opened to contain it (a tag body, whose
// reader falls back to keeping the raw bytes, contains it).
class SwfReaderRange {
 public:
  enum class Overrun { Propagate, Contain };

  SwfReaderRange(SwfReader& reader, uint64_t length, Overrun overrun = Overrun::Propagate);
  SwfReaderRange(const SwfReaderRange&) = delete;
  SwfReaderRange& operator=(const SwfReaderRange&) = delete;
  ~SwfReaderRange();

  void Close();

  size_t Begin() const { return begin_; }
  size_t End() const { return end_; }
  // The declared length reached past the enclosing range and was cut.
  bool Truncated() const { return truncated_; }
  // A read inside the sub-range overran it (valid before and after closing).
  bool Overran() const;

 private:
  SwfReader& reader_;
  size_t begin_;
  size_t end_;
  size_t outerBegin_;
  size_t outerEnd_;
  bool outerOverrun_;
  bool innerOverrun_ = false;
  bool truncated_;
  bool contain_;
  bool closed_ = false;
};

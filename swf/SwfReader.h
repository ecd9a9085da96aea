// The input side of the SWF object model: a bounded cursor over the bytes of a movie.
//
// Every record, tag and action reads itself from a SwfReader with the primitive reads below.
// The reader never reads outside its current range: the whole data, or a sub-range opened
// with SwfReaderRange for a tag body or any structure that declares its own size. A read
// that would cross the end of the range reads zeros (nothing moves for the byte reads) and
// sets the sticky overrun flag, so count-driven loops stop on HasOverrun() and no length
// taken from the file ever allocates more than the bytes that remain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WideString.h"

class SwfReader {
 public:
  SwfReader();
  // A reader over a copy of `bytes`, with strings decoded for the given SWF version.
  SwfReader(std::vector<uint8_t> bytes, uint8_t version);
  SwfReader(const SwfReader&) = delete;
  SwfReader& operator=(const SwfReader&) = delete;
  virtual ~SwfReader();

  // Replaces the data; the position, bit position, range and overrun flag start afresh.
  void SetData(std::vector<uint8_t> bytes);
  void SetData(const uint8_t* data, size_t size);
  const std::vector<uint8_t>& GetData() const { return data_; }
  size_t GetSize() const { return data_.size(); }

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
  int32_t ReadBits(int count, bool isSigned);
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

 private:
  friend class SwfReaderRange;

  std::vector<uint8_t> data_;
  size_t position_ = 0;
  int bitPosition_ = 0;  // bits already taken from data_[position_], 0..8
  size_t rangeBegin_ = 0;
  size_t rangeEnd_ = 0;
  bool overrun_ = false;
  bool absolutePaths_ = false;
  uint8_t version_ = 4;
  uint32_t currentTagLength_ = 0;
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

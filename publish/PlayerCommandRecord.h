// Player command records: one command of a projector player (the same commands a movie sends
// with "FSCommand:" addresses), serialised into a byte stream behind a type code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/WideString.h"
#include "swf/ByteStreamWriter.h"

// A length-prefixed byte string of 256 bytes: a count byte, then up to 255 characters.
using PascalString256 = std::array<uint8_t, 256>;

// Stores the text's length in the first byte and then the low byte of each character. A text
// longer than 255 characters is cut to 255.
void CopyToPascalString(PascalString256& destination, const WideString& text);

class StreamRecord {
 public:
  StreamRecord() = default;
  virtual ~StreamRecord() = default;
  StreamRecord(const StreamRecord&) = default;
  StreamRecord& operator=(const StreamRecord&) = default;

  virtual uint32_t GetCode() const { return 0; }
  // Writes the code value; returns the bytes added to the stream.
  virtual size_t Write(ByteStreamWriter& stream) const;
};

class FsCommandRecord : public StreamRecord {
 public:
  // The command kinds, in the order of their numbers.
  enum Kind : int {
    kNone = 0,
    kFullscreenOn,
    kFullscreenOff,
    kAllowScaleOn,
    kAllowScaleOff,
    kShowMenuOn,
    kShowMenuOff,
    kTrapAllKeysOn,
    kTrapAllKeysOff,
    kExec,
    kQuit,
  };
  static constexpr uint32_t kCode = 6;

  // A kind outside 0..10 is taken as kind 0 (both strings empty).
  explicit FsCommandRecord(int kind);

  uint32_t GetCode() const override { return kCode; }
  // The code, the value 0, the command, flag A, the argument, flag B; returns the bytes added.
  size_t Write(ByteStreamWriter& stream) const override;

  const PascalString256& Command() const { return command_; }
  const PascalString256& Argument() const { return argument_; }

 private:
  uint32_t flagA_ = 0;
  uint32_t flagB_ = 0;
  PascalString256 command_{};
  PascalString256 argument_{};
};

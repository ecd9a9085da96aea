// Tags that steer a movie: End, SetBackgroundColor, Protect, FrameLabel, EnableDebugger and
// EnableDebugger2.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfRecord.h"

class EndTag : public SwfTag {
 public:
  int TagCode() const override { return kSwfTagEnd; }
  // An empty body; the tag loop skips anything a movie puts there.
  size_t Write(SwfBitWriter& writer) override;

  // Set on the End the tag loop adds where the data ended without one.
  bool addedAtEndOfData = false;
};

class SetBackgroundColorTag : public SwfTag {
 public:
  SetBackgroundColorTag() = default;
  SetBackgroundColorTag(uint8_t red, uint8_t green, uint8_t blue) : colour(red, green, blue) {}

  int TagCode() const override { return kSwfTagSetBackgroundColor; }
  // The colour as 0x00BBGGRR.
  uint32_t GetColor() const;

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  SwfRgb colour;
};

// Protect: a new tag has an empty body; one read from a movie keeps its body (the hash of
// the password that the authoring tool asks for) and writes it back unchanged.
class ProtectTag : public SwfTag {
 public:
  int TagCode() const override { return kSwfTagProtect; }

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  std::vector<uint8_t> body;
};

// FrameLabel: the label, and from SWF 6 on the named-anchor byte.
class FrameLabelTag : public SwfTag {
 public:
  // Null gives an empty label; the anchor flag is 0.
  explicit FrameLabelTag(const wchar_t* text = nullptr) : label(text) {}

  int TagCode() const override { return kSwfTagFrameLabel; }

  // The 0-terminated label, then, when the movie's version is above 5 and the body has a
  // byte left, the anchor byte. A body that ends after the label leaves the flag 0.
  size_t Read(SwfReader& reader) override;
  // The label and 0, and the anchor byte when the writer's version is above 5.
  size_t Write(SwfBitWriter& writer) override;

  WideString label;
  uint8_t namedAnchor = 0;
};

class EnableDebuggerTag : public SwfTag {
 public:
  int TagCode() const override { return kSwfTagEnableDebugger; }

  // The 0-terminated password (hash).
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  WideString password;

 protected:
  size_t ReadPassword(SwfReader& reader);
  void WritePassword(SwfBitWriter& body) const;
};

class EnableDebugger2Tag : public EnableDebuggerTag {
 public:
  int TagCode() const override { return kSwfTagEnableDebugger2; }

  // u16 reserved, then the password.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  uint16_t reserved = 0;
};

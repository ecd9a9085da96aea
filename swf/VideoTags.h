// The embedded-video tags: DefineVideoStream and VideoFrame. Video data is held as opaque
// bytes; the program never creates video itself.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/SwfBytes.h"
#include "swf/SwfRecord.h"

// DefineVideoStream (60).
class DefineVideoStreamTag : public SwfCharacterTag {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineVideoStream; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t frameCount = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t videoFlags = 0;  // as read (deblocking and smoothing)
  uint8_t codecId = 0;
};

// VideoFrame (61): one frame of a video stream.
class VideoFrameTag : public SwfTag {
 public:
  // The tag reader passes the length of the tag body.
  explicit VideoFrameTag(int32_t bodyLength = 0) : bodyLength_(bodyLength) {}

  // UI16 stream id, UI16 frame number, then the rest of the body (body length - 4 bytes) as
  // the frame's data. A body shorter than four bytes is a format error.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagVideoFrame; }
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t streamId = 0;
  uint16_t frameNumber = 0;
  SwfBytes data;  // shares the reader's storage when read

 private:
  int32_t bodyLength_;
};

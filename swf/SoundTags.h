// The sound tags: SoundStreamHead and SoundStreamHead2, SoundStreamBlock, DefineSound and
// StartSound, and the SOUNDINFO record that StartSound and DefineButtonSound carry.
//
// Sound data is held as opaque bytes. The format bytes (the stream heads' playback and stream
// bytes, DefineSound's flags byte) share one layout: bits 4-7 format (0 uncompressed, 1 ADPCM,
// 2 MP3, 3 uncompressed little-endian, 6 Nellymoser), bits 2-3 rate (5.5, 11, 22, 44 kHz),
// bit 1 16-bit samples, bit 0 stereo.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/SwfBytes.h"
#include "swf/SwfRecord.h"

inline constexpr uint8_t kSoundFormatMp3 = 2;

// Replaces the bits of `mask` in `byte` by `value` shifted to `shift`.
uint8_t SetSoundFormatBits(uint8_t byte, unsigned value, int shift, uint8_t mask);

struct SoundEnvelopePoint {
  uint32_t position = 0;  // samples at 44 kHz
  uint16_t leftLevel = 0;
  uint16_t rightLevel = 0;
};

class SoundInfo {
 public:
  enum Flags : uint8_t {
    kSyncStop = 0x20,
    kSyncNoMultiple = 0x10,
    kHasEnvelope = 0x08,
    kHasLoops = 0x04,
    kHasOutPoint = 0x02,
    kHasInPoint = 0x01,
  };

  // Flags and values 0, no envelope points.
  void Clear();
  size_t Read(SwfReader& reader);
  // UI8 flags, then the fields the flags announce. The envelope writes at most 255 points,
  // with its count byte matching.
  size_t Write(SwfBitWriter& writer) const;

  bool operator==(const SoundInfo& other) const;

  uint8_t flags = 0;
  uint32_t inPoint = 0;
  uint32_t outPoint = 0;
  uint16_t loopCount = 0;
  uint8_t envelopePointCount = 0;  // as read
  std::vector<SoundEnvelopePoint> envelope;
};

// SoundStreamHead (18): the format of the sound stream of a timeline. The character id of the
// base is never written.
class SoundStreamHeadTag : public SwfCharacterTag {
 public:
  void SetFormat(unsigned format) { streamByte = SetSoundFormatBits(streamByte, format, 4, 0xF0); }
  void SetRate(unsigned rate) { streamByte = SetSoundFormatBits(streamByte, rate, 2, 0x0C); }
  void SetSampleSize(unsigned sixteenBit) { streamByte = SetSoundFormatBits(streamByte, sixteenBit, 1, 0x02); }
  void SetStereo(unsigned stereo) { streamByte = SetSoundFormatBits(streamByte, stereo, 0, 0x01); }

  // UI8 playback byte, UI8 stream byte, UI16 sample count; the bytes that follow in the
  // body (the seek latency of an MP3 stream) are kept as they are.
  size_t Read(SwfReader& reader) override;
  // The playback byte with its reserved top four bits cleared, then the stored fields and
  // the kept bytes.
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagSoundStreamHead; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint8_t playbackByte = 0;
  uint8_t streamByte = 0;
  uint16_t sampleCount = 0;
  // Bytes after the fixed fields: for an MP3 stream its SI16 seek latency.
  std::vector<uint8_t> trailing;
};

class SoundStreamHead2Tag : public SoundStreamHeadTag {
 public:
  int TagCode() const override { return kSwfTagSoundStreamHead2; }
};

// SoundStreamBlock (19): one block of stream data.
class SoundStreamBlockTag : public SwfTag {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagSoundStreamBlock; }

  SwfBytes data;  // shares the reader's storage when read
};

// DefineSound (14): an event sound; the character id is the sound id.
class DefineSoundTag : public SwfCharacterTag {
 public:
  void SetFormat(unsigned format) { flags = SetSoundFormatBits(flags, format, 4, 0xF0); }
  void SetRate(unsigned rate) { flags = SetSoundFormatBits(flags, rate, 2, 0x0C); }
  void SetSampleSize(unsigned sixteenBit) { flags = SetSoundFormatBits(flags, sixteenBit, 1, 0x02); }
  void SetStereo(unsigned stereo) { flags = SetSoundFormatBits(flags, stereo, 0, 0x01); }
  void SetSampleCount(uint32_t count) { sampleCount = count; }

  // UI16 id, UI8 flags, UI32 sample count, the rest of the body as data. A body shorter than
  // those seven bytes is a format error.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDefineSound; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint8_t flags = 0;
  uint32_t sampleCount = 0;
  SwfBytes data;  // shares the reader's storage when read
};

// StartSound (15): starts or stops an event sound.
class StartSoundTag : public SwfTag {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagStartSound; }
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  uint16_t soundId = 0;
  SoundInfo info;
};

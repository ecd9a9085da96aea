// Runs the control, display-list, shape and morph-shape tags over arbitrary bytes: each
// body is read as the tag it is said to be, and whatever reads without running past its
// body must write, read back and write again to the same bytes. Shared by the libFuzzer
// target and the robustness test of tests/swf.
//
// The first input byte picks the tag, the second the SWF version; the rest is the body.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "swf/AssetTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DisplayListTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfRecord.h"

namespace swftagfuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline constexpr int kCodes[] = {0, 1, 2, 3, 4, 5, 9, 22, 24, 26, 28, 32, 43, 46, 56, 57, 58, 64};

inline std::unique_ptr<SwfTag> MakeTag(int code) {
  switch (code) {
    case 0: return std::make_unique<EndTag>();
    case 1: return std::make_unique<ShowFrameTag>();
    case 2: return std::make_unique<DefineShapeTag>();
    case 3: return std::make_unique<FreeCharacterTag>();
    case 4: return std::make_unique<PlaceObjectTag>();
    case 5: return std::make_unique<RemoveObjectTag>();
    case 9: return std::make_unique<SetBackgroundColorTag>();
    case 22: return std::make_unique<DefineShape2Tag>();
    case 24: return std::make_unique<ProtectTag>();
    case 26: return std::make_unique<PlaceObject2Tag>();
    case 28: return std::make_unique<RemoveObject2Tag>();
    case 32: return std::make_unique<DefineShape3Tag>();
    case 43: return std::make_unique<FrameLabelTag>();
    case 46: return std::make_unique<DefineMorphShapeTag>();
    case 56: return std::make_unique<ExportAssetsTag>();
    case 57: return std::make_unique<ImportAssetsTag>();
    case 58: return std::make_unique<EnableDebuggerTag>();
    case 64: return std::make_unique<EnableDebugger2Tag>();
    default: return nullptr;
  }
}

// Reads a body into the tag as the movie's tag loop does; false when it ran past its end.
inline bool ReadBody(SwfTag& tag, const uint8_t* body, size_t size, uint8_t version) {
  SwfReader reader(std::vector<uint8_t>(body, body + size), version);
  reader.SetCurrentTagLength(static_cast<uint32_t>(size));
  SwfReaderRange range(reader, size, SwfReaderRange::Overrun::Contain);
  tag.Read(reader);
  range.Close();
  return !range.Overran();
}

inline std::vector<uint8_t> Written(SwfTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  const size_t reported = tag.Write(writer);
  const std::vector<uint8_t>& bytes = writer.GetBytes();
  Check(reported == bytes.size());
  return bytes;
}

// The body of written tag bytes, checking the header's code and length.
inline std::vector<uint8_t> WrittenBody(const std::vector<uint8_t>& bytes, int code) {
  SwfReader reader(bytes, 4);
  SwfTagHeader header;
  Check(ReadTagHeader(reader, header));
  Check(header.code == code);
  Check(reader.GetPosition() + header.length == bytes.size());
  return std::vector<uint8_t>(bytes.begin() + static_cast<long>(reader.GetPosition()), bytes.end());
}

inline void ExerciseTag(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int code = kCodes[data[0] % (sizeof(kCodes) / sizeof(kCodes[0]))];
  const uint8_t version = static_cast<uint8_t>(3 + data[1] % 8);
  std::unique_ptr<SwfTag> tag = MakeTag(code);
  if (!ReadBody(*tag, data + 2, size - 2, version)) return;  // kept as raw bytes by the loader

  // Whatever the relocation query says, relocating never breaks the tag.
  const int idDelta = static_cast<int>(data[0]) * 97 - 5000;
  const int depthDelta = static_cast<int>(data[1]) * 131 - 9000;
  tag->CanRelocate(idDelta, depthDelta, 0);
  tag->Relocate(idDelta, depthDelta, 0);

  const std::vector<uint8_t> first = Written(*tag, version);
  const std::vector<uint8_t> body = WrittenBody(first, code);
  std::unique_ptr<SwfTag> again = MakeTag(code);
  Check(ReadBody(*again, body.data(), body.size(), version));
  Check(Written(*again, version) == first);

  if (code == 2 || code == 22 || code == 32) {
    std::unique_ptr<SwfTag> copy = MakeTag(code);
    static_cast<DefineShapeTag&>(*copy).CopyFrom(static_cast<DefineShapeTag&>(*again));
    Check(Written(*copy, version) == first);
  }
}

}  // namespace swftagfuzz

// Whole movies in tests: written in memory from a header and a tag list, and compared tag by
// tag after a reading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/DefineSpriteTag.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"

namespace movietest {

using Bytes = std::vector<uint8_t>;
using TagList = std::vector<std::unique_ptr<SwfTag>>;

// The header (as given, its length field patched to the real length), then every tag.
inline Bytes WriteMovie(const SwfHeader& header, const TagList& tags) {
  SwfBitWriter writer(header.version);
  SwfHeader copy = header;
  copy.Write(writer);
  for (const auto& tag : tags) tag->Write(writer);
  Bytes bytes = writer.GetBytes();
  const auto length = static_cast<uint32_t>(bytes.size());
  for (size_t i = 0; i < 4 && 4 + i < bytes.size(); ++i) bytes[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  return bytes;
}

inline Bytes WriteOne(SwfTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  tag.Write(writer);
  return writer.GetBytes();
}

// Tag lists agree when they hold tags of the same codes and kinds (modelled or raw) in the
// same order, with the same character ids and sprite timelines, and each tag writes the same
// bytes. Returns an empty text when they agree, else where they first differ.
// Tags that write nothing (an empty DoAction) are not part of the written movie and are
// passed over in `a`.
inline std::string CompareTags(const TagList& all, const TagList& b, uint8_t version, const std::string& where = "") {
  std::vector<SwfTag*> a;
  for (const auto& tag : all) {
    if (!WriteOne(*tag, version).empty()) a.push_back(tag.get());
  }
  if (a.size() != b.size()) {
    return where + "tag count " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
  }
  for (size_t i = 0; i < a.size(); ++i) {
    const std::string at = where + "tag " + std::to_string(i) + " (code " + std::to_string(a[i]->TagCode()) + ")";
    if (a[i]->TagCode() != b[i]->TagCode()) return at + ": code " + std::to_string(b[i]->TagCode());
    const bool rawA = dynamic_cast<const RawTag*>(a[i]) != nullptr;
    const bool rawB = dynamic_cast<const RawTag*>(b[i].get()) != nullptr;
    if (rawA != rawB) return at + (rawA ? ": raw, then modelled" : ": modelled, then raw");
    const auto* charA = dynamic_cast<const SwfCharacterTag*>(a[i]);
    const auto* charB = dynamic_cast<const SwfCharacterTag*>(b[i].get());
    if (charA != nullptr && charA->GetCharacterId() != charB->GetCharacterId()) return at + ": character id";
    const auto* spriteA = dynamic_cast<const DefineSpriteTag*>(a[i]);
    const auto* spriteB = dynamic_cast<const DefineSpriteTag*>(b[i].get());
    if (spriteA != nullptr) {
      if (spriteA->GetFrameCount() != spriteB->GetFrameCount()) return at + ": sprite frame count";
      const std::string inner = CompareTags(spriteA->Children(), spriteB->Children(), version, at + " > ");
      if (!inner.empty()) return inner;
    }
    if (WriteOne(*a[i], version) != WriteOne(*b[i], version)) return at + ": written bytes";
  }
  return "";
}

}  // namespace movietest

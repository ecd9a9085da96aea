// The arithmetic of moving ids and depths when one movie's tags are combined with another's.
//
// Character ids wrap in 16 bits. Depths saturate at 0 and 65535: every tag that places or
// removes at a depth moves it by the same rule, so a removal still meets its placement.
// Whether anything would wrap or saturate is what SwfTag::CanRelocate reports, so that a
// tag list can be refused before it is moved.
#pragma once

#include <algorithm>
#include <cstdint>

inline bool SwfU16Fits(uint16_t value, int delta) {
  const int64_t moved = static_cast<int64_t>(value) + delta;
  return moved >= 0 && moved <= 0xFFFF;
}

inline uint16_t RelocateCharacterId(uint16_t id, int idDelta) {
  return static_cast<uint16_t>((static_cast<int64_t>(id) + idDelta) & 0xFFFF);
}

inline uint16_t RelocateDepth(uint16_t depth, int depthDelta) {
  return static_cast<uint16_t>(std::clamp<int64_t>(static_cast<int64_t>(depth) + depthDelta, 0, 0xFFFF));
}

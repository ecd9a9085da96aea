// How much of the tag body being read is left, for readers whose last fields are optional.
#pragma once

#include <algorithm>
#include <cstddef>

#include "swf/SwfReader.h"

// Bytes left in the body of the tag being read, whose first byte was at `bodyStart`: the
// declared body length less what has been consumed, and never more than the reader's range
// holds.
inline size_t SwfTagBytesLeft(const SwfReader& reader, size_t bodyStart) {
  const size_t consumed = reader.GetPosition() - bodyStart + (reader.GetBitPosition() != 0 ? 1 : 0);
  const size_t declared = reader.GetCurrentTagLength();
  const size_t left = declared > consumed ? declared - consumed : 0;
  return std::min(left, reader.GetRemaining());
}

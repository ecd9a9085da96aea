// The one inflater of compressed movies that the tests share. It uses zlib directly and shares
// no code with the program's own inflater under swf/, so tests can hold the program's
// compressed output (and the corpus) against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace movieinflate {

enum class InflateStatus {
  kComplete,       // the compressed stream ended inside the declared length
  kCutShort,       // the data ended before the stream did
  kPastDeclared,   // the stream holds more than the declared length
  kDamaged,        // the stream is not valid zlib data
  kTooLarge,       // the declared length is above the ceiling (nothing is inflated)
  kNotCompressed,  // no "CWS" header of 8 bytes
};

struct Inflated {
  InflateStatus status = InflateStatus::kNotCompressed;
  // The movie uncompressed: the header with "FWS" for "CWS" (its length field kept), then
  // the body as far as it inflated, never past the declared length.
  std::vector<uint8_t> movie;
};

// Inflates the body of a "CWS" movie whose declared length is at most `ceiling`.
Inflated InflateMovie(const uint8_t* file, size_t size, uint32_t ceiling = 256u << 20);
Inflated InflateMovie(const std::vector<uint8_t>& file, uint32_t ceiling = 256u << 20);

}  // namespace movieinflate

// A deterministic byte mutator for the robustness tests: a few bit flips, random or maximal
// bytes, cuts and insertions, chosen by the caller's seeded generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace swftest {

inline std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& rng) {
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits && !bytes.empty(); ++e) {
    const size_t at = rng() % bytes.size();
    switch (rng() % 5) {
      case 0: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
      case 1: bytes[at] = static_cast<uint8_t>(rng()); break;
      case 2: bytes.resize(at); break;
      case 3: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng())); break;
      default:
        bytes[at] = 0xFF;  // maximal lengths and widths
        break;
    }
  }
  return bytes;
}

}  // namespace swftest

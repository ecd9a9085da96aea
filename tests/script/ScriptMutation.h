// Deterministic mutation of script text for the robustness tests, so that a failure can be
// replayed from its seed.
#pragma once

#include <cstdint>
#include <string>

namespace scripttest {

struct Random {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state >> 33);
  }
};

// One to maxEdits edits: a character replaced by or inserted from pieces, a character erased,
// or a short stretch doubled.
inline std::string Mutate(std::string text, Random& random, const std::string& pieces, int maxEdits) {
  int edits = 1 + static_cast<int>(random.Next() % static_cast<uint32_t>(maxEdits));
  for (int e = 0; e < edits && !text.empty(); ++e) {
    size_t at = random.Next() % text.size();
    char piece = pieces[random.Next() % pieces.size()];
    switch (random.Next() % 4) {
      case 0: text[at] = piece; break;
      case 1: text.insert(at, 1, piece); break;
      case 2: text.erase(at, 1); break;
      default: text.insert(at, text.substr(at, random.Next() % 16)); break;
    }
  }
  return text;
}

}  // namespace scripttest

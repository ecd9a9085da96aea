// libFuzzer entry for the control, display-list, shape and morph-shape tags (see
// SwfTagExercise.h).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/SwfTagExercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swftagfuzz::ExerciseTag(data, size);
  return 0;
}

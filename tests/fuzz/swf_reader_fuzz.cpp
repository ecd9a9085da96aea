// libFuzzer entry for the SWF byte layer (see README.md in this folder).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/SwfReaderExercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  swffuzz::ExerciseMovie(data, size);
  return 0;
}

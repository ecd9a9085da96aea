// libFuzzer entry for the whole-movie loader (see MovieLoaderExercise.h and README.md in the
// parent folder).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/MovieLoaderExercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  moviefuzz::ExerciseMovie(data, size);
  return 0;
}

// Arbitrary bytes as a sound file: described (channels, rate, sample size, duration) and
// decoded through FFmpeg to 16-bit samples at two rates and channel counts, with a small frame
// limit so that each input stays quick. Any crash,
// sanitizer report, hang or allocation beyond the fuzzer's limits is a failure, and so is a
// result that breaks its own shape (samples not whole frames, more frames than the limit,
// samples kept after a failure, a description beyond the limits).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/MediaFile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A memory-backed regular file: the reader opens only regular files, by path.
  const int fd = memfd_create("sound", MFD_CLOEXEC);
  if (fd < 0) return 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done == size) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    host::av::SoundLimits limits;
    limits.maxFrames = uint64_t{1} << 18;
    host::av::SoundDescription description;
    std::string why;
    if (host::av::DescribeSound(path, description, why, limits)) {
      Check(why.empty() && description.channels >= 1 &&
            description.channels <= static_cast<uint32_t>(limits.maxSourceChannels) && description.rate >= 1 &&
            description.rate <= static_cast<uint32_t>(limits.maxSourceRate) && description.bitsPerSample > 0 &&
            description.durationMicroseconds >= 0);
    } else {
      Check(!why.empty());
    }
    struct Output {
      uint32_t rate, channels;
      int64_t limitMs;
    } outputs[] = {{22050, 1, 0}, {44100, 2, 250}};
    for (const Output& o : outputs) {
      host::av::DecodedSound sound;
      std::string error;
      if (host::av::DecodeSound(path, o.rate, o.channels, o.limitMs, sound, error, limits)) {
        Check(error.empty() && sound.channels == o.channels && sound.rate == o.rate);
        Check(!sound.samples.empty() && sound.samples.size() % o.channels == 0);
        Check(sound.Frames() < limits.maxFrames);
        if (o.limitMs > 0) Check(sound.Frames() <= uint64_t{o.rate} * o.limitMs / 1000 + 1);
      } else {
        Check(!error.empty() && sound.samples.empty());
      }
    }
  }
  close(fd);
  return 0;
}

// Arbitrary bytes as an image or movie file, opened and rendered through the media reader:
// at its own size (within a small pixel limit, so that each input stays quick), scaled down,
// at a later time, with a source rectangle, as R G B A rows and drawn into a surface. Any crash,
// sanitizer report, hang or allocation beyond the fuzzer's limits is a failure, and so is a
// render that returns another byte count than it announced.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/QuickTimeMovie.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void Exercise(QuickTimeMovie& movie) {
  int w = 0, h = 0;
  movie.GetSize(w, h);
  Check(w >= 0 && h >= 0);
  for (int bits : {24, 32}) {
    const size_t size = movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, bits);
    Check(size == size_t(w) * size_t(h) * size_t(bits / 8) || size == 0);
    if (size == 0) continue;
    std::vector<uint8_t> px(size);
    const size_t got = movie.RenderFrame(0, px.data(), px.size(), nullptr, nullptr, bits);
    Check(got == 0 || got == size);
  }
  if (!movie.HasVisualTrack() || w == 0 || h == 0) return;
  const PixelRect dest{0, 0, 7, 5};
  const PixelRect source{w / 3, h / 3, w / 3 + std::max(1, w / 2), h / 3 + std::max(1, h / 2)};
  std::vector<uint8_t> px(7 * 5 * 4);
  Check(movie.RenderFrame(movie.GetDuration() / 2 + 1, px.data(), px.size(), &dest, &source, 32) % (7 * 5 * 4) == 0);
  Check(movie.RenderFrame(0, px.data(), px.size(), &dest, nullptr, 24) % (7 * 5 * 3) == 0);
  if (movie.SetSize(std::min(w, 9), std::min(h, 9))) {
    std::vector<uint8_t> rows(9 * 9 * 4);
    const PixelRect part{0, 0, std::min(w, 9), std::min(h, 9)};
    movie.CopyFramePixels(movie.GetDuration(), rows.data(), rows.size(), &part);
    OffscreenGWorld* world = nullptr;
    if (CreateOffscreenGWorld(&world, 8, 8, 32)) {
      movie.DrawIntoGWorld(world, nullptr, world);
      DisposeOffscreenGWorld(&world);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A memory-backed regular file: the reader opens only regular files, by path.
  const int fd = memfd_create("media", MFD_CLOEXEC);
  if (fd < 0) return 0;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done == size) {
    QuickTimeMovie movie(uint64_t{1} << 20);
    if (movie.Open(Utf8ToWide("/proc/self/fd/" + std::to_string(fd)))) Exercise(movie);
  }
  close(fd);
  return 0;
}

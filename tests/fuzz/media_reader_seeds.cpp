// Writes the seed files of fuzz_media_reader into the folder named by its argument: one small
// picture or movie of each kind the reader opens, made with FFmpeg's encoders (tools/fuzz.sh
// builds and runs this before the fuzzer, so no binary seed is kept in the tree).
#include <cstdio>
#include <string>
#include <vector>

#include "tests/media/MediaFixtures.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  using namespace mediatest;
  const std::string dir = argv[1];
  const Rgba red{220, 30, 30, 255}, clear{0, 0, 0, 0}, half{20, 200, 40, 128}, blue{20, 40, 210, 255};
  const std::vector<Bytes> one = {Quadrants(6, 5, red, clear, half, blue)};
  const std::vector<Bytes> three = {Solid(6, 5, red), Quadrants(6, 5, red, clear, half, blue), Solid(6, 5, blue)};
  struct Seed {
    const char* name;
    Encoding encoding;
    const std::vector<Bytes>* pictures;
  };
  const Seed seeds[] = {
      {"png", {"image2pipe", "png", AV_PIX_FMT_RGBA}, &one},
      {"jpg", {"image2pipe", "mjpeg", AV_PIX_FMT_YUVJ420P}, &one},
      {"bmp", {"image2pipe", "bmp", AV_PIX_FMT_BGR24}, &one},
      {"tiff", {"image2pipe", "tiff", AV_PIX_FMT_RGBA}, &one},
      {"webp", {"webp", "libwebp", AV_PIX_FMT_YUV420P}, &one},
      {"gif", {"gif", "gif", AV_PIX_FMT_PAL8}, &three},
      {"apng", {"apng", "apng", AV_PIX_FMT_RGBA}, &three},
      {"mkv", {"matroska", "ffv1", AV_PIX_FMT_BGR0, 10, 2}, &three},
      {"mp4", {"mp4", "mpeg4", AV_PIX_FMT_YUV420P, 10, 2}, &three},
      {"avi", {"avi", "mjpeg", AV_PIX_FMT_YUVJ420P}, &three},
  };
  int failures = 0;
  for (const Seed& s : seeds) {
    if (!WriteMedia(dir + "/seed." + s.name, s.encoding, 6, 5, *s.pictures)) {
      std::fprintf(stderr, "media_reader_seeds: could not write %s\n", s.name);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

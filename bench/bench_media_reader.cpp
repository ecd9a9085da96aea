// Rendering a photograph through the media reader (FFmpeg): opening a 4000 x 3000 JPEG file as a
// movie and rendering its frame as 24-bit rows, as the preloader generator renders a background
// image, against libjpeg decoding the same file alone. Each benchmark after the first reports
// its time as a ratio to that decode ("x_libjpeg_decode").
//
// Run from <build>/bench: ./bench_media_reader (build with CMAKE_BUILD_TYPE=Release for figures).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench/PhotoPixels.h"
#include "media/JpegBitmap.h"
#include "media/QuickTimeMovie.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

Bytes PhotoPixels() { return benchphoto::PhotoPixels(kWidth, kHeight, 7); }

// The photograph as a JPEG file (quality 85) in a folder of its own, removed at exit.
const std::string& PhotoFile() {
  static const std::string path = [] {
    const Bytes px = PhotoPixels();
    JpegBitmap encoder;
    encoder.SetQuality(85);
    if (!encoder.Compress(kWidth, kHeight, px.data())) std::abort();
    char folder[] = "/tmp/plenwick-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    static std::string dir = folder;
    std::atexit([] { std::filesystem::remove_all(dir); });
    const std::string file = dir + "/photo.jpg";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr || std::fwrite(encoder.Pixels(), 1, encoder.CompressedSize(), f) != encoder.CompressedSize() ||
        std::fclose(f) != 0) {
      std::abort();
    }
    return file;
  }();
  return path;
}

Bytes ReadAll(const std::string& path) {
  Bytes bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::abort();
  uint8_t chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

template <typename F>
void Timed(benchmark::State& state, F&& body, bool baseline) {
  benchphoto::TimedAgainstDecode(state, std::forward<F>(body), baseline, kWidth, kHeight);
}

// libjpeg alone, from the file read into memory: header, decompression to R G B rows, finish.
void BM_LibjpegDecodeOnly(benchmark::State& state) {
  const std::string& path = PhotoFile();
  Bytes out;
  Timed(
      state,
      [&] {
        const Bytes file = ReadAll(path);
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), file.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        out.resize(size_t{cinfo.output_width} * cinfo.output_height * 3);
        while (cinfo.output_scanline < cinfo.output_height) {
          JSAMPROW row = out.data() + size_t{cinfo.output_scanline} * cinfo.output_width * 3;
          jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.data());
      },
      true);
}
BENCHMARK(BM_LibjpegDecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the generator does with an image: open, ask the size, render the frame at 24 bits at the
// picture's size (arg 1) or at half its size (arg 2).
void BM_MovieOpenAndRender(benchmark::State& state) {
  const std::string& path = PhotoFile();
  const int divisor = static_cast<int>(state.range(0));
  Bytes out;
  Timed(
      state,
      [&] {
        QuickTimeMovie movie;
        if (!movie.Open(Utf8ToWide(path)) || !movie.SetSize(kWidth / divisor, kHeight / divisor)) std::abort();
        out.resize(movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24));
        if (out.empty() || movie.RenderFrame(0, out.data(), out.size(), nullptr, nullptr, 24) != out.size())
          std::abort();
        benchmark::DoNotOptimize(out.data());
      },
      false);
}
BENCHMARK(BM_MovieOpenAndRender)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Turning a photograph into a bitmap tag: decoding a 4000 x 3000 JPEG and making the tag the
// preloader generator makes from its pixels, against libjpeg decoding the same file alone.
// Each benchmark after the first reports its time as a ratio to that decode
// ("x_libjpeg_decode").
//
// Run from <build>/bench: ./bench_bitmaps (build with CMAKE_BUILD_TYPE=Release for figures).
#include <benchmark/benchmark.h>

#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "bench/PhotoPixels.h"
#include "media/BitmapTagMaker.h"
#include "media/JpegBitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

Bytes PhotoPixels() { return benchphoto::PhotoPixels(kWidth, kHeight, 99); }

const Bytes& PhotoJpeg() {
  static const Bytes jpeg = [] {
    const Bytes px = PhotoPixels();
    JpegBitmap encoder;
    encoder.SetQuality(85);
    if (!encoder.Compress(kWidth, kHeight, px.data())) std::abort();
    return Bytes(encoder.Pixels(), encoder.Pixels() + encoder.CompressedSize());
  }();
  return jpeg;
}

// libjpeg alone: header, decompression to R G B rows, finish.
void DecodeWithLibjpeg(const Bytes& file, Bytes& out) {
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
}

template <typename F>
void Timed(benchmark::State& state, F&& body, bool baseline) {
  benchphoto::TimedAgainstDecode(state, std::forward<F>(body), baseline, kWidth, kHeight);
}

void BM_LibjpegDecodeOnly(benchmark::State& state) {
  const Bytes& file = PhotoJpeg();
  Bytes out;
  Timed(
      state, [&] { DecodeWithLibjpeg(file, out); }, true);
}
BENCHMARK(BM_LibjpegDecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decode, then the tag the generator makes by default: DefineBitsJPEG2 from the pixels.
void BM_DecodeAndMakeJpegTag(benchmark::State& state) {
  const Bytes& file = PhotoJpeg();
  Timed(
      state,
      [&] {
        JpegBitmap decoded;
        if (!decoded.DecodeFromMemory(file.data(), file.size())) std::abort();
        BitmapTagMaker maker;
        auto tag = maker.MakeJpegFromPixels(decoded.Pixels(), decoded.Width(), decoded.Height(), 80);
        benchmark::DoNotOptimize(tag);
      },
      false);
}
BENCHMARK(BM_DecodeAndMakeJpegTag)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decode, then a lossless tag of the given depth (24: zlib over 0 R G B; 8: palette reduction).
void BM_DecodeAndMakeLosslessTag(benchmark::State& state) {
  const Bytes& file = PhotoJpeg();
  const int depth = static_cast<int>(state.range(0));
  Timed(
      state,
      [&] {
        JpegBitmap decoded;
        if (!decoded.DecodeFromMemory(file.data(), file.size())) std::abort();
        BitmapTagMaker maker;
        auto tag = maker.MakeLossless(decoded.Pixels(), decoded.Width(), decoded.Height(), depth);
        benchmark::DoNotOptimize(tag);
      },
      false);
}
BENCHMARK(BM_DecodeAndMakeLosslessTag)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Shared by the image benchmarks: a stand-in for a photograph (shaded sky, a lit ball, textured
// ground and sensor noise from the given seed, as RGB rows) and the timing that reports each
// step against libjpeg's decode of the same photograph.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace benchphoto {

inline std::vector<uint8_t> PhotoPixels(int width, int height, uint32_t seed) {
  std::vector<uint8_t> px(size_t(width) * size_t(height) * 3);
  size_t at = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double r = 90 + 80.0 * y / height, g = 140 + 60.0 * y / height, b = 230 - 30.0 * y / height;
      const double dx = x - width * 0.7, dy = y - height * 0.3, d = std::sqrt(dx * dx + dy * dy);
      if (y >= height * 2 / 3) {
        r = 60 + 40 * std::sin(x * 0.03) * std::sin(y * 0.02);
        g = 110 + 30 * std::sin(x * 0.011 + y * 0.007);
        b = 40;
      } else if (d < height * 0.18) {
        const double light = 1.0 - d / (height * 0.18) * 0.6;
        r = 240 * light;
        g = 120 * light;
        b = 40 * light;
      }
      for (double c : {r, g, b}) {
        seed = seed * 1664525 + 1013904223;
        px[at++] = static_cast<uint8_t>(std::clamp(c + static_cast<int>(seed >> 28) - 8, 0.0, 255.0));
      }
    }
  }
  return px;
}

// Times the body once per iteration. The baseline (libjpeg's decode alone) runs first; every
// later benchmark of the program reports its mean as a multiple of the baseline's
// ("x_libjpeg_decode"), and each reports the photograph's pixels per second.
// The baseline's mean, one for the whole program.
inline double& DecodeSeconds() {
  static double seconds = 0;
  return seconds;
}

template <typename F>
void TimedAgainstDecode(benchmark::State& state, F&& body, bool baseline, int width, int height) {
  double& decodeSeconds = DecodeSeconds();
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double mean = total / static_cast<double>(state.iterations());
  if (baseline) {
    decodeSeconds = mean;
  } else if (decodeSeconds > 0) {
    state.counters["x_libjpeg_decode"] = mean / decodeSeconds;
  }
  state.counters["Mpixel/s"] = benchmark::Counter(double(width) * height * 1e-6 / mean);
}

}  // namespace benchphoto

#include "media/PixelScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "media/Bitmap.h"

std::vector<FilterContribution> MakeFilterContributions(int64_t count, int64_t sourceSize, double scale) {
  std::vector<FilterContribution> table;
  if (count <= 0 || sourceSize <= 0 || !(scale > 0)) return table;
  double width = 1.0;
  double factor = 1.0;
  if (scale < 1.0) {
    width = 1.0 / scale;
    factor = scale;
  }
  const int64_t most = 2 * static_cast<int64_t>(std::ceil(width)) + 1;
  table.resize(static_cast<size_t>(count));
  for (int64_t k = 0; k < count; ++k) {
    const double centre = static_cast<double>(k) / scale;
    int64_t left = std::max<int64_t>(0, static_cast<int64_t>(std::floor(centre - width)));
    int64_t right = std::min<int64_t>(sourceSize - 1, static_cast<int64_t>(std::ceil(centre + width)));
    if (right - left + 1 > most) {
      if (left < (sourceSize - 1) / 2) {
        ++left;
      } else {
        --right;
      }
    }
    FilterContribution& entry = table[static_cast<size_t>(k)];
    entry.first = left;
    double sum = 0;
    for (int64_t i = left; i <= right; ++i) {
      const double w = factor * std::max(0.0, 1.0 - std::fabs((centre - static_cast<double>(i)) * factor));
      entry.weights.push_back(w);
      sum += w;
    }
    if (sum > 0) {
      for (double& w : entry.weights) w /= sum;
    }
  }
  return table;
}

namespace {

inline uint8_t ToByte(double sum) { return static_cast<uint8_t>(std::clamp(std::trunc(sum + 0.5), 0.0, 255.0)); }

// Filters `lines` lines of `count` samples (each `stride` bytes apart, lines `lineStep` bytes
// apart) into `outCount` samples per line.
void FilterLines(const uint8_t* in, uint8_t* out, int64_t lines, int64_t count, int64_t outCount, size_t components,
                 size_t inStride, size_t inLineStep, size_t outStride, size_t outLineStep) {
  const auto table =
      MakeFilterContributions(outCount, count, static_cast<double>(outCount) / static_cast<double>(count));
  for (int64_t line = 0; line < lines; ++line) {
    const uint8_t* src = in + static_cast<size_t>(line) * inLineStep;
    uint8_t* dst = out + static_cast<size_t>(line) * outLineStep;
    for (int64_t k = 0; k < outCount; ++k) {
      const FilterContribution& entry = table[static_cast<size_t>(k)];
      for (size_t c = 0; c < components; ++c) {
        double sum = 0;
        for (size_t j = 0; j < entry.weights.size(); ++j) {
          sum += entry.weights[j] * src[(static_cast<size_t>(entry.first) + j) * inStride + c];
        }
        dst[static_cast<size_t>(k) * outStride + c] = ToByte(sum);
      }
    }
  }
}

}  // namespace

std::unique_ptr<uint8_t[]> ScalePixelBuffer(const uint8_t* pixels, const PixelRect& source,
                                            const PixelRect& destination, int bitsPerPixel) {
  const int64_t sw = source.Width();
  const int64_t sh = source.Height();
  const int64_t dw = destination.Width();
  const int64_t dh = destination.Height();
  if (pixels == nullptr || (bitsPerPixel != 24 && bitsPerPixel != 32) || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 ||
      (sw == dw && sh == dh)) {
    return nullptr;
  }
  const size_t components = static_cast<size_t>(bitsPerPixel / 8);
  size_t tempBytes = 0;
  size_t outBytes = 0;
  size_t inBytes = 0;
  if (!BitmapByteCount(static_cast<uint64_t>(sw), static_cast<uint64_t>(sh), 4, inBytes) ||
      !BitmapByteCount(static_cast<uint64_t>(dw), static_cast<uint64_t>(sh), static_cast<unsigned>(components),
                       tempBytes) ||
      !BitmapByteCount(static_cast<uint64_t>(dw), static_cast<uint64_t>(dh), static_cast<unsigned>(components),
                       outBytes)) {
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> temp(new (std::nothrow) uint8_t[tempBytes]);
  std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[outBytes]);
  if (!temp || !out) return nullptr;
  const size_t inRow = static_cast<size_t>(sw) * components;
  const size_t outRow = static_cast<size_t>(dw) * components;
  if (sw != dw) {
    FilterLines(pixels, temp.get(), sh, sw, dw, components, components, inRow, components, outRow);
  } else {
    std::memcpy(temp.get(), pixels, tempBytes);
  }
  if (sh != dh) {
    FilterLines(temp.get(), out.get(), dw, sh, dh, components, outRow, components, outRow, components);
  } else {
    std::memcpy(out.get(), temp.get(), outBytes);
  }
  return out;
}

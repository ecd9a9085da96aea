// Resampling of packed 24- or 32-bit pixel buffers with a separable triangle filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A rectangle in pixels: [left, right) x [top, bottom).
struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int64_t Width() const { return int64_t{right} - left; }
  int64_t Height() const { return int64_t{bottom} - top; }
};

// For one destination index: the source indices first..first + weights.size() - 1 and their
// weights (summing to 1 unless all are 0).
struct FilterContribution {
  int64_t first = 0;
  std::vector<double> weights;
};

// One entry per destination index, for a destination of `count` and a source of `sourceSize`
// samples at `scale` = count / sourceSize. Shrinking widens the filter to 1 / scale source
// samples on either side; each entry has at most 2 x ceil(width) + 1 weights. Empty when a
// size or the scale is not positive.
std::vector<FilterContribution> MakeFilterContributions(int64_t count, int64_t sourceSize, double scale);

// Resamples a buffer of source.Width() x source.Height() pixels (3 bytes each for 24 bits, 4
// for 32; rows packed) to destination.Width() x destination.Height(); every component,
// alpha included, is filtered alike. Null when the sizes are equal, when either rectangle is
// empty, when bits is neither 24 nor 32, or when the result would be beyond the bitmap limits.
std::unique_ptr<uint8_t[]> ScalePixelBuffer(const uint8_t* pixels, const PixelRect& source,
                                            const PixelRect& destination, int bitsPerPixel);

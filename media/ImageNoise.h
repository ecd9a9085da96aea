// Small pixel helpers of the image filters: noise of six kinds added to one component, the
// noise kind written as an XML attribute, and hue, saturation and lightness turned into R G B.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "platform/XmlWriter.h"

enum NoiseKind : int {
  kNoiseUniform = 0,
  kNoiseGaussian = 1,
  kNoiseMultGaussian = 2,
  kNoiseImpulse = 3,
  kNoiseLaplacian = 4,
  kNoisePoisson = 5,
};

// "uniform", "gaussian", "mult_gaussian", "impulse", "laplacian", "poisson"; null otherwise.
const wchar_t* NoiseKindName(int kind);

// The low byte of `value` with noise of the kind added (an unknown kind adds uniform noise),
// clamped to 0..255 and rounded. `random` gives numbers in 0..2147483647 (rand by default).
uint8_t AddPixelNoise(uint32_t value, int kind, int (*random)() = std::rand);

// Writes the raw text `" type="` and the kind's name (nothing more for an unknown kind). True.
bool WriteNoiseTypeAttribute(int kind, XmlWriter& writer);

// Components in 0..1 to bytes; returns the blue byte.
uint8_t HslToRgb(double hue, double saturation, double lightness, uint8_t& red, uint8_t& green, uint8_t& blue);

#include "media/ImageNoise.h"

#include <cmath>
#include <numbers>

namespace {

double Uniform(int (*random)()) {
  const double u = static_cast<double>(random()) / 2147483647.0;
  return u == 0 ? 1.0 : u;
}

uint8_t ToByte(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<uint8_t>(std::trunc(v + 0.5));
}

}  // namespace

const wchar_t* NoiseKindName(int kind) {
  static const wchar_t* const kNames[] = {L"uniform", L"gaussian",  L"mult_gaussian",
                                          L"impulse", L"laplacian", L"poisson"};
  return kind >= 0 && kind < 6 ? kNames[kind] : nullptr;
}

uint8_t AddPixelNoise(uint32_t value, int kind, int (*random)()) {
  double v = value & 0xFF;
  double u = Uniform(random);
  constexpr double kTwoPi = 2 * std::numbers::pi;
  switch (kind) {
    case kNoiseGaussian: {
      const double r = std::sqrt(-2 * std::log(u));
      const double theta = kTwoPi * Uniform(random);
      v = v + r * std::cos(theta) * 4 * std::sqrt(v) + r * std::sin(theta) * 20;
      break;
    }
    case kNoiseMultGaussian: {
      const double s = u > 0.00001 ? std::sqrt(-2 * std::log(u)) : 255;
      v = v + v * 0.5 * s * std::cos(kTwoPi * Uniform(random));
      break;
    }
    case kNoiseImpulse:
      if (u < 0.05) return 0;
      if (u >= 0.95) return 255;
      break;
    case kNoiseLaplacian:
      if (u <= 0.5) {
        v = u > 0.00001 ? v + 10 * std::log(2 * u) : v - 255;
      } else {
        v = 1 - u > 0.000005 ? v - 10 * std::log(2 * (1 - u)) : v + 255;
      }
      break;
    case kNoisePoisson: {
      const double d = std::exp(-0.05 * v);
      int n = 0;
      // Beyond 5100 the result is 255 whatever follows; a source that keeps giving 0 (taken
      // as 1) would otherwise never end the loop.
      while (u > d && n <= 5100) {
        ++n;
        u *= Uniform(random);
      }
      v = n / 0.05;
      break;
    }
    default: v = v + (u - 0.5) * 4; break;
  }
  return ToByte(v);
}

bool WriteNoiseTypeAttribute(int kind, XmlWriter& writer) {
  writer.WriteRaw(L"\" type=\"");
  if (const wchar_t* name = NoiseKindName(kind)) writer.WriteRaw(name);
  return true;
}

uint8_t HslToRgb(double h, double s, double l, uint8_t& red, uint8_t& green, uint8_t& blue) {
  auto byte = [](double x) { return static_cast<uint8_t>(std::trunc(std::fmin(std::fmax(x, 0.0), 1.0) * 255 + 0.5)); };
  if (s == 0) {
    red = green = blue = byte(l);
    return blue;
  }
  const double v = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double m = 2 * l - v;
  const double f = 6 * h - std::floor(6 * h);
  const double a = m + (v - m) * f;
  const double b = v - (v - m) * f;
  double r = v, g = a, bl = m;
  switch (static_cast<int>(std::fmin(std::fmax(std::floor(6 * h), -1.0), 6.0))) {
    case 1:
      r = b;
      g = v;
      bl = m;
      break;
    case 2:
      r = m;
      g = v;
      bl = a;
      break;
    case 3:
      r = m;
      g = b;
      bl = v;
      break;
    case 4:
      r = a;
      g = m;
      bl = v;
      break;
    case 5:
      r = v;
      g = m;
      bl = b;
      break;
    default: break;
  }
  red = byte(r);
  green = byte(g);
  blue = byte(bl);
  return blue;
}

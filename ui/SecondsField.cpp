#include "ui/SecondsField.h"

#include <cmath>
#include <limits>

#include "platform/WideTextBuffer.h"
#include "ui/EditTextField.h"

int32_t SecondsToMilliseconds(double seconds) {
  if (std::isnan(seconds)) return 0;
  const double ms = seconds * 1000.0;
  // A decimal like 2.01 is held a little below or above its value, and so is its product;
  // nudging the product away from zero by far more than that error but far less than a
  // millisecond truncates it as its decimals read.
  const double nudged = ms + std::copysign(std::fabs(ms) * 1e-12 + 1e-9, ms);
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  if (nudged >= kMax) return std::numeric_limits<int32_t>::max();
  if (nudged <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::trunc(nudged));
}

int32_t FieldMilliseconds(const EditTextField& field) { return SecondsToMilliseconds(field.GetReal()); }

WideString MillisecondsAsSeconds(int32_t milliseconds) {
  WideTextBuffer text;
  if (!text.Format(L"%.2f", static_cast<double>(milliseconds) / 1000.0) || text.GetText() == nullptr) return {};
  return WideString(text.GetText());
}

#include "platform/Easing.h"

#include <cstdlib>

int RandomInt() { return std::rand(); }

double EaseInQuad(double t, double start, double change, double duration) {
  if (!(duration > 0)) return start + change;
  const double x = t / duration;
  return change * x * x + start;
}

double EaseOutQuad(double t, double start, double change, double duration) {
  if (!(duration > 0)) return start + change;
  const double x = t / duration;
  return -change * x * (x - 2) + start;
}

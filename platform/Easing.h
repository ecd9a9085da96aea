// Random numbers and the easing curves of window fades.
#pragma once

// The standard library's rand().
int RandomInt();

// change * (t / duration)^2 + start. A duration of 0 or less counts as finished: start + change.
double EaseInQuad(double t, double start, double change, double duration);
// -change * (t / duration) * (t / duration - 2) + start, steepest at the beginning; a
// duration of 0 or less gives start + change.
double EaseOutQuad(double t, double start, double change, double duration);

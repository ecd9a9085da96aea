// Times that the user edits in seconds with two decimals and that the project keeps in
// whole milliseconds.
#pragma once

#include <cstdint>

#include "platform/WideString.h"

class EditTextField;

// The seconds as whole milliseconds, truncated toward zero as the decimal text reads: 2.01 s
// is 2010 ms although 2.01 x 1000 is 2009.99... in binary, and 0.0005 s is 0 ms. Values
// beyond the range of int32 give its nearest end; no number (NaN) gives 0.
int32_t SecondsToMilliseconds(double seconds);
// The field's text read as seconds (C locale), in milliseconds.
int32_t FieldMilliseconds(const EditTextField& field);
// Milliseconds as seconds with two decimals, "1.50" for 1500 (C locale).
WideString MillisecondsAsSeconds(int32_t milliseconds);

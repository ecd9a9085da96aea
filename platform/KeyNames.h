// Names of keyboard keys by their classic virtual key code: the special keys by name
// ("Return", "F5", "Page Up"), the others as the character a US keyboard gives without
// modifiers.
#pragma once

#include <cstddef>

#include "platform/WideString.h"

// "" for a code that is no key.
WideString GetKeyName(int virtualKeyCode);
// The same into a destination of `capacity` characters, the terminator included (cut to
// fit); false when the capacity is 0 or the code is no key (then an empty text, when there is
// room for it).
bool GetKeyName(int virtualKeyCode, wchar_t* destination, size_t capacity);

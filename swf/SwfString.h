// The byte form of texts inside SWF tags and actions.
//
// Movies of version 5 and lower store one byte per character: byte b is the character U+00b.
// Movies of version 6 and higher store UTF-8. A byte that is not part of valid UTF-8 is kept
// as the character U+DC80 + b and written back as the byte b, so reading a string and writing
// it again never changes its bytes, whatever the version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/WideString.h"

// First SWF version whose strings are UTF-8.
inline constexpr uint8_t kSwfFirstUtf8Version = 6;

// Bytes of a text for a movie of the given version. The text ends at its first NUL character;
// no terminator is added. Below version 6 a character with no single byte becomes '?'.
std::string EncodeSwfString(std::wstring_view text, uint8_t version);

// Text of string bytes read from a movie of the given version (lossless, see above).
WideString DecodeSwfString(std::string_view bytes, uint8_t version);

// Number of bytes EncodeSwfString produces (no terminator counted).
size_t SwfStringByteLength(std::wstring_view text, uint8_t version);

// A reference-counted, immutable string of UTF-16 units: the host's stand-in for the
// platform string object that the program's string holders own. A string is created with a
// count of one; Retain adds one, Release removes one and frees the string at zero.
// Null references are accepted everywhere and mean "no string".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace host::cf {

struct StringObject;
using StringRef = const StringObject*;

// Byte encodings a string can be made from or converted to.
enum class Encoding {
  kMacRoman,  // the classic Mac single-byte set, all 256 bytes defined
  kUtf8,
};

// New strings (count 1). Each returns null when the input can't be represented.
StringRef CreateWithUtf16(std::u16string_view units);
// From UTF-32 code points: characters above U+FFFF become surrogate pairs.
StringRef CreateWithWide(std::wstring_view text);
// From bytes in an encoding; null for UTF-8 that is not valid.
StringRef CreateWithBytes(std::string_view bytes, Encoding encoding);

StringRef Retain(StringRef string);
void Release(StringRef string);
// The current reference count (0 for null), for tests of ownership.
long RetainCount(StringRef string);

// Number of UTF-16 units; 0 for null.
size_t GetLength(StringRef string);
// The units (valid while the string lives); empty for null.
std::u16string_view GetUnits(StringRef string);
// The text as UTF-32: surrogate pairs combined, a lone surrogate becomes U+FFFD.
std::wstring GetWide(StringRef string);
// The text in an encoding; nullopt for null or when a character has no form in it.
std::optional<std::string> GetBytes(StringRef string, Encoding encoding);
// True when both strings hold the same units (two nulls are equal).
bool Equal(StringRef a, StringRef b);

}  // namespace host::cf

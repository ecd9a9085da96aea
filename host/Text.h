// Text codecs of the host layer: UTF-32 (the program's wide strings) to and from UTF-16,
// UTF-8 and Mac Roman.
//
// UTF-8 decoding is lossless: a byte that does not start a valid sequence is kept as the
// code point U+DC80 + byte, and the UTF-8 encoder writes such a code point back as the byte.
// So any byte string (a Linux file name, a SWF string) survives decoding and encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host::text {

// First and last code points that stand for undecodable bytes (U+DC80 + byte, for bytes 0x80-0xFF).
inline constexpr char32_t kEscapedByteFirst = 0xDC80;
inline constexpr char32_t kEscapedByteLast = 0xDCFF;
inline constexpr char32_t kReplacementChar = 0xFFFD;

// UTF-16 to UTF-32: surrogate pairs are combined; a lone surrogate becomes U+FFFD.
std::wstring Utf16ToWide(std::u16string_view units);
// UTF-32 to UTF-16: characters above U+FFFF become surrogate pairs; code points that
// UTF-16 cannot carry (above U+10FFFF) become U+FFFD.
std::u16string WideToUtf16(std::wstring_view text);

// UTF-8 to UTF-32, lossless as described above.
std::wstring Utf8ToWide(std::string_view bytes);
// UTF-32 to UTF-8: U+DC80..U+DCFF become the single bytes 0x80..0xFF; other surrogates and
// code points above U+10FFFF become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// Mac Roman, both ways through a full 256-entry table. Encoding fails (nullopt) when a
// character has no Mac Roman byte.
std::wstring MacRomanToWide(std::string_view bytes);
std::optional<std::string> WideToMacRoman(std::wstring_view text);
// One character; nullopt when it has no Mac Roman byte.
std::optional<unsigned char> MacRomanByte(wchar_t ch);

}  // namespace host::text

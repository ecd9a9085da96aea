#include "host/Text.h"

#include <array>

namespace host::text {

namespace {

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Mac Roman bytes 0x80..0xFF; 0x00..0x7F are ASCII.
constexpr std::array<char16_t, 128> kMacRomanHigh = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::wstring Utf16ToWide(std::u16string_view units) {
  std::wstring out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacementChar;
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

std::u16string WideToUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t w : text) {
    char32_t c = static_cast<char32_t>(w);
    if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else if (c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(kReplacementChar));
    }
  }
  return out;
}

std::wstring Utf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const unsigned char b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<wchar_t>(b0));
      ++i;
      continue;
    }
    int len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
      c = b0 & 0x1F;
      min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      c = b0 & 0x0F;
      min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      c = b0 & 0x07;
      min = 0x10000;
    }
    bool ok = len > 0 && i + static_cast<size_t>(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      const unsigned char b = static_cast<unsigned char>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) {
        ok = false;
      } else {
        c = (c << 6) | (b & 0x3F);
      }
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (ok && (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (ok) {
      out.push_back(static_cast<wchar_t>(c));
      i += static_cast<size_t>(len);
    } else {
      out.push_back(static_cast<wchar_t>(kEscapedByteFirst + (b0 - 0x80)));
      ++i;
    }
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t w : text) {
    const char32_t c = static_cast<char32_t>(w);
    if (c >= kEscapedByteFirst && c <= kEscapedByteLast) {
      out.push_back(static_cast<char>(0x80 + (c - kEscapedByteFirst)));
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      AppendUtf8(out, kReplacementChar);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::wstring MacRomanToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : static_cast<wchar_t>(kMacRomanHigh[b - 0x80]));
  }
  return out;
}

std::optional<unsigned char> MacRomanByte(wchar_t ch) {
  const char32_t c = static_cast<char32_t>(ch);
  if (c < 0x80) return static_cast<unsigned char>(c);
  for (size_t i = 0; i < kMacRomanHigh.size(); ++i) {
    if (kMacRomanHigh[i] == c) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::optional<std::string> WideToMacRoman(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t ch : text) {
    const auto b = MacRomanByte(ch);
    if (!b) return std::nullopt;
    out.push_back(static_cast<char>(*b));
  }
  return out;
}

}  // namespace host::text

// The program's string: a standard wide string of 32-bit characters, one UTF-32 code point
// per element, that can be built safely from a null pointer.
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == 4, "WideString needs a 32-bit wchar_t");

class WideString : public std::wstring {
 public:
  WideString() = default;
  WideString(const wchar_t* text) : std::wstring(text ? text : L"") {}  // NOLINT: implicit by design
  WideString(const wchar_t* text, size_type count) : std::wstring(text ? text : L"", text ? count : 0) {}
  WideString(const std::wstring& text) : std::wstring(text) {}                 // NOLINT
  WideString(std::wstring&& text) noexcept : std::wstring(std::move(text)) {}  // NOLINT
  WideString(size_type count, wchar_t ch) : std::wstring(count, ch) {}
  WideString(const WideString&) = default;
  WideString(WideString&&) noexcept = default;
  WideString& operator=(const WideString&) = default;
  WideString& operator=(WideString&&) noexcept = default;
  WideString& operator=(const wchar_t* text) { return AssignChars(text); }

  // Null empties the string. The text may point into this string's own characters.
  WideString& AssignChars(const wchar_t* text) {
    if (text == nullptr) {
      clear();
    } else {
      std::wstring copy(text);
      std::wstring::operator=(std::move(copy));
    }
    return *this;
  }
};

// UTF-8 forms for everything that crosses to the operating system (paths above all).
// Decoding is lossless: undecodable bytes survive a round trip.
std::string WideToUtf8(const std::wstring& text);
WideString Utf8ToWide(const std::string& bytes);

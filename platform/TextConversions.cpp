#include "platform/TextConversions.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "host/Locale.h"
#include "host/Text.h"

host::cf::Encoding GetNarrowEncoding() { return host::cf::Encoding::kMacRoman; }

host::cf::Encoding GetTextFileEncoding() { return host::cf::Encoding::kUtf8; }

const wchar_t* GetXmlEncodingName() { return L"UTF-8"; }

WideString NarrowToWide(const char* narrow) {
  return narrow == nullptr ? WideString() : NarrowToWide(std::string_view(narrow));
}

WideString NarrowToWide(std::string_view narrow) { return WideString(host::text::MacRomanToWide(narrow)); }

std::string WideToNarrow(const std::wstring& text) { return host::text::WideToMacRoman(text).value_or(std::string()); }

void PascalToWide(const unsigned char* pascal, wchar_t* destination) {
  if (destination == nullptr) return;
  if (pascal == nullptr) {
    destination[0] = L'\0';
    return;
  }
  const size_t n = pascal[0];
  const std::wstring wide = host::text::MacRomanToWide(std::string_view(reinterpret_cast<const char*>(pascal + 1), n));
  std::wmemcpy(destination, wide.data(), wide.size());
  destination[wide.size()] = L'\0';
}

void WideToPascal(const wchar_t* text, unsigned char* destination) {
  if (destination == nullptr) return;
  size_t n = 0;
  if (text != nullptr) {
    for (; n < 255 && text[n] != L'\0'; ++n) {
      destination[n + 1] = host::text::MacRomanByte(text[n]).value_or('?');
    }
  }
  destination[0] = static_cast<unsigned char>(n);
}

int ParseDecimalInt(const wchar_t* text, int& value) {
  long parsed = 0;
  if (text != nullptr) {
    parsed = wcstol_l(text, nullptr, 10, host::locale::ClassicLocale());
  }
  if (parsed > INT_MAX) parsed = INT_MAX;
  if (parsed < INT_MIN) parsed = INT_MIN;
  value = static_cast<int>(parsed);
  return value;
}

long ParseHexInt(const wchar_t* text) {
  if (text == nullptr) return 0;
  return wcstol_l(text, nullptr, 16, host::locale::ClassicLocale());
}

double ParseReal(const wchar_t* text, double& value) {
  value = text == nullptr ? 0.0 : wcstod_l(text, nullptr, host::locale::ClassicLocale());
  return value;
}

void FormatDecimalInt(int number, wchar_t* buffer) {
  if (buffer == nullptr) return;
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, number);
  size_t n = 0;
  for (const char* p = digits; p != result.ptr; ++p) buffer[n++] = static_cast<wchar_t>(*p);
  buffer[n] = L'\0';
}

void FormatTimeCode(long long milliseconds, wchar_t* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  const long long ms = milliseconds < 0 ? 0 : milliseconds;
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld.%02lld", ms / 60000, (ms / 1000) % 60, (ms % 1000) / 10);
  size_t n = 0;
  for (; text[n] != '\0' && n + 1 < size; ++n) buffer[n] = static_cast<wchar_t>(text[n]);
  buffer[n] = L'\0';
}

WideString TrimWhitespace(const wchar_t* text) {
  if (text == nullptr) return WideString();
  const locale_t classic = host::locale::ClassicLocale();
  const wchar_t* begin = text;
  while (*begin != L'\0' && iswspace_l(static_cast<wint_t>(*begin), classic)) ++begin;
  const wchar_t* end = begin + std::wcslen(begin);
  while (end > begin && iswspace_l(static_cast<wint_t>(end[-1]), classic)) --end;
  return WideString(begin, static_cast<size_t>(end - begin));
}

namespace {

constexpr const wchar_t* kMonthNames[12] = {L"January",   L"February", L"March",    L"April",
                                            L"May",       L"June",     L"July",     L"August",
                                            L"September", L"October",  L"November", L"December"};
constexpr const wchar_t* kMonthAbbreviations[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                                    L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

bool CopyMonth(const wchar_t* const (&names)[12], const CalendarDate& date, wchar_t* destination, size_t n) {
  if (date.month < 1 || date.month > 12 || destination == nullptr || n == 0) return false;
  const wchar_t* name = names[date.month - 1];
  size_t i = 0;
  for (; name[i] != L'\0' && i + 1 < n; ++i) destination[i] = name[i];
  destination[i] = L'\0';
  return true;
}

}  // namespace

bool GetMonthName(const CalendarDate& date, wchar_t* destination, size_t n) {
  return CopyMonth(kMonthNames, date, destination, n);
}

bool GetMonthAbbreviation(const CalendarDate& date, wchar_t* destination, size_t n) {
  return CopyMonth(kMonthAbbreviations, date, destination, n);
}

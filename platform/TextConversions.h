// Conversions between wide texts, narrow texts (Mac Roman), length-prefixed Str255 strings
// and numbers, and a few text helpers. Numbers are always read and written in the C locale
// ('.' as the decimal point), whatever the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/CFString.h"
#include "platform/WideString.h"

// The narrow text encoding (Mac Roman): narrow strings and Str255 strings.
host::cf::Encoding GetNarrowEncoding();
// The encoding of every text, XML and HTML file the program writes (UTF-8).
host::cf::Encoding GetTextFileEncoding();
// The encoding name written into XML headers: "UTF-8".
const wchar_t* GetXmlEncodingName();

// Narrow (Mac Roman) text to wide and back. Every byte has a character; a wide text with a
// character that Mac Roman lacks converts to an empty narrow string.
WideString NarrowToWide(const char* narrow);
WideString NarrowToWide(std::string_view narrow);
std::string WideToNarrow(const std::wstring& text);

// A Str255 string (length byte, then the bytes, Mac Roman) to a NUL-terminated wide text;
// the destination holds 256 characters. A null string gives "".
void PascalToWide(const unsigned char* pascal, wchar_t* destination);
// A wide text to a Str255 string in a 256-byte destination: at most 255 characters (a longer
// text is cut there), each as its Mac Roman byte, '?' for a character Mac Roman lacks.
// A null text gives the empty string.
void WideToPascal(const wchar_t* text, unsigned char* destination);

// The text as a decimal integer (leading white space and a sign allowed, reading stops at
// the first character that is no digit; no number gives 0; values beyond int are clamped).
// Stores the value and returns it.
int ParseDecimalInt(const wchar_t* text, int& value);
// The text as a hexadecimal integer (an optional "0x" allowed); no number gives 0.
long ParseHexInt(const wchar_t* text);
// The text as a real number; no number gives 0. Stores the value and returns it.
double ParseReal(const wchar_t* text, double& value);

// Size of the buffer that FormatDecimalInt fills (any int needs far less).
inline constexpr size_t kDecimalIntBufferSize = 256;
// The number as decimal text ("%d") into a buffer of kDecimalIntBufferSize characters.
void FormatDecimalInt(int number, wchar_t* buffer);

// Milliseconds as a clock text: "mm:ss.hh" (minutes, seconds, hundredths; the minutes grow
// past two digits when needed, so 6000000 gives "100:00.00"). Negative times count as 0. The
// text is cut to fit size - 1 characters and always terminated (nothing for size 0).
void FormatTimeCode(long long milliseconds, wchar_t* buffer, size_t size);

// The text without leading and trailing white space; null gives "".
WideString TrimWhitespace(const wchar_t* text);

// A calendar date; only the month (1 to 12) matters to the month names.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
// The English name ("January") or abbreviation ("Jan") of the date's month into a
// destination of n characters, terminator included (cut to fit). A month outside 1-12
// writes nothing; false then, or when n is 0.
bool GetMonthName(const CalendarDate& date, wchar_t* destination, size_t n);
bool GetMonthAbbreviation(const CalendarDate& date, wchar_t* destination, size_t n);

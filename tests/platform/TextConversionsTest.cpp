#include "platform/TextConversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/WideString.h"

TEST(WideString, NullSafeConstructionAndSelfAssignment) {
  EXPECT_EQ(WideString(static_cast<const wchar_t*>(nullptr)), L"");
  WideString s(L"keep me");
  s.AssignChars(nullptr);
  EXPECT_EQ(s, L"");
  s = L"abcdef";
  s.AssignChars(s.c_str() + 3);
  EXPECT_EQ(s, L"def");
  s.AssignChars(s.c_str());
  EXPECT_EQ(s, L"def");
}

TEST(TextConversions, NarrowTextIsMacRoman) {
  struct Case {
    std::string narrow;
    std::wstring wide;
  };
  const Case cases[] = {
      {"plain", L"plain"}, {"caf\x8E", L"caf\u00E9"}, {"\xDB", L"\u20AC"}, {"\xF0", L"\uF8FF"}, {"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.narrow);
    EXPECT_EQ(NarrowToWide(c.narrow.c_str()), c.wide);
    EXPECT_EQ(WideToNarrow(c.wide), c.narrow);
  }
  EXPECT_EQ(WideToNarrow(L"ok \u4E2D"), "");  // no Mac Roman byte: empty
  EXPECT_EQ(NarrowToWide(static_cast<const char*>(nullptr)), L"");
}

TEST(TextConversions, PascalStringsHoldAtMost255MacRomanBytes) {
  unsigned char pascal[256];
  wchar_t wide[256];
  const std::wstring long300(300, L'w');
  WideToPascal(long300.c_str(), pascal);
  EXPECT_EQ(pascal[0], 255);  // cut, never wrapped round to 44
  PascalToWide(pascal, wide);
  EXPECT_EQ(std::wstring(wide), std::wstring(255, L'w'));

  WideToPascal(L"R\u00E9sum\u00E9 \u4E2D", pascal);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(pascal), 9), std::string("\x08R\x8Esum\x8E ?"));
  PascalToWide(pascal, wide);
  EXPECT_STREQ(wide, L"R\u00E9sum\u00E9 ?");

  WideToPascal(nullptr, pascal);
  EXPECT_EQ(pascal[0], 0);
  PascalToWide(nullptr, wide);
  EXPECT_STREQ(wide, L"");
}

TEST(TextConversions, ParsesNumbers) {
  struct Case {
    const wchar_t* text;
    int decimal;
    long hex;
    double real;
  };
  const Case cases[] = {
      {L"0", 0, 0, 0.0},
      {L"  12 apples", 12, 0x12, 12.0},
      {L"-5", -5, -5, -5.0},
      {L"ff", 0, 0xFF, 0.0},
      {L"0x1F", 0, 0x1F, 31.0},  // the real reader knows hexadecimal floats
      {L"2.5e2", 2, 0x2, 250.0},
      {L"FFFFFFFF", 0, 0xFFFFFFFFL, 0.0},
      {L"-99999999999", INT_MIN, -0x99999999999L, -99999999999.0},
      {L"", 0, 0, 0.0},
      {nullptr, 0, 0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.text ? c.text : L"(null)"));
    int i = 123;
    EXPECT_EQ(ParseDecimalInt(c.text, i), c.decimal);
    EXPECT_EQ(i, c.decimal);
    EXPECT_EQ(ParseHexInt(c.text), c.hex);
    double d = 123;
    EXPECT_DOUBLE_EQ(ParseReal(c.text, d), c.real);
    EXPECT_DOUBLE_EQ(d, c.real);
  }
}

TEST(TextConversions, FormatsIntegers) {
  wchar_t buf[kDecimalIntBufferSize];
  for (const int n : {0, 7, -42, INT_MAX, INT_MIN}) {
    FormatDecimalInt(n, buf);
    EXPECT_EQ(std::wstring(buf), std::to_wstring(n));
  }
}

TEST(TextConversions, FormatsTimeCodes) {
  struct Case {
    long long ms;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"00:00.00"},     {5, L"00:00.00"},     {999, L"00:00.99"},   {1000, L"00:01.00"},     {1500, L"00:01.50"},
      {59999, L"00:59.99"}, {60000, L"01:00.00"}, {61250, L"01:01.25"}, {6000000, L"100:00.00"}, {-20, L"00:00.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    wchar_t buf[32];
    FormatTimeCode(c.ms, buf, 32);
    EXPECT_STREQ(buf, c.text);
  }
  wchar_t small[4] = {L'#', L'#', L'#', L'#'};
  FormatTimeCode(61250, small, 3);
  EXPECT_STREQ(small, L"01");
  EXPECT_EQ(small[3], L'#');
}

TEST(TextConversions, TrimsWhiteSpace) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"  a b  ", L"a b"}, {L"\t\n\r\v\fx\n", L"x"},       {L"   ", L""},      {L"", L""},
      {nullptr, L""},       {L"\u3000wide\u2003", L"wide"}, {L"none", L"none"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimWhitespace(c.in), c.out);
}

TEST(TextConversions, MonthNames) {
  wchar_t buf[16];
  struct Case {
    int month;
    const wchar_t* name;
    const wchar_t* abbreviation;
  };
  const Case cases[] = {{1, L"January", L"Jan"}, {9, L"September", L"Sep"}, {12, L"December", L"Dec"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(GetMonthName(CalendarDate{2024, c.month, 1}, buf, 16));
    EXPECT_STREQ(buf, c.name);
    ASSERT_TRUE(GetMonthAbbreviation(CalendarDate{2024, c.month, 1}, buf, 16));
    EXPECT_STREQ(buf, c.abbreviation);
  }
  for (const int bad : {0, 13, -1}) {
    buf[0] = L'#';
    EXPECT_FALSE(GetMonthName(CalendarDate{2024, bad, 1}, buf, 16));
    EXPECT_EQ(buf[0], L'#');
  }
  ASSERT_TRUE(GetMonthName(CalendarDate{2024, 11, 1}, buf, 4));
  EXPECT_STREQ(buf, L"Nov");
}

TEST(TextConversions, Encodings) {
  EXPECT_EQ(GetNarrowEncoding(), host::cf::Encoding::kMacRoman);
  EXPECT_EQ(GetTextFileEncoding(), host::cf::Encoding::kUtf8);
  EXPECT_STREQ(GetXmlEncodingName(), L"UTF-8");
}

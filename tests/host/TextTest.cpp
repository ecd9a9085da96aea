#include "host/Text.h"

#include <gtest/gtest.h>

using namespace host::text;

TEST(HostText, Utf16PairsCombineAndLoneSurrogatesBecomeReplacement) {
  EXPECT_EQ(Utf16ToWide(u"a\U0001F600b"), std::wstring(L"a\U0001F600b"));
  const char16_t lone[] = {0xD83D, u'x', 0xDE00};
  EXPECT_EQ(Utf16ToWide(std::u16string_view(lone, 3)), std::wstring(L"\uFFFDx\uFFFD"));
  EXPECT_EQ(WideToUtf16(L"\U0001F600"), std::u16string(u"\U0001F600"));
}

TEST(HostText, Utf8RoundTripKeepsEveryByteString) {
  struct Case {
    std::string bytes;
    std::wstring wide;
  };
  const Case cases[] = {
      {"plain", L"plain"},
      {"caf\xC3\xA9", L"caf\u00E9"},
      {"\xF0\x9F\x98\x80", L"\U0001F600"},
      {"a\xFFz", std::wstring(L"a") + wchar_t(0xDCFF) + L"z"},
      {"\xC0\x80", std::wstring{wchar_t(0xDCC0), wchar_t(0xDC80)}},                       // overlong NUL
      {"\xED\xA0\x80", std::wstring{wchar_t(0xDCED), wchar_t(0xDCA0), wchar_t(0xDC80)}},  // surrogate
      {"\xE2\x82", std::wstring{wchar_t(0xDCE2), wchar_t(0xDC82)}},                       // truncated
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToWide(c.bytes), c.wide) << c.bytes;
    EXPECT_EQ(WideToUtf8(c.wide), c.bytes) << c.bytes;
  }
}

TEST(HostText, MacRomanBothWays) {
  EXPECT_EQ(MacRomanToWide("\x8E\xDB"), std::wstring(L"\u00E9\u20AC"));
  EXPECT_EQ(WideToMacRoman(L"\u00E9\u20AC"), std::optional<std::string>("\x8E\xDB"));
  EXPECT_EQ(WideToMacRoman(L"\u4E2D"), std::nullopt);
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(WideToMacRoman(MacRomanToWide(one)), std::optional<std::string>(one)) << b;
  }
}

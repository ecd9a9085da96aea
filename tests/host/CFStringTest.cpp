#include "host/CFString.h"

#include <gtest/gtest.h>

namespace cf = host::cf;

TEST(HostCFString, RetainAndReleaseCountReferences) {
  cf::StringRef s = cf::CreateWithWide(L"abc");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(cf::RetainCount(s), 1);
  EXPECT_EQ(cf::Retain(s), s);
  EXPECT_EQ(cf::RetainCount(s), 2);
  cf::Release(s);
  EXPECT_EQ(cf::RetainCount(s), 1);
  cf::Release(s);  // freed here; the leak checker sees any imbalance
  cf::Release(nullptr);
  EXPECT_EQ(cf::Retain(nullptr), nullptr);
  EXPECT_EQ(cf::RetainCount(nullptr), 0);
}

TEST(HostCFString, LengthCountsUtf16UnitsAndWideCombinesPairs) {
  cf::StringRef s = cf::CreateWithWide(L"a\U0001F600b");
  EXPECT_EQ(cf::GetLength(s), 4u);
  EXPECT_EQ(cf::GetUnits(s), std::u16string_view(u"a\xD83D\xDE00"
                                                 u"b"));
  EXPECT_EQ(cf::GetWide(s), L"a\U0001F600b");
  cf::Release(s);

  const char16_t lone[] = {u'x', 0xD800, u'y', 0};
  cf::StringRef bad = cf::CreateWithUtf16(lone);
  EXPECT_EQ(cf::GetWide(bad), L"x\uFFFDy");
  EXPECT_FALSE(cf::GetBytes(bad, cf::Encoding::kUtf8).has_value());
  cf::Release(bad);
}

TEST(HostCFString, BytesInAndOut) {
  struct Case {
    std::string bytes;
    cf::Encoding encoding;
    bool made;
    std::wstring wide;
  };
  const Case cases[] = {
      {"caf\x8E", cf::Encoding::kMacRoman, true, L"caf\u00E9"},
      {"\xDB", cf::Encoding::kMacRoman, true, L"\u20AC"},
      {"caf\xC3\xA9", cf::Encoding::kUtf8, true, L"caf\u00E9"},
      {"caf\xE9", cf::Encoding::kUtf8, false, L""},       // Latin-1, not UTF-8
      {"\xED\xA0\x80", cf::Encoding::kUtf8, false, L""},  // an encoded surrogate
      {"", cf::Encoding::kUtf8, true, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    cf::StringRef s = cf::CreateWithBytes(c.bytes, c.encoding);
    EXPECT_EQ(s != nullptr, c.made);
    if (s != nullptr) {
      EXPECT_EQ(cf::GetWide(s), c.wide);
      EXPECT_EQ(cf::GetBytes(s, c.encoding), c.bytes);
    }
    cf::Release(s);
  }
  cf::StringRef cjk = cf::CreateWithWide(L"\u4E2D");
  EXPECT_FALSE(cf::GetBytes(cjk, cf::Encoding::kMacRoman).has_value());
  EXPECT_EQ(cf::GetBytes(cjk, cf::Encoding::kUtf8), std::string("\xE4\xB8\xAD"));
  cf::Release(cjk);
}

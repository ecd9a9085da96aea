#include "platform/CFStringHolder.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/TestBundle.h"

namespace cf = host::cf;

TEST(CFStringHolder, NullTextsGiveEmptyHolders) {
  const CFStringHolder a(static_cast<const char*>(nullptr));
  const CFStringHolder b(static_cast<const wchar_t*>(nullptr));
  const CFStringHolder c;
  for (const CFStringHolder* h : {&a, &b, &c}) {
    EXPECT_TRUE(h->IsEmpty());
    EXPECT_EQ(h->GetLength(), 0u);
    EXPECT_EQ(h->GetWideString(), L"");
    EXPECT_EQ(h->GetStdString(cf::Encoding::kUtf8), "");
    EXPECT_EQ(h->CopyUniChars(), nullptr);
    unsigned char pascal[256];
    EXPECT_FALSE(h->GetPascalString(pascal));
    HfsUniName name;
    EXPECT_FALSE(h->GetHFSUniName(&name));
  }
}

TEST(CFStringHolder, OwnsWhatItHolds) {
  cf::StringRef s = cf::CreateWithWide(L"kept");
  cf::Retain(s);  // one reference for this test
  {
    CFStringHolder h(s);  // adopts without retaining
    EXPECT_EQ(cf::RetainCount(s), 2);
    CFStringHolder moved(std::move(h));
    EXPECT_TRUE(h.IsEmpty());  // NOLINT
    EXPECT_EQ(cf::RetainCount(s), 2);
    EXPECT_TRUE(moved.AssignWide(L"other"));  // releases the adopted string
    EXPECT_EQ(cf::RetainCount(s), 1);
  }
  EXPECT_EQ(cf::RetainCount(s), 1);
  cf::Release(s);
}

TEST(CFStringHolder, ConvertsToEveryForm) {
  CFStringHolder h(L"Caf\u00E9 \U0001F600");
  EXPECT_EQ(h.GetLength(), 7u);                           // the emoji is two UTF-16 units
  EXPECT_EQ(h.GetWideString(), L"Caf\u00E9 \U0001F600");  // but one wide character
  EXPECT_EQ(h.GetStdString(cf::Encoding::kUtf8), "Caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(h.GetStdString(cf::Encoding::kMacRoman), "");  // the emoji has no Mac Roman byte
  const auto units = h.CopyUniChars();
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(std::u16string(units.get()), u"Caf\u00E9 \U0001F600");

  CFStringHolder narrow("caf\x8E");
  EXPECT_EQ(narrow.GetWideString(), L"caf\u00E9");
  EXPECT_EQ(narrow.GetStdString(cf::Encoding::kMacRoman), "caf\x8E");
  unsigned char pascal[256];
  ASSERT_TRUE(narrow.GetPascalString(pascal));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(pascal), 5), std::string("\x04"
                                                                         "caf\x8E"));

  CFStringHolder tooLong(std::wstring(256, L'a').c_str());
  EXPECT_FALSE(tooLong.GetPascalString(pascal));
  CFStringHolder cjk(L"\u4E2D");
  EXPECT_FALSE(cjk.GetPascalString(pascal));
  CFStringHolder empty(L"");
  EXPECT_FALSE(empty.IsEmpty());
  EXPECT_EQ(empty.GetStdString(cf::Encoding::kUtf8), "");
}

TEST(CFStringHolder, FileSystemNamesHoldAtMost255Units) {
  HfsUniName name;
  CFStringHolder longName(std::wstring(300, L'n').c_str());
  ASSERT_TRUE(longName.GetHFSUniName(&name));
  EXPECT_EQ(name.length, 255);
  EXPECT_EQ(name.unicode[254], u'n');
  CFStringHolder shortName(L"ab");
  ASSERT_TRUE(shortName.GetHFSUniName(&name));
  EXPECT_EQ(name.length, 2);
  CFStringHolder empty(L"");
  EXPECT_FALSE(empty.GetHFSUniName(&name));
}

TEST(CFStringHolder, NumberedTextsAreFoundOrLeaveTheHolderEmpty) {
  ScopedFixtureBundle bundle("strings-bundle");
  CFStringHolder h(L"previous");
  EXPECT_TRUE(h.LoadLocalized(7));
  EXPECT_EQ(h.GetWideString(), L"Seven");
  EXPECT_FALSE(h.LoadLocalized(12345));
  EXPECT_TRUE(h.IsEmpty());
  EXPECT_TRUE(h.LoadLocalized(9));  // found, though empty
  EXPECT_FALSE(h.IsEmpty());
  EXPECT_EQ(h.GetLength(), 0u);
}

TEST(CFStringHolder, WideBufferCountIncludesTheTerminator) {
  CFStringHolder h(L"ab\U0001F600cd");
  wchar_t buf[6];
  std::fill(std::begin(buf), std::end(buf), L'#');
  ASSERT_TRUE(CFStringToWideBuffer(h.Get(), buf, 4));
  EXPECT_STREQ(buf, L"ab\U0001F600");
  EXPECT_EQ(buf[4], L'#');  // nothing written past the given count
  ASSERT_TRUE(CFStringToWideBuffer(h.Get(), buf, 6));
  EXPECT_STREQ(buf, L"ab\U0001F600cd");
  EXPECT_FALSE(CFStringToWideBuffer(nullptr, buf, 6));
  EXPECT_FALSE(CFStringToWideBuffer(h.Get(), buf, 0));

  cf::StringRef made = WideToCFString(L"x");
  EXPECT_EQ(cf::GetWide(made), L"x");
  cf::Release(made);
  EXPECT_EQ(WideToCFString(nullptr), nullptr);
  EXPECT_EQ(CStringToCFString(nullptr), nullptr);
}

#include "platform/WideTextBuffer.h"

#include <gtest/gtest.h>

#include <string>

#include "host/CFString.h"
#include "platform/CFStringHolder.h"
#include "tests/platform/TestBundle.h"

TEST(WideTextBuffer, StartsEmptyAndReserveKeepsOrDiscards) {
  WideTextBuffer b;
  EXPECT_EQ(b.GetCapacity(), 1u);
  EXPECT_STREQ(b.GetText(), L"");
  ASSERT_TRUE(b.Set(L"hello"));
  EXPECT_EQ(b.GetCapacity(), 6u);
  EXPECT_TRUE(b.Reserve(6));  // not larger: text kept
  EXPECT_STREQ(b.GetText(), L"hello");
  EXPECT_TRUE(b.Reserve(3));
  EXPECT_STREQ(b.GetText(), L"hello");
  EXPECT_TRUE(b.Reserve(7));  // larger: text discarded
  EXPECT_STREQ(b.GetText(), L"");
  EXPECT_EQ(b.GetCapacity(), 7u);
  EXPECT_EQ(b.GetText(), b.GetData());
}

TEST(WideTextBuffer, SetCopiesAndRefusesNull) {
  WideTextBuffer b;
  ASSERT_TRUE(b.Set(L"abcdef"));
  EXPECT_FALSE(b.Set(nullptr));
  EXPECT_STREQ(b.GetText(), L"abcdef");
  ASSERT_TRUE(b.Set(b.GetText() + 2));  // a text inside the buffer itself
  EXPECT_STREQ(b.GetText(), L"cdef");
  EXPECT_EQ(b.GetLength(), 4u);
}

TEST(WideTextBuffer, SetFromPlatformStringCombinesSurrogatePairs) {
  CFStringHolder emoji(L"x\U0001F600y");
  ASSERT_EQ(emoji.GetLength(), 4u);  // UTF-16 units
  WideTextBuffer b;
  ASSERT_TRUE(b.SetFromCFString(emoji.Get()));
  EXPECT_STREQ(b.GetText(), L"x\U0001F600y");
  EXPECT_EQ(b.GetLength(), 3u);

  const char16_t lone[] = {u'a', 0xDC00, 0};
  CFStringHolder bad(host::cf::CreateWithUtf16(lone));
  ASSERT_TRUE(b.SetFromCFString(bad.Get()));
  EXPECT_STREQ(b.GetText(), L"a\uFFFD");
  EXPECT_FALSE(b.SetFromCFString(nullptr));
}

TEST(WideTextBuffer, FormatProducesWholeTexts) {
  WideTextBuffer b;
  const std::wstring longArg(1000, L'z');
  ASSERT_TRUE(b.Format(L"[%ls] %d", longArg.c_str(), 42));
  EXPECT_EQ(std::wstring(b.GetText()), L"[" + longArg + L"] 42");

  ASSERT_TRUE(b.Format(L"%ls", L"100% sure %d"));  // a '%' in an argument stays as it is
  EXPECT_STREQ(b.GetText(), L"100% sure %d");

  ASSERT_TRUE(b.Format(L"%ls!", b.GetText()));  // the buffer's own text as an argument
  EXPECT_STREQ(b.GetText(), L"100% sure %d!");

  ASSERT_TRUE(b.Format(L"%.2f|%g|%5.1f", 1.5, 0.25, -3.0));
  EXPECT_STREQ(b.GetText(), L"1.50|0.25| -3.0");
}

TEST(WideTextBuffer, FormatEndsOnEmptyBadAndOversizedResults) {
  WideTextBuffer b;
  ASSERT_TRUE(b.Set(L"old"));
  EXPECT_TRUE(b.Format(L"%ls", L""));
  EXPECT_STREQ(b.GetText(), L"");

  struct Case {
    const wchar_t* format;
  };
  for (const Case c : {Case{L"%"}, Case{L"abc %"}, Case{L"%ls %"}}) {
    SCOPED_TRACE(testing::Message() << c.format);
    ASSERT_TRUE(b.Set(L"old"));
    EXPECT_FALSE(b.Format(c.format, L"x"));
    EXPECT_STREQ(b.GetText(), L"");
  }

  // A narrow argument that is not valid in the locale's multibyte set.
  EXPECT_FALSE(b.Format(L"%s", "\xFF\xFE"));
  EXPECT_FALSE(b.Format(nullptr));

  const std::wstring huge(WideTextBuffer::kMaxFormatLength, L'h');
  EXPECT_FALSE(b.Format(L"%ls", huge.c_str()));
  EXPECT_STREQ(b.GetText(), L"");
  const std::wstring big(WideTextBuffer::kMaxFormatLength / 2, L'h');
  EXPECT_TRUE(b.Format(L"%ls", big.c_str()));
  EXPECT_EQ(b.GetLength(), big.size());
}

TEST(WideTextBuffer, NumbersReadInTheCLocale) {
  struct Case {
    const wchar_t* text;
    int asInt;
    double asReal;
  };
  const Case cases[] = {
      {L"42", 42, 42.0}, {L"  -7xyz", -7, -7.0}, {L"3.75", 3, 3.75}, {L"", 0, 0.0},
      {L"abc", 0, 0.0},  {L"1e3", 1, 1000.0},    {L"0,5", 0, 0.0},   {L"99999999999", 2147483647, 99999999999.0},
  };
  WideTextBuffer b;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_TRUE(b.Set(c.text));
    EXPECT_EQ(b.ToInt(), c.asInt);
    EXPECT_DOUBLE_EQ(b.ToReal(), c.asReal);
  }
}

TEST(WideTextBuffer, LoadsNumberedTextsOrShowsTheNumber) {
  ScopedFixtureBundle bundle("strings-bundle");
  WideTextBuffer seven(7);
  EXPECT_STREQ(seven.GetText(), L"Seven");
  WideTextBuffer b;
  EXPECT_TRUE(b.LoadLocalizedString(8));
  EXPECT_STREQ(b.GetText(), L"Line one\nLine \"two\"\tend \\ done");
  EXPECT_TRUE(b.LoadLocalizedString(10));
  EXPECT_STREQ(b.GetText(), L"Caf\u00E9 \U0001F600");
  EXPECT_TRUE(b.LoadLocalizedString(9));  // an entry whose text is empty
  EXPECT_STREQ(b.GetText(), L"");
  EXPECT_TRUE(b.LoadLocalizedString(12345));  // no entry: the number itself
  EXPECT_STREQ(b.GetText(), L"12345");
  WideTextBuffer missing(-4);
  EXPECT_STREQ(missing.GetText(), L"-4");
}

TEST(WideTextBuffer, MovesLeaveAnEmptyBuffer) {
  WideTextBuffer a;
  ASSERT_TRUE(a.Set(L"moved"));
  WideTextBuffer b(std::move(a));
  EXPECT_STREQ(b.GetText(), L"moved");
  EXPECT_STREQ(a.GetText(), L"");  // NOLINT: a moved-from buffer stays usable
  a = std::move(b);
  EXPECT_STREQ(a.GetText(), L"moved");
  EXPECT_STREQ(b.GetText(), L"");  // NOLINT
}

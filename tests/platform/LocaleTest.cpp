// The program's number conversions under a comma-decimal process locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/Locale.h"
#include "platform/TextConversions.h"
#include "platform/WideTextBuffer.h"

namespace {

// Sets the whole process locale to de_DE.UTF-8 for one test and puts "C" back afterwards.
class GermanLocaleTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
        << "the de_DE.UTF-8 locale is missing (tools/install-deps.sh generates it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the locale does not use a decimal comma";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

}  // namespace

TEST_F(GermanLocaleTest, NumbersStillUseThePoint) {
  double real = 0;
  EXPECT_DOUBLE_EQ(ParseReal(L"0.5", real), 0.5);
  EXPECT_DOUBLE_EQ(ParseReal(L"1234.25", real), 1234.25);
  EXPECT_DOUBLE_EQ(ParseReal(L"0,5", real), 0.0);  // a comma ends the number
  int whole = 0;
  EXPECT_EQ(ParseDecimalInt(L"1.234", whole), 1);  // no digit grouping

  WideTextBuffer b;
  ASSERT_TRUE(b.Format(L"%.2f %g %d %'d", 1.5, 0.125, 1234567, 1234567));
  EXPECT_STREQ(b.GetText(), L"1.50 0.125 1234567 1234567");
  ASSERT_TRUE(b.Set(L"2.75"));
  EXPECT_DOUBLE_EQ(b.ToReal(), 2.75);

  wchar_t digits[kDecimalIntBufferSize];
  FormatDecimalInt(-1234567, digits);
  EXPECT_STREQ(digits, L"-1234567");
  wchar_t clock[32];
  FormatTimeCode(61250, clock, 32);
  EXPECT_STREQ(clock, L"01:01.25");

  // The process locale is untouched by the conversions.
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  EXPECT_STREQ(probe, "0,5");
}

TEST_F(GermanLocaleTest, ProcessSetUpKeepsNumbersInC) {
  const char* saved = std::getenv("LC_ALL");
  const std::string savedValue = saved ? saved : "";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(host::locale::SetUpProcessLocale(), "de_DE.UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  EXPECT_STREQ(probe, "0.5");

  // A locale without UTF-8 (or one that is not installed) still gets UTF-8 character classes.
  for (const char* env : {"C", "xx_NOWHERE.UTF-8"}) {
    setenv("LC_ALL", env, 1);
    const std::string ctype = host::locale::SetUpProcessLocale();
    EXPECT_TRUE(ctype == "C.UTF-8" || ctype == "C.utf8") << env << " gave " << ctype;
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  }
  if (saved) {
    setenv("LC_ALL", savedValue.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
}

// Seconds typed with decimals become whole milliseconds as their decimals read, and
// milliseconds show as seconds with two decimals.
#include "ui/SecondsField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/TextConversions.h"

namespace {

// Every time a user can type with two decimals up to six minutes, read as the field reads
// it, is exactly its hundredths in milliseconds: 2.01 s is 2010 ms, not 2009.
TEST(SecondsField, EveryTwoDecimalTimeIsExactInMilliseconds) {
  int wrong = 0;
  for (int hundredths = 0; hundredths <= 36000; ++hundredths) {
    const std::wstring text = std::to_wstring(hundredths / 100) + L"." + (hundredths % 100 < 10 ? L"0" : L"") +
                              std::to_wstring(hundredths % 100);
    double seconds = 0;
    ParseReal(text.c_str(), seconds);
    if (SecondsToMilliseconds(seconds) != hundredths * 10) {
      ADD_FAILURE() << "typed " << WideToUtf8(text) << " gives " << SecondsToMilliseconds(seconds);
      if (++wrong > 5) break;
    }
  }
}

TEST(SecondsField, TruncatesTowardZeroAndKeepsToTheRange) {
  const struct {
    double seconds;
    int32_t ms;
  } cases[] = {
      {2.5, 2500},
      {0.0005, 0},
      {0.0019, 1},
      {360.001, 360001},
      {1.2345, 1234},
      {-2.01, -2010},
      {-0.0009, 0},
      {1e12, std::numeric_limits<int32_t>::max()},
      {-1e12, std::numeric_limits<int32_t>::min()},
      {INFINITY, std::numeric_limits<int32_t>::max()},
      {NAN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsToMilliseconds(c.seconds), c.ms) << c.seconds;
}

TEST(SecondsField, MillisecondsShowWithTwoDecimals) {
  EXPECT_EQ(MillisecondsAsSeconds(1500), L"1.50");
  EXPECT_EQ(MillisecondsAsSeconds(0), L"0.00");
  EXPECT_EQ(MillisecondsAsSeconds(360000), L"360.00");
  EXPECT_EQ(MillisecondsAsSeconds(2010), L"2.01");
}

}  // namespace

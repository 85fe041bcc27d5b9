#include "util/c_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace corvala {
namespace {

TEST(CFormat, NumbersKeepThePointUnderAGermanLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
#ifdef _WIN32
  const char* const german = "German_Germany.1252";
#else
  const char* const german = "de_DE.UTF-8";
#endif
  if (std::setlocale(LC_ALL, german) == nullptr) GTEST_SKIP() << german << " missing";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");  // the locale has the comma
  EXPECT_EQ(Format("%8.2f", 1013.25), " 1013.25");
  EXPECT_EQ(Format("%f", static_cast<double>(8.23f)), "8.230000");
  EXPECT_DOUBLE_EQ(ParseFloat("1013.25"), 1013.25);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(CFormat, ParsingFollowsAtoiAndAtof) {
  EXPECT_EQ(ParseInt("12abc"), 12);
  EXPECT_EQ(ParseInt("abc"), 0);
  EXPECT_EQ(ParseInt("  -7"), -7);
  EXPECT_EQ(ParseInt("99999999999"), 2147483647);
  EXPECT_DOUBLE_EQ(ParseFloat("-1.5x"), -1.5);
  EXPECT_DOUBLE_EQ(ParseFloat("x"), 0.0);
  // The same bytes read the same on every system.
  EXPECT_EQ(ParseFloat("-inf"), -HUGE_VAL);
  EXPECT_TRUE(std::isnan(ParseNumber(" nan ").value_or(0.0)));
  EXPECT_DOUBLE_EQ(ParseFloat("0x10"), 16.0);
  EXPECT_EQ(TruncToInt32(-1.9), -1);
  EXPECT_EQ(TruncToInt32(1e300), 2147483647);
  EXPECT_EQ(TruncToInt32(std::nan("")), 0);
}

}  // namespace
}  // namespace corvala

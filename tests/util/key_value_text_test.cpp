#include "util/key_value_text.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(KeyValueText, KeysMatchAsSubstringsOfTokensAndTheFirstWins) {
  const KeyValueText file("XTemperaturY=30 Temperatur=40 noequals7 a=b=3.5 ");
  EXPECT_EQ(file.TokenCount(), 4);
  EXPECT_DOUBLE_EQ(file.LookupSetting("Temperatur"), 30.0);
  EXPECT_DOUBLE_EQ(file.LookupSetting("a=b"), 3.5);       // the value follows the last "="
  EXPECT_DOUBLE_EQ(file.LookupSetting("noequals"), 0.0);  // no "=": text after the first character
  EXPECT_DOUBLE_EQ(file.LookupSetting("Missing"), -1.0);
  EXPECT_EQ(file.FindToken("Missing"), -1);
  EXPECT_DOUBLE_EQ(file.ValueOf(-1), -1.0);
}

TEST(KeyValueText, RowNumbersHaveAtLeastFourDigits) {
  EXPECT_EQ(FormatRowNumber(0), "0000");
  EXPECT_EQ(FormatRowNumber(10), "0010");
  EXPECT_EQ(FormatRowNumber(999), "0999");
  EXPECT_EQ(FormatRowNumber(1000), "1000");
  EXPECT_EQ(FormatRowNumber(10000), "10000");
}

}  // namespace
}  // namespace corvala

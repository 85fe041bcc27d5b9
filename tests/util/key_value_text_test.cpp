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

// Rows of numbers are not kept when only keys with letters are looked up; the
// tokens kept are found at the same place.
TEST(KeyValueText, LeavingOutNumbersKeepsTheKeysAndWhereTheyEnd) {
  const std::string text = "Jahr=2026\r\nMesswerte:\r\n  12   34 1013.25 -5 +1 x7 Einheit=2\r\n";
  const KeyValueText all(text);
  const KeyValueText keys(text, KeyValueText::Keep::kNoNumbers);
  EXPECT_EQ(all.TokenCount(), 9);
  EXPECT_EQ(keys.TokenCount(), 4);
  EXPECT_EQ(keys.TokenEnd(keys.FindToken("Messwerte:")), all.TokenEnd(all.FindToken("Messwerte:")));
  EXPECT_DOUBLE_EQ(keys.LookupSetting("Einheit"), 2.0);
  EXPECT_DOUBLE_EQ(keys.LookupSetting("x"), 7.0);
}

}  // namespace
}  // namespace corvala

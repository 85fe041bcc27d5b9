#include "files/rate_settings_file.h"

#include <gtest/gtest.h>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

TEST(RateSettingsFile, AMissingFileHoldsTheDefaultsAndEverySettingReadsBack) {
  const testing::TempFolder folder;
  const std::string file = folder / kRateSettingsFileName;
  EXPECT_EQ(ReadRateSettings(file).Value(), RateSettings{});
  RateSettings settings;
  settings.blankChamber = 2;
  settings.chambers[0] = {{1.5, 0.1}, "g FW"};
  settings.chambers[1] = {{1.0 / 3.0, std::nullopt}, "\xC2\xB5g Chl"};
  settings.chambers[2].oxygen.amount = 250;
  settings.window = 120;
  ASSERT_TRUE(WriteRateSettings(file, settings).Ok());
  const std::string bytes = testing::FileBytes(file);
  // Typed numbers keep their text; others every digit they need.
  EXPECT_EQ(bytes,
            "Blank=3\r\nVolume1=1.5\r\nAmount1=0.1\r\nAmountUnit1=g FW\r\n"
            "Volume2=0.33333333333333331\r\nAmount2=\r\nAmountUnit2=\xC2\xB5g Chl\r\n"
            "Volume3=\r\nAmount3=250\r\nAmountUnit3=\r\nWindow=120\r\n");
  EXPECT_EQ(ReadRateSettings(file).Value(), settings);
  std::string lf = bytes;  // line feeds alone, no line end at the end
  std::erase(lf, '\r');
  lf.pop_back();
  EXPECT_EQ(ParseRateSettings(lf), settings);
  EXPECT_FALSE(ReadRateSettings(folder.Path().string()).Ok());  // a folder
}

TEST(RateSettingsFile, UnknownDamagedAndOutOfRangeLinesArePassedOver) {
  const RateSettings read = ParseRateSettings(
      "Blank=2\nVolume1=2.5\nAmount1=4\nAmountUnit1=mg DW\nWindow=50\n"
      "[Rates]\nvolume1=7\nVolume4=7\nBlank=4\nBlank=1.5\n"
      "Volume1=0\nVolume1=nan\nVolume1=inf\nVolume1=1e7\nVolume1=1,5\nAmount1=-1\n"
      "AmountUnit1=tab\there\nAmountUnit1=" +
      std::string(65, 'u') + "\nWindow=2\nWindow=100001\nWindow=12.5\n");
  RateSettings expected;
  expected.blankChamber = 1;
  expected.chambers[0] = {{2.5, 4.0}, "mg DW"};
  expected.window = 50;
  EXPECT_EQ(read, expected);
  // Empty values and "Blank=0" are none; the bounds themselves are allowed.
  const RateSettings cleared =
      ParseRateSettings("Blank=2\nBlank=0\nVolume1=2\nVolume1=\nAmount2=1e9\nWindow=3\n");
  EXPECT_EQ(cleared.blankChamber, std::nullopt);
  EXPECT_EQ(cleared.chambers[0].oxygen.volumeMl, std::nullopt);
  EXPECT_EQ(cleared.chambers[1].oxygen.amount, 1e9);
  EXPECT_EQ(cleared.window, 3);
  // What cannot be kept is written as the default.
  RateSettings bad;
  bad.blankChamber = 5;
  bad.chambers[1].amountUnit = "two\r\nlines";
  bad.window = 1;
  EXPECT_EQ(FormatRateSettings(bad), FormatRateSettings(RateSettings{}));
}

}  // namespace
}  // namespace corvala

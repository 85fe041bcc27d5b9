#include "files/rate_settings_file.h"

#include <gtest/gtest.h>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

RateSettings EverySetting() {
  RateSettings settings;
  settings.blankChamber = 2;
  settings.chambers[0].oxygen = {1.5, 0.1};
  settings.chambers[0].amountUnit = "g FW";
  settings.chambers[1].oxygen = {1.0 / 3.0, std::nullopt};
  settings.chambers[1].amountUnit = "\xC2\xB5g Chl";  // µg Chl
  settings.chambers[2].oxygen = {std::nullopt, 250};
  settings.window = 120;
  return settings;
}

TEST(RateSettingsFile, AMissingFileHoldsTheDefaultsAndEverySettingReadsBack) {
  const testing::TempFolder folder;
  const Expected<RateSettings> missing = ReadRateSettings(folder / kRateSettingsFileName);
  ASSERT_TRUE(missing.Ok());
  EXPECT_EQ(*missing, RateSettings{});
  EXPECT_EQ(FormatRateSettings(RateSettings{}),
            "Blank=0\r\nVolume1=\r\nAmount1=\r\nAmountUnit1=\r\nVolume2=\r\nAmount2=\r\n"
            "AmountUnit2=\r\nVolume3=\r\nAmount3=\r\nAmountUnit3=\r\nWindow=0\r\n");

  ASSERT_TRUE(WriteRateSettings(folder / kRateSettingsFileName, EverySetting()).Ok());
  const std::string bytes = testing::FileBytes(folder / kRateSettingsFileName);
  // Typed numbers keep their text; others every digit they need.
  EXPECT_NE(bytes.find("Blank=3\r\nVolume1=1.5\r\nAmount1=0.1\r\nAmountUnit1=g FW\r\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("Volume2=0.33333333333333331\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("AmountUnit2=\xC2\xB5g Chl\r\n"), std::string::npos);
  const Expected<RateSettings> read = ReadRateSettings(folder / kRateSettingsFileName);
  ASSERT_TRUE(read.Ok());
  EXPECT_EQ(*read, EverySetting());
  // Line feeds alone, and no line end at the end, read the same.
  std::string lf = bytes;
  std::erase(lf, '\r');
  lf.pop_back();
  EXPECT_EQ(ParseRateSettings(lf), EverySetting());
}

TEST(RateSettingsFile, UnknownDamagedAndOutOfRangeLinesArePassedOver) {
  const RateSettings read = ParseRateSettings(
      "Blank=2\r\nVolume1=2.5\r\nAmount1=4\r\nAmountUnit1=mg DW\r\nWindow=50\r\n"
      "[Rates]\r\nno key here\r\nvolume1=7\r\nVolume4=7\r\nVolume=7\r\n"
      "Blank=4\r\nBlank=1.5\r\nBlank=x\r\n"
      "Volume1=0\r\nVolume1=-1\r\nVolume1=nan\r\nVolume1=inf\r\nVolume1=1e7\r\nVolume1=1,5\r\n"
      "Amount1=0\r\nAmount1=abc\r\nAmount1=1e10\r\n"
      "AmountUnit1=tab\there\r\nAmountUnit1=" +
      std::string(65, 'u') +
      "\r\n"
      "Window=2\r\nWindow=100001\r\nWindow=-3\r\nWindow=12.5\r\n");
  EXPECT_EQ(read.blankChamber, 1);
  EXPECT_EQ(read.chambers[0].oxygen.volumeMl, 2.5);
  EXPECT_EQ(read.chambers[0].oxygen.amount, 4.0);
  EXPECT_EQ(read.chambers[0].amountUnit, "mg DW");
  EXPECT_EQ(read.window, 50);
  EXPECT_EQ(read.chambers[1], ChamberOxygen{});
  EXPECT_EQ(read.chambers[2], ChamberOxygen{});
  // Empty values and "Blank=0" are none; the bounds themselves are allowed.
  const RateSettings cleared = ParseRateSettings(
      "Blank=2\nBlank=0\nVolume1=2\nVolume1=\nAmount2=1e9\nVolume3=1e6\nWindow=3\n");
  EXPECT_EQ(cleared.blankChamber, std::nullopt);
  EXPECT_EQ(cleared.chambers[0].oxygen.volumeMl, std::nullopt);
  EXPECT_EQ(cleared.chambers[1].oxygen.amount, 1e9);
  EXPECT_EQ(cleared.chambers[2].oxygen.volumeMl, 1e6);
  EXPECT_EQ(cleared.window, 3);
}

TEST(RateSettingsFile, SettingsThatCannotBeKeptAreWrittenAsTheDefault) {
  RateSettings bad;
  bad.blankChamber = 5;
  bad.chambers[0].oxygen.volumeMl = -2;
  bad.chambers[1].amountUnit = "two\r\nlines";
  bad.window = 1;
  EXPECT_EQ(FormatRateSettings(bad), FormatRateSettings(RateSettings{}));
}

TEST(RateSettingsFile, AFileThatCannotBeReadOrWrittenIsAFailure) {
  const testing::TempFolder folder;
  EXPECT_FALSE(ReadRateSettings(folder.Path().string()).Ok());  // a folder
  EXPECT_FALSE(WriteRateSettings(folder / "no/such/Rates.ini", EverySetting()).Ok());
}

}  // namespace
}  // namespace corvala

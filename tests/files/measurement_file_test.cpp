#include "files/measurement_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "util/c_format.h"

namespace corvala {
namespace {

ChamberRecord Sampled(int32_t count) {
  ChamberRecord r;
  r.startYear = 2024;
  r.startMonth = 2;
  r.startDay = 29;
  r.startHour = 23;
  r.startMinute = 58;
  r.startSecond = 1;
  r.runInterval = 5;
  r.runTemperature = 30;
  r.runUnit = 2;
  r.stepTime = {600, 1200};
  r.stepLight = {1, 0};
  for (int32_t k = 0; k < count; ++k) {
    r.sampleHour.push_back((23 + k / 720) % 24);
    r.sampleMinute.push_back(k % 60);
    r.sampleSecond.push_back((k * 5) % 60);
    r.sampleElapsed.push_back(k * 5);
    r.samplePressure.push_back(1000.0f - static_cast<float>(k) * 0.25f);
    r.sampleTemperature.push_back(20.0f + static_cast<float>(k % 10) * 0.5f);
    r.sampleLight.push_back(k % 7 < 3 ? 1 : 0);
  }
  r.sampleCount = count;
  return r;
}

MeasurementFileContent Parse(std::string_view text) {
  return ParseMeasurementFile(text, MeasurementReadContext{});
}

TEST(MeasurementFile, ExactBytes) {
  ChamberRecord r = Sampled(0);
  r.stepTime = {600};
  r.stepLight = {1};
  r.sampleHour = {12, 0};
  r.sampleMinute = {34, 0};
  r.sampleSecond = {56, 5};
  r.sampleElapsed = {120, 125};
  r.samplePressure = {1013.25f, -3.5f};
  r.sampleTemperature = {23.5f, 8.0f};
  r.sampleLight = {1, 2};
  r.sampleCount = 2;
  EXPECT_EQ(FormatMeasurementFile(r),
            "AnzahlMesswerte=1\r\nJahr=2024\r\nMonat=2\r\nTag=29\r\nStunde=23\r\nMinute=58\r\n"
            "Sekunde=1\r\nMessabstand=5\r\nTemperatur=30\r\nEinheit=2\r\nAnzahlProg=1\r\n"
            "Delay0001=600\r\nLicht0001=1\r\n\r\n\r\nMesswerte:\r\n"
            "  12   34   56      120  1013.25 23.5 1\r\n"
            "   0    0    5      125    -3.50  8.0 0\r\n");
  EXPECT_EQ(FormatMeasurementFile(ChamberRecord{}).substr(0, 20), "AnzahlMesswerte=-1\r\n");
}

TEST(MeasurementFile, SavedRecordReloadsWithEveryFieldAndSample) {
  const ChamberRecord saved = Sampled(120);
  const std::string text = FormatMeasurementFile(saved);
  EXPECT_EQ(text.substr(0, 21), "AnzahlMesswerte=119\r\n");
  const MeasurementFileContent content = Parse(text);
  EXPECT_EQ(content.announced, 119);
  ChamberRecord loaded = content.record;
  EXPECT_EQ(loaded.sampleCount, 120);
  loaded.chamberIndex = saved.chamberIndex;
  EXPECT_EQ(loaded, saved);
}

TEST(MeasurementFile, ReadsRowsOfBothLayoutsAndKeysInAnyOrder) {
  std::string text;
  ASSERT_TRUE(ReadWholeFile(CORVALA_TEST_DATA "/short_rows.cv3", text));
  MeasurementReadContext context;
  context.sampleInterval = 7;
  context.temperature = 33;
  const ChamberRecord r = ParseMeasurementFile(text, context).record;
  EXPECT_EQ(r.sampleCount, 3);
  EXPECT_EQ(r.samplePressure, (std::vector<float>{101.5f, 99.2f, 98.0f}));
  EXPECT_EQ(r.sampleTemperature, (std::vector<float>{21.5f, 21.6f, 21.7f}));
  EXPECT_EQ(r.sampleLight, (std::vector<uint8_t>{0, 1, 1}));
  EXPECT_EQ(r.sampleElapsed, (std::vector<int32_t>{0, 5, 10}));
  EXPECT_EQ(r.sampleSecond, (std::vector<int32_t>{0, 5, 10}));
  EXPECT_EQ(r.startYear, 2023);
  EXPECT_EQ(r.startMonth, 11);
  EXPECT_EQ(r.startDay, 5);
  EXPECT_EQ(r.startHour, -1);  // missing keys read as -1
  EXPECT_EQ(r.runInterval, 7);
  EXPECT_EQ(r.runTemperature, 33);
  EXPECT_EQ(r.runUnit, 2);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{600, 1200}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{0, 1}));

  // The long row, with CR LF and with LF alone.
  for (const char* end : {"\r\n", "\n"}) {
    const std::string row = std::string("  12   34   56      120  1013.25 23.5 1") + end;
    const ChamberRecord one = Parse("AnzahlMesswerte=0\nMesswerte:\n" + row).record;
    EXPECT_EQ(one.sampleCount, 0);  // 0 announces one row but loads nothing
    const ChamberRecord two = Parse("AnzahlMesswerte=1\nMesswerte:\n" + row + row).record;
    ASSERT_EQ(two.sampleCount, 2);
    EXPECT_EQ(two.sampleHour[0], 12);
    EXPECT_EQ(two.sampleMinute[0], 34);
    EXPECT_EQ(two.sampleSecond[0], 56);
    EXPECT_EQ(two.sampleElapsed[0], 120);
    EXPECT_EQ(two.samplePressure[0], 1013.25f);
    EXPECT_EQ(two.sampleTemperature[0], 23.5f);
    EXPECT_EQ(two.sampleLight[0], 1);
    EXPECT_EQ(two.runUnit, 1);
  }
}

TEST(MeasurementFile, KeysMatchAsSubstringsFirstTokenWins) {
  const ChamberRecord r = Parse(
                              "AnzahlMesswerte=1 XJahrY=1999 Jahr=2000 AnzahlProg=2 "
                              "Delay00010=77 Licht0002=1 Einheit=5\nMesswerte: rest\n"
                              "   1    2    3        4     5.00  6.0 1\n   1    2    3        5")
                              .record;
  EXPECT_EQ(r.startYear, 1999);
  // Delay0001 is contained in Delay00010; Delay0002 is missing.
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{77, -1}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{0, 1}));
  EXPECT_EQ(r.runUnit, 1);  // no unit 5
  // The last row has no pressure columns and no line end: zeros.
  ASSERT_EQ(r.sampleCount, 2);
  EXPECT_EQ(r.sampleElapsed[1], 5);
  EXPECT_EQ(r.samplePressure[1], 0.0f);

  // Keys that only follow the marker are still found, the first in the file.
  const ChamberRecord late = Parse(
                                 "AnzahlMesswerte=1 AnzahlProg=1\nMesswerte:\nEinheit=2 "
                                 "Delay0001=5 Einheit=1 Delay0001=6\n")
                                 .record;
  EXPECT_EQ(late.runUnit, 2);
  EXPECT_EQ(late.stepTime, (std::vector<int32_t>{5}));
}

TEST(MeasurementFile, HostileCountsAndTruncatedFilesStayBounded) {
  // Announced rows and steps far beyond the file: only what is there.
  const auto start = std::chrono::steady_clock::now();
  MeasurementFileContent c = Parse(
      "AnzahlMesswerte=2147483647\nAnzahlProg=2147483647\nDelay0003=9\n\n\nMesswerte:\n"
      "   1    2    3        4     5.00  6.0 1\r\n   1    2    3        9     7.00  6.0 0\r\n");
  EXPECT_EQ(c.record.sampleCount, 2);
  EXPECT_EQ(c.record.samplePressure.size(), 2u);
  EXPECT_EQ(c.record.sampleLight.size(), 2u);
  EXPECT_EQ(c.record.stepTime.size(), 9999u);
  EXPECT_EQ(c.record.stepTime[2], 9);
  EXPECT_EQ(c.record.stepLight.size(), c.record.stepTime.size());
  // A step key beyond 9999 extends the steps read up to it.
  c = Parse("AnzahlMesswerte=0\nAnzahlProg=99999999\nLicht12345=1\n");
  EXPECT_FALSE(c.HasSamples());
  c = Parse("AnzahlMesswerte=1\nAnzahlProg=99999999\nLicht12345=1\nMesswerte:\n");
  EXPECT_EQ(c.record.stepLight.size(), 12345u);
  EXPECT_EQ(c.record.stepLight.back(), 1);
  EXPECT_EQ(c.record.sampleCount, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

  // Negative counts and no marker load nothing.
  EXPECT_FALSE(Parse("AnzahlMesswerte=-5\nMesswerte:\n   1").HasSamples());
  EXPECT_EQ(Parse("AnzahlMesswerte=3\n   1    2    3        4").record.sampleCount, 0);
  EXPECT_FALSE(Parse("").HasSamples());

  // Overlong tokens, overlong rows, binary bytes.
  std::string junk = "AnzahlMesswerte=4 " + std::string(5000, 'x') + "=3\nMesswerte:\n";
  junk += std::string(1000, '7') + "\n";
  for (int i = 0; i < 256; ++i) junk += static_cast<char>(i);
  c = Parse(junk);
  EXPECT_EQ(c.record.sampleCount, 3);
  EXPECT_EQ(c.record.sampleHour.size(), 3u);
  EXPECT_EQ(c.record.sampleHour[0], 7777);
}

TEST(MeasurementFile, ChartTopWidensToLoadedPressures) {
  EXPECT_EQ(WidenMaxPressure(300, 412.7f, 1, 1.0f, 1.0f), 422);
  EXPECT_EQ(WidenMaxPressure(300, 299.9f, 1, 1.0f, 1.0f), 300);
  EXPECT_EQ(WidenMaxPressure(300, 300.0f, 1, 1.0f, 1.0f), 310);
  EXPECT_EQ(WidenMaxPressure(-5, 0.5f, 1, 1.0f, 1.0f), -5);  // integer part 0
  EXPECT_EQ(WidenMaxPressure(300, 412.7f, 1, 1.0f, 0.0f), 300);
  // mg/l: 20 mg/l / 8.23 * 210 = 510.3 mbar.
  EXPECT_EQ(WidenMaxPressure(300, 20.0f, 2, 210.0f, 8.23f), 520);
  EXPECT_EQ(WidenMaxPressure(600, 20.0f, 2, 210.0f, 8.23f), 600);
  EXPECT_EQ(WidenMaxPressure(300, 3e38f, 1, 1.0f, 1.0f), 2147483647);
  EXPECT_EQ(WidenMaxPressure(300, NAN, 1, 1.0f, 1.0f), 300);

  MeasurementReadContext context;
  context.maxPressure = 300;
  const auto c = ParseMeasurementFile(
      "AnzahlMesswerte=1\nMesswerte:\n   1    2    3        4   412.70  6.0 1\n"
      "   1    2    3        4   401.00  6.0 1\n",
      context);
  EXPECT_EQ(c.maxPressure, 422);
}

}  // namespace
}  // namespace corvala

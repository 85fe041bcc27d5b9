#include "files/measurement_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "util/c_format.h"

namespace corvala {
namespace {

ChamberRecord Sampled(int32_t count) {
  ChamberRecord r;
  r.runTemperature = 30;
  r.runUnit = 2;
  r.stepTime = {600, 1200};
  r.stepLight = {1, 0};
  for (int32_t k = 0; k < count; ++k)
    AppendSample(r, 1000.0f - static_cast<float>(k) * 0.25f,
                 20.0f + static_cast<float>(k % 10) * 0.5f, k % 7 < 3 ? 1 : 0,
                 LocalTime{2024, 2, 29, 23, k % 60, (k * 5) % 60}, k * 5);
  return r;
}

ChamberRecord Parse(std::string_view text) {
  return ParseMeasurementFile(text, MeasurementReadContext{}).record;
}

const std::string kRow = "  12   34   56      120  1013.25 23.5 1";

TEST(MeasurementFile, ExactBytesAndRoundTrip) {
  ChamberRecord r = Sampled(2);
  r.stepTime.resize(1);
  r.stepLight.resize(1);
  r.samplePressure[1] = -3.5f;
  r.sampleLight[1] = 2;
  EXPECT_EQ(FormatMeasurementFile(r),
            "AnzahlMesswerte=1\r\nJahr=2024\r\nMonat=2\r\nTag=29\r\nStunde=23\r\nMinute=0\r\n"
            "Sekunde=0\r\nMessabstand=5\r\nTemperatur=30\r\nEinheit=2\r\nAnzahlProg=1\r\n"
            "Delay0001=600\r\nLicht0001=1\r\n\r\n\r\nMesswerte:\r\n"
            "  23    0    0        0  1000.00 20.0 1\r\n"
            "  23    1    5        5    -3.50 20.5 0\r\n");
  EXPECT_EQ(FormatMeasurementFile(ChamberRecord{}).substr(0, 20), "AnzahlMesswerte=-1\r\n");

  ChamberRecord saved = Sampled(120);
  saved.saved = 1;
  const std::string text = FormatMeasurementFile(saved);
  EXPECT_EQ(text.substr(0, 21), "AnzahlMesswerte=119\r\n");
  EXPECT_EQ(Parse(text), saved);
}

TEST(MeasurementFile, RowLayoutsKeysAndDefaults) {
  std::string text;
  ASSERT_TRUE(ReadWholeFile(CORVALA_TEST_DATA "/short_rows.cv3", text));
  const ChamberRecord r = ParseMeasurementFile(text, MeasurementReadContext{7, 33}).record;
  // Short rows with LF line ends; keys in any order, missing ones defaulted.
  EXPECT_EQ(r.samplePressure, (std::vector<float>{101.5f, 99.2f, 98.0f}));
  EXPECT_EQ(r.sampleTemperature, (std::vector<float>{21.5f, 21.6f, 21.7f}));
  EXPECT_EQ(r.sampleLight, (std::vector<uint8_t>{0, 1, 1}));
  EXPECT_EQ(std::vector<int32_t>({r.startYear, r.startMonth, r.startDay, r.startHour, r.runInterval,
                                  r.runTemperature, r.runUnit}),
            (std::vector<int32_t>{2023, 11, 5, -1, 7, 33, 2}));
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{600, 1200}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{0, 1}));

  EXPECT_EQ(Parse("AnzahlMesswerte=0\nMesswerte:\n" + kRow + "\n").sampleCount, 0);
  const ChamberRecord one = Parse("AnzahlMesswerte=1\nMesswerte:\n" + kRow + "\n" + kRow);
  ASSERT_EQ(one.sampleCount, 2);
  EXPECT_EQ(std::vector<int32_t>({one.sampleHour[0], one.sampleMinute[0], one.sampleSecond[0],
                                  one.sampleElapsed[0], one.sampleLight[0]}),
            (std::vector<int32_t>{12, 34, 56, 120, 1}));
  EXPECT_EQ(one.samplePressure[0], 1013.25f);
  EXPECT_EQ(one.sampleTemperature[0], 23.5f);

  // Substring keys, first token in the file wins, also after the marker.
  const ChamberRecord keys = Parse(
      "AnzahlMesswerte=1 XJahrY=1999 Jahr=2000 AnzahlProg=3 Delay00010=77 Licht0002=1 Einheit=5\n"
      "Messwerte: rest\n" +
      kRow + "\n   1    2    3        5\nDelay0003=8 Delay0003=9\n");
  EXPECT_EQ(keys.startYear, 1999);
  EXPECT_EQ(keys.stepTime, (std::vector<int32_t>{77, -1, 8}));
  EXPECT_EQ(keys.stepLight, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(keys.runUnit, 1);
  EXPECT_EQ(keys.sampleElapsed, (std::vector<int32_t>{120, 5}));
  EXPECT_EQ(keys.samplePressure, (std::vector<float>{1013.25f, 0}));
}

TEST(MeasurementFile, HostileCountsAndTruncatedFilesStayBounded) {
  ChamberRecord r = Parse(
      "AnzahlMesswerte=2147483647\nAnzahlProg=2147483647\nDelay0003=9\n\n\n"
      "Messwerte:\n" +
      kRow + "\r\n" + kRow + "\r\n");
  EXPECT_EQ(r.Samples(), 2);
  EXPECT_EQ(r.stepTime.size(), 9999u);
  EXPECT_EQ(r.stepTime[2], 9);
  // A step key beyond 9999 extends the steps read up to it.
  EXPECT_EQ(Parse("AnzahlMesswerte=1 AnzahlProg=99999999 Licht12345=1").stepLight.size(), 12345u);
  EXPECT_FALSE(ParseMeasurementFile("AnzahlMesswerte=-5\nMesswerte:\n" + kRow, {}).HasSamples());
  EXPECT_EQ(Parse("AnzahlMesswerte=3\n" + kRow).sampleCount, 0);  // no marker
  const std::string saved = FormatMeasurementFile(Sampled(10));
  EXPECT_EQ(Parse(saved.substr(0, saved.size() - 100)).Samples(), 8);  // cut in row 8
  // Overlong tokens and rows, binary bytes.
  std::string junk = "AnzahlMesswerte=4 " + std::string(5000, 'x') + "=3\nMesswerte:\n";
  junk += std::string(1000, '7') + "\n";
  for (int i = 0; i < 256; ++i) junk += static_cast<char>(i);
  r = Parse(junk);
  EXPECT_EQ(r.Samples(), 3);
  EXPECT_EQ(r.sampleHour[0], 7777);
}

TEST(MeasurementFile, ChartTopWidensToLoadedPressures) {
  EXPECT_EQ(WidenMaxPressure(300, 412.7f, 1, 1, 1), 422);
  EXPECT_EQ(WidenMaxPressure(-5, 0.5f, 1, 1, 1), -5);              // integer part 0
  EXPECT_EQ(WidenMaxPressure(300, 20.0f, 2, 210.0f, 8.23f), 520);  // 510.3 mbar
  EXPECT_EQ(WidenMaxPressure(300, 3e38f, 1, 1, 1), 2147483647);
  const auto c = ParseMeasurementFile(
      "AnzahlMesswerte=1\nMesswerte:\n" + kRow + "\n   1    2    3        4    13.00  6.0 1\n", {});
  EXPECT_EQ(c.maxPressure, 1023);
}

}  // namespace
}  // namespace corvala

#include "device/frame_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/line_reader.h"
#include "run/station.h"

namespace corvala {
namespace {

std::vector<std::string> Frame(const std::vector<std::string>& fields) {
  std::vector<std::string> lines{"anfang"};
  lines.insert(lines.end(), fields.begin(), fields.end());
  lines.push_back("ende");
  return lines;
}

struct ParserFixture : ::testing::Test {
  Station station;
  std::vector<int> bitmaps;
  FrameParser parser{station, [this](int id) { bitmaps.push_back(id); }};

  void Feed(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) parser.ParseLine(line);
  }
  ReadingAccumulator::Sum Sum(int c) { return station.m_readings[c].Peek(); }
};

TEST_F(ParserFixture, ThreeChannelFrameFeedsEachChamber) {
  station.m_frameStartSeen = -1;
  Feed(Frame({"3", "25.0", "201.5", "202.5", "203.5", "24.1", "24.2", "24.3", "1"}));
  EXPECT_EQ(parser.State(), FrameParser::kOutside);
  EXPECT_EQ(station.m_frameStartSeen.load(), 0);
  EXPECT_EQ(station.m_serviceArg.load(), 3);
  EXPECT_FLOAT_EQ(station.m_deviceTemperature.load(), 25.0f);
  const float readings[3] = {201.5f, 202.5f, 203.5f};
  const float temps[3] = {24.1f, 24.2f, 24.3f};
  for (int c = 0; c < 3; ++c) {
    EXPECT_FLOAT_EQ(Sum(c).sum, readings[c]);
    EXPECT_EQ(Sum(c).count, 1);
    EXPECT_FLOAT_EQ(station.m_lastReading[c].load(), readings[c]);
    EXPECT_FLOAT_EQ(station.m_chamberTemperature[c].load(), temps[c]);
  }
  EXPECT_EQ(station.m_unitMismatch.load(), 0);

  // A second frame adds to the sums; the live value is the latest.
  Feed(Frame({"3", "25.0", "100", "100", "100", "24", "24", "24", "1"}));
  EXPECT_FLOAT_EQ(Sum(0).sum, 301.5f);
  EXPECT_EQ(Sum(0).count, 2);
  EXPECT_FLOAT_EQ(station.m_lastReading[0].load(), 100.0f);
}

TEST_F(ParserFixture, OneAndZeroChannelDevicesCopyTheFirstValues) {
  Feed(Frame({"1", "30.0", "150.5", "999", "999", "22.5", "99", "99", "1"}));
  for (int c = 0; c < 3; ++c) {
    EXPECT_FLOAT_EQ(Sum(c).sum, 150.5f);
    EXPECT_FLOAT_EQ(station.m_chamberTemperature[c].load(), 22.5f);
  }
  EXPECT_FLOAT_EQ(station.m_deviceTemperature.load(), 30.0f);

  // With channel count 0 the device temperature comes from the first chamber.
  for (auto& r : station.m_readings) r.Reset();
  Feed(Frame({"0", "30.0", "160", "999", "999", "21.5", "99", "99", "1"}));
  EXPECT_EQ(station.m_serviceArg.load(), 0);
  EXPECT_FLOAT_EQ(station.m_deviceTemperature.load(), 21.5f);
  for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(Sum(c).sum, 160.0f);
}

TEST_F(ParserFixture, TwoChannelDeviceMarksTheThirdChamberEmpty) {
  Feed(Frame({"2", "25", "201", "202", "203", "24.1", "24.2", "24.3", "1"}));
  EXPECT_FLOAT_EQ(Sum(0).sum, 201.0f);
  EXPECT_FLOAT_EQ(Sum(1).sum, 202.0f);
  EXPECT_FLOAT_EQ(Sum(2).sum, -1.0f);
  EXPECT_FLOAT_EQ(station.m_chamberTemperature[2].load(), 24.3f);
}

TEST_F(ParserFixture, BadFieldsAndCutFramesCorruptNothing) {
  // Text reads as 0; "nan" and "inf" too, so a sum never becomes NaN.
  Feed(Frame({"3", "25", "abc", "nan", "-inf", "24", "24", "24", "1"}));
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(Sum(c).sum, 0.0f);
    EXPECT_EQ(Sum(c).count, 1);
  }
  for (auto& r : station.m_readings) r.Reset();

  // A frame cut short by a new start: the start line is not a reading.
  Feed({"anfang", "3", "25", "anfang"});
  EXPECT_EQ(parser.State(), 0);
  EXPECT_EQ(Sum(0).count, 0);
  Feed({"3", "25", "210", "211", "212", "24", "24", "24", "1", "ende"});
  EXPECT_FLOAT_EQ(Sum(0).sum, 210.0f);
  EXPECT_EQ(Sum(0).count, 1);

  // A frame cut short by its end: the end line is no unit, the frame is dropped.
  Feed({"anfang", "3", "25", "1", "2", "3", "24", "24", "24", "ende"});
  EXPECT_EQ(parser.State(), FrameParser::kOutside);
  EXPECT_EQ(station.m_unitMismatch.load(), 0);
  // Lines outside a frame are ignored.
  const auto before = Sum(0).count;
  Feed({"123.4", "ende", "", "3"});
  EXPECT_EQ(Sum(0).count, before);
  EXPECT_EQ(parser.State(), FrameParser::kOutside);
}

TEST_F(ParserFixture, UnitMismatchIsRaisedOnceAndNotAfterTheSwitch) {
  station.m_unit = 1;
  Feed(Frame({"3", "25", "1", "1", "1", "24", "24", "24", "0"}));
  EXPECT_EQ(station.m_unitMismatch.load(), 0);  // 0 is no unit
  Feed(Frame({"3", "25", "1", "1", "1", "24", "24", "24", "2"}));
  EXPECT_EQ(station.m_unitMismatch.load(), 1);
  station.m_unitMismatch = 2;  // the display switched
  Feed(Frame({"3", "25", "1", "1", "1", "24", "24", "24", "2"}));
  EXPECT_EQ(station.m_unitMismatch.load(), 2);
}

TEST_F(ParserFixture, IndicatorReportsOnlyChanges) {
  station.m_temperatureShown = 25;
  station.m_tempIndicator = 2;
  const auto frameAt = [](const char* t) {
    return Frame({"3", t, "1", "1", "1", "24", "24", "24", "1"});
  };
  Feed(frameAt("20.0"));
  EXPECT_TRUE(bitmaps.empty());  // still far: no change
  Feed(frameAt("24.5"));
  Feed(frameAt("24.6"));
  Feed(frameAt("25.25"));
  Feed(frameAt("25.25"));
  Feed(frameAt("26.0"));
  EXPECT_EQ(bitmaps, (std::vector<int>{kIndicatorNear, kIndicatorOnTarget, kIndicatorFar}));
  EXPECT_EQ(station.m_tempIndicator.load(), 2);
}

TEST(Indicator, Thresholds) {
  EXPECT_EQ(IndicatorState(25, 25.0f), 0);
  EXPECT_EQ(IndicatorState(25, 24.75f), 0);  // 2.5 tenths truncate to 2
  EXPECT_EQ(IndicatorState(25, 25.25f), 0);
  EXPECT_EQ(IndicatorState(25, 24.7f), 1);
  EXPECT_EQ(IndicatorState(25, 25.5f), 1);
  EXPECT_EQ(IndicatorState(25, 25.69f), 1);
  EXPECT_EQ(IndicatorState(25, 25.75f), 2);
  EXPECT_EQ(IndicatorState(25, -1000.0f), 2);
  EXPECT_EQ(IndicatorBitmap(0), 154);
  EXPECT_EQ(IndicatorBitmap(1), 153);
  EXPECT_EQ(IndicatorBitmap(2), 152);
}

TEST(AddReadingTest, IgnoresChambersOutsideTheDevice) {
  Station station;
  AddReading(station, 3, 5.0f);
  AddReading(station, -1, 5.0f);
  for (auto& r : station.m_readings) EXPECT_EQ(r.Peek().count, 0);
}

std::vector<std::string> ReadLines(const std::string& bytes) {
  LineReader reader;
  std::vector<std::string> lines;
  for (char c : bytes) {
    if (reader.Feed(c)) lines.push_back(reader.Line());
  }
  return lines;
}

TEST(LineReaderTest, CarriageReturnEndsALineAndLineFeedStartsTheNext) {
  EXPECT_EQ(ReadLines("anfang\r\n3\r\n\r\r"),
            (std::vector<std::string>{"anfang", "\n3", "\n", ""}));
  EXPECT_TRUE(ReadLines("no end yet").empty());
  // A partial line survives until its carriage return arrives.
  LineReader reader;
  for (char c : std::string("12")) reader.Feed(c);
  for (char c : std::string("3.5\r")) reader.Feed(c);
  EXPECT_EQ(reader.Line(), "123.5");
}

TEST(LineReaderTest, OverlongLineKeepsItsFirst200Characters) {
  const std::string head = "anfang" + std::string(194, 'x');
  const auto lines = ReadLines(head + std::string(5000, 'y') + "\r\n7\r");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], head);
  EXPECT_EQ(lines[1], "\n7");
}

TEST_F(ParserFixture, LinesFromTheReaderParseWithTheirLineFeeds) {
  LineReader reader;
  const std::string bytes =
      "anfang\r\n3\r\n25.0\r\n201\r\n202\r\n203\r\n24\r\n24\r\n24\r\n1\r\nende\r\n";
  for (char c : bytes) {
    if (reader.Feed(c)) parser.ParseLine(reader.Line());
  }
  EXPECT_EQ(parser.State(), FrameParser::kOutside);
  EXPECT_FLOAT_EQ(Sum(2).sum, 203.0f);
}

}  // namespace
}  // namespace corvala

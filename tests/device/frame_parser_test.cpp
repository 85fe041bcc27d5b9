#include "device/frame_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/device_state.h"
#include "device/line_reader.h"
#include "util/units.h"

namespace corvala {
namespace {

using Lines = std::vector<std::string>;

Lines Frame(const std::string& channels, const std::string& temperature = "25.0",
            const std::string& unit = "1") {
  return {"anfang", channels, temperature, "201.5", "202.5", "203.5",
          "24.1",   "24.2",   "24.3",      unit,    "ende"};
}

struct ParserFixture : ::testing::Test {
  DeviceLink link;
  SharedUnitConfig units;
  std::vector<int> bitmaps;
  FrameParser parser{link, units, [this](int id) { bitmaps.push_back(id); }};

  void Feed(const Lines& lines) {
    for (const std::string& line : lines) parser.ParseLine(line);
  }
  float Sum(int c) { return link.report.m_readings[c].Peek().sum; }
  int Count(int c) { return link.report.m_readings[c].Peek().count; }
};

TEST_F(ParserFixture, ChannelCountDecidesWhereReadingsAndTemperaturesGo) {
  struct Case {
    const char* channels;
    float readings[3], temperatures[3], device;
  };
  const Case cases[] = {{"3", {201.5f, 202.5f, 203.5f}, {24.1f, 24.2f, 24.3f}, 25.0f},
                        {"2", {201.5f, 202.5f, -1.0f}, {24.1f, 24.2f, 24.3f}, 25.0f},
                        {"1", {201.5f, 201.5f, 201.5f}, {24.1f, 24.1f, 24.1f}, 25.0f},
                        {"0", {201.5f, 201.5f, 201.5f}, {24.1f, 24.1f, 24.1f}, 24.1f}};
  for (const Case& c : cases) {
    for (auto& r : link.report.m_readings) r.Reset();
    Feed(Frame(c.channels));
    EXPECT_EQ(parser.State(), FrameParser::kOutside);
    EXPECT_EQ(link.report.m_serviceArg.load(), std::stoi(c.channels));
    EXPECT_FLOAT_EQ(link.report.m_deviceTemperature.load(), c.device) << c.channels;
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(Sum(k), c.readings[k]) << c.channels << k;
      EXPECT_EQ(Count(k), 1);
      EXPECT_FLOAT_EQ(link.report.m_lastReading[k].load(), c.readings[k]);
      EXPECT_FLOAT_EQ(link.report.m_chamberTemperature[k].load(), c.temperatures[k]) << c.channels;
    }
  }
  EXPECT_EQ(link.report.m_frameStartSeen.load(), 0);
  Feed(Frame("3"));
  EXPECT_FLOAT_EQ(Sum(0), 403.0f);  // readings add up until the sampler takes them
}

// Found by fuzzing: values no device sends added up to an infinite sum, and
// the next sample's pressure was infinite. They read as 0, as garbled text does.
TEST_F(ParserFixture, ValuesNoDeviceSendsReadAsZero) {
  Feed({"anfang", "3", "2e38", "3e38", "-3e38", "1e10", "2e38", "-2e38", "1e9", "1", "ende"});
  Feed({"anfang", "3", "25", "3e38", "-3e38", "1e6", "24", "24", "24", "1", "ende"});
  EXPECT_EQ(Sum(0), 0.0f);
  EXPECT_EQ(Sum(1), 0.0f);
  EXPECT_EQ(Sum(2), 1.0e6f);
  EXPECT_EQ(link.report.m_deviceTemperature.load(), 25.0f);
  EXPECT_EQ(link.report.m_chamberTemperature[0].load(), 24.0f);
}

TEST_F(ParserFixture, GarbledAndCutFramesCorruptNothing) {
  // Text, "nan" and "inf" read as 0, so a sum never becomes NaN.
  Feed({"anfang", "3", "25", "abc", "nan", "-inf", "24", "24", "24", "1", "ende"});
  for (int c = 0; c < 3; ++c) EXPECT_EQ(Sum(c), 0.0f);
  // A new start cuts the frame: the start line is no reading.
  Feed({"anfang", "3", "25", "anfang"});
  EXPECT_EQ(Count(0), 1);
  EXPECT_EQ(parser.State(), 0);
  // An early end drops the frame: the end line is no unit, and readings of
  // unknown unit are not summed.
  Feed({"3", "25", "1", "2", "3", "24", "24", "24", "ende", "1", "7"});
  EXPECT_EQ(parser.State(), FrameParser::kOutside);
  EXPECT_EQ(Count(0), 1);
  // Only a real other unit asks for a switch, and not once it has been made.
  Feed(Frame("3", "25", "0"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 0);
  Feed(Frame("3", "25", "2"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 1);
  link.report.m_unitMismatch = 2;
  Feed(Frame("3", "25", "2"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 2);
  // The unit in force is the one compared with.
  link.report.m_unitMismatch = 0;
  units.Update([](UnitConfig& config) { config.unit = kUnitMgl; });
  Feed(Frame("3", "25", "2"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 0);
  Feed(Frame("3", "25", "1"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 1);
}

TEST_F(ParserFixture, FramesFromBeforeTheDeviceHasTheNewPairDoNotCountForTheUnit) {
  // The user chose mg/l; the pair is on its way, the device still reports mbar.
  link.commands.m_pairCommand.Set(823, 21000);
  units.Update([](UnitConfig& config) { config.unit = kUnitMgl; });
  Feed(Frame("3", "25", "1"));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 0);
  link.report.m_unitMismatch = 1;  // raised just before the pair was set
  EXPECT_FALSE(TakeUnitMismatch(link));
  ASSERT_TRUE(link.commands.m_pairCommand.Take().has_value());
  EXPECT_FALSE(TakeUnitMismatch(link));  // the block is still going out
  link.commands.m_pairCommand.Delivered();
  link.report.m_unitMismatch = 0;  // the link drops it with the old frames
  // A device that still reports mbar once it has the pair is followed, once.
  Feed(Frame("3", "25", "1"));
  EXPECT_TRUE(TakeUnitMismatch(link));
  EXPECT_EQ(link.report.m_unitMismatch.load(), 2);
  EXPECT_FALSE(TakeUnitMismatch(link));
}

// A device switched off and on goes on sending frames in mbar on a line that
// stays open; until it has the pair again its readings were summed into a
// run in mg/l. A frame in another unit is shown live but never summed.
TEST_F(ParserFixture, AFrameInAnotherUnitIsShownButNotSummed) {
  units.Update([](UnitConfig& config) { config.unit = kUnitMgl; });
  Feed(Frame("3", "25", "2"));
  EXPECT_EQ(Count(0), 1);
  Feed(Frame("3", "25", "1"));
  EXPECT_EQ(Count(0), 1);
  EXPECT_FLOAT_EQ(Sum(0), 201.5f);
  EXPECT_EQ(Count(2), 1);
  EXPECT_FLOAT_EQ(link.report.m_lastReading[1].load(), 202.5f);
  EXPECT_EQ(link.report.m_deviceUnit.load(), 1);
  // A garbled unit field is no other unit: the frame counts as before.
  Feed(Frame("3", "25", "x"));
  EXPECT_EQ(Count(0), 2);
  EXPECT_EQ(link.report.m_deviceUnit.load(), 1);  // the last real unit stays
}

TEST_F(ParserFixture, ValuesNoDeviceCanMeasureCountAsGarbledFields) {
  link.m_temperatureShown = 25;
  for (int k = 0; k < 2; ++k)
    Feed({"anfang", "3", "3e8", "3e38", "-3.3e38", "1000000.5", "24", "24", "24", "1", "ende"});
  for (int c = 0; c < 3; ++c) EXPECT_EQ(Sum(c), 0.0f) << c;
  EXPECT_EQ(link.report.m_deviceTemperature.load(), 0.0f);
  Feed({"anfang", "3", "25", "1000000", "-1000000", "0", "24", "24", "24", "1", "ende"});
  EXPECT_EQ(Sum(0), 1.0e6f);
  EXPECT_EQ(Sum(1), -1.0e6f);
}

TEST_F(ParserFixture, IndicatorFollowsTheDistanceAndReportsOnlyChanges) {
  link.m_temperatureShown = 25;
  link.report.m_tempIndicator = 2;
  for (const char* t : {"20.0", "24.5", "24.7", "24.75", "25.25", "25.75", "26"}) {
    Feed(Frame("3", t));
  }
  EXPECT_EQ(bitmaps, (std::vector<int>{kIndicatorNear, kIndicatorOnTarget, kIndicatorFar}));
  EXPECT_EQ(link.report.m_tempIndicator.load(), 2);
  // However far apart, even beyond any integer in tenths, a set point and a
  // temperature are never "on target".
  const std::pair<int32_t, float> far[] = {
      {25, 3e9f}, {25, -3e9f}, {25, 3e38f}, {INT32_MIN, 25.0f}, {INT32_MAX, -1.0e6f}};
  for (auto [set, t] : far) EXPECT_EQ(IndicatorState(set, t), 2) << set << " " << t;
}

TEST(LineReaderTest, SplitsAtCarriageReturnsAndKeeps200Characters) {
  LineReader reader;
  Lines lines;
  const std::string head = "anfang" + std::string(194, 'x');
  for (char c : head + std::string(5000, 'y') + "\r\n7\r\r" + "12") {
    if (reader.Feed(c)) lines.push_back(reader.Line());
  }
  EXPECT_EQ(lines, (Lines{head, "\n7", ""}));
  for (char c : std::string("3.5\r")) reader.Feed(c);
  EXPECT_EQ(reader.Line(), "123.5");  // a partial line waits for its end
}

}  // namespace
}  // namespace corvala

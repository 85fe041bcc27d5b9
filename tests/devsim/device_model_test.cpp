#include "devsim/device_model.h"

#include <gtest/gtest.h>

#include <sstream>

#include "device/command_encoder.h"

namespace corvala::devsim {
namespace {

std::vector<std::string> Send(DeviceModel& model, const std::vector<int>& bytes) {
  std::vector<std::string> lines;
  for (int b : bytes) {
    if (auto line = model.Receive(static_cast<uint8_t>(b))) lines.push_back(*line);
  }
  return lines;
}

std::vector<int> Bytes(const CommandBytes& bytes) {
  std::vector<int> out;
  for (const auto& b : bytes) out.push_back(b.byte);
  return out;
}

TEST(DeviceModelCommands, EverySingleByteCommandIsDecodedAndApplied) {
  DeviceModel model(1);
  EXPECT_EQ(
      Send(model, {9, 35, 70 + 4, 77, 79 + 5, 87, 92, 93, 94, 95, 90, 91, 96, 97, 99, 98, 67}),
      (std::vector<std::string>{
          "temperature none", "temperature set=25", "light mask=5", "light none", "run mask=5",
          "run none", "service 92 channels=1", "service 93 channels=2", "service 94 channels=3",
          "service 95 channels=1", "service 90 demo=on", "service 91 demo=off", "step down set=24",
          "step up set=25", "signal on", "signal off", "unknown byte=67"}));
  Send(model, {10 + 30, 69 + 3, 79 + 6, 93, 99});
  const DeviceStatus& s = model.Status();
  EXPECT_EQ(s.setPoint, 30);
  EXPECT_EQ(s.lightMask, 3);
  EXPECT_EQ(s.runMask, 6);
  EXPECT_EQ(s.channels, 2);
  EXPECT_TRUE(s.signal);
}

TEST(DeviceModelCommands, BlocksRoundTripThroughTheLinkEncoders) {
  DeviceModel model(1);
  for (int value : {0, 1, 99, 100, 210, 4321, kMaxCalibrationValue}) {
    EXPECT_EQ(Send(model, Bytes(EncodeCalibrationValue(value))),
              std::vector<std::string>{"calibration value=" + std::to_string(value)});
  }
  for (auto [a, b] : {std::pair{823, 21000}, {0, 180}, {179, 181}, {kMaxPairValue, 1}}) {
    EXPECT_EQ(Send(model, Bytes(EncodePair(a, b))),
              std::vector<std::string>{"pair " + std::to_string(a) + " " + std::to_string(b)});
  }
  // Block bytes are data, not commands: 'd' 120 is no light command.
  EXPECT_EQ(model.Status().lightMask, 0);
  EXPECT_EQ(model.Status().unit, 2);
  Send(model, Bytes(EncodePair(1, 1)));
  EXPECT_EQ(model.Status().unit, 1);
  // A block cut off by a reconnection does not swallow the next greeting.
  Send(model, {'N', 25, 200});
  model.ResetDecoder();
  EXPECT_EQ(Send(model, {9, 77, 87}),
            (std::vector<std::string>{"temperature none", "light none", "run none"}));
}

TEST(DeviceModelCommands, CalibrationSetsTheChambersToTheReference) {
  DeviceModel model(1);
  Send(model, Bytes(EncodeCalibrationValue(210)));
  const double untouched = model.Status().pressureMbar[1];
  EXPECT_EQ(Send(model, {59 + 5}), std::vector<std::string>{"calibration mask=5"});
  EXPECT_DOUBLE_EQ(model.Status().pressureMbar[0], 210.0);
  EXPECT_DOUBLE_EQ(model.Status().pressureMbar[1], untouched);
  EXPECT_DOUBLE_EQ(model.Status().pressureMbar[2], 210.0);
}

std::vector<std::string> FrameLines(const std::string& frame) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < frame.size()) {
    const size_t end = frame.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<unterminated>" + frame.substr(start));
      break;
    }
    lines.push_back(frame.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(DeviceModelFrames, LayoutChannelsAndUnit) {
  DeviceModel model(3);
  auto lines = FrameLines(model.Frame());
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "anfang");
  EXPECT_EQ(lines[1], "3");
  EXPECT_EQ(lines[9], "1");
  EXPECT_EQ(lines[10], "ende");
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(std::stod(lines[3 + c]), model.Status().pressureMbar[c], 0.5);
  }

  Send(model, {92});  // one channel: the other fields carry nothing
  lines = FrameLines(model.Frame());
  EXPECT_EQ(lines[1], "1");
  EXPECT_EQ(lines[4], "0.00");
  EXPECT_EQ(lines[8], "0.0");

  // mg/l: mbar / factor1 x factor2, the pair carrying factor2 x 100 first.
  Send(model, {94});
  Send(model, Bytes(EncodePair(50, 200)));  // factor1 = 2.0, factor2 = 0.5
  lines = FrameLines(model.Frame());
  EXPECT_EQ(lines[9], "2");
  EXPECT_NEAR(std::stod(lines[3]), model.Status().pressureMbar[0] / 4.0, 0.2);
}

TEST(DeviceModelFrames, SameSeedSameDevice) {
  DeviceModel a(42), b(42), c(43);
  a.Advance(100.0);
  b.Advance(100.0);
  c.Advance(100.0);
  EXPECT_EQ(a.Frame(), b.Frame());
  EXPECT_NE(a.Frame(), c.Frame());
}

TEST(DeviceModelCurve, FallsInTheDarkRisesAfterTheLightDelayAndFallsAgain) {
  DeviceModel model(5);
  const auto p = [&] { return model.Status().pressureMbar[1]; };
  double before = p();
  model.Advance(120.0);
  EXPECT_LT(p(), before - 2.0);  // respiration: at least 1.5 mbar per minute

  Send(model, {69 + 2});  // light on chamber II only
  before = p();
  const double other = model.Status().pressureMbar[0];
  model.Advance(55.0);
  EXPECT_LT(p(), before);  // still falling within the delay
  double lowest = p();
  double lowestAt = 55.0;
  for (int s = 56; s <= 600; ++s) {
    model.Advance(1.0);
    if (p() < lowest) {
      lowest = p();
      lowestAt = s;
    }
  }
  EXPECT_GE(lowestAt, 59.0);
  EXPECT_LE(lowestAt, 121.0);
  EXPECT_GT(p(), lowest + 20.0);                     // photosynthesis
  EXPECT_LT(model.Status().pressureMbar[0], other);  // chamber I stayed dark

  model.Advance(3.0 * 3600.0);  // approaches its plateau and stays in range
  const double plateau = p();
  EXPECT_GE(plateau, 300.0 - 5.0);
  EXPECT_LE(plateau, kCeilingMbar);

  Send(model, {77});
  model.Advance(60.0);
  EXPECT_LT(p(), plateau - 1.0);
  model.Advance(10.0 * 3600.0);  // a long night ends at the floor, not below
  EXPECT_GE(p(), kFloorMbar);
  EXPECT_LT(p(), kFloorMbar + 1.0);
}

TEST(DeviceModelCurve, TemperatureFollowsTheSetPointSlowly) {
  DeviceModel model(1);
  const double start = model.Status().temperature;
  Send(model, {10 + 30});
  model.Advance(10.0);
  EXPECT_GT(model.Status().temperature, start);
  EXPECT_LT(model.Status().temperature, start + 1.0);
  model.Advance(3600.0);
  EXPECT_NEAR(model.Status().temperature, 30.0, 0.1);
}

TEST(DeviceModelCurve, DemoModeSwitchesTheLightsByItself) {
  DeviceModel model(1);
  Send(model, {90});
  model.Advance(60.0);
  EXPECT_EQ(model.Status().lightMask, 0);
  model.Advance(600.0);
  EXPECT_EQ(model.Status().lightMask, 7);
  model.Advance(600.0);
  EXPECT_EQ(model.Status().lightMask, 0);
}

}  // namespace
}  // namespace corvala::devsim

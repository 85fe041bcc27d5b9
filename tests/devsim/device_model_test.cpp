#include "devsim/device_model.h"

#include <gtest/gtest.h>

#include "device/command_encoder.h"
#include "device/device_state.h"
#include "device/frame_parser.h"
#include "device/line_reader.h"
#include "util/units.h"

namespace corvala::devsim {
namespace {

using Lines = std::vector<std::string>;

Lines Send(DeviceModel& model, const CommandBytes& bytes) {
  Lines lines;
  for (const CommandByte& b : bytes) {
    if (auto line = model.Receive(b.byte)) lines.push_back(*line);
  }
  return lines;
}

Lines Send(DeviceModel& model, std::initializer_list<int> bytes) {
  CommandBytes out;
  for (int b : bytes) out.push_back({static_cast<uint8_t>(b), 0});
  return Send(model, out);
}

TEST(DeviceModelCommands, EveryCommandIsDecodedLoggedAndApplied) {
  DeviceModel model(1);
  EXPECT_EQ(Send(model, {9, 35, 70 + 4, 77, 79 + 5, 87, 93, 95, 90, 91, 96, 97, 99, 67}),
            (Lines{"temperature none", "temperature set=25", "light mask=5", "light none",
                   "run mask=5", "run none", "service 93 channels=2", "service 95 channels=1",
                   "service 90 demo=on", "service 91 demo=off", "step down set=24",
                   "step up set=25", "signal on", "unknown byte=67"}));
  Send(model, {69 + 3, 79 + 6});
  EXPECT_EQ(model.Status().lightMask, 3);
  EXPECT_EQ(model.Status().runMask, 6);

  // The value blocks, as the link encodes them; their bytes are data, not commands.
  for (int value : {0, 100, 210, kMaxCalibrationValue}) {
    EXPECT_EQ(Send(model, EncodeCalibrationValue(value)),
              Lines{"calibration value=" + std::to_string(value)});
  }
  for (auto [a, b] : {std::pair{823, 21000}, {0, 180}, {kMaxPairValue, 1}}) {
    EXPECT_EQ(Send(model, EncodePair(a, b)),
              Lines{"pair " + std::to_string(a) + " " + std::to_string(b)});
  }
  EXPECT_EQ(model.Status().lightMask, 3);
  EXPECT_EQ(model.Status().unit, 2);
  Send(model, EncodePair(1, 1));
  EXPECT_EQ(model.Status().unit, 1);
  // A block cut off by a reconnection does not swallow the next greeting.
  Send(model, {'N', 25, 200});
  model.ResetDecoder();
  EXPECT_EQ(Send(model, {77}), Lines{"light none"});
}

// What the station makes of one frame of the device (mbar in force).
void ReadFrame(const std::string& frame, DeviceLink& link) {
  const SharedUnitConfig units;
  FrameParser parser(link, units, nullptr);
  LineReader reader;
  for (char c : frame) {
    if (reader.Feed(c)) parser.ParseLine(reader.Line());
  }
}

TEST(DeviceModelFrames, StationReadsChannelsValuesAndUnit) {
  DeviceModel model(3);
  DeviceLink link;
  ReadFrame(model.Frame(), link);  // the readings of all three: see the serial link test
  EXPECT_EQ(link.report.m_serviceArg.load(), 3);
  EXPECT_NEAR(link.report.m_deviceTemperature.load(), model.Status().temperature, 0.2);
  Send(model, {93});  // two channels: the station marks chamber III empty
  ReadFrame(model.Frame(), link);
  EXPECT_EQ(link.report.m_lastReading[2].load(), -1.0f);
  Send(model, EncodePair(50, 200));  // mg/l = mbar / 2.0 x 0.5
  ReadFrame(model.Frame(), link);
  EXPECT_EQ(link.report.m_unitMismatch.load(), 1);
  EXPECT_NEAR(link.report.m_lastReading[0].load(), model.Status().pressureMbar[0] / 4.0, 0.2);
}

TEST(DeviceModelCurve, FallsInTheDarkRisesAfterTheLightDelayAndStaysInRange) {
  DeviceModel model(5);
  const auto p = [&] { return model.Status().pressureMbar[1]; };
  double before = p();
  model.Advance(120.0);
  EXPECT_LT(p(), before - 2.0);

  Send(model, {69 + 2});
  const double dark = model.Status().pressureMbar[0];
  double lowest = p(), lowestAt = 0.0;
  for (int s = 1; s <= 600; ++s) {
    model.Advance(1.0);
    if (p() < lowest) lowest = p(), lowestAt = s;
  }
  EXPECT_GE(lowestAt, 59.0);  // the fall goes on for one to two minutes
  EXPECT_LE(lowestAt, 121.0);
  EXPECT_GT(p(), lowest + 20.0);
  EXPECT_LT(model.Status().pressureMbar[0], dark);  // chamber I stayed dark

  model.Advance(3.0 * 3600.0);
  const double plateau = p();
  EXPECT_GE(plateau, 295.0);
  EXPECT_LE(plateau, kCeilingMbar);
  Send(model, {77});
  model.Advance(60.0);
  EXPECT_LT(p(), plateau - 1.0);
  model.Advance(10.0 * 3600.0);
  EXPECT_GE(p(), kFloorMbar);
  EXPECT_LT(p(), kFloorMbar + 1.0);
  EXPECT_NEAR(model.Status().temperature, 25.0, 0.1);  // followed the set point
}

}  // namespace
}  // namespace corvala::devsim

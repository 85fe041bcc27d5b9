#include "device/command_encoder.h"

#include <gtest/gtest.h>

#include "run/station.h"

namespace corvala {
namespace {

std::vector<int> Bytes(const CommandBytes& bytes) {
  std::vector<int> out;
  for (const CommandByte& b : bytes) out.push_back(b.byte);
  return out;
}

TEST(CommandEncoder, CalibrationValueBlock) {
  EXPECT_EQ(Bytes(EncodeCalibrationValue(210)), (std::vector<int>{'d', 23, 120, 120, 30}));
  EXPECT_EQ(Bytes(EncodeCalibrationValue(0)), (std::vector<int>{'d', 21, 20}));
  // An exact multiple of 100 still ends with an empty chunk.
  EXPECT_EQ(Bytes(EncodeCalibrationValue(200)), (std::vector<int>{'d', 23, 120, 120, 20}));
  for (const CommandByte& b : EncodeCalibrationValue(210)) EXPECT_EQ(b.pauseMs, 50);
  // The largest value keeps the count byte within a byte; beyond, nothing is sent.
  const CommandBytes largest = EncodeCalibrationValue(kMaxCalibrationValue);
  ASSERT_FALSE(largest.empty());
  EXPECT_EQ(largest[1].byte, 255);
  EXPECT_TRUE(EncodeCalibrationValue(kMaxCalibrationValue + 1).empty());
  EXPECT_TRUE(EncodeCalibrationValue(-1).empty());
  EXPECT_TRUE(EncodeCalibrationValue(INT32_MAX).empty());
}

TEST(CommandEncoder, PairBlock) {
  EXPECT_EQ(Bytes(EncodePair(823, 1)),
            (std::vector<int>{'N', 25, 200, 200, 200, 200, 123, 21, 21}));
  EXPECT_EQ(Bytes(EncodePair(1, 1)), (std::vector<int>{'N', 21, 21, 21, 21}));
  // Exactly 180 is one full chunk; 0 has no chunk at all.
  EXPECT_EQ(Bytes(EncodePair(180, 0)), (std::vector<int>{'N', 21, 200, 20}));
  EXPECT_EQ(Bytes(EncodePair(181, 360)), (std::vector<int>{'N', 22, 200, 21, 22, 200, 200}));
  for (const CommandByte& b : EncodePair(823, 1)) EXPECT_EQ(b.pauseMs, 100);
  const CommandBytes largest = EncodePair(kMaxPairValue, kMaxPairValue);
  ASSERT_EQ(largest.size(), 1u + 2u * 236u);
  EXPECT_EQ(largest[1].byte, 255);
  EXPECT_TRUE(EncodePair(kMaxPairValue + 1, 1).empty());
  EXPECT_TRUE(EncodePair(1, 999999).empty());
  EXPECT_TRUE(EncodePair(1, -5).empty());
}

TEST(CommandEncoder, GreetingTakesTheSetPoint) {
  Station station;
  EXPECT_EQ(Bytes(TakeGreeting(station)), (std::vector<int>{9, 77, 87}));
  station.m_temperatureCommand = 25;
  const CommandBytes greeting = TakeGreeting(station);
  EXPECT_EQ(Bytes(greeting), (std::vector<int>{35, 77, 87}));
  for (const CommandByte& b : greeting) EXPECT_EQ(b.pauseMs, 100);
  EXPECT_EQ(station.m_temperatureCommand.load(), kTemperatureIdle);
  // A set point whose byte would read as another command is not sent.
  station.m_temperatureCommand = 70;
  EXPECT_EQ(Bytes(TakeGreeting(station)), (std::vector<int>{9, 77, 87}));
}

TEST(CommandEncoder, GreetingDuringARunRestoresLightsAndRunningChambers) {
  Station station;
  station.m_running[0] = 1;
  station.m_running[2] = 1;
  station.m_lightOn[1] = 1;
  EXPECT_EQ(Bytes(TakeGreeting(station)), (std::vector<int>{9, 77, 87, 69 + 2, 79 + 5}));
}

TEST(CommandEncoder, CycleSendsEveryPendingCommandInFixedOrder) {
  Station station;
  EXPECT_TRUE(TakeCommandCycle(station).empty());

  station.m_pairCommand.Set(1, 1);
  station.m_calibrationChanged = 1;
  station.m_calibrationValue = 0;
  station.m_runCommand = 79 + 3;
  station.m_lightCommand = 77;
  station.m_calibrationCommand = 59 + 4;
  station.m_temperatureCommand = 30;
  station.m_manualStep = -1;
  station.m_beepCommand = 1;
  station.m_serviceCommand = 92;
  const CommandBytes cycle = TakeCommandCycle(station);
  EXPECT_EQ(Bytes(cycle),
            (std::vector<int>{92, 99, 96, 40, 63, 77, 82, 'd', 21, 20, 'N', 21, 21, 21, 21}));
  // Calibration block bytes pause 50 ms, everything else 100 ms.
  for (size_t i = 0; i < cycle.size(); ++i) {
    EXPECT_EQ(cycle[i].pauseMs, (i >= 7 && i <= 9) ? 50 : 100) << i;
  }

  // Every mailbox is back at its idle value: the next cycle sends nothing.
  EXPECT_EQ(station.m_serviceCommand.load(), kServiceIdle);
  EXPECT_EQ(station.m_beepCommand.load(), kBeepIdle);
  EXPECT_EQ(station.m_manualStep.load(), kStepIdle);
  EXPECT_EQ(station.m_temperatureCommand.load(), kTemperatureIdle);
  EXPECT_EQ(station.m_calibrationCommand.load(), kCalibrationIdle);
  EXPECT_EQ(station.m_lightCommand.load(), kLightIdle);
  EXPECT_EQ(station.m_runCommand.load(), kRunIdle);
  EXPECT_EQ(station.m_calibrationChanged.load(), 0);
  EXPECT_EQ(station.m_pairCommand.Peek(), std::make_pair(-1, -1));
  EXPECT_TRUE(TakeCommandCycle(station).empty());
}

TEST(CommandEncoder, CycleChoosesTheVariantBytes) {
  Station station;
  station.m_beepCommand = 0;
  station.m_manualStep = 1;
  station.m_temperatureCommand = 0;
  EXPECT_EQ(Bytes(TakeCommandCycle(station)), (std::vector<int>{98, 97, 10}));
}

TEST(CommandEncoder, CycleDropsValuesThatAreNoValidCommand) {
  Station station;
  station.m_serviceCommand = 96;  // would read as "step down"
  station.m_calibrationCommand = 67;
  station.m_lightCommand = 78;        // would start a pair block
  station.m_runCommand = 300;         // not a byte
  station.m_temperatureCommand = 49;  // would read as a calibration command
  station.m_calibrationChanged = 1;
  station.m_calibrationValue = -20;
  station.m_pairCommand.Set(5000000, 1);
  EXPECT_TRUE(TakeCommandCycle(station).empty());
  EXPECT_EQ(station.m_runCommand.load(), kRunIdle);
  EXPECT_EQ(station.m_pairCommand.Peek(), std::make_pair(-1, -1));
}

}  // namespace
}  // namespace corvala

#include "device/command_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_state.h"

namespace corvala {
namespace {

using V = std::vector<int>;

V Bytes(const CommandBytes& bytes) {
  V out;
  for (const CommandByte& b : bytes) out.push_back(b.byte);
  return out;
}

TEST(CommandEncoder, BlocksEncodeValuesAndRefuseWhatDoesNotFitAByte) {
  EXPECT_EQ(Bytes(EncodeCalibrationValue(210)), (V{'d', 23, 120, 120, 30}));
  EXPECT_EQ(Bytes(EncodeCalibrationValue(200)), (V{'d', 23, 120, 120, 20}));  // a last block of 0
  EXPECT_EQ(Bytes(EncodePair(823, 1)), (V{'N', 25, 200, 200, 200, 200, 123, 21, 21}));
  EXPECT_EQ(Bytes(EncodePair(180, 0)), (V{'N', 21, 200, 20}));
  EXPECT_EQ(EncodeCalibrationValue(kMaxCalibrationValue)[1].byte, 255);
  EXPECT_EQ(EncodePair(kMaxPairValue, 0)[1].byte, 255);
  for (int32_t bad : {-1, kMaxCalibrationValue + 1, INT32_MAX})
    EXPECT_TRUE(EncodeCalibrationValue(bad).empty()) << bad;
  EXPECT_TRUE(EncodePair(kMaxPairValue + 1, 1).empty());
  EXPECT_TRUE(EncodePair(1, -5).empty());
}

TEST(CommandEncoder, GreetingRestoresTheSetPointInForceAndTheRunningChambersAsCommanded) {
  const V mbarPair{'N', 21, 21, 21, 21};
  auto withPair = [&](V head, V tail = {}) {
    head.insert(head.end(), mbarPair.begin(), mbarPair.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  CommandMailboxes commands;
  EXPECT_EQ(Bytes(TakeGreeting(commands)), withPair({9, 77, 87}));  // nothing decided yet
  CommandSetPoint(commands, 25);
  EXPECT_EQ(Bytes(TakeGreeting(commands)), withPair({35, 77, 87}));
  EXPECT_EQ(commands.m_temperatureCommand.load(), kTemperatureIdle);  // sent once
  // A reconnection, perhaps to a device that was switched off: the set point
  // in force again, and the lights of the chambers that run.
  CommandRuns(commands, 1 | 4);
  CommandLights(commands, 2 | 4);      // II's run has ended
  commands.m_temperatureCommand = 70;  // would read as a run command
  EXPECT_EQ(Bytes(TakeGreeting(commands)), withPair({35, 77, 87}, {69 + 4, 79 + 5}));
  CommandSetPoint(commands, 49);  // cannot be sent: the set point in force stays
  EXPECT_EQ(Bytes(TakeGreeting(commands))[0], 35);
}

// After a replug the light and run commands still waiting in their mailboxes
// went out a second time right after the greeting had restored them.
TEST(CommandEncoder, GreetingTakesTheWaitingLightAndRunCommands) {
  CommandMailboxes commands;
  CommandRuns(commands, 1);
  CommandLights(commands, 1);
  const V greeting = Bytes(TakeGreeting(commands));
  EXPECT_EQ(std::count(greeting.begin(), greeting.end(), 70), 1);
  EXPECT_EQ(std::count(greeting.begin(), greeting.end(), 80), 1);
  EXPECT_TRUE(TakeCommandCycle(commands).empty());
}

// A device switched off and on comes back in mbar with no pair: every
// greeting carries the pair in force, the one waiting if there is one.
TEST(CommandEncoder, GreetingCarriesTheFactorPairInForce) {
  CommandMailboxes commands;
  commands.m_pairCommand.Set(823, 21000);
  CommandBytes greeting = TakeGreeting(commands);
  V expected{9, 77, 87};
  const V block = Bytes(EncodePair(823, 21000));
  expected.insert(expected.end(), block.begin(), block.end());
  EXPECT_EQ(Bytes(greeting), expected);
  EXPECT_TRUE(greeting.back().endsPair);
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(-1, -1));  // taken
  EXPECT_TRUE(commands.m_pairCommand.Busy());
  commands.m_pairCommand.Delivered();
  EXPECT_FALSE(commands.m_pairCommand.Busy());
  // The next connection sends the same pair again, though nothing waits.
  greeting = TakeGreeting(commands);
  EXPECT_EQ(Bytes(greeting), expected);
}

// A calibration value block cut short by an unplug was never sent again; nor
// were the service, signal and step commands taken in the cycle cut.
TEST(CommandEncoder, CommandsCutShortWaitAgainWhole) {
  CommandMailboxes commands;
  commands.m_serviceCommand = 92;
  commands.m_beepCommand = 1;
  commands.m_manualStep = -1;
  commands.m_calibrationCommand = 59 + 1;
  commands.m_calibrationValue = 2000;
  commands.m_calibrationChanged = 1;
  const CommandBytes cycle = TakeCommandCycle(commands);
  ASSERT_EQ(Bytes(cycle).size(), 4u + 23u);
  PutBack(commands, cycle, 7);  // four commands, "d", the count and one chunk went out
  EXPECT_EQ(commands.m_serviceCommand.load(), kServiceIdle);
  EXPECT_EQ(commands.m_calibrationCommand.load(), kCalibrationIdle);
  EXPECT_EQ(Bytes(TakeCommandCycle(commands)), Bytes(EncodeCalibrationValue(2000)));

  commands.m_serviceCommand = 92;
  commands.m_beepCommand = 0;
  commands.m_manualStep = 1;
  commands.m_calibrationCommand = 59 + 2;
  const CommandBytes second = TakeCommandCycle(commands);
  RequestCalibration(commands, 4);  // a newer request waits: both are kept
  commands.m_serviceCommand = 93;   // a newer service command wins
  PutBack(commands, second, 0);
  EXPECT_EQ(Bytes(TakeCommandCycle(commands)), (V{93, 98, 97, 59 + 6}));
}

TEST(CommandEncoder, CycleSendsEveryPendingCommandOnceInFixedOrder) {
  CommandMailboxes commands;
  commands.m_pairCommand.Set(1, 1);
  commands.m_calibrationChanged = 1;
  commands.m_calibrationValue = 0;
  commands.m_runCommand = 79 + 3;
  commands.m_lightCommand = 77;
  commands.m_calibrationCommand = 59 + 4;
  commands.m_temperatureCommand = 30;
  commands.m_manualStep = -1;
  commands.m_beepCommand = 1;
  commands.m_serviceCommand = 92;
  const CommandBytes cycle = TakeCommandCycle(commands);
  EXPECT_EQ(Bytes(cycle), (V{92, 99, 96, 40, 63, 77, 82, 'd', 21, 20, 'N', 21, 21, 21, 21}));
  for (size_t i = 0; i < cycle.size(); ++i) {
    EXPECT_EQ(cycle[i].pauseMs, (i >= 7 && i <= 9) ? 50 : 100) << i;
    EXPECT_EQ(cycle[i].endsPair, i + 1 == cycle.size()) << i;
  }
  EXPECT_TRUE(commands.m_pairCommand.Busy());  // until the link has sent the block
  commands.m_pairCommand.Delivered();
  EXPECT_FALSE(commands.m_pairCommand.Busy());
  EXPECT_TRUE(TakeCommandCycle(commands).empty());

  commands.m_beepCommand = 0;
  commands.m_manualStep = 1;
  commands.m_temperatureCommand = 0;
  EXPECT_EQ(Bytes(TakeCommandCycle(commands)), (V{98, 97, 10}));

  // Values that would reach the device as another command are dropped.
  commands.m_serviceCommand = 96;
  commands.m_calibrationCommand = 67;
  commands.m_lightCommand = 78;
  commands.m_runCommand = 300;
  commands.m_temperatureCommand = 49;
  commands.m_calibrationChanged = 1;
  commands.m_calibrationValue = -20;
  commands.m_pairCommand.Set(5000000, 1);
  EXPECT_TRUE(TakeCommandCycle(commands).empty());
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(-1, -1));
  EXPECT_FALSE(commands.m_pairCommand.Busy());  // nothing went out: nothing to wait for
}

TEST(PairMailboxTest, APairCutShortWaitsAgainUnlessANewerOneWaits) {
  PairMailbox pair;
  pair.Set(823, 21000);
  ASSERT_TRUE(pair.Take().has_value());
  pair.Interrupted();
  EXPECT_EQ(pair.Peek(), std::make_pair(823, 21000));
  EXPECT_TRUE(pair.Busy());
  ASSERT_TRUE(pair.Take().has_value());
  pair.Set(1, 1);
  pair.Interrupted();
  EXPECT_EQ(pair.Peek(), std::make_pair(1, 1));
  pair.Take();
  pair.Delivered();
  EXPECT_FALSE(pair.Busy());
  pair.Interrupted();  // nothing in flight
  EXPECT_EQ(pair.Peek(), std::make_pair(-1, -1));
}

}  // namespace
}  // namespace corvala

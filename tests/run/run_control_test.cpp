#include "run/run_control.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(RunControlTest, StartRequestsStoppedChambersAndCommandsAllRunningOnes) {
  Station s;
  s.m_run[1].m_running = 1;
  s.m_link.report.m_readings[0].Add(5.0f);
  s.m_link.report.m_readings[1].Add(5.0f);
  StartRuns(s, {true, true, true});
  EXPECT_EQ(s.m_link.commands.m_runCommand, 79 + 7);
  EXPECT_TRUE(s.m_chamber[0].Snapshot().runRequested);
  EXPECT_EQ(s.m_link.report.m_readings[0].Peek().count, 0);  // readings of the old run go
  // A running chamber is not restarted.
  EXPECT_FALSE(s.m_chamber[1].Snapshot().runRequested);
  EXPECT_EQ(s.m_link.report.m_readings[1].Peek().count, 1);
  EXPECT_EQ(s.m_run[2].m_running, 1);

  Station t;
  StartRuns(t, {false, false, true});
  EXPECT_EQ(t.m_link.commands.m_runCommand, 79 + 4);
  EXPECT_FALSE(t.m_chamber[0].Snapshot().runRequested);
}

TEST(RunControlTest, StopEndsSelectedRunsAndSwitchesTheirLightsOff) {
  Station s;
  s.m_run[0].m_running = s.m_run[1].m_running = 1;
  s.m_run[1].m_lightOn = 1;
  // Chamber I's light is off: the toggle turns it on, stopping turns it off again.
  EXPECT_EQ(OnStop(s, {true, false, false}), (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(s.m_link.commands.m_runCommand, 79 + 2);
  EXPECT_EQ(s.m_link.commands.m_lightCommand, 69 + 2);
  EXPECT_EQ(CurrentMasks(s).lit, 2);
  EXPECT_EQ(RunningMask(s), 2);

  s.m_link.commands.m_lightCommand = kLightIdle;
  EXPECT_EQ(OnStop(s, {false, true, true}), (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(s.m_link.commands.m_runCommand, kRunNone);
  EXPECT_EQ(s.m_link.commands.m_lightCommand, 69 + 4);  // III is toggled although it does not run
  EXPECT_EQ(CurrentMasks(s).lit, 4);
  EXPECT_EQ(CurrentMasks(s).running, 0);

  // A Start that starts nothing leaves the pending 87 for the serial link.
  StartRuns(s, {false, false, false});
  EXPECT_EQ(s.m_link.commands.m_runCommand, kRunNone);
}

TEST(RunControlTest, LightAndCalibrationAddToTheirMailboxes) {
  Station s;
  OnLight(s, {false, true, false});
  EXPECT_EQ(s.m_link.commands.m_lightCommand, 71);
  EXPECT_EQ(CurrentMasks(s).lit, 2);
  OnCalibration(s, {false, false, false});
  EXPECT_EQ(s.m_link.commands.m_calibrationCommand, kCalibrationIdle);
  OnCalibration(s, {true, true, true});
  EXPECT_EQ(s.m_link.commands.m_calibrationCommand, 66);
}

// Every command carries the whole state as last decided: one still waiting in
// its mailbox (device unplugged, a long pair block going out) is replaced.
TEST(RunControlTest, ACommandStillWaitingIsReplacedNotAddedTo) {
  Station s;
  OnCalibration(s, {true, false, false});
  OnCalibration(s, {true, false, false});
  EXPECT_EQ(s.m_link.commands.m_calibrationCommand, 59 + 1);
  OnCalibration(s, {false, false, true});
  EXPECT_EQ(s.m_link.commands.m_calibrationCommand, 59 + 5);

  OnLight(s, {true, false, false});
  OnLight(s, {true, false, false});
  EXPECT_EQ(s.m_link.commands.m_lightCommand, kLightAllOff);
  EXPECT_EQ(s.m_run[0].m_lightOn, 0);

  // The program's command for the lights of I and III waits; Stop of III.
  s.m_run[0].m_running = s.m_run[2].m_running = 1;
  s.m_run[0].m_lightOn = s.m_run[2].m_lightOn = 1;
  s.m_link.commands.m_lightCommand = 69 + 5;
  OnStop(s, {false, false, true});
  EXPECT_EQ(s.m_link.commands.m_lightCommand, 69 + 1);
  EXPECT_EQ(s.m_link.commands.m_runCommand, 79 + 1);
}

TEST(RunControlTest, HiddenServiceButtons) {
  Station s;
  OnStart2(s);
  EXPECT_EQ(s.m_link.commands.m_pairCommand.Peek(), std::make_pair(1, 1));
  OnCommand1002(s);
  EXPECT_EQ(s.m_link.commands.m_pairCommand.Peek(), std::make_pair(823, 21000));
  s.m_chamber[2].Access([](ChamberRecord& r) { r.saved = 0; });
  s.m_link.report.m_readings[2].Add(3.0f);
  EXPECT_EQ(OnStart3(s), "Stop3");  // starts chamber III without asking
  EXPECT_TRUE(s.m_chamber[2].Snapshot().runRequested);
  EXPECT_EQ(s.m_link.report.m_readings[2].Peek().count, 0);
  EXPECT_EQ(s.m_run[2].m_running, 1);
  EXPECT_EQ(OnStart3(s), "Start3");
  EXPECT_EQ(s.m_run[2].m_running, 0);
  EXPECT_EQ(s.m_link.commands.m_runCommand, kRunIdle);  // the button sends no run command
}

}  // namespace
}  // namespace corvala

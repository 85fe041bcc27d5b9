#include "run/run_control.h"

#include <gtest/gtest.h>

#include "run_test_support.h"

namespace corvala {
namespace {

TEST(RunControlTest, StartAsksBeforeOverwritingAndCommandsAllRunningChambers) {
  Station s;
  ScriptedPrompts prompts;
  s.m_readings[0].Add(5.0f);
  OnStart(s, {true, false, true}, prompts);
  EXPECT_EQ(s.m_runCommand, 84);
  EXPECT_EQ(s.m_chamber[0].Snapshot().sampleCount + s.m_readings[0].Peek().count, -1);
  EXPECT_TRUE(prompts.asked.empty());  // saved records need no question

  Station t;
  t.m_running[1] = 1;
  for (int c : {0, 2}) t.m_chamber[c].Access([](ChamberRecord& r) { r.saved = 0; });
  prompts.answers = {false, true};
  OnStart(t, {true, true, true}, prompts);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{
                               "Unsaved measurement datas in chamber 1 will be overwritten!",
                               "Unsaved measurement datas in chamber 3 will be overwritten!"}));
  EXPECT_EQ(t.m_chamber[0].Snapshot().sampleCount, 0);  // Cancel leaves chamber I alone
  EXPECT_EQ(t.m_chamber[1].Snapshot().sampleCount, 0);  // a running chamber is not restarted
  EXPECT_EQ(t.m_runCommand, 79 + 2 + 4);
}

TEST(RunControlTest, StopEndsSelectedRunsAndSwitchesTheirLightsOff) {
  Station s;
  s.m_running[0] = s.m_running[1] = 1;
  s.m_lightOn[1] = 1;
  // Chamber I's light is off: the toggle turns it on, stopping turns it off again.
  EXPECT_EQ(OnStop(s, {true, false, false}), (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(s.m_runCommand, 79 + 2);
  EXPECT_EQ(s.m_lightCommand, 69 + 2);
  EXPECT_EQ(Mask(s.m_lightOn), 2);

  s.m_lightCommand = kLightIdle;
  EXPECT_EQ(OnStop(s, {false, true, true}), (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(s.m_runCommand, kRunNone);
  EXPECT_EQ(s.m_lightCommand, 69 + 4);  // III is toggled although it does not run
  EXPECT_EQ(Mask(s.m_lightOn), 4);

  // A Start that starts nothing leaves the pending 87 for the serial link.
  ScriptedPrompts prompts;
  OnStart(s, {false, false, false}, prompts);
  EXPECT_EQ(s.m_runCommand, kRunNone);
}

TEST(RunControlTest, LightAndCalibrationAddToTheirMailboxes) {
  Station s;
  OnLight(s, {false, true, false});
  EXPECT_EQ(s.m_lightCommand * 10 + Mask(s.m_lightOn), 712);
  s.m_lightCommand = kLightIdle;  // taken by the serial link
  OnLight(s, {false, true, false});
  EXPECT_EQ(s.m_lightCommand * 10 + Mask(s.m_lightOn), 770);
  OnCalibration(s, {false, false, false});
  EXPECT_EQ(s.m_calibrationCommand, kCalibrationIdle);
  OnCalibration(s, {true, true, true});
  EXPECT_EQ(s.m_calibrationCommand, 66);
}

TEST(RunControlTest, HiddenServiceButtons) {
  Station s;
  OnStart2(s);
  EXPECT_EQ(s.m_pairCommand.Peek(), std::make_pair(1, 1));
  OnCommand1002(s);
  EXPECT_EQ(s.m_pairCommand.Peek(), std::make_pair(823, 21000));
  s.m_chamber[2].Access([](ChamberRecord& r) { r.saved = 0; });
  s.m_readings[2].Add(3.0f);
  EXPECT_EQ(OnStart3(s), "Stop3");
  EXPECT_EQ(s.m_chamber[2].Snapshot().sampleCount + s.m_readings[2].Peek().count, -1);
  EXPECT_EQ(OnStart3(s), "Start3");
  EXPECT_EQ(s.m_running[2] * 100 + s.m_runCommand, kRunIdle);
}

}  // namespace
}  // namespace corvala

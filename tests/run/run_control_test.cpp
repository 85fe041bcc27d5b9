#include "run/run_control.h"

#include <gtest/gtest.h>

#include "run_test_support.h"

namespace corvala {
namespace {

void MarkUnsaved(Station& s, int c) {
  s.m_chamber[static_cast<size_t>(c)].Access([](ChamberRecord& r) {
    r.saved = 0;
    r.sampleCount = 4;
  });
}

TEST(RunControlTest, StartBuildsRunCommandFromAllRunningChambers) {
  Station s;
  ScriptedPrompts prompts;
  s.m_readings[0].Add(5.0f);
  OnStart(s, {true, false, true}, prompts);
  EXPECT_EQ(s.m_runCommand, 84);
  EXPECT_EQ(s.m_running[0] + s.m_running[2], 2);
  EXPECT_EQ(s.m_chamber[0].Snapshot().sampleCount, -1);
  EXPECT_EQ(s.m_readings[0].Peek().count, 0);
  EXPECT_TRUE(prompts.asked.empty());  // saved records need no question

  Station t;
  t.m_running[1] = 1;
  OnStart(t, Only(0), prompts);
  EXPECT_EQ(t.m_runCommand, 82);
  EXPECT_EQ(t.m_chamber[1].Snapshot().sampleCount, 0);  // a running chamber is not restarted

  Station none;
  OnStart(none, {false, false, false}, prompts);
  EXPECT_EQ(none.m_runCommand, kRunIdle);
}

TEST(RunControlTest, CancelKeepsUnsavedChamberAndOthersStillStart) {
  Station s;
  ScriptedPrompts prompts;
  prompts.answers = {false, true};
  MarkUnsaved(s, 0);
  MarkUnsaved(s, 2);
  s.m_running[1] = 1;
  OnStart(s, {true, false, true}, prompts);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{
                               "Unsaved measurement datas in chamber 1 will be overwritten!",
                               "Unsaved measurement datas in chamber 3 will be overwritten!"}));
  EXPECT_EQ(s.m_running[0], 0);
  EXPECT_EQ(s.m_chamber[0].Snapshot().sampleCount, 4);
  EXPECT_EQ(s.m_chamber[2].Snapshot().sampleCount, -1);
  EXPECT_EQ(s.m_runCommand, 79 + 2 + 4);
}

TEST(RunControlTest, StopEndsSelectedRunsAndSwitchesTheirLightsOff) {
  Station s;
  s.m_running[0] = s.m_running[1] = 1;
  s.m_lightOn[1] = 1;
  s.m_chamber[0].Access([](ChamberRecord& r) { r.sampleCount = 7; });
  auto hide = OnStop(s, Only(0));  // light off: the toggle turns it on, the stop off again
  EXPECT_EQ(hide, (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(s.m_runCommand, 79 + 2);
  EXPECT_EQ(s.m_lightCommand, 69 + 2);  // chamber II keeps its light
  EXPECT_EQ(s.m_lightOn[0], 0);
  EXPECT_EQ(s.m_chamber[0].Snapshot().sampleCount, 7);  // samples stay

  s.m_lightCommand = kLightIdle;
  hide = OnStop(s, {false, true, true});  // II running with light on; III stopped
  EXPECT_EQ(hide, (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(s.m_runCommand, kRunNone);
  EXPECT_EQ(s.m_lightCommand, 69 + 4);  // III is toggled on although it does not run
  EXPECT_EQ(s.m_lightOn[1], 0);
  EXPECT_EQ(s.m_lightOn[2], 1);
}

TEST(RunControlTest, LightAndCalibrationMailboxes) {
  Station s;
  OnLight(s, Only(1));
  EXPECT_EQ(s.m_lightCommand, 71);
  EXPECT_EQ(s.m_lightOn[1], 1);
  s.m_lightCommand = kLightIdle;
  OnLight(s, Only(1));
  EXPECT_EQ(s.m_lightCommand, kLightAllOff);
  EXPECT_EQ(s.m_lightOn[1], 0);
  s.m_lightCommand = kLightIdle;
  s.m_lightOn[2] = 1;
  OnLight(s, {false, false, false});  // unselected lights that are on are sent again
  EXPECT_EQ(s.m_lightCommand, 73);

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

  MarkUnsaved(s, 2);
  s.m_readings[2].Add(3.0f);
  EXPECT_EQ(OnStart3(s), "Stop3");
  EXPECT_EQ(s.m_running[2], 1);
  EXPECT_EQ(s.m_chamber[2].Snapshot().sampleCount, -1);
  EXPECT_EQ(s.m_readings[2].Peek().count, 0);
  EXPECT_EQ(OnStart3(s), "Start3");
  EXPECT_EQ(s.m_running[2], 0);
  EXPECT_EQ(s.m_runCommand, kRunIdle);
}

}  // namespace
}  // namespace corvala

#include "run/sampling.h"

#include <gtest/gtest.h>

#include "run_test_support.h"

namespace corvala {
namespace {

class SchedulerTest : public ::testing::Test {
 protected:
  void Start(int c) {
    ScriptedPrompts prompts;
    OnStart(station, Only(c), prompts);
  }
  void Feed(int c, float value, int n = 2) {
    for (int k = 0; k < n; ++k) station.m_readings[static_cast<size_t>(c)].Add(value);
  }
  // Advances the clock, gives each running chamber two readings and runs a pass.
  void Pass(int seconds, float value = 100.0f) {
    clock.Advance(seconds);
    for (int c = 0; c < 3; ++c) Feed(c, value);
    scheduler.RunPass();
  }
  ChamberRecord Record(int c) { return station.m_chamber[static_cast<size_t>(c)].Snapshot(); }

  Station station;
  ManualClock clock{1'700'000'000};  // 2023-11-14 22:13:20 UTC
  RecordingObserver observer;
  SamplingScheduler scheduler{station, clock, &observer};
};

TEST_F(SchedulerTest, FirstPassInitialisesAndNextTakesSampleAtElapsedZero) {
  station.m_temperature = 31;
  station.m_unit = 1;
  station.m_serviceArg = 0;  // chamber's own temperature
  station.m_chamberTemperature[0] = 21.5f;
  station.m_normOffset[0] = 4.0f;
  station.m_lightOn[0] = 1;
  station.m_program.AppendProgramStep(0, 1, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 2, 0, 2, kStepLightOn);
  station.m_program.AppendProgramStep(1, 0, 5, 3, kStepEnd);
  station.m_program.Walk([](ProgramStep& s) { s.done[0] = s.done[1] = 1; });
  station.m_chamber[0].Access([&](ChamberRecord& r) {
    AppendSample(r, 55.0f, 20.0f, 1, clock.ToLocal(0), 0);
    r.measurementName = "old";
    r.analysis.m_minPos = {1, 2};
    r.analysis.m_kphA = {0.5f};
  });

  Start(0);
  Feed(0, 10.0f, 1);
  Feed(0, 20.0f, 1);
  scheduler.RunPass();
  ChamberRecord r = Record(0);
  EXPECT_EQ(r.sampleCount, 0);
  EXPECT_EQ(r.hasRun, 1);
  EXPECT_EQ(r.runTemperature, 31);
  EXPECT_EQ(r.runInterval, 5);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{60, 3605}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{1, 0}));
  EXPECT_TRUE(r.analysis.m_minPos.empty());
  EXPECT_EQ(r.analysis.m_kphA.size(), 1u);  // only the first three lists are cleared
  EXPECT_EQ(r.samplePressure.size(), 1u);   // old series stays until the first sample
  EXPECT_EQ(station.m_elapsed[0], -5);
  EXPECT_EQ(station.m_lightOn[0], 0);
  EXPECT_EQ(station.m_normOffset[0], 0.0f);
  auto steps = station.m_program.Steps();
  EXPECT_EQ(steps[0].done[0], 0);
  EXPECT_EQ(steps[1].done[1], 1);  // other chambers' flags untouched

  Feed(0, 30.0f, 1);
  scheduler.RunPass();  // same second: the first sample is due at once
  r = Record(0);
  ASSERT_EQ(r.sampleCount, 1);
  EXPECT_EQ(r.samplePressure, (std::vector<float>{20.0f}));  // mean of all readings since Start
  EXPECT_EQ(r.sampleTemperature, (std::vector<float>{21.5f}));
  EXPECT_EQ(r.sampleElapsed, (std::vector<int32_t>{0}));
  EXPECT_EQ(r.measurementName, "");
  EXPECT_EQ(r.saved, 0);
  EXPECT_EQ(r.startHour, 22);
  EXPECT_EQ(r.startSecond, 20);
  EXPECT_EQ(station.m_readings[0].Peek().count, 0);

  station.m_serviceArg = 3;  // device temperature
  station.m_deviceTemperature = 24.0f;
  Pass(4);  // not yet due
  EXPECT_EQ(Record(0).sampleCount, 1);
  Pass(1);
  EXPECT_EQ(Record(0).sampleTemperature.back(), 24.0f);
  EXPECT_EQ(observer.Events(),
            (std::vector<std::string>{"init 0", "first 0", "row 0 0 00:00:00|20.0|off",
                                      "row 0 1 00:00:05|100.0|off"}));
}

TEST_F(SchedulerTest, ElapsedStaysExactMultiplesWhenPassesAreLate) {
  station.m_sampleInterval = 10;
  Start(1);
  Pass(0);
  for (int late : {0, 13, 10, 17, 11}) Pass(late);
  EXPECT_EQ(Record(1).sampleElapsed, (std::vector<int32_t>{0, 10, 20, 30, 40}));
  EXPECT_EQ(Record(1).sampleSecond, (std::vector<int32_t>{20, 33, 43, 0, 11}));
}

TEST_F(SchedulerTest, LightStepAtZeroSwitchesAfterFirstSampleAndWaitsForIdleMailbox) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 5, 1, kStepEnd);
  Start(0);
  station.m_runCommand = kRunIdle;
  Pass(0);  // initialise
  Pass(0);  // first sample, light still off
  EXPECT_EQ(station.m_lightCommand, kLightIdle);
  Pass(0);  // the step fires in the pass after the sample
  EXPECT_EQ(station.m_lightOn[0], 1);
  EXPECT_EQ(station.m_lightCommand, 70);
  Pass(5);  // end step due, but the light request has not been taken
  EXPECT_EQ(station.m_running[0], 1);
  EXPECT_EQ(Record(0).sampleLight, (std::vector<uint8_t>{0, 1}));
  station.m_lightCommand = kLightIdle;  // the serial link took it
  Pass(0);
  EXPECT_EQ(station.m_running[0], 0);
  EXPECT_EQ(station.m_runCommand, kRunNone);
  EXPECT_EQ(station.m_lightOn[0], 1);  // an end step leaves the light alone
  EXPECT_EQ(observer.Events().back(), "hide 111");
}

TEST_F(SchedulerTest, StepsDueInOnePassFireInListOrder) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepEnd);      // I: end first
  station.m_program.AppendProgramStep(0, 0, 0, 3, kStepLightOn);  // I: too late; II: fires
  station.m_program.AppendProgramStep(0, 0, 0, 2, kStepEnd);      // II: end after light
  station.m_program.AppendProgramStep(0, 0, 0, 4, kStepLightOn);  // III: fires
  ScriptedPrompts prompts;
  OnStart(station, {true, true, true}, prompts);
  Pass(0);
  Pass(0);
  Pass(0);
  EXPECT_EQ(station.m_running[0], 0);
  EXPECT_EQ(station.m_running[1], 0);
  EXPECT_EQ(station.m_running[2], 1);
  EXPECT_EQ(station.m_lightOn[0], 0);
  EXPECT_EQ(station.m_lightOn[1], 1);
  auto steps = station.m_program.Steps();
  EXPECT_EQ(steps[1].done[0], 0);
  EXPECT_EQ(steps[1].done[1], 1);
  EXPECT_EQ(station.m_lightCommand, 69 + 4);  // only lights of running chambers
  EXPECT_EQ(station.m_runCommand, 79 + 4);
  EXPECT_EQ(observer.Events().back(), "hide 110");
}

TEST_F(SchedulerTest, StaleStepsDoNotFireBeforeTheNewRunIsInitialised) {
  station.m_sampleInterval = 1;
  Start(0);
  for (int k = 0; k < 12; ++k) Pass(1);
  OnStop(station, Only(0));
  station.m_program.AppendProgramStep(0, 0, 5, 1, kStepEnd);
  Start(0);
  Feed(0, 1.0f, 3);
  scheduler.RunPass();  // not due yet (same second as the last sample): still requested
  EXPECT_EQ(Record(0).sampleCount, -1);
  EXPECT_EQ(station.m_running[0], 1);
}

TEST(SmoothReadingTest, ReplacesSingleOutlierByContinuation) {
  ReadingSmoother smoother;
  std::vector<float> out;
  int count = 0;
  for (float v : {100.0f, 101.0f, 102.0f, 160.0f, 161.0f}) {
    out.push_back(smoother.SmoothReading(v, count++, 1, 20.0f, true));
  }
  EXPECT_EQ(out, (std::vector<float>{100, 101, 102, 103, 161}));
  // Off, or an unknown chamber: value unchanged and no state touched.
  EXPECT_EQ(smoother.SmoothReading(500.0f, 9, 1, 20.0f, false), 500.0f);
  EXPECT_EQ(smoother.SmoothReading(500.0f, 9, 4, 20.0f, true), 500.0f);
  EXPECT_EQ(smoother.SmoothReading(162.0f, 9, 1, 20.0f, true), 162.0f);
  // The first three samples of a run are never replaced.
  EXPECT_EQ(smoother.SmoothReading(0.0f, 2, 1, 20.0f, true), 0.0f);
}

TEST_F(SchedulerTest, UnitChoosesThresholdFormatAndChartTopGrowth) {
  station.m_interpolation = 1;
  station.m_unit = 2;
  station.m_effFactor1 = 2.0f;
  Start(0);
  Pass(0, 1.0f);
  for (float v : {1.0f, 1.1f, 1.2f, 2.5f}) Pass(5, v);
  EXPECT_FLOAT_EQ(Record(0).samplePressure.back(), 1.3f);  // 0.8 threshold for mg/l
  EXPECT_EQ(observer.Events().back(), "row 0 3 00:00:15|1.30|off");

  station.m_interpolation = 0;
  station.m_unit = 1;
  Pass(5, 305.0f);
  EXPECT_EQ(station.m_maxPressure, 310);
  EXPECT_EQ(observer.Events().back(), "row 0 4 00:00:20|305.0|off");
  Pass(5, 305.0f);
  EXPECT_EQ(station.m_maxPressure, 310);
  station.m_unit = 2;
  Pass(5, 160.0f);                        // 160 x 2 / 1 = 320 in mbar
  EXPECT_EQ(station.m_maxPressure, 320);  // grows by 10 at most
  station.m_effFactor2 = 0.0f;
  Pass(5, 1000.0f);
  EXPECT_EQ(station.m_maxPressure, 320);
}

TEST_F(SchedulerTest, ChamberWithoutValidReadingsTakesNoSamples) {
  ScriptedPrompts prompts;
  OnStart(station, {true, true, false}, prompts);
  for (int k = 0; k < 5; ++k) {
    clock.Advance(5);
    Feed(0, -1.0f);  // absent chamber
    scheduler.RunPass();
  }
  EXPECT_EQ(Record(0).sampleCount, -1);
  EXPECT_EQ(Record(1).sampleCount, -1);  // no readings at all
  EXPECT_TRUE(observer.Events().empty());
}

}  // namespace
}  // namespace corvala

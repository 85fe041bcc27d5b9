#include "run/sampling.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "run_test_support.h"

namespace corvala {
namespace {

class SchedulerTest : public ::testing::Test {
 protected:
  void Start(ChamberSelection selected) { OnStart(station, selected, prompts); }
  // Advances the clock, gives every chamber two readings and runs one pass.
  void Pass(int seconds, float value = 100.0f) {
    clock.Advance(seconds);
    for (auto& r : station.m_readings) r.Add(value), r.Add(value);
    scheduler.RunPass();
  }
  ChamberRecord Record(int c) { return station.m_chamber[c].Snapshot(); }

  Station station;
  ManualClock clock{1'700'000'000};  // 22:13:20 UTC
  ScriptedPrompts prompts;
  RecordingObserver observer;
  SamplingScheduler scheduler{station, clock, &observer};
};

TEST_F(SchedulerTest, FirstDuePassInitialisesAndTheNextSamplesAtElapsedZero) {
  station.m_temperature = 31;
  station.m_serviceArg = 0;  // the chamber's own temperature
  station.m_chamberTemperature[0] = 21.5f;
  station.m_lightOn[0] = 1;
  station.m_program.AppendProgramStep(0, 1, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 2, 0, 2, kStepLightOn);
  station.m_program.AppendProgramStep(1, 0, 5, 3, kStepEnd);
  station.m_program.Walk([](ProgramStep& s) { s.done[0] = s.done[1] = 1; });

  Start({true, false, false});
  station.m_readings[0].Add(10.0f);
  scheduler.RunPass();
  ChamberRecord r = Record(0);
  EXPECT_EQ(r.sampleCount + r.hasRun + r.runTemperature + r.runInterval, 0 + 1 + 31 + 5);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{60, 3605}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(station.m_elapsed[0] * 10 + station.m_lightOn[0], -50);
  EXPECT_EQ(station.m_lightCommand, kLightAllOff);  // the old run's light goes off at the device
  EXPECT_EQ(station.m_program.Steps()[0].done[0] + station.m_program.Steps()[1].done[1], 1);

  station.m_readings[0].Add(20.0f);
  station.m_readings[0].Add(30.0f);
  scheduler.RunPass();  // same second
  r = Record(0);
  EXPECT_EQ(r.samplePressure, (std::vector<float>{20.0f}));  // every reading since Start
  EXPECT_EQ(r.sampleElapsed, (std::vector<int32_t>{0}));
  EXPECT_EQ(r.startHour * 10000 + r.startMinute * 100 + r.startSecond, 221320);

  station.m_serviceArg = 3;  // the device temperature
  station.m_deviceTemperature = 24.0f;
  Pass(4);  // not yet due
  Pass(1);
  EXPECT_EQ(Record(0).sampleTemperature, (std::vector<float>{21.5f, 24.0f}));
  EXPECT_EQ(observer.Events(),
            (std::vector<std::string>{"init 0", "first 0", "row 0 00:00:00|20.0|off 0",
                                      "row 1 00:00:05|100.0|off 0"}));
}

TEST_F(SchedulerTest, ElapsedStaysExactMultiplesWhenPassesAreLate) {
  station.m_sampleInterval = 10;
  Start({true, true, false});
  station.m_readings[0].Add(-1e6f);  // the device marks chamber I as absent
  for (int late : {0, 0, 13, 10, 17}) Pass(late);
  EXPECT_EQ(Record(0).sampleCount, -1);
  EXPECT_EQ(Record(1).sampleElapsed, (std::vector<int32_t>{0, 10, 20, 30}));
  EXPECT_EQ(Record(1).sampleSecond, (std::vector<int32_t>{20, 33, 43, 0}));
}

TEST_F(SchedulerTest, LightStepAtZeroFiresAfterTheFirstSampleOnceTheMailboxIsIdle) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 5, 1, kStepEnd);
  Start({true, false, false});
  Pass(0);  // initialise
  Pass(0);  // first sample, light off
  EXPECT_EQ(station.m_lightCommand, kLightIdle);
  Pass(0);
  EXPECT_EQ(station.m_lightCommand, 70);
  Pass(5);  // the end step waits while the light request is not taken
  EXPECT_EQ(station.m_running[0], 1);
  EXPECT_EQ(Record(0).sampleLight, (std::vector<uint8_t>{0, 1}));
  station.m_lightCommand = kLightIdle;
  Pass(0);
  EXPECT_EQ(station.m_running[0] * 100 + station.m_lightOn[0], 1);  // end leaves the light
  EXPECT_EQ(station.m_runCommand, kRunNone);
  EXPECT_EQ(observer.Events().back(), "hide 7");
}

TEST_F(SchedulerTest, StepsDueTogetherFireInListOrderAndOnlyOnceTheRunHasBegun) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepEnd);      // I ends first
  station.m_program.AppendProgramStep(0, 0, 0, 3, kStepLightOn);  // I: too late; II lights
  station.m_program.AppendProgramStep(0, 0, 0, 2, kStepEnd);      // II ends after
  station.m_program.AppendProgramStep(0, 0, 0, 4, kStepLightOn);
  Start({true, true, true});
  for (int k = 0; k < 3; ++k) Pass(0);
  EXPECT_EQ(station.m_lightOn[0] + 2 * station.m_lightOn[1] + 4 * station.m_lightOn[2], 6);
  EXPECT_EQ(station.m_program.Steps()[1].done[0], 0);
  EXPECT_EQ(station.m_lightCommand, 69 + 4);  // lights of running chambers only
  EXPECT_EQ(station.m_runCommand, 79 + 4);
  EXPECT_EQ(observer.Events().back(), "hide 3");

  // A restart: steps must not fire with the previous run's elapsed time.
  station.m_program.AppendProgramStep(0, 0, 0, 4, kStepEnd);
  OnStop(station, {false, false, true});
  station.m_lightCommand = kLightIdle;
  Start({false, false, true});
  Pass(0);  // not due: a sample was taken this second
  EXPECT_EQ(station.m_running[2] * 10 + Record(2).sampleCount, 10 - 1);
}

TEST_F(SchedulerTest, UnitChoosesSmoothingThresholdTextAndChartTopGrowth) {
  station.m_interpolation = 1;
  station.m_unit = 2;
  station.m_effFactor1 = 2.0f;
  Start({true, false, false});
  for (float v : {1.0f, 1.0f, 1.1f, 1.2f, 2.5f}) Pass(5, v);
  EXPECT_EQ(observer.Events().back(), "row 3 00:00:15|1.30|off 0");  // threshold 0.8

  station.m_interpolation = 0;
  station.m_unit = 1;
  for (float v : {305.0f, 305.0f}) Pass(5, v);
  EXPECT_EQ(station.m_maxPressure, 310);
  EXPECT_EQ(observer.Events().back(), "row 5 00:00:25|305.0|off 0");
  station.m_unit = 2;
  Pass(5, 160.0f);  // 320 mbar: at most 10 per sample
  EXPECT_EQ(station.m_maxPressure, 320);
  station.m_effFactor2 = 0.0f;
  Pass(5, 1000.0f);
  EXPECT_EQ(station.m_maxPressure, 320);
}

TEST(SmoothReadingTest, ReplacesASingleOutlierByTheContinuation) {
  ReadingSmoother s;
  std::vector<float> out;
  for (float v : {100.0f, 101.0f, 102.0f, 160.0f, 161.0f}) {
    out.push_back(s.SmoothReading(v, static_cast<int>(out.size()), 1, 20.0f, true));
  }
  EXPECT_EQ(out, (std::vector<float>{100, 101, 102, 103, 161}));
  // Off or another chamber number: unchanged, and the state is not touched.
  EXPECT_EQ(s.SmoothReading(500.0f, 9, 1, 20.0f, false) + s.SmoothReading(500, 9, 4, 20, true),
            1000.0f);
  EXPECT_EQ(s.SmoothReading(162.0f, 9, 1, 20.0f, true), 162.0f);
}

TEST(SamplingThreadTest, SamplesWhileReadingsArriveAndTheProgramIsEditedThenStopsAtOnce) {
  Station station;
  ManualClock clock;
  station.m_sampleInterval = 1;
  ScriptedPrompts prompts;
  OnStart(station, {true, true, true}, prompts);
  SamplingThread thread(station, clock, nullptr, std::chrono::milliseconds(1));
  thread.Start();
  std::jthread device([&](std::stop_token stop) {
    for (int k = 0; !stop.stop_requested(); ++k) {
      for (auto& r : station.m_readings) r.Add(static_cast<float>(k % 50));
      if (k % 10 == 0) clock.Advance(1);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  for (int k = 0; station.m_chamber[0].Snapshot().sampleCount < 20; ++k) {
    ASSERT_LT(k, 1'000'000);
    station.m_program.AppendProgramStep(0, 0, k % 7, 1 + k % 7, k % 2);
    if (station.m_program.RowCount() > 5) station.m_program.RemoveProgramStep(k % 4);
    station.m_lightCommand = kLightIdle;  // the serial link takes requests
  }
  device.request_stop();
  device.join();
  thread.Stop();
  const ChamberRecord r = station.m_chamber[0].Snapshot();
  for (size_t k = 0; k < r.sampleElapsed.size(); ++k) ASSERT_EQ(r.sampleElapsed[k], int(k));

  // With a pass period of an hour only the stop request can end the wait.
  SamplingThread slow(station, clock, nullptr, std::chrono::hours(1));
  slow.Start();
  while (slow.Passes() == 0) std::this_thread::yield();
  const auto begin = std::chrono::steady_clock::now();
  slow.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
}

}  // namespace
}  // namespace corvala

#include "run/sampling.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "run_test_support.h"

namespace corvala {
namespace {

class SchedulerTest : public SamplingTest {
 protected:
  void Start(ChamberSelection selected) { StartRuns(station, selected); }
  void SetUnits(int32_t unit, float effFactor1, float effFactor2) {
    station.m_units.Update([&](UnitConfig& config) {
      config.unit = unit;
      config.effFactor1 = effFactor1;
      config.effFactor2 = effFactor2;
    });
  }
};

TEST_F(SchedulerTest, FirstDuePassInitialisesAndTheNextSamplesAtElapsedZero) {
  station.m_settings.m_temperature = 31;
  station.m_link.report.m_serviceArg = 0;  // the chamber's own temperature
  station.m_link.report.m_chamberTemperature[0] = 21.5f;
  station.m_run[0].m_lightOn = 1;
  station.m_program.AppendProgramStep(0, 1, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 2, 0, 2, kStepLightOn);
  station.m_program.AppendProgramStep(1, 0, 5, 3, kStepEnd);
  station.m_program.Walk([](ProgramStep& s) { s.done[0] = s.done[1] = 1; });
  station.m_chamber[0].Access([](ChamberRecord& r) {  // a saved, analysed run before
    AppendSample(r, 1.0f, 20.0f, 1, LocalTime{2020, 1, 2, 3, 4, 5}, 0);
    r.measurementName = "old";
    r.saved = 1;
    r.analysis.m_minPos = {0, 0};
  });

  Start({true, false, false});
  station.m_link.report.m_readings[0].Add(10.0f);
  scheduler.RunPass();
  ChamberRecord r = Record(0);
  EXPECT_FALSE(r.runRequested);
  ASSERT_TRUE(r.pendingRun.has_value());
  EXPECT_EQ(r.SamplesOfNewRun(), 0);
  EXPECT_EQ(r.pendingRun->temperature, 31);
  EXPECT_EQ(r.pendingRun->interval, 5);
  EXPECT_EQ(r.pendingRun->stepTime, (std::vector<int32_t>{60, 3605}));
  EXPECT_EQ(r.pendingRun->stepLight, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(station.m_run[0].m_elapsed, -5);
  EXPECT_EQ(station.m_run[0].m_lightOn, 0);
  // The old run's light goes off at the device.
  EXPECT_EQ(station.m_link.commands.m_lightCommand, kLightAllOff);
  EXPECT_EQ(station.m_program.Steps()[0].done[0], 0);  // chamber I's steps start afresh
  EXPECT_EQ(station.m_program.Steps()[1].done[1], 1);  // chamber II's are left alone

  station.m_link.report.m_readings[0].Add(20.0f);
  station.m_link.report.m_readings[0].Add(30.0f);
  scheduler.RunPass();  // same second
  r = Record(0);
  EXPECT_EQ(r.series.Pressure(), (std::vector<float>{20.0f}));  // every reading since Start
  EXPECT_EQ(r.series.Elapsed(), (std::vector<int32_t>{0}));
  EXPECT_FALSE(r.pendingRun.has_value());
  EXPECT_TRUE(r.analysis.m_minPos.empty());
  EXPECT_EQ(r.measurementName, "");
  EXPECT_EQ(r.saved, 0);
  EXPECT_EQ(r.hasRun, 1);
  EXPECT_EQ(r.runTemperature, 31);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{60, 3605}));
  EXPECT_EQ(r.startYear, 2023);
  EXPECT_EQ(r.startMonth, 11);
  EXPECT_EQ(r.startDay, 14);
  EXPECT_EQ(r.startHour, 22);
  EXPECT_EQ(r.startMinute, 13);
  EXPECT_EQ(r.startSecond, 20);

  station.m_link.report.m_serviceArg = 3;  // the device temperature
  station.m_link.report.m_deviceTemperature = 24.0f;
  Pass(4);  // not yet due
  Pass(1);
  EXPECT_EQ(Record(0).series.Temperature(), (std::vector<float>{21.5f, 24.0f}));
  EXPECT_EQ(observer.Events(),
            (std::vector<std::string>{"init 0", "first 0", "row 0/0: 0 s 20 unit 1 off",
                                      "row 0/1: 5 s 100 unit 1 off"}));
}

TEST_F(SchedulerTest, ThePreviousRunStaysWholeUntilTheNewRunsFirstSample) {
  Start({true, false, false});
  for (int late : {0, 0, 5}) Pass(late);
  OnStop(station, {true, false, false});
  const ChamberRecord recorded = Record(0);
  ASSERT_EQ(recorded.Samples(), 2);
  EXPECT_EQ(recorded.runUnit, kUnitMbar);

  // Started and stopped before the device sent a reading.
  Start({true, false, false});
  OnStop(station, {true, false, false});
  EXPECT_EQ(Record(0), recorded);

  // Started in mg/l: initialised, its first sample not yet taken.
  SetUnits(kUnitMgl, 210.0f, 8.23f);
  station.m_settings.m_sampleInterval = 10;
  Start({true, false, false});
  Pass(10, 5.0f);
  ChamberRecord r = Record(0);
  EXPECT_TRUE(r.pendingRun.has_value());
  EXPECT_EQ(r.series, recorded.series);
  EXPECT_EQ(r.runUnit, kUnitMbar);
  EXPECT_EQ(r.runInterval, 5);
  Pass(0, 5.0f);
  r = Record(0);
  EXPECT_EQ(r.series.Pressure(), (std::vector<float>{5.0f}));
  EXPECT_EQ(r.runUnit, kUnitMgl);
  EXPECT_EQ(r.runInterval, 10);
}

TEST_F(SchedulerTest, TheSimulatorMarksARunAtItsFirstSampleAndTheMarkStaysWithTheRun) {
  station.m_link.m_simulated = true;
  Start({true, false, false});
  Pass(0);  // initialised: the previous run (none) is not marked
  EXPECT_FALSE(Record(0).simulated);
  Pass(0);
  EXPECT_TRUE(Record(0).simulated);
  // The real device takes over during the run: the run stays simulated.
  station.m_link.m_simulated = false;
  Pass(5);
  EXPECT_TRUE(Record(0).simulated);
  OnStop(station, {true, false, false});
  // The next run samples the real device.
  Start({true, false, false});
  Pass(5);
  Pass(5);
  EXPECT_FALSE(Record(0).simulated);
}

TEST_F(SchedulerTest, SamplesWaitWhileAFactorPairIsOnItsWay) {
  Start({true, false, false});
  Pass(0);
  station.m_link.commands.m_pairCommand.Set(823, 21000);
  Pass(0);
  EXPECT_EQ(Record(0).Samples(), 0);
  station.m_link.commands.m_pairCommand.Take();
  station.m_link.commands.m_pairCommand.Delivered();
  Pass(0);
  EXPECT_EQ(Record(0).Samples(), 1);
}

TEST_F(SchedulerTest, ALightLeftOnByAnEndedRunGoesOffWithTheNextLightCommand) {
  station.m_settings.m_temperature = 27;
  CommandSetPoint(station.m_link.commands, 27);
  TakeGreeting(station.m_link.commands);  // the first connection
  station.m_program.AppendProgramStep(0, 0, 0, 3, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 5, 1, kStepEnd);
  station.m_program.AppendProgramStep(0, 0, 10, 2, kStepLightOff);
  Start({true, true, false});
  for (int late : {0, 0, 0}) Pass(late);
  EXPECT_EQ(station.m_link.commands.m_lightCommand, 69 + 3);
  station.m_link.commands.m_lightCommand = kLightIdle;  // taken by the link
  for (int late : {5, 0, 5, 0}) Pass(late);
  EXPECT_EQ(station.m_run[0].m_running, 0);
  EXPECT_EQ(station.m_link.commands.m_lightCommand, kLightAllOff);
  EXPECT_EQ(station.m_run[0].m_lightOn, 0);  // the flag says what the device was told
  // A reconnection: the set point in force, the pair in force (mbar), chamber
  // II running, no light.
  std::vector<int> greeting;
  for (const CommandByte& b : TakeGreeting(station.m_link.commands)) greeting.push_back(b.byte);
  EXPECT_EQ(greeting, (std::vector<int>{37, 77, 87, 78, 21, 21, 21, 21, 79 + 2}));
}

TEST_F(SchedulerTest, ElapsedIsTheRealTimeWhenPassesAreLate) {
  station.m_settings.m_sampleInterval = 10;
  Start({true, true, false});
  station.m_link.report.m_readings[0].Add(-1e6f);  // the device marks chamber I as absent
  for (int late : {0, 0, 13, 10, 17}) Pass(late);
  EXPECT_TRUE(Record(0).runRequested);
  EXPECT_EQ(Record(1).series.Elapsed(), (std::vector<int32_t>{0, 13, 23, 40}));
  EXPECT_EQ(Record(1).series.Second(), (std::vector<int32_t>{20, 33, 43, 0}));
}

TEST_F(SchedulerTest, LightStepAtZeroFiresAfterTheFirstSampleOnceTheMailboxIsIdle) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 5, 1, kStepEnd);
  Start({true, false, false});
  Pass(0);  // initialise
  Pass(0);  // first sample, light off
  EXPECT_EQ(station.m_link.commands.m_lightCommand, kLightIdle);
  Pass(0);
  EXPECT_EQ(station.m_link.commands.m_lightCommand, 70);
  Pass(5);  // the end step waits while the light request is not taken
  EXPECT_EQ(station.m_run[0].m_running, 1);
  EXPECT_EQ(Record(0).series.Light(), (std::vector<uint8_t>{0, 1}));
  station.m_link.commands.m_lightCommand = kLightIdle;
  Pass(0);
  EXPECT_EQ(station.m_run[0].m_running, 0);
  EXPECT_EQ(station.m_run[0].m_lightOn, 1);  // the end step leaves the light
  EXPECT_EQ(station.m_link.commands.m_runCommand, kRunNone);
  EXPECT_EQ(observer.Events().back(), "hide 111");
}

TEST_F(SchedulerTest, StepsDueTogetherFireInListOrderAndOnlyOnceTheRunHasBegun) {
  station.m_program.AppendProgramStep(0, 0, 0, 1, kStepEnd);      // I ends first
  station.m_program.AppendProgramStep(0, 0, 0, 3, kStepLightOn);  // I: too late; II lights
  station.m_program.AppendProgramStep(0, 0, 0, 2, kStepEnd);      // II ends after
  station.m_program.AppendProgramStep(0, 0, 0, 4, kStepLightOn);
  Start({true, true, true});
  for (int k = 0; k < 3; ++k) Pass(0);
  EXPECT_EQ(station.m_run[0].m_lightOn, 0);
  EXPECT_EQ(station.m_program.Steps()[1].done[1], 1);  // II lit, then ended
  EXPECT_EQ(station.m_run[2].m_lightOn, 1);
  EXPECT_EQ(station.m_program.Steps()[1].done[0], 0);
  EXPECT_EQ(station.m_link.commands.m_lightCommand, 69 + 4);  // lights of running chambers only
  EXPECT_EQ(station.m_run[1].m_lightOn, 0);                   // as the device was told
  EXPECT_EQ(station.m_link.commands.m_runCommand, 79 + 4);
  EXPECT_EQ(observer.Events().back(), "hide 110");

  // A restart: steps must not fire with the previous run's elapsed time.
  station.m_program.AppendProgramStep(0, 0, 0, 4, kStepEnd);
  OnStop(station, {false, false, true});
  station.m_link.commands.m_lightCommand = kLightIdle;
  Start({false, false, true});
  Pass(0);  // not due: a sample was taken this second
  EXPECT_EQ(station.m_run[2].m_running, 1);
  EXPECT_TRUE(Record(2).runRequested);
}

TEST_F(SchedulerTest, UnitChoosesSmoothingThresholdTextAndChartTopGrowth) {
  station.m_settings.m_interpolation = 1;
  SetUnits(kUnitMgl, 2.0f, 1.0f);
  Start({true, false, false});
  for (float v : {1.0f, 1.0f, 1.1f, 1.2f, 2.5f}) Pass(5, v);
  EXPECT_EQ(observer.Events().back(), "row 0/3: 15 s 1.3 unit 2 off");  // threshold 0.8

  station.m_settings.m_interpolation = 0;
  SetUnits(kUnitMbar, 1.0f, 1.0f);
  for (float v : {305.0f, 305.0f}) Pass(5, v);
  EXPECT_EQ(station.m_units.MaxPressure(), 310);
  EXPECT_EQ(observer.Events().back(), "row 0/5: 25 s 305 unit 1 off");
  SetUnits(kUnitMgl, 2.0f, 1.0f);
  Pass(5, 160.0f);  // 320 mbar: at most 10 per sample
  EXPECT_EQ(station.m_units.MaxPressure(), 320);
  SetUnits(kUnitMgl, 2.0f, 0.0f);
  Pass(5, 1000.0f);
  EXPECT_EQ(station.m_units.MaxPressure(), 320);
}

TEST(MeasurementProgramTest, RowsKeepEntryOrderAndLaterRowsMoveUp) {
  MeasurementProgram program;
  program.AppendProgramStep(0, 10, 0, 1, kStepLightOn);
  program.AppendProgramStep(0, 5, 0, 2, kStepLightOff);
  program.AppendProgramStep(1, 0, 0, 7, kStepEnd);
  EXPECT_FALSE(program.RemoveProgramStep(-1));
  EXPECT_TRUE(program.RemoveProgramStep(1));
  EXPECT_TRUE(program.RemoveProgramStep(5));  // no such row: nothing goes
  const auto steps = program.Steps();
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(program.RowCount(), 2);
  EXPECT_EQ(steps[0].minutes, 10);
  EXPECT_EQ(steps[0].light, 1);
  EXPECT_EQ(steps[1].hours, 1);
  EXPECT_EQ(steps[1].end, 1);
  EXPECT_EQ(steps[1].light, 0);
  program.FreeProgram();
  EXPECT_EQ(program.RowCount(), 0);
}

TEST(SmoothReadingTest, ReplacesASingleOutlierByTheContinuation) {
  ReadingSmoother s;
  std::vector<float> out;
  for (float v : {100.0f, 101.0f, 102.0f, 160.0f, 161.0f}) {
    out.push_back(s.SmoothReading(v, static_cast<int>(out.size()), 1, 20.0f, true));
  }
  EXPECT_EQ(out, (std::vector<float>{100, 101, 102, 103, 161}));
  // Off or another chamber number: unchanged, and the state is not touched.
  EXPECT_EQ(s.SmoothReading(500.0f, 9, 1, 20.0f, false), 500.0f);
  EXPECT_EQ(s.SmoothReading(500.0f, 9, 4, 20.0f, true), 500.0f);
  EXPECT_EQ(s.SmoothReading(162.0f, 9, 1, 20.0f, true), 162.0f);
}

// Hours beyond the editor's bound come only from a hand-edited settings file;
// the row still shows a time, not a wrapped negative one.
TEST(ProgramRowTextsTest, AStepFarAwayShowsTheLargestTime) {
  ProgramStep step = MakeProgramStep(1'000'000, 0, 0, 1, kStepLightOn);
  EXPECT_EQ(ProgramRowTexts(step)[0], "596523:14:07");
  step.hours = 1;
  EXPECT_EQ(ProgramRowTexts(step)[0], "01:00:00");
}

// The third sample has only one smoothed value before it, so it is never an
// outlier: 160 stays, and the jump to 230 continues the line 101, 160.
TEST(SmoothReadingTest, TheThirdSampleIsTakenAsItComes) {
  ReadingSmoother s;
  std::vector<float> out;
  for (float v : {100.0f, 101.0f, 160.0f, 230.0f})
    out.push_back(s.SmoothReading(v, static_cast<int>(out.size()), 1, 20.0f, true));
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[2], 160.0f);
  EXPECT_EQ(out[3], 219.0f);
}

TEST(SamplingThreadTest, SamplesWhileReadingsArriveAndTheProgramIsEditedThenStopsAtOnce) {
  Station station;
  ManualClock clock;
  station.m_settings.m_sampleInterval = 1;
  StartRuns(station, {true, true, true});
  SamplingThread thread(station, clock, nullptr, std::chrono::milliseconds(1));
  thread.Start();
  std::jthread device([&](std::stop_token stop) {
    for (int k = 0; !stop.stop_requested(); ++k) {
      for (auto& r : station.m_link.report.m_readings) r.Add(static_cast<float>(k % 50));
      if (k % 10 == 0) clock.Advance(1);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  for (int k = 0; station.m_chamber[0].Snapshot().Samples() < 20; ++k) {
    ASSERT_LT(k, 1'000'000);
    station.m_program.AppendProgramStep(0, 0, k % 7, 1 + k % 7, k % 2);
    if (station.m_program.RowCount() > 5) station.m_program.RemoveProgramStep(k % 4);
    station.m_link.commands.m_lightCommand = kLightIdle;  // the serial link takes requests
  }
  device.request_stop();
  device.join();
  thread.Stop();
  const ChamberRecord r = station.m_chamber[0].Snapshot();
  // One sample per second at most; a pass that missed a second leaves its gap.
  ASSERT_EQ(r.series.Elapsed().front(), 0);
  for (size_t k = 1; k < r.series.Elapsed().size(); ++k)
    ASSERT_GT(r.series.Elapsed()[k], r.series.Elapsed()[k - 1]);

  // With a pass period of an hour only the stop request can end the wait.
  SamplingThread slow(station, clock, nullptr, std::chrono::hours(1));
  slow.Start();
  while (slow.Passes() == 0) std::this_thread::yield();
  const auto begin = std::chrono::steady_clock::now();
  slow.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
}

// The same thread object started and stopped again and again, with a pass
// period of an hour: each Stop ends the wait at once, and each Start samples
// again. A Stop that never returns is left behind (the test fails) instead of
// hanging the test program; what it uses is then never destroyed.
TEST(SamplingThreadTest, StartsAgainAfterEachStopAndEveryStopEndsTheWaitAtOnce) {
  struct Parts {
    Station station;
    ManualClock clock;
    SamplingThread thread{station, clock, nullptr, std::chrono::hours(1)};
  };
  const auto parts = std::make_shared<Parts>();
  const auto begin = std::chrono::steady_clock::now();
  for (uint64_t round = 1; round <= 1000; ++round) {
    parts->thread.Start();
    while (parts->thread.Passes() < round) std::this_thread::yield();
    const auto stopped = std::make_shared<std::atomic<bool>>(false);
    std::thread stopper([parts, stopped] {
      parts->thread.Stop();
      stopped->store(true);
    });
    const auto asked = std::chrono::steady_clock::now();
    while (!stopped->load() && std::chrono::steady_clock::now() - asked < std::chrono::seconds(20))
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    if (!stopped->load()) {
      stopper.detach();
      FAIL() << "round " << round << ": Stop did not end the hour-long wait";
    }
    stopper.join();
    ASSERT_EQ(parts->thread.Passes(), round);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(60));
}

}  // namespace
}  // namespace corvala

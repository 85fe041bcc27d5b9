// The scheduler against the window's buttons and the window's locks: a Stop
// that comes while a first sample is being taken, a window holding a record
// while the steps are decided, a manual "Licht" between program rows.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include "run_test_support.h"

namespace corvala {
namespace {

// A manual clock that runs a hook once, when the sampler asks for the time of
// day of a sample: after it has decided to sample, before it appends.
class HookedClock : public ManualClock {
 public:
  using ManualClock::ManualClock;
  LocalTime ToLocal(int64_t seconds) const override {
    if (hook) std::exchange(hook, nullptr)();
    return ManualClock::ToLocal(seconds);
  }
  mutable std::function<void()> hook;
};

class SchedulerRace : public ::testing::Test {
 protected:
  void Pass(int seconds) {
    clock.Advance(seconds);
    for (auto& r : station.m_link.report.m_readings) r.Add(100.0f), r.Add(100.0f);
    scheduler.RunPass();
  }
  // What the serial link takes after a pass: the run command, then the light command.
  void TakeCommands() {
    for (auto* box :
         {&station.m_link.commands.m_runCommand, &station.m_link.commands.m_lightCommand}) {
      const int32_t idle = box == &station.m_link.commands.m_runCommand ? kRunIdle : kLightIdle;
      if (const int32_t byte = box->exchange(idle); byte != idle) sent.push_back(byte);
    }
  }

  Station station;
  HookedClock clock{1'700'000'000};
  SamplingScheduler scheduler{station, clock};
  std::vector<int32_t> sent;
};

TEST_F(SchedulerRace, StopDuringANewRunsFirstSampleLeavesThePreviousRunWhole) {
  station.m_settings.m_sampleInterval = 1;
  StartRuns(station, {true, false, false});
  Pass(0);
  for (int k = 0; k < 6; ++k) Pass(k == 0 ? 0 : 1);
  OnStop(station, {true, false, false});
  const ChamberRecord previous = station.m_chamber[0].Snapshot();
  ASSERT_EQ(previous.series.Elapsed(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));

  StartRuns(station, {true, false, false});
  Pass(1);  // initialises the new run
  // Stop comes after the sampler found the chamber running, before it appends.
  clock.hook = [this] { OnStop(station, {true, false, false}); };
  Pass(1);
  EXPECT_FALSE(clock.hook);  // the hook ran
  EXPECT_EQ(station.m_chamber[0].Snapshot().series.Elapsed(), previous.series.Elapsed());
  EXPECT_EQ(station.m_chamber[0].Snapshot(), previous);
}

// Chambers I and III run with an end step for both at 2 s; samples at 0 and 1 s.
class EndStepRace : public SchedulerRace {
 protected:
  void SetUp() override {
    station.m_settings.m_sampleInterval = 1;
    station.m_program.AppendProgramStep(0, 0, 2, 1 + 4, kStepEnd);
    StartRuns(station, {true, false, true});
    TakeCommands();
    for (int late : {0, 0, 1}) Pass(late);
  }
  void Frame() {
    for (auto& r : station.m_link.report.m_readings) r.Add(100.0f);
  }
};

TEST_F(EndStepRace, OneCommandWhenTheWindowHeldARecordWhileTheSumsWereTaken) {
  // The sample at 2 s: the window draws chamber III meanwhile, and a device
  // frame arrives while the sampler waits for that record.
  clock.Advance(1);
  Frame();
  std::thread sampler;
  station.m_chamber[2].Access([&](const ChamberRecord&) {
    sampler = std::thread([this] { scheduler.RunPass(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Frame();
  });
  sampler.join();
  ASSERT_EQ(station.m_chamber[2].Snapshot().Samples(), 3);
  for (int k = 0; k < 2; ++k) {
    Frame();
    scheduler.RunPass();
    TakeCommands();
  }
  EXPECT_EQ(sent, (std::vector<int32_t>{79 + 5, kRunNone}));
}

TEST_F(EndStepRace, OneCommandWhenAFrameIsReadHalf) {
  Pass(1);  // the sample at 2 s
  // Two frames since; of the second only chamber I's line is read yet.
  Frame();
  station.m_link.report.m_readings[0].Add(100.0f);
  scheduler.RunPass();
  TakeCommands();
  EXPECT_EQ(sent, (std::vector<int32_t>{79 + 5, kRunNone}));
}

TEST_F(SchedulerRace, AManualLightBetweenProgramRowsLeavesTheLaterRowsInCharge) {
  station.m_settings.m_sampleInterval = 1;
  station.m_program.AppendProgramStep(0, 0, 3, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 6, 1, kStepLightOff);
  station.m_program.AppendProgramStep(0, 0, 8, 1, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 12, 1, kStepEnd);
  StartRuns(station, {true, false, false});
  TakeCommands();
  Pass(0);  // initialise
  Pass(0);  // the sample at 0 s
  for (int t = 1; t <= 13; ++t) {
    Pass(1);
    TakeCommands();
    if (t == 4) {
      OnLight(station, {true, false, false});
      TakeCommands();
    }
  }
  EXPECT_EQ(sent, (std::vector<int32_t>{80, 70, 77, 70, 87}));
  const ChamberRecord r = station.m_chamber[0].Snapshot();
  // The sample at 4 s was taken before "Licht"; from 9 s on the last row's light is on.
  EXPECT_EQ(r.series.Light(), (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1}));
  for (const ProgramStep& step : station.m_program.Steps()) EXPECT_EQ(step.done[0], 1);
}

}  // namespace
}  // namespace corvala

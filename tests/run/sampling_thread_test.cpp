#include "run/sampling_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "run_test_support.h"

namespace corvala {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(SamplingThreadTest, PassesRepeatAndStopWakesALongWait) {
  Station station;
  ManualClock clock;
  RecordingObserver observer;
  ScriptedPrompts prompts;
  OnStart(station, Only(0), prompts);
  station.m_readings[0].Add(50.0f);
  {
    SamplingThread thread(station, clock, &observer, 5ms);
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.Passes() >= 3; }));
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
  }
  EXPECT_EQ(station.m_chamber[0].Snapshot().sampleCount, 1);

  // A pass period of an hour: only the stop request can end the wait.
  SamplingThread slow(station, clock, &observer, std::chrono::hours(1));
  slow.Start();
  ASSERT_TRUE(WaitFor([&] { return slow.Passes() >= 1; }));
  const auto begin = std::chrono::steady_clock::now();
  slow.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 30s);
}

TEST(SamplingThreadTest, SamplesWhileReadingsArriveAndTheProgramIsEdited) {
  Station station;
  ManualClock clock;
  station.m_sampleInterval = 1;
  ScriptedPrompts prompts;
  OnStart(station, {true, true, true}, prompts);
  SamplingThread thread(station, clock, nullptr, 1ms);
  thread.Start();

  std::jthread device([&](std::stop_token stop) {
    for (int k = 0; !stop.stop_requested(); ++k) {
      for (auto& r : station.m_readings) r.Add(static_cast<float>(k % 50));
      if (k % 10 == 0) clock.Advance(1);
      std::this_thread::sleep_for(100us);
    }
  });
  std::jthread editor([&](std::stop_token stop) {
    for (int k = 0; !stop.stop_requested(); ++k) {
      station.m_program.AppendProgramStep(0, 0, k % 7, 1 + k % 7, k % 3 - 1 == 1 ? 1 : 0);
      if (station.m_program.RowCount() > 5) station.m_program.RemoveProgramStep(k % 4);
      station.m_lightCommand = kLightIdle;  // the serial link takes requests
      const ChamberRecord copy = station.m_chamber[k % 3].Snapshot();
      ASSERT_EQ(copy.Samples(), static_cast<int32_t>(copy.sampleElapsed.size()));
    }
  });
  ASSERT_TRUE(WaitFor([&] { return station.m_chamber[0].Snapshot().sampleCount >= 20; }));
  editor.request_stop();
  editor.join();
  device.request_stop();
  device.join();
  thread.Stop();

  const ChamberRecord r = station.m_chamber[0].Snapshot();
  for (size_t k = 0; k < r.sampleElapsed.size(); ++k) {
    ASSERT_EQ(r.sampleElapsed[k], static_cast<int32_t>(k));
  }
}

}  // namespace
}  // namespace corvala

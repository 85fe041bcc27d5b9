// A whole run against the simulated device: serial link, sampling thread and
// program, with the station's clock running faster than real time.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "device/serial_link.h"
#include "devsim/device_simulator.h"
#include "run/sampling_thread.h"
#include "run_test_support.h"

namespace corvala {
namespace {

// Whole seconds that pass `scale` times faster than real time.
class ScaledClock : public ManualClock {
 public:
  explicit ScaledClock(double scale) : scale_(scale) {}
  int64_t Now() const override {
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - begin_;
    return base_ + static_cast<int64_t>(real.count() * scale_);
  }

 private:
  double scale_;
  int64_t base_ = 1'700'000'000;
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

TEST(StationEndToEndTest, ProgramLightsAndEndsRunsOnTheDevice) {
  constexpr double kScale = 5.0;
  const auto dir =
      std::filesystem::temp_directory_path() / ("corvala-run-e2e-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  devsim::DeviceSimulator::Options options;
  options.linkPath = (dir / "COM1").string();
  options.periodMs = 20;
  options.seed = 3;
  options.timeScale = kScale;
  devsim::DeviceSimulator device(options);
  std::string error;
  ASSERT_TRUE(device.Start(error)) << error;

  Station station;
  station.m_sampleInterval = 1;
  station.m_program.AppendProgramStep(0, 0, 5, 5, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 12, 5, kStepEnd);
  PortNames ports;
  ports.SetOverride(1, options.linkPath);
  SerialLink link(station, ports, [](int) {});
  link.Start(1);
  ASSERT_TRUE(device.WaitForLog("run none", 5000));

  ScaledClock clock(kScale);
  RecordingObserver observer;
  SamplingThread sampler(station, clock, &observer);
  sampler.Start();
  ScriptedPrompts prompts;
  OnStart(station, {true, false, true}, prompts);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while ((station.m_running[0] || station.m_running[2]) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The greeting sent "run none" once; the end of the runs sends it again.
  auto runNoneCount = [&] {
    const auto log = device.Log();
    return std::count_if(log.begin(), log.end(),
                         [](const auto& e) { return e.text == "run none"; });
  };
  while (runNoneCount() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  sampler.Stop();
  link.Stop();
  device.Stop();
  std::filesystem::remove_all(dir);

  const auto events = observer.Events();
  for (size_t c : {0u, 2u}) {
    const ChamberRecord r = station.m_chamber[c].Snapshot();
    ASSERT_GE(r.sampleCount, 13) << c;
    ASSERT_EQ(r.Samples(), r.sampleCount);
    for (int32_t k = 0; k < r.sampleCount; ++k) {
      EXPECT_EQ(r.sampleElapsed[k], k);
      if (k <= 5 || k >= 7) {
        EXPECT_EQ(r.sampleLight[k], k <= 5 ? 0 : 1) << k;
      }
      EXPECT_GT(r.samplePressure[k], 100.0f);
    }
    const auto rows = std::count_if(events.begin(), events.end(), [&](const std::string& e) {
      return e.rfind("row " + std::to_string(c) + " ", 0) == 0;
    });
    EXPECT_EQ(rows, r.sampleCount);
  }
  EXPECT_EQ(station.m_chamber[1].Snapshot().sampleCount, 0);

  // After the greeting: the start, the light commands, then the end of both runs.
  std::vector<std::string> sent;
  for (const auto& entry : device.Log()) sent.push_back(entry.text);
  const auto start = std::find(sent.begin(), sent.end(), "run mask=5");
  ASSERT_NE(start, sent.end());
  const std::vector<std::string> tail(start, sent.end());
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail[1].rfind("light mask=", 0), 0u);
  EXPECT_EQ(tail.back(), "run none");
  const auto lastLight = std::find(tail.rbegin(), tail.rend(), "light mask=5");
  ASSERT_NE(lastLight, tail.rend());
  for (auto it = tail.rbegin(); it != lastLight; ++it) EXPECT_EQ(it->rfind("run ", 0), 0u) << *it;
}

}  // namespace
}  // namespace corvala

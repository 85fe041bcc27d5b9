// A whole run against the simulated device: serial link, sampling thread and
// program, with the station's clock running five times faster than real time.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "device/serial_link.h"
#include "devsim/device_simulator.h"
#include "run_test_support.h"
#include "test_support/temp_folder.h"

namespace corvala {
namespace {

constexpr double kScale = 5.0;

class ScaledClock : public ManualClock {
 public:
  int64_t Now() const override {
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - begin_;
    return 1'700'000'000 + static_cast<int64_t>(real.count() * kScale);
  }
  int64_t Monotonic() const override { return Now(); }
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

TEST(StationEndToEndTest, ProgramLightsAndEndsRunsOnTheDevice) {
  const testing::TempFolder folder;
  devsim::DeviceSimulator::Options options;
  options.linkPath = folder / "COM1";
  options.periodMs = 20;
  options.seed = 3;
  options.timeScale = kScale;
  devsim::DeviceSimulator device(options);
  std::string error;
  ASSERT_TRUE(device.Start(error)) << error;
  Station station;
  station.m_settings.m_sampleInterval = 1;
  station.m_program.AppendProgramStep(0, 0, 5, 5, kStepLightOn);
  station.m_program.AppendProgramStep(0, 0, 12, 5, kStepEnd);
  PortNames ports;
  ports.SetOverride(1, device.Path());
  SerialLink link(station.m_link, station.m_units, ports, [](int) {});
  link.Start(1);
  ASSERT_TRUE(device.WaitForLog("run none", 5000));  // the greeting

  ScaledClock clock;
  RecordingObserver observer;
  SamplingThread sampler(station, clock, &observer);
  sampler.Start();
  StartRuns(station, {true, false, true});
  std::vector<std::string> sent;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::count(sent.begin(), sent.end(), "run none") < 2 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sent.clear();
    for (const auto& entry : device.Log()) sent.push_back(entry.text);
  }
  sampler.Stop();
  link.Stop();
  device.Stop();

  for (const ChamberRunState& run : station.m_run) EXPECT_EQ(run.m_running, 0);
  const auto events = observer.Events();
  for (int c : {0, 2}) {
    const ChamberRecord r = station.m_chamber[c].Snapshot();
    ASSERT_GE(r.Samples(), 13);
    for (int k = 0; k < r.Samples(); ++k) EXPECT_EQ(r.series.Elapsed()[k], k);
    // Off up to the sample at 5 s, on from the next sample or two on.
    EXPECT_TRUE(std::is_sorted(r.series.Light().begin(), r.series.Light().end()));
    const auto firstOn = std::find(r.series.Light().begin(), r.series.Light().end(), 1);
    EXPECT_GE(firstOn - r.series.Light().begin(), 6);
    EXPECT_LE(firstOn - r.series.Light().begin(), 8);
    EXPECT_EQ(
        std::count_if(events.begin(), events.end(),
                      [&](const std::string& e) { return e.starts_with(Format("row %d/", c)); }),
        r.Samples());
  }
  // After the greeting: the start, the light command(s), then the end of the runs.
  const std::vector<std::string> tail(std::find(sent.begin(), sent.end(), "run mask=5"),
                                      sent.end());
  ASSERT_GE(tail.size(), 3u);
  EXPECT_TRUE(tail[1].starts_with("light mask="));
  const auto lastLight = std::find_if(tail.rbegin(), tail.rend(),
                                      [](const std::string& t) { return t.starts_with("light"); });
  EXPECT_EQ(*lastLight, "light mask=5");
  EXPECT_TRUE(std::all_of(tail.rbegin(), lastLight,
                          [](const std::string& t) { return t.starts_with("run "); }));
  EXPECT_EQ(tail.back(), "run none");
}

}  // namespace
}  // namespace corvala

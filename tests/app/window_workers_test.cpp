// The window with both worker threads running against the simulated device:
// the window thread, the serial link and the sampler share the station while a
// run is started, sampled, shown and stopped. The ThreadSanitizer stage runs it too.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <chrono>
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "devsim/device_simulator.h"
#include "test_support/temp_folder.h"
#include "test_support/window_app.h"

namespace corvala {
namespace {

// The station's clock runs ten times faster than real time.
class FastClock : public Clock {
 public:
  int64_t Now() const override {
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - begin_;
    return 1'700'000'000 + static_cast<int64_t>(real.count() * 10.0);
  }
  int64_t Monotonic() const override { return Now(); }
  LocalTime ToLocal(int64_t seconds) const override { return ManualClock().ToLocal(seconds); }

 private:
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

class WindowWithWorkers : public ::testing::Test {
 protected:
  void SetUp() override { testing::WindowTestApp(); }
  void TearDown() override {
    prompts_.answers = {false};  // nothing to save
    if (dlg_) dlg_->close();
    if (device_) device_->Stop();
  }
  // The simulated device on COM1 and the window with both workers on it.
  void Open(uint32_t seed, double timeScale = 1.0, const Clock* clock = nullptr) {
    devsim::DeviceSimulator::Options sim;
    sim.periodMs = 20;
    sim.seed = seed;
    sim.timeScale = timeScale;
    device_ = std::make_unique<devsim::DeviceSimulator>(sim);
    std::string error;
    ASSERT_TRUE(device_->Start(error)) << error;
    StationOptions options;
    options.dataFolder = folder_.Path().string();
    options.ports.SetOverride(1, device_->Path());
    options.clock = clock;
    dlg_ = std::make_unique<CMeasureDlg>(options, &prompts_);
    dlg_->show();
  }
  void Click(int id) { static_cast<QAbstractButton*>(dlg_->Control(id))->click(); }

  testing::TempFolder folder_;
  FastClock fastClock_;  // outlives the window's sampler
  ScriptedPrompts prompts_;
  std::unique_ptr<devsim::DeviceSimulator> device_;
  std::unique_ptr<CMeasureDlg> dlg_;
};

TEST_F(WindowWithWorkers, ARunIsSampledShownAndStopped) {
  ASSERT_NO_FATAL_FAILURE(Open(7, 10.0, &fastClock_));
  WindowProbe probe(*dlg_);
  for (int i = 0; i < 4; ++i) Click(ctl::kIntervalDown);  // a sampling interval of 1 s
  ASSERT_EQ(probe.station().m_settings.m_sampleInterval, 1);

  Click(ctl::kChamberSelect1);
  Click(ctl::kStart);
  auto samples = [&] {
    return probe.station().m_chamber[0].Access([](const ChamberRecord& r) { return r.Samples(); });
  };
  ASSERT_TRUE(testing::RunUntil([&] { return samples() >= 5; }, std::chrono::seconds(30)));
  ASSERT_TRUE(testing::RunUntil([&] { return probe.List(ctl::kValues1)->rowCount() >= 5; },
                                std::chrono::seconds(10)));
  // The link check sees frames arrive within its period of 2.5 s.
  EXPECT_TRUE(testing::RunUntil([&] { return dlg_->PictureOf(ctl::kDeviceConnection) == 150; },
                                std::chrono::seconds(10)));

  Click(ctl::kStop);
  EXPECT_EQ(probe.station().m_run[0].m_running.load(), 0);
  const int32_t stopped = samples();
  QApplication::processEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(samples(), stopped);  // no sample after Stop
}

// The device reports mbar in every frame until it has received the whole pair
// block; frames pile up while the block goes out. The user's mg/l stays, and
// no second pair follows.
TEST_F(WindowWithWorkers, AUnitChosenByTheUserStaysWhileTheDeviceCatchesUp) {
  ASSERT_NO_FATAL_FAILURE(Open(5));
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->FramesSent() > 5; }, std::chrono::seconds(10)));
  Click(ctl::kConfigurationView);
  static_cast<QComboBox*>(dlg_->Control(ctl::kUnit))->setCurrentIndex(1);
  static_cast<QLineEdit*>(dlg_->Control(ctl::kFactor1))->setText("10.00");
  static_cast<QLineEdit*>(dlg_->Control(ctl::kFactor2))->setText("1.00");
  Click(ctl::kMeasurementView);
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->Status().unit == 2; }, std::chrono::seconds(10)));
  // Long enough for the piled-up frames to be read and for several ticks.
  testing::RunUntil([] { return false; }, std::chrono::milliseconds(1500));

  EXPECT_EQ(WindowProbe(*dlg_).unitName(), "mg/l");
  EXPECT_EQ(device_->Status().unit, 2);
  std::vector<std::string> pairs;
  for (const auto& entry : device_->Log())
    if (entry.text.starts_with("pair")) pairs.push_back(entry.text);
  EXPECT_EQ(pairs, std::vector<std::string>{"pair 100 1000"});
}

}  // namespace
}  // namespace corvala

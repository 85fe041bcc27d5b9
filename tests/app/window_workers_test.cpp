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
  LocalTime ToLocal(int64_t seconds) const override { return ManualClock().ToLocal(seconds); }

 private:
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

// Lets the window's event loop run until done() or the time is up.
template <class F>
bool RunUntil(F done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(WindowWithWorkers, ARunIsSampledShownAndStopped) {
  testing::WindowTestApp();
  const testing::TempFolder folder;
  devsim::DeviceSimulator::Options simOptions;
  simOptions.periodMs = 20;
  simOptions.seed = 7;
  simOptions.timeScale = 10.0;
  devsim::DeviceSimulator device(simOptions);
  std::string error;
  ASSERT_TRUE(device.Start(error)) << error;

  FastClock clock;
  StationOptions options;
  options.dataFolder = folder.Path().string();
  options.ports.SetOverride(1, device.Path());
  options.clock = &clock;
  ScriptedPrompts prompts;
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  dlg->show();
  WindowProbe probe(*dlg);
  for (int i = 0; i < 4; ++i)  // a sampling interval of 1 s
    static_cast<QAbstractButton*>(dlg->Control(ctl::kIntervalDown))->click();
  ASSERT_EQ(probe.station().m_settings.m_sampleInterval, 1);

  static_cast<QAbstractButton*>(dlg->Control(ctl::kChamberSelect1))->click();
  static_cast<QAbstractButton*>(dlg->Control(ctl::kStart))->click();
  auto samples = [&] {
    return probe.station().m_chamber[0].Access([](const ChamberRecord& r) { return r.Samples(); });
  };
  ASSERT_TRUE(RunUntil([&] { return samples() >= 5; }, std::chrono::seconds(30)));
  ASSERT_TRUE(RunUntil([&] { return probe.List(ctl::kValues1)->rowCount() >= 5; },
                       std::chrono::seconds(10)));
  // The link check sees frames arrive within its period of 2.5 s.
  EXPECT_TRUE(RunUntil([&] { return dlg->PictureOf(ctl::kDeviceConnection) == 150; },
                       std::chrono::seconds(10)));

  static_cast<QAbstractButton*>(dlg->Control(ctl::kStop))->click();
  EXPECT_EQ(probe.station().m_run[0].m_running.load(), 0);
  const int32_t stopped = samples();
  QApplication::processEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(samples(), stopped);  // no sample after Stop

  prompts.answers = {false};  // nothing to save
  dlg->close();
  device.Stop();
}

// The device reports mbar in every frame until it has received the whole pair
// block; frames pile up while the block goes out. The user's mg/l stays, and
// no second pair follows.
TEST(WindowWithWorkers, AUnitChosenByTheUserStaysWhileTheDeviceCatchesUp) {
  testing::WindowTestApp();
  const testing::TempFolder folder;
  devsim::DeviceSimulator::Options simOptions;
  simOptions.periodMs = 20;
  simOptions.seed = 5;
  devsim::DeviceSimulator device(simOptions);
  std::string error;
  ASSERT_TRUE(device.Start(error)) << error;

  StationOptions options;
  options.dataFolder = folder.Path().string();
  options.ports.SetOverride(1, device.Path());
  ScriptedPrompts prompts;
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  dlg->show();
  WindowProbe probe(*dlg);
  ASSERT_TRUE(RunUntil([&] { return device.FramesSent() > 5; }, std::chrono::seconds(10)));

  static_cast<QAbstractButton*>(dlg->Control(ctl::kConfigurationView))->click();
  static_cast<QComboBox*>(dlg->Control(ctl::kUnit))->setCurrentIndex(1);
  static_cast<QLineEdit*>(dlg->Control(ctl::kFactor1))->setText("10.00");
  static_cast<QLineEdit*>(dlg->Control(ctl::kFactor2))->setText("1.00");
  static_cast<QAbstractButton*>(dlg->Control(ctl::kMeasurementView))->click();
  ASSERT_TRUE(RunUntil([&] { return device.Status().unit == 2; }, std::chrono::seconds(10)));
  // Long enough for the piled-up frames to be read and for several ticks.
  RunUntil([] { return false; }, std::chrono::milliseconds(1500));

  EXPECT_EQ(probe.unitName(), "mg/l");
  EXPECT_EQ(device.Status().unit, 2);
  std::vector<std::string> pairs;
  for (const auto& entry : device.Log())
    if (entry.text.starts_with("pair")) pairs.push_back(entry.text);
  EXPECT_EQ(pairs, std::vector<std::string>{"pair 100 1000"});

  prompts.answers = {false};
  dlg->close();
  device.Stop();
}

}  // namespace
}  // namespace corvala

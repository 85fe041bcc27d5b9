// The window with both worker threads running against the simulated device:
// the window thread, the serial link and the sampler share the station while a
// run is started, sampled, shown and stopped. The ThreadSanitizer stage runs it too.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "devsim/device_simulator.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
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
    // Kept pointing at the pseudo-terminal, which a power cycle replaces.
    sim.linkPath = folder_ / "device";
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
  // mg/l chosen in the configuration, with factors whose pair block is short:
  // mg/l = mbar / 10, the pair (100, 1000).
  void ChooseMglTimesTen() {
    Click(ctl::kConfigurationView);
    static_cast<QComboBox*>(dlg_->Control(ctl::kUnit))->setCurrentIndex(1);
    static_cast<QLineEdit*>(dlg_->Control(ctl::kFactor1))->setText("10.00");
    static_cast<QLineEdit*>(dlg_->Control(ctl::kFactor2))->setText("1.00");
    Click(ctl::kMeasurementView);
  }
  // Chamber I measuring in mg/l (pair 10 / 1) at one sample a second, with a few samples taken.
  void RunChamberOneInMgl(int seed) {
    WriteIni("Messabstand=1\r\n");
    ASSERT_NO_FATAL_FAILURE(Open(seed, 10.0, &fastClock_));
    ChooseMglTimesTen();
    ASSERT_TRUE(
        testing::RunUntil([&] { return device_->Status().unit == 2; }, std::chrono::seconds(10)));
    Click(ctl::kChamberSelect1);
    Click(ctl::kStart);
    ASSERT_TRUE(testing::RunUntil([&] { return Samples(0) >= 4; }, std::chrono::seconds(30)));
  }
  void WriteIni(const std::string& text) {
    std::ofstream(folder_.Path() / "Corvala.ini", std::ios::binary) << text;
  }
  int32_t Samples(int chamber) {
    return WindowProbe(*dlg_).station().m_chamber[chamber].Access(
        [](const ChamberRecord& r) { return r.Samples(); });
  }
  std::vector<float> Pressures(int chamber) {
    return WindowProbe(*dlg_).station().m_chamber[chamber].Access([](const ChamberRecord& r) {
      return std::vector<float>(r.series.Pressure().begin(), r.series.Pressure().end());
    });
  }
  // The device's log lines from index `from` on.
  std::vector<std::string> LogFrom(size_t from) {
    std::vector<std::string> texts;
    const auto log = device_->Log();
    for (size_t i = from; i < log.size(); ++i) texts.push_back(log[i].text);
    return texts;
  }

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
  ChooseMglTimesTen();
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->Status().unit == 2; }, std::chrono::seconds(10)));
  // Long enough for the piled-up frames to be read and for several ticks.
  testing::RunUntil([] { return false; }, std::chrono::milliseconds(1500));

  EXPECT_EQ(WindowProbe(*dlg_).unitName(), "mg/l");
  EXPECT_EQ(device_->Status().unit, 2);
  std::vector<std::string> pairs;
  for (const auto& entry : device_->Log())
    if (entry.text.starts_with("pair")) pairs.push_back(entry.text);
  // The greeting's pair in force (mbar), then the user's, once.
  EXPECT_EQ(pairs, (std::vector<std::string>{"pair 1 1", "pair 100 1000"}));
}

// Switched off and on mid-run, the device came back in mbar with no pair; the
// display followed it and chamber I's mg/l run went on with mbar values. The
// greeting gives it the pair in force again, and every sample stays in mg/l.
TEST_F(WindowWithWorkers, APowerCycledDeviceGetsThePairAgainAndTheRunStaysInItsUnit) {
  ASSERT_NO_FATAL_FAILURE(RunChamberOneInMgl(11));

  const size_t before = device_->Log().size();
  std::string error;
  ASSERT_TRUE(device_->PowerCycle(true, error)) << error;
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->Status().runMask == 1; }, std::chrono::seconds(15)));
  const int32_t atReturn = Samples(0);
  ASSERT_TRUE(
      testing::RunUntil([&] { return Samples(0) >= atReturn + 6; }, std::chrono::seconds(30)));

  EXPECT_EQ(LogFrom(before),
            (std::vector<std::string>{"power cycled", "temperature set=25", "light none",
                                      "run none", "pair 100 1000", "run mask=1"}));
  WindowProbe probe(*dlg_);
  EXPECT_EQ(probe.unitName(), "mg/l");
  EXPECT_EQ(probe.station().m_chamber[0].Access([](const ChamberRecord& r) { return r.runUnit; }),
            2);
  // 150 to 350 mbar are 15 to 35 mg/l.
  const std::vector<float> pressures = Pressures(0);
  EXPECT_LT(*std::max_element(pressures.begin(), pressures.end()), 40.0f);
  EXPECT_GT(*std::min_element(pressures.begin(), pressures.end()), 10.0f);
}

// The same on a serial line that stays open: the link sees no reconnection,
// only frames in mbar. They are not summed, the display does not follow them,
// and the device is sent the pair in force again.
TEST_F(WindowWithWorkers, ADeviceRestartedOnAnOpenLineIsSentThePairAgainAndNotFollowed) {
  ASSERT_NO_FATAL_FAILURE(RunChamberOneInMgl(19));

  const size_t before = device_->Log().size();
  std::string error;
  ASSERT_TRUE(device_->PowerCycle(false, error)) << error;
  ASSERT_TRUE(testing::RunUntil(
      [&] {
        const auto log = LogFrom(before);
        return std::find(log.begin(), log.end(), "pair 100 1000") != log.end();
      },
      std::chrono::seconds(10)));
  const int32_t atPair = Samples(0);
  ASSERT_TRUE(
      testing::RunUntil([&] { return Samples(0) >= atPair + 4; }, std::chrono::seconds(30)));

  EXPECT_EQ(WindowProbe(*dlg_).unitName(), "mg/l");
  EXPECT_EQ(device_->Status().unit, 2);
  const std::vector<float> pressures = Pressures(0);
  EXPECT_LT(*std::max_element(pressures.begin(), pressures.end()), 40.0f);
  EXPECT_GT(*std::min_element(pressures.begin(), pressures.end()), 10.0f);
}

// Loading an mg/l file into chamber II while chamber I measured in mbar sent
// the mg/l pair to the device: I's run went on with mg/l values.
TEST_F(WindowWithWorkers, LoadingAFileInAnotherUnitLeavesTheDeviceAndTheRunningChamberAlone) {
  WriteIni("Messabstand=1\r\n");
  ASSERT_NO_FATAL_FAILURE(Open(13, 10.0, &fastClock_));
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->FramesSent() > 5; }, std::chrono::seconds(10)));
  Click(ctl::kChamberSelect1);
  Click(ctl::kStart);
  ASSERT_TRUE(testing::RunUntil([&] { return Samples(0) >= 3; }, std::chrono::seconds(30)));

  Click(ctl::kChamberSelect1);  // only chamber II selected
  Click(ctl::kChamberSelect2);
  const size_t before = device_->Log().size();
  prompts_.filePaths = {testing::DataPath("measurement.cv3")};  // an mg/l run
  Click(ctl::kLoadMeasurement);
  ASSERT_GT(Samples(1), 0);
  const int32_t atLoad = Samples(0);
  ASSERT_TRUE(
      testing::RunUntil([&] { return Samples(0) >= atLoad + 6; }, std::chrono::seconds(30)));

  for (const std::string& line : LogFrom(before)) EXPECT_FALSE(line.starts_with("pair")) << line;
  EXPECT_EQ(device_->Status().unit, 1);
  EXPECT_EQ(WindowProbe(*dlg_).unitName(), "mbar");
  const std::vector<float> pressures = Pressures(0);
  EXPECT_GT(*std::min_element(pressures.begin(), pressures.end()), 100.0f);
}

// A station stored in mg/l met a device that starts in mbar: it followed the
// device, and the chart top stored in mbar drifted (300 became 281).
TEST_F(WindowWithWorkers, AStationStoredInMglGivesTheDeviceItsPairAndKeepsItsChartTop) {
  WriteIni("Einheit=2\r\nMaxDruck=300\r\nUmreFaktor1=10.000000\r\nUmreFaktor2=1.000000\r\n");
  ASSERT_NO_FATAL_FAILURE(Open(17));
  ASSERT_TRUE(
      testing::RunUntil([&] { return device_->FramesSent() > 20; }, std::chrono::seconds(10)));
  EXPECT_TRUE(
      testing::RunUntil([&] { return device_->Status().unit == 2; }, std::chrono::seconds(5)));
  testing::RunUntil([] { return false; }, std::chrono::milliseconds(600));  // a few ticks
  EXPECT_EQ(WindowProbe(*dlg_).unitName(), "mg/l");
  EXPECT_EQ(static_cast<QLineEdit*>(dlg_->Control(ctl::kMaxPressureValue))->text(), "30");
  dlg_->close();
  const std::string ini = testing::FileBytes(folder_ / "Corvala.ini");
  EXPECT_NE(ini.find("\r\nMaxDruck=300\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("\r\nEinheit=2\r\n"), std::string::npos) << ini;
}

}  // namespace
}  // namespace corvala

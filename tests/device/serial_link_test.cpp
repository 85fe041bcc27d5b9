// The serial link against the simulated device on a pseudo-terminal.

#include "device/serial_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include <unistd.h>

#include "device/device_state.h"
#include "devsim/device_simulator.h"
#include "test_support/temp_folder.h"
#include "util/units.h"

namespace corvala {
namespace {

using devsim::DeviceSimulator;
using Ms = std::chrono::milliseconds;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  const auto end = std::chrono::steady_clock::now() + Ms(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(Ms(5));
  }
  return true;
}

std::vector<std::string> Texts(const std::vector<devsim::LogEntry>& log) {
  std::vector<std::string> texts;
  for (const auto& entry : log) texts.push_back(entry.text);
  return texts;
}

class LinkFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    link_.reset();
    for (auto& sim : sims_) sim->Stop();
  }

  // A simulated device on port COMn, reached through a link in a private folder.
  DeviceSimulator& AddDevice(int comPort, int periodMs = 50) {
    DeviceSimulator::Options options;
    options.linkPath = folder_ / ("COM" + std::to_string(comPort));
    options.periodMs = periodMs;
    options.seed = 7;
    sims_.push_back(std::make_unique<DeviceSimulator>(options));
    std::string error;
    EXPECT_TRUE(sims_.back()->Start(error)) << error;
    ports_.SetOverride(comPort, options.linkPath);
    return *sims_.back();
  }
  // Made on first use, after the devices, since it keeps its own copy of the port names.
  SerialLink& Link() {
    if (!link_) {
      link_ = std::make_unique<SerialLink>(device_, units_, ports_, [this](int id) {
        std::lock_guard lock(mutex_);
        bitmaps_.push_back(id);
      });
    }
    return *link_;
  }

  testing::TempFolder folder_;
  DeviceLink device_;
  SharedUnitConfig units_;
  PortNames ports_;
  std::vector<std::unique_ptr<DeviceSimulator>> sims_;
  std::mutex mutex_;  // guards bitmaps_
  std::vector<int> bitmaps_;
  std::unique_ptr<SerialLink> link_;
};

TEST_F(LinkFixture, GreetsSendsQueuedCommandsInOrderAndSumsReadings) {
  DeviceSimulator& device = AddDevice(1);
  device_.commands.m_temperatureCommand = 22;  // the simulated device starts at 22 degrees
  device_.m_temperatureShown = 22;
  // Queued before the link starts, so its first cycle takes them all.
  device_.commands.m_serviceCommand = 94;
  device_.commands.m_beepCommand = 1;
  device_.commands.m_manualStep = 1;
  device_.commands.m_calibrationCommand = 59 + 1;
  CommandLights(device_.commands, 5);
  CommandRuns(device_.commands, 5);
  device_.commands.m_calibrationChanged = 1;
  device_.commands.m_pairCommand.Set(1, 1);
  Link().Start(1);
  ASSERT_TRUE(device.WaitForLog("calibration value=210", 5000));
  const auto log = device.Log();
  // The greeting takes the pair, the lights and the runs; the cycle the rest.
  EXPECT_EQ(Texts(log), (std::vector<std::string>{
                            "temperature set=22", "light none", "run none", "pair 1 1",
                            "light mask=5", "run mask=5", "service 94 channels=3", "signal on",
                            "step up set=23", "calibration mask=1", "calibration value=210"}));
  for (size_t i = 1; i < 3; ++i) {  // greeting bytes are 100 ms apart
    EXPECT_GT(log[i].seconds - log[i - 1].seconds, 0.08) << i;
    EXPECT_LT(log[i].seconds - log[i - 1].seconds, 0.30) << i;
  }

  // Frames that piled up while the commands were sent are read first.
  ASSERT_TRUE(
      WaitUntil([&] { return std::abs(device_.report.m_lastReading[0].load() - 210.0f) < 1; }));
  for (auto& r : device_.report.m_readings) r.Reset();
  ASSERT_TRUE(WaitUntil([&] { return device_.report.m_readings[2].Peek().count >= 3; }));
  for (int c = 0; c < 3; ++c) {
    const auto sum = device_.report.m_readings[c].Peek();
    EXPECT_NEAR(sum.sum / sum.count, device.Status().pressureMbar[c], 5.0);
  }
  EXPECT_EQ(device_.report.m_frameStartSeen.load(), 0);
  std::lock_guard lock(mutex_);
  EXPECT_EQ(bitmaps_, std::vector<int>{kIndicatorOnTarget});
}

TEST_F(LinkFixture, RestartsOnAnotherPortAndStopsQuicklyWhileTheDeviceIsSilentOrMissing) {
  DeviceSimulator& first = AddDevice(1);
  DeviceSimulator& second = AddDevice(3);
  Link().Start(1);
  ASSERT_TRUE(first.WaitForLog("run none", 3000));
  Link().Restart(3);
  ASSERT_TRUE(second.WaitForLog("temperature none", 3000));
  EXPECT_FALSE(first.Listening());  // closed before the new port was opened

  second.SetSilent(true);
  ASSERT_TRUE(second.WaitForLog("run none", 3000));
  for (int port : {3, 5}) {  // 5 cannot be opened at all
    if (port == 5) Link().Start(5);
    std::this_thread::sleep_for(Ms(120));
    const auto start = std::chrono::steady_clock::now();
    Link().Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(200)) << port;
  }
  EXPECT_TRUE(WaitUntil([&] { return !second.Listening(); }, 1000));
  EXPECT_EQ(Link().Connections(), 2);
}

TEST_F(LinkFixture, ReconnectsWhenTheDeviceComesBackAndTheRunGoesOn) {
  DeviceSimulator& device = AddDevice(1);
  CommandSetPoint(device_.commands, 27);
  Link().Start(1);
  ASSERT_TRUE(device.WaitForLog("run none", 3000));
  // Chamber I runs with its light on; II's run has ended with its light on.
  CommandRuns(device_.commands, 1);
  CommandLights(device_.commands, 1 | 2);
  ASSERT_TRUE(device.WaitForLog("run mask=1", 3000));
  const size_t before = device.Log().size();

  device.GoAway();
  ASSERT_TRUE(WaitUntil([&] { return !Link().Connected(); }));
  std::this_thread::sleep_for(Ms(150));  // a few failed attempts to open

  std::string error;
  ASSERT_TRUE(device.ComeBack(error)) << error;
  ASSERT_TRUE(WaitUntil([&] { return device.Log().size() >= before + 5; }));
  device_.report.m_readings[0].Reset();
  ASSERT_TRUE(WaitUntil([&] { return device_.report.m_readings[0].Peek().count >= 3; }));
  EXPECT_EQ(Link().Connections(), 2);
  const auto texts = Texts(device.Log());
  const std::vector<std::string> greeting(texts.begin() + static_cast<long>(before), texts.end());
  EXPECT_EQ(greeting, (std::vector<std::string>{"temperature set=27", "light none", "run none",
                                                "pair 1 1", "light mask=1", "run mask=1"}));
}

// An unplug in the middle of a calibration value block: the next device got
// only the greeting, and the value was never sent again.
TEST_F(LinkFixture, ACalibrationBlockCutShortByAnUnplugGoesOutWholeOnTheNextConnection) {
  DeviceSimulator& device = AddDevice(1);
  Link().Start(1);
  ASSERT_TRUE(device.WaitForLog("run none", 3000));
  ASSERT_TRUE(WaitUntil([&] { return !device_.commands.m_pairCommand.Busy(); }));
  device_.commands.m_calibrationValue = 2000;  // 23 bytes, 50 ms each
  device_.commands.m_manualStep = 1;
  device_.commands.m_calibrationChanged = 1;
  std::this_thread::sleep_for(Ms(400));  // the step and a few bytes of the block
  device.GoAway();
  ASSERT_TRUE(WaitUntil([&] { return !Link().Connected(); }));
  ASSERT_FALSE(device.WaitForLog("calibration value=2000", 0));
  std::string error;
  ASSERT_TRUE(device.ComeBack(error)) << error;
  EXPECT_TRUE(device.WaitForLog("calibration value=2000", 4000));
  EXPECT_EQ(device_.commands.m_calibrationChanged.load(), 0);
}

// A path that is not UTF-8 (a link a lab named in its own encoding) is opened
// by its own bytes.
TEST_F(LinkFixture, OpensAPathThatIsNotUtf8ByItsOwnBytes) {
  AddDevice(1);
  const std::string odd = folder_ / "Ger\xe4t";
  ASSERT_EQ(::symlink(sims_.back()->Path().c_str(), odd.c_str()), 0);
  ports_.SetOverride(1, odd);
  Link().Start(1);
  EXPECT_TRUE(WaitUntil([&] { return Link().Connected(); }));
}

}  // namespace
}  // namespace corvala

#include "devsim/device_simulator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace corvala::devsim {
namespace {

using Ms = std::chrono::milliseconds;

// Reads from fd until text has arrived or the time is up.
std::string ReadUntil(int fd, const std::string& text, int timeoutMs) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + Ms(timeoutMs);
  while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd watch{fd, POLLIN, 0};
    if (::poll(&watch, 1, 20) > 0 && (watch.revents & POLLIN)) {
      char buffer[512];
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
  }
  return got;
}

struct SimulatorFixture : ::testing::Test {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("corvala-devsim-" + std::to_string(::getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(SimulatorFixture, SendsFramesAndLogsCommandsOverAPseudoTerminal) {
  DeviceSimulator::Options options;
  options.periodMs = 40;
  options.seed = 3;
  options.logPath = (dir / "device.log").string();
  DeviceSimulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(error)) << error;
  ASSERT_EQ(sim.Path().rfind("/dev/pts/", 0), 0u) << sim.Path();

  std::this_thread::sleep_for(Ms(150));  // frames while no one listens are dropped
  const int fd = ::open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string got = ReadUntil(fd, "ende\r\n", 1000);
  EXPECT_EQ(got.rfind("anfang\r\n3\r\n", 0), 0u) << got;
  EXPECT_NE(got.find("\r\n1\r\nende\r\n"), std::string::npos) << got;
  EXPECT_LE(got.size(), 120u) << got;  // one frame, no backlog

  const unsigned char commands[] = {35, 69 + 5, 79 + 5, 'N', 25, 200, 200, 200, 200, 123, 21, 21};
  ASSERT_EQ(::write(fd, commands, sizeof commands), static_cast<ssize_t>(sizeof commands));
  ASSERT_TRUE(sim.WaitForLog("pair 823 1", 1000));
  EXPECT_EQ(sim.Status().unit, 2);
  EXPECT_TRUE(sim.Listening());
  ::close(fd);
  const auto start = std::chrono::steady_clock::now();
  sim.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(100));

  std::ifstream log(dir / "device.log");
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "temperature set=25\nlight mask=5\nrun mask=5\npair 823 1\n");
}

TEST_F(SimulatorFixture, TimeScaleRunsTheCurveFaster) {
  DeviceSimulator::Options options;
  options.timeScale = 600.0;
  options.seed = 1;
  DeviceSimulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(error)) << error;
  const double before = sim.Status().pressureMbar[0];
  std::this_thread::sleep_for(Ms(300));
  const DeviceStatus status = sim.Status();
  sim.Stop();
  EXPECT_GT(status.simulatedSeconds, 120.0);
  EXPECT_LT(status.simulatedSeconds, 600.0);
  EXPECT_LT(status.pressureMbar[0], before - 2.0);
}

TEST_F(SimulatorFixture, GoesAwayAndComesBackUnderTheSameLink) {
  DeviceSimulator::Options options;
  options.linkPath = (dir / "ttyDEV").string();
  options.periodMs = 20;
  DeviceSimulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(error)) << error;
  EXPECT_EQ(sim.Path(), options.linkPath);
  int fd = ::open(options.linkPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_NE(ReadUntil(fd, "ende", 1000).find("ende"), std::string::npos);

  sim.GoAway();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(options.linkPath)));
  // The open side sees the hang-up: end of file or an error, never a hang.
  char byte;
  const auto end = std::chrono::steady_clock::now() + Ms(500);
  ssize_t n = 1;
  while (n > 0 && std::chrono::steady_clock::now() < end) n = ::read(fd, &byte, 1);
  EXPECT_LE(n, 0);
  ::close(fd);

  ASSERT_TRUE(sim.ComeBack(error)) << error;
  fd = ::open(options.linkPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_NE(ReadUntil(fd, "ende", 1000).find("ende"), std::string::npos);
  ::close(fd);
  sim.Stop();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(options.linkPath)));
}

TEST_F(SimulatorFixture, ReportsWhatCannotBeOpened) {
  DeviceSimulator::Options options;
  options.devicePath = (dir / "missing").string();
  DeviceSimulator missing(options);
  std::string error;
  EXPECT_FALSE(missing.Start(error));
  EXPECT_NE(error.find("missing"), std::string::npos);

  options = {};
  options.logPath = (dir / "no-such-dir" / "log").string();
  DeviceSimulator badLog(options);
  EXPECT_FALSE(badLog.Start(error));
  EXPECT_NE(error.find("log"), std::string::npos);
}

}  // namespace
}  // namespace corvala::devsim

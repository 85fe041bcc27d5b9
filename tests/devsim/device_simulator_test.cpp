#include "devsim/device_simulator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala::devsim {
namespace {

using Ms = std::chrono::milliseconds;

// Reads from fd until text has arrived or the time is up.
std::string ReadUntil(int fd, const std::string& text, int timeoutMs) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + Ms(timeoutMs);
  char buffer[512];
  while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd watch{fd, POLLIN, 0};
    if (::poll(&watch, 1, 20) <= 0) continue;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

TEST(DeviceSimulatorTest, FramesCommandsLogAndTimeScaleOverAPseudoTerminal) {
  const corvala::testing::TempFolder folder;
  const std::string logPath = folder / "devsim.log";
  DeviceSimulator::Options options;
  options.periodMs = 40;
  options.seed = 3;
  options.timeScale = 600.0;
  options.logPath = logPath;
  DeviceSimulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(error)) << error;
  ASSERT_EQ(sim.Path().rfind("/dev/pts/", 0), 0u) << sim.Path();

  std::this_thread::sleep_for(Ms(150));  // frames while no one listens are dropped
  const int fd = ::open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::string got = ReadUntil(fd, "ende\r\n", 1000);
  EXPECT_EQ(got.rfind("anfang\r\n3\r\n", 0), 0u) << got;
  EXPECT_LE(got.size(), 120u) << got;  // one frame, no backlog

  const unsigned char commands[] = {35, 69 + 5, 'N', 25, 200, 200, 200, 200, 123, 21, 21};
  ASSERT_EQ(::write(fd, commands, sizeof commands), static_cast<ssize_t>(sizeof commands));
  ASSERT_TRUE(sim.WaitForLog("pair 823 1", 1000));
  ::close(fd);
  EXPECT_GT(sim.Status().simulatedSeconds, 0.15 * 600.0);
  const auto start = std::chrono::steady_clock::now();
  sim.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(100));

  EXPECT_EQ(corvala::testing::FileBytes(logPath), "temperature set=25\nlight mask=5\npair 823 1\n");
}

}  // namespace
}  // namespace corvala::devsim

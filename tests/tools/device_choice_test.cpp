// scripts/device_choice.sh, which decides whether scripts/run.sh starts the
// station on the device or on the simulator, run against made-up /dev and /sys
// folders.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

class DeviceChoice : public ::testing::Test {
 protected:
  DeviceChoice() {
    fs::create_directories(folder_ / "dev");
    fs::create_directories(folder_ / "data");
    // Four built-in serial ports as every PC lists them, none with a UART.
    for (int n = 0; n < 4; ++n) {
      fs::create_directories(folder_.Path() / "sys/class/tty" / ("ttyS" + std::to_string(n)));
      Put("sys/class/tty/ttyS" + std::to_string(n) + "/type", "0\n");
      Put("dev/ttyS" + std::to_string(n), "");
    }
  }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_.Path() / name, std::ios::binary) << bytes;
  }
  // The choice for the arguments; what it says goes to `said`.
  std::string Choose(const std::string& arguments) {
    const std::string command = "cd " + folder_.Path().string() +
                                " && CORVALA_DEV=dev CORVALA_SYS=sys bash -c 'source " +
                                CORVALA_SCRIPTS + "/device_choice.sh && corvala_device_choice " +
                                arguments + "' >out 2>said";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0) << arguments;
    said = testing::FileBytes(folder_ / "said");
    std::string out = testing::FileBytes(folder_ / "out");
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  testing::TempFolder folder_;
  std::string said;
};

TEST_F(DeviceChoice, TheSimulatorStandsInOnlyWhenNothingCouldHoldTheDeviceAndSaysSo) {
  EXPECT_EQ(Choose("--data-dir data"), "simulate");
  EXPECT_NE(said.find("starting the built-in device SIMULATOR"), std::string::npos) << said;
  EXPECT_NE(said.find("--port COM1=/dev/ttyUSB0"), std::string::npos) << said;

  // A port named on the command line, in either form, is used as it is.
  for (const char* given : {"--port COM1=/dev/ttyS0", "--port=COM1=/dev/ttyS0",
                            "--data-dir data --port=COM2=/dev/ttyS1", "--simulate"}) {
    EXPECT_EQ(Choose(given), "device") << given;
    EXPECT_EQ(said, "") << given;
  }
}

TEST_F(DeviceChoice, AnAdapterOrASerialPortWithAUartKeepsTheSimulatorOff) {
  Put("dev/ttyACM0", "");
  EXPECT_EQ(Choose(""), "device");
  EXPECT_EQ(said, "");
  fs::remove(folder_.Path() / "dev/ttyACM0");

  // The adapter chosen in the configuration, when it is plugged in.
  Put("data/Ports.ini", "COM1=" + (folder_ / "dev/by-id-adapter") + "\r\n");
  EXPECT_EQ(Choose("--data-dir=data"), "simulate");
  Put("dev/by-id-adapter", "");
  EXPECT_EQ(Choose("--data-dir=data"), "device");

  // A built-in serial port with a UART behind it may hold the device: the
  // station opens its port, and the terminal says how to simulate instead.
  fs::remove(folder_.Path() / "data/Ports.ini");
  Put("sys/class/tty/ttyS1/type", "4\n");
  EXPECT_EQ(Choose(""), "device");
  EXPECT_NE(said.find("serial ports (/dev/ttyS1)"), std::string::npos) << said;
  EXPECT_NE(said.find("scripts/run.sh --simulate"), std::string::npos) << said;
}

}  // namespace
}  // namespace corvala

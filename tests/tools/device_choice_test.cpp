// scripts/device_choice.sh, which decides whether scripts/run.sh starts the
// station on the device or on the simulator, against made-up /dev and /sys.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

TEST(DeviceChoice, TheSimulatorStandsInOnlyWhenNothingCouldHoldTheDeviceAndSaysSo) {
  const testing::TempFolder folder;
  const auto put = [&](const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(folder / name).parent_path());
    std::ofstream(folder / name, std::ios::binary) << bytes;
  };
  std::string said;
  const auto choose = [&](const std::string& arguments) {
    const std::string command =
        "cd " + folder.Path().string() +
        " && CORVALA_DEV=dev CORVALA_SYS=sys CORVALA_PROBE_SECONDS=1 bash -c 'source " +
        CORVALA_SCRIPTS + "/device_choice.sh && corvala_device_choice " + arguments +
        "' >out 2>said";
    EXPECT_EQ(std::system(command.c_str()), 0) << arguments;
    said = testing::FileBytes(folder / "said");
    return testing::FileBytes(folder / "out");
  };
  // The built-in serial ports every PC lists, without a UART behind them.
  put("dev/ttyS0", "");
  put("sys/class/tty/ttyS0/type", "0\n");
  EXPECT_EQ(choose("--data-dir data"), "simulate\n");
  EXPECT_NE(said.find("starting the built-in device SIMULATOR"), std::string::npos) << said;
  EXPECT_NE(said.find("--port COM1=/dev/ttyUSB0"), std::string::npos) << said;
  // A port given in either form is used as it is.
  for (const char* given : {"--port COM1=/dev/ttyS0", "--data-dir x --port=COM2=/dev/ttyS1"})
    EXPECT_EQ(choose(given), "device\n") << given;

  // The adapter chosen in the configuration, once it is plugged in.
  put("data/Ports.ini", "COM1=" + (folder / "dev/by-id-adapter") + "\r\n");
  EXPECT_EQ(choose("--data-dir=data"), "simulate\n");
  put("dev/by-id-adapter", "");
  EXPECT_EQ(choose("--data-dir=data"), "device\n");

  // A UART behind a built-in port holds the device when its frames are heard
  // there; a silent one is no device, and the terminal says so.
  put("sys/class/tty/ttyS0/type", "4\n");
  EXPECT_EQ(choose(""), "simulate\n");
  EXPECT_NE(said.find("no device answered"), std::string::npos) << said;
  put("dev/ttyS0", "\r\nanfang\r\n3\r\n");
  EXPECT_EQ(choose(""), "device\n");
  EXPECT_NE(said.find("the device answers on dev/ttyS0"), std::string::npos) << said;
}

}  // namespace
}  // namespace corvala

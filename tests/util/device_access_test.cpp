#include "util/device_access.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "test_support/temp_folder.h"

namespace corvala {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DeviceAccessTest, SaysWhetherAPathIsThereAndMayBeReadAndWritten) {
  testing::TempFolder folder;
  const std::string file = folder / "ttyFake";
  std::ofstream(file) << "x";
  EXPECT_TRUE(DevicePathExists(file));
  EXPECT_FALSE(DevicePathExists(folder / "missing"));
  EXPECT_TRUE(MayReadAndWrite(file));
  EXPECT_FALSE(MayReadAndWrite(folder / "missing"));
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  if (::geteuid() != 0) {  // root may write anyway
    EXPECT_FALSE(MayReadAndWrite(file));
  }
}

// A name that is not UTF-8 is held open and named by its descriptor, which
// reaches the same file; released, the name goes.
TEST(DeviceAccessTest, HoldsADeviceOpenUnderADescriptorName) {
  testing::TempFolder folder;
  const std::string file = folder / "tty\xff\xfe";
  std::ofstream(file) << "frame";
  HeldDevice held(file);
  ASSERT_EQ(held.Name().rfind("/proc/self/fd/", 0), 0u) << held.Name();
  EXPECT_EQ(ReadWhole(held.Name()), "frame");
  const std::string name = held.Name();
  held.Release();
  EXPECT_EQ(held.Name(), "");
  EXPECT_FALSE(DevicePathExists(name));
}

TEST(DeviceAccessTest, AMissingDeviceIsNotHeld) {
  testing::TempFolder folder;
  const HeldDevice held(folder / "missing");
  EXPECT_EQ(held.Name(), "");
}

}  // namespace
}  // namespace corvala

#include "device/port_names.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "test_support/temp_folder.h"
#include "util/file_io.h"

namespace corvala {
namespace {

TEST(PortNamesTest, OverridesReplaceDefaultsAndBadValuesAreReported) {
  PortNames names;
  std::string errors;
  EXPECT_FALSE(ParsePortOverrides({"COM3=/dev/ttyUSB0", "com1=/tmp/a=b", "COM0=/x", "COM10=/x",
                                   "COM3", "COM4=", "LPT1=/x", "COMx=/x", ""},
                                  names, errors));
  EXPECT_EQ(names.PathFor(3), "/dev/ttyUSB0");
  EXPECT_EQ(names.PathFor(1), "/tmp/a=b");
#ifdef _WIN32
  EXPECT_EQ(names.PathFor(2), "COM2");
  EXPECT_EQ(names.PathFor(4), "COM4");
  EXPECT_EQ(names.PathFor(INT32_MIN), "COM-2147483648");
#else
  EXPECT_EQ(names.PathFor(2), "/dev/ttyS1");
  EXPECT_EQ(names.PathFor(4), "/dev/ttyS3");
  EXPECT_EQ(names.PathFor(INT32_MIN), "/dev/ttyS-2147483649");
#endif
  EXPECT_NE(errors.find("\"COM10=/x\": expected COMn=PATH"), std::string::npos) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 7);
}

TEST(PortNamesTest, OnlyThePortsTheSimulatorStandsForAreSimulated) {
  PortNames names;
  names.SetSimulated(1, "/dev/pts/3");
  names.SetSimulated(2, "/dev/pts/3");
  names.SetOverride(3, "/dev/pts/4");  // a pseudo-terminal given by --port may be a device
  EXPECT_TRUE(names.IsSimulated(1));
  EXPECT_FALSE(names.IsSimulated(3));
  // A mapping of the port's own takes the simulator's place.
  std::string error;
  ASSERT_TRUE(names.AddOverride("COM2=/dev/ttyUSB1", error));
  EXPECT_FALSE(names.IsSimulated(2));
}

// The permission reason names the device's owner, group and mode, and
// advises a group only when that group may read and write the device.
TEST(PortNamesTest, PermissionDeniedNamesOwnerGroupAndModeAndAdvisesOnlyTheirGroup) {
  EXPECT_EQ(PermissionReason({"root", "dialout", 020660}),
            "owner root, group dialout, mode 660: the user must be in the dialout group");
  EXPECT_EQ(PermissionReason({"root", "uucp", 0660}),
            "owner root, group uucp, mode 660: the user must be in the uucp group");
  const std::string rootOnly = PermissionReason({"root", "root", 0600});
  EXPECT_EQ(rootOnly,
            "owner root, group root, mode 600: only its owner may open it; an administrator "
            "must change its permissions");
  EXPECT_EQ(PermissionReason({"root", "dialout", 0640}).find("dialout group"), std::string::npos);
  EXPECT_EQ(PortStatusText({1, "/dev/ttyUSB0", PortState::kPermissionDenied, rootOnly}),
            "COM1 (/dev/ttyUSB0): permission denied: " + rootOnly);
  EXPECT_EQ(PortStatusText({1, "/dev/ttyUSB0", PortState::kPermissionDenied, ""}),
            "COM1 (/dev/ttyUSB0): permission denied");
}

// Windows opens ports from COM10 up only by their device name; the user
// still sees "COM10".
TEST(PortNamesTest, PortsFromCom10UpAreOpenedByTheirWindowsDeviceName) {
  EXPECT_EQ(WindowsDevicePath("COM10"), "\\\\.\\COM10");
  EXPECT_EQ(WindowsDevicePath("com255"), "\\\\.\\com255");
  EXPECT_EQ(WindowsDevicePath("COM9"), "COM9");
  EXPECT_EQ(WindowsDevicePath("COM1x"), "COM1x");
  EXPECT_EQ(WindowsDevicePath("\\\\.\\COM12"), "\\\\.\\COM12");
  EXPECT_EQ(WindowsDevicePath("/dev/ttyUSB10"), "/dev/ttyUSB10");
  PortNames names;
  names.SetChosen(3, "COM12");
  EXPECT_EQ(names.PathFor(3), "COM12");
  EXPECT_EQ(PortStatusText({3, names.PathFor(3), PortState::kConnected, ""}),
            "COM3 (COM12): connected");
#ifdef _WIN32
  EXPECT_EQ(OpenablePortPath("COM12"), "\\\\.\\COM12");
  EXPECT_EQ(PortNames::DefaultPath(2), "COM2");
#else
  EXPECT_EQ(OpenablePortPath("COM12"), "COM12");
#endif
}

TEST(PortNamesTest, DeviceAccessIsReadFromTheFileBehindThePath) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no owner, group and mode to read";
#else
  const testing::TempFolder folder;
  const std::string device = folder / "device";
  ASSERT_TRUE(WriteFileAtomically(device, "").Ok());
  ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
  const auto access = ReadDeviceAccess(device);
  ASSERT_TRUE(access.has_value());
  EXPECT_EQ(access->mode, 0600u);
  EXPECT_FALSE(access->owner.empty());
  EXPECT_FALSE(access->group.empty());
  EXPECT_FALSE(ReadDeviceAccess(folder / "missing").has_value());
#endif
}

}  // namespace
}  // namespace corvala

#include "device/port_names.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(names.PathFor(2), "/dev/ttyS1");
  EXPECT_EQ(names.PathFor(4), "/dev/ttyS3");
  EXPECT_EQ(names.PathFor(INT32_MIN), "/dev/ttyS-2147483649");
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

}  // namespace
}  // namespace corvala

#include "device/port_names.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(PortNamesTest, DefaultsAndOverrides) {
  PortNames names;
  EXPECT_EQ(names.PathFor(1), "/dev/ttyS0");
  EXPECT_EQ(names.PathFor(9), "/dev/ttyS8");
  std::string error;
  ASSERT_TRUE(names.AddOverride("COM3=/dev/ttyUSB0", error)) << error;
  ASSERT_TRUE(names.AddOverride("com1=/tmp/a=b", error)) << error;  // "=" allowed in the path
  EXPECT_EQ(names.PathFor(3), "/dev/ttyUSB0");
  EXPECT_EQ(names.PathFor(1), "/tmp/a=b");
  EXPECT_EQ(names.PathFor(2), "/dev/ttyS1");
  ASSERT_TRUE(names.AddOverride("COM3=/dev/pts/4", error));  // the last mapping wins
  EXPECT_EQ(names.PathFor(3), "/dev/pts/4");
}

TEST(PortNamesTest, RejectsMalformedValues) {
  for (const char* bad : {"COM0=/x", "COM10=/x", "COM3", "COM3=", "=/x", "LPT1=/x", "COMx=/x",
                          "COM 3=/x", "COM-1=/x", ""}) {
    PortNames names;
    std::string error;
    EXPECT_FALSE(names.AddOverride(bad, error)) << bad;
    EXPECT_NE(error.find("COMn=PATH"), std::string::npos) << bad;
    EXPECT_EQ(names.PathFor(3), "/dev/ttyS2");
  }
}

TEST(PortNamesTest, ParsesAllValuesAndListsEveryError) {
  PortNames names;
  std::string errors;
  EXPECT_FALSE(ParsePortOverrides({"COM2=/a", "bad", "COM4=/b", "COM11=/c"}, names, errors));
  EXPECT_EQ(names.PathFor(2), "/a");
  EXPECT_EQ(names.PathFor(4), "/b");
  EXPECT_NE(errors.find("\"bad\""), std::string::npos);
  EXPECT_NE(errors.find("\"COM11=/c\""), std::string::npos);
  errors.clear();
  EXPECT_TRUE(ParsePortOverrides({"COM5=/d"}, names, errors));
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace corvala

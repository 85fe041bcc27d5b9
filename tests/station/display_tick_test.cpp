#include "station/display_tick.h"

#include <gtest/gtest.h>

#include <climits>

namespace corvala {
namespace {

TEST(LinkCheck, AFrameShowsTheLinkAliveAtOnceAWholeSilentPeriodShowsItLost) {
  LinkCheck check;
  std::atomic<int32_t> frameStart{-1};
  for (int i = 0; i < 25; ++i) EXPECT_FALSE(check.Tick(2, frameStart).has_value());
  frameStart = 0;  // the first frame: alive at once, not at the end of the period
  EXPECT_EQ(check.Tick(2, frameStart), std::optional<bool>(true));
  // 100 ms a tick: at an interval of 2 s the period that began with the frame
  // ends on the 20th tick after it.
  for (int i = 0; i < 19; ++i) EXPECT_FALSE(check.Tick(2, frameStart).has_value());
  EXPECT_FALSE(check.Tick(2, frameStart).has_value());  // a frame in the period: alive
  EXPECT_EQ(frameStart.load(), -1);                     // taken for the next period
  for (int i = 0; i < 19; ++i) EXPECT_FALSE(check.Tick(2, frameStart).has_value());
  EXPECT_EQ(check.Tick(2, frameStart), std::optional<bool>(false));
  EXPECT_FALSE(check.Alive());

  // A huge interval never ends a period early.
  LinkCheck slow;
  frameStart = 0;
  EXPECT_EQ(slow.Tick(INT32_MAX, frameStart), std::optional<bool>(true));
  frameStart = -1;
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(slow.Tick(INT32_MAX, frameStart).has_value());
}

TEST(LinkStatusLine, NamesThePortItsPathTheStateAndTheNextStep) {
  const PortStatus missing{1, "/dev/ttyUSB0", PortState::kNoSuchDevice, ""};
  EXPECT_EQ(LinkStatusLine(missing, false, false),
            "COM1 (/dev/ttyUSB0): no such device. Choose the adapter under Configuration > "
            "Adapter.");
  EXPECT_EQ(LinkStatusLine(missing, false, true),
            "COM1 (/dev/ttyUSB0): no such device. Choose the adapter under Configuration > "
            "Adapter. The run waits for the device.");
  const PortStatus open{2, "/dev/ttyS1", PortState::kConnected, ""};
  EXPECT_EQ(LinkStatusLine(open, false, true),
            "COM2 (/dev/ttyS1): connected, but the device sends nothing. Check that it is "
            "switched on and its cable. The run waits for the device.");
  EXPECT_EQ(LinkStatusLine(open, true, true),
            "COM2 (/dev/ttyS1): connected, the device sends values.");
}

// The dialout group is advised only where that group may open the device.
TEST(LinkStatusLine, PermissionAdviceFollowsTheDevicesOwnerGroupAndMode) {
  const std::string rootOnly = PermissionReason({"root", "root", 0600});
  EXPECT_EQ(LinkStatusLine({1, "/dev/ttyS0", PortState::kPermissionDenied, rootOnly}, false, false),
            "COM1 (/dev/ttyS0): permission denied: " + rootOnly + ".");
  const std::string dialout = PermissionReason({"root", "dialout", 0660});
  EXPECT_EQ(LinkStatusLine({1, "/dev/ttyS0", PortState::kPermissionDenied, dialout}, false, false),
            "COM1 (/dev/ttyS0): permission denied: " + dialout +
                ". Run \"sudo adduser $USER dialout\", then log out and in again.");
}

TEST(LinkStatusLine, TheSimulatorIsNeverTakenForTheDevice) {
  const PortStatus simulator{1, "/dev/pts/3", PortState::kConnected, "", true};
  EXPECT_EQ(PortStatusText(simulator), "COM1 (/dev/pts/3): simulated device");
  EXPECT_EQ(LinkStatusLine(simulator, true, true),
            "COM1 (/dev/pts/3): simulated device - the values are not measured. To measure, start "
            "with --port COM1=PATH of the device.");
}

// The window test covers the sliders' ordinary positions; here the inverses
// and the numbers only a hand-edited file gives.
TEST(Trackbars, InversesTruncateAndTheEdgesDoNotWrap) {
  EXPECT_EQ(MaxPressureOfTrackbar(0), 100);
  EXPECT_EQ(MaxPressureOfTrackbar(100), 500);
  EXPECT_EQ(TrackbarOfMaxPressure(301), 50);
  EXPECT_EQ(TrackbarOfMaxPressure(INT32_MIN), -536870937);
  EXPECT_EQ(MaxTimeOfTrackbar(0), 600);
  EXPECT_EQ(TrackbarOfMaxTime(450), 0);
  EXPECT_EQ(TrackbarOfMaxTime(3600), 10);
  EXPECT_EQ(TrackbarOfMaxTime(INT32_MIN), -7158280);
  EXPECT_EQ(TimeScrollMaximum(3660, 450, 0), 53);  // whole minutes beyond the window
  EXPECT_EQ(TimeScrollMaximum(100, 450, 0), 0);    // never negative
  EXPECT_GE(TimeScrollMaximum(INT32_MAX, INT32_MIN, 0), 0);
}

TEST(LiveReadings, OutOfRangeShowsZeroAndEditsFollowTheChannelCount) {
  EXPECT_EQ(ShownReading(700.0f), 700.0f);
  EXPECT_EQ(ShownReading(700.5f), 0.0f);
  EXPECT_EQ(ShownReading(-1.0f), 0.0f);
  EXPECT_EQ(ReadingText(9.876f, 2), "9.88 mg/l");
  EXPECT_EQ(ShownTemperature(24.56f), 24.56f);
  EXPECT_EQ(ShownTemperature(100.0f), 0.0f);
  EXPECT_EQ(ShownTemperature(-0.5f), 0.0f);
  EXPECT_FALSE(LiveEditsFor(2)->chamber3);
  EXPECT_TRUE(LiveEditsFor(3)->chamber3);
  EXPECT_FALSE(LiveEditsFor(7).has_value());
}

TEST(Blinker, ShownElevenTicksHiddenTen) {
  Blinker blink;
  int shown = 0;
  for (int i = 0; i < 21; ++i) shown += blink.Tick() ? 1 : 0;
  EXPECT_EQ(shown, 11);
}

TEST(Steppers, KeepTheirBounds) {
  EXPECT_EQ(SetPointUp(45), 45);
  EXPECT_EQ(SetPointDown(6), 5);
  EXPECT_EQ(SetPointDown(5), 5);
  EXPECT_EQ(SetPointDown(INT32_MIN), INT32_MIN);  // no wrap
  EXPECT_EQ(IntervalUp(98), 99);
  EXPECT_EQ(IntervalUp(99), 99);
  EXPECT_EQ(IntervalDown(1), 1);
}

}  // namespace
}  // namespace corvala

#include "util/clock.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(ManualClockTest, AdvanceMovesBothSidesAndSetOnlyTheWallClock) {
  ManualClock clock(1000);
  clock.Advance(5);
  EXPECT_EQ(clock.Now(), 1005);
  EXPECT_EQ(clock.Monotonic(), 1005);
  clock.Set(50);
  EXPECT_EQ(clock.Now(), 50);
  EXPECT_EQ(clock.Monotonic(), 1005);
  clock.SetMonotonic(7);
  EXPECT_EQ(clock.Now(), 50);
  EXPECT_EQ(clock.Monotonic(), 7);
}

TEST(SystemClockTest, MonotonicSecondsStartAtTheWallClocksSecond) {
  const SystemClock clock;
  const int64_t wall = clock.Now();
  const int64_t monotonic = clock.Monotonic();
  // Both read within the same second or across one tick.
  EXPECT_LE(wall, monotonic + 1);
  EXPECT_LE(monotonic, wall + 1);
}

}  // namespace
}  // namespace corvala

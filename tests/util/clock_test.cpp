#include "util/clock.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

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

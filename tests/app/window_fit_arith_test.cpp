#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(WindowFitArith, ABarThatTakesTheLastPixelsBringsTheOtherBar) {
  // Wide enough for the content alone, not for the content and a vertical bar.
  const WindowFit fit = FitContent({1005, 674}, {1010, 600}, 15);
  EXPECT_TRUE(fit.verticalBar);
  EXPECT_TRUE(fit.horizontalBar);
  EXPECT_EQ(fit.client.width, 1010);
  EXPECT_EQ(fit.client.height, 600);
  const WindowFit exact = FitContent({1005, 674}, {1005, 674}, 15);
  EXPECT_FALSE(exact.verticalBar);
  EXPECT_FALSE(exact.horizontalBar);
  EXPECT_EQ(exact.client.width, 1005);
  EXPECT_EQ(exact.client.height, 674);
}

TEST(WindowFitArith, AWindowIsCutAndMovedIntoTheFreeArea) {
  const std::array<int32_t, 4> area{0, 30, 683, 384};  // a panel on top
  // The configuration window, 715 x 430 at 40,10: cut to the area, moved into it.
  EXPECT_EQ(KeepInside({40, 10, 755, 440}, area), (std::array<int32_t, 4>{0, 30, 683, 384}));
  // A small window sticking out on the right and at the bottom moves back whole.
  EXPECT_EQ(KeepInside({600, 300, 900, 500}, area), (std::array<int32_t, 4>{383, 184, 683, 384}));
  // One inside stays.
  EXPECT_EQ(KeepInside({10, 40, 310, 240}, area), (std::array<int32_t, 4>{10, 40, 310, 240}));
}

}  // namespace
}  // namespace corvala

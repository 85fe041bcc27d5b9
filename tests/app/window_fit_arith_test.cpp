#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

// The laid-out window, 1005 x 674, on common screens at common scales: the
// free area in the scaled pixels the window is laid out in, less a 40-pixel
// task bar and a 30-pixel title bar.
TEST(WindowFitArith, TheWindowNeverExceedsTheScreenAndScrollsOnlyWhereNeeded) {
  const FitSize content{1005, 674};
  const int32_t bar = 15;
  struct Case {
    int32_t screenW, screenH, percent;
    bool hBar, vBar;
  };
  const Case cases[] = {
      {1366, 768, 100, false, false},  {1366, 768, 125, false, true},
      {1366, 768, 150, true, true},    {1366, 768, 200, true, true},
      {1920, 1080, 100, false, false}, {1920, 1080, 125, false, false},
      {1920, 1080, 150, false, true},  {1920, 1080, 200, true, true},
  };
  for (const Case& c : cases) {
    const FitSize room{c.screenW * 100 / c.percent, (c.screenH - 40) * 100 / c.percent - 30};
    const WindowFit fit = FitContent(content, room, bar);
    const std::string at = std::to_string(c.screenW) + "x" + std::to_string(c.screenH) + " at " +
                           std::to_string(c.percent) + "%";
    EXPECT_LE(fit.client.width, room.width) << at;
    EXPECT_LE(fit.client.height, room.height) << at;
    EXPECT_EQ(fit.horizontalBar, c.hBar) << at;
    EXPECT_EQ(fit.verticalBar, c.vBar) << at;
    // What the bars leave shows the content, or all of the room.
    const int32_t shownW = fit.client.width - (fit.verticalBar ? bar : 0);
    const int32_t shownH = fit.client.height - (fit.horizontalBar ? bar : 0);
    EXPECT_EQ(shownW, fit.horizontalBar ? room.width - (fit.verticalBar ? bar : 0) : content.width)
        << at;
    EXPECT_EQ(shownH,
              fit.verticalBar ? room.height - (fit.horizontalBar ? bar : 0) : content.height)
        << at;
  }
}

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

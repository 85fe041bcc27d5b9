#pragma once
// How the main window fits a screen: the window is never larger than the
// screen's free area; what it cannot show at once it scrolls. Plain arithmetic
// on sizes in pixels, so that every screen size can be tried without one.

#include <array>
#include <cstdint>

namespace corvala {

struct FitSize {
  int32_t width = 0, height = 0;
};

struct WindowFit {
  FitSize client;  // the window's client size
  bool horizontalBar = false;
  bool verticalBar = false;
};

// The client size that shows `content`, at most `room` (the screen's free area
// less the window frame). Where the content is larger than the room, a scroll
// bar `bar` pixels thick appears; it takes room from the other direction,
// which may need a bar of its own then.
WindowFit FitContent(FitSize content, FitSize room, int32_t bar);

// A window rectangle (left, top, right, bottom) cut to the size of `area` where
// it is larger and moved inside it where it sticks out.
std::array<int32_t, 4> KeepInside(const std::array<int32_t, 4>& rect,
                                  const std::array<int32_t, 4>& area);

}  // namespace corvala

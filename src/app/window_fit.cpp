#include "app/window_fit.h"

#include <algorithm>

namespace corvala {

WindowFit FitContent(FitSize content, FitSize room, int32_t bar) {
  WindowFit fit;
  fit.horizontalBar = content.width > room.width;
  fit.verticalBar = content.height > room.height;
  // A bar narrows the room of the other direction; twice settles it.
  for (int pass = 0; pass < 2; ++pass) {
    if (fit.verticalBar && content.width + bar > room.width) fit.horizontalBar = true;
    if (fit.horizontalBar && content.height + bar > room.height) fit.verticalBar = true;
  }
  fit.client.width = std::min(content.width + (fit.verticalBar ? bar : 0), room.width);
  fit.client.height = std::min(content.height + (fit.horizontalBar ? bar : 0), room.height);
  return fit;
}

std::array<int32_t, 4> KeepInside(const std::array<int32_t, 4>& rect,
                                  const std::array<int32_t, 4>& area) {
  const int32_t width = std::min(rect[2] - rect[0], area[2] - area[0]);
  const int32_t height = std::min(rect[3] - rect[1], area[3] - area[1]);
  const int32_t left = std::clamp(rect[0], area[0], area[2] - width);
  const int32_t top = std::clamp(rect[1], area[1], area[3] - height);
  return {left, top, left + width, top + height};
}

}  // namespace corvala

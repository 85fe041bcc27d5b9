#pragma once
// Hand-made chamber records for the analysis tests.

#include <vector>

#include "run/chamber_record.h"

namespace corvala::testing {

// No light list: dark throughout.
inline ChamberRecord MakeCurve(const std::vector<float>& pressure,
                               const std::vector<uint8_t>& light = {}, int32_t interval = 1) {
  ChamberRecord r;
  r.runInterval = interval;
  for (size_t k = 0; k < pressure.size(); ++k)
    AppendSample(r, pressure[k], 25.0f, light.empty() ? uint8_t{0} : light[k],
                 LocalTime{2024, 4, 3, 9, 5, 7}, static_cast<int32_t>(k) * interval);
  return r;
}

// Dark fall; light on at sample 4: the fall goes on to a minimum, rises steeply
// to a plateau and falls again in the dark from sample 11 (interval 2 s).
inline ChamberRecord DayCurve() {
  return MakeCurve({20, 18, 16, 14, 13, 12, 14, 18, 22, 24, 24, 22, 18, 16, 15, 15},
                   {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, 2);
}

}  // namespace corvala::testing

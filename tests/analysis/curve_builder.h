#pragma once
// Hand-made chamber records for the analysis tests.

#include <cstdint>
#include <vector>

#include "run/chamber_record.h"

namespace corvala::testing {

inline ChamberRecord MakeCurve(const std::vector<float>& pressure,
                               const std::vector<uint8_t>& light, int32_t interval = 1) {
  ChamberRecord r;
  r.runInterval = interval;
  r.startDay = 3;
  r.startMonth = 4;
  r.startYear = 2024;
  r.startHour = 9;
  r.startMinute = 5;
  r.startSecond = 7;
  for (size_t k = 0; k < pressure.size(); ++k) {
    r.samplePressure.push_back(pressure[k]);
    r.sampleLight.push_back(light[k]);
    r.sampleTemperature.push_back(25.0f);
    r.sampleElapsed.push_back(static_cast<int32_t>(k) * interval);
    r.sampleHour.push_back(9);
    r.sampleMinute.push_back(5);
    r.sampleSecond.push_back(7);
  }
  r.sampleCount = static_cast<int32_t>(pressure.size());
  return r;
}

// Dark fall, light on at sample 4: the fall goes on to a minimum, rises steeply
// to a plateau, and falls again in the dark from sample 11 (interval 2 s).
inline ChamberRecord DayCurve() {
  return MakeCurve({20, 18, 16, 14, 13, 12, 14, 18, 22, 24, 24, 22, 18, 16, 15, 15},
                   {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, 2);
}

}  // namespace corvala::testing

#include "analysis/normalisation.h"

#include "util/c_format.h"

namespace corvala {

float LowestPressure(const ChamberRecord& record, bool correctionOn, int32_t correctionTime) {
  float lowest = kNormSearchStart;
  const int32_t count = record.Samples();
  for (int32_t k = 0; k < count; ++k) {
    if (correctionOn && record.series.Elapsed()[k] < correctionTime) continue;
    if (record.series.Pressure()[k] < lowest) lowest = record.series.Pressure()[k];
  }
  return lowest;
}

float ComputeNormOffset(Station& station, int chamber, bool correctionOn, int32_t correctionTime) {
  if (chamber < 0 || chamber > 2) return 0.0f;
  auto& offset = station.m_run[chamber].m_normOffset;
  if (offset.load() != 0.0f) {
    offset.store(0.0f);
    return 0.0f;
  }
  float lowest = station.m_chamber[chamber].Access(
      [&](const ChamberRecord& r) { return LowestPressure(r, correctionOn, correctionTime); });
  // No sample after the correction time: there is no baseline, so nothing may
  // be subtracted (the search's start value would shift the curve by a million).
  if (lowest == kNormSearchStart) lowest = 0.0f;
  offset.store(lowest);
  return lowest;
}

std::array<bool, 3> ToggleNormalisation(Station& station, const std::array<uint8_t, 3>& selected,
                                        bool correctionOn, int32_t correctionTime) {
  std::array<bool, 3> switched{false, false, false};
  for (int c = 0; c < 3; ++c) {
    if (selected[c] != 1 || station.m_run[c].m_running.load() != 0) continue;
    const int32_t samples =
        station.m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples(); });
    if (samples < 1) continue;
    ComputeNormOffset(station, c, correctionOn, correctionTime);
    switched[c] = true;
  }
  return switched;
}

}  // namespace corvala

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

float SwitchedNormOffset(float offset, const ChamberRecord& record, bool correctionOn,
                         int32_t correctionTime) {
  if (offset != 0.0f) return 0.0f;
  const float lowest = LowestPressure(record, correctionOn, correctionTime);
  // No sample after the correction time: there is no baseline, so nothing may
  // be subtracted (the search's start value would shift the curve by a million).
  return lowest == kNormSearchStart ? 0.0f : lowest;
}

}  // namespace corvala

#pragma once
// A chamber's curve relative to its own lowest pressure: the normalisation
// offset (0 = off) and the value-list texts that show pressures minus it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/chamber_record.h"

namespace corvala {

// Value an offset starts from before the lowest pressure is searched.
inline constexpr float kNormSearchStart = 999999.875f;

// The lowest pressure of the series, skipping samples taken before the
// correction time when the correction marker is on; kNormSearchStart when no
// sample takes part.
float LowestPressure(const ChamberRecord& record, bool correctionOn, int32_t correctionTime);

// The offset after switching the normalisation of the run in record: an offset
// that is not 0 becomes 0, otherwise the run's lowest pressure; with no sample
// after the correction time there is no baseline and the offset stays 0.
float SwitchedNormOffset(float offset, const ChamberRecord& record, bool correctionOn,
                         int32_t correctionTime);

}  // namespace corvala

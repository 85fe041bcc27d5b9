#pragma once
// A chamber's curve relative to its own lowest pressure: the normalisation
// offset (0 = off) and the value-list texts that show pressures minus it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/chamber_record.h"
#include "run/station.h"

namespace corvala {

// Value an offset starts from before the lowest pressure is searched.
inline constexpr float kNormSearchStart = 999999.875f;

// The lowest pressure of the series, skipping samples taken before the
// correction time when the correction marker is on; kNormSearchStart when no
// sample takes part.
float LowestPressure(const ChamberRecord& record, bool correctionOn, int32_t correctionTime);

// Switches the chamber's normalisation: an offset that is not 0 becomes 0,
// otherwise the offset becomes the run's lowest pressure; with no sample after
// the correction time there is no baseline and the offset stays 0. Returns the
// new offset (0 for an index outside 0..2). The window resets its
// selected-range slope.
float ComputeNormOffset(Station& station, int chamber, bool correctionOn, int32_t correctionTime);

// Button "No": switches every selected chamber that is not running and has at
// least one sample. Returns which chambers were switched; the window then
// refills the three value lists and redraws the chart.
std::array<bool, 3> ToggleNormalisation(Station& station, const std::array<uint8_t, 3>& selected,
                                        bool correctionOn, int32_t correctionTime);

}  // namespace corvala

#pragma once
// The regression rates of an analysis table row: the least-squares fits over
// the regions its Slope and Respiration come from, corrected by a blank run
// and turned into amounts of oxygen. The row's single-precision values stay as
// the analysis gives them.

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/rate_settings.h"
#include "analysis/regression.h"

namespace corvala {

// The rate over the first region of `pairs` (first and last position, as in
// m_riseRange and m_fallRange): slope, standard error and R² of the fit; the
// slope minus the blank's over the same elapsed seconds when a blank is given
// and has samples there; µmol O2 per hour (of the corrected slope when a blank
// is given) with the chamber's volume, for mbar runs at the mean chamber
// temperature of the region, and per amount. Every figure is empty when it
// cannot be computed.
RowRate RegionRowRate(const RateSeries& series, const std::vector<int32_t>& pairs, int32_t unit,
                      const RateSeries* blank, const OxygenSettings& oxygen);

// The rates of a row of the analysed run `series` with its analysis `block`:
// rise over the first accepted rise region, fall over the first accepted fall
// region; the amount unit is the chamber's.
RowRates RowRatesOf(const RateSeries& series, const AnalysisBlock& block, int32_t unit,
                    const RateSeries* blank, const ChamberOxygen& chamber);

}  // namespace corvala

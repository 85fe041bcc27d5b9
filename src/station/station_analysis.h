#pragma once
// The analysis operations on the shared station: each record is read and
// written under its own lock, the analysis itself works on copies.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/analysis_table.h"
#include "run/station.h"

namespace corvala {

// Recomputes the analysis of all three chambers: each record's series is copied
// under its lock, analysed, and the result stored back under the lock. The
// window redraws its view afterwards. Returns true.
bool RunAnalysis(Station& station, bool correctionOn, int32_t correctionTime);

// Switches the chamber's normalisation (see SwitchedNormOffset). Returns the
// new offset (0 for an index outside 0..2). The window resets its
// selected-range slope.
float ComputeNormOffset(Station& station, int chamber, bool correctionOn, int32_t correctionTime);

// Button "No": switches every selected chamber that is not running and has at
// least one sample. Returns which chambers were switched; the window then
// refills the three value lists and redraws the chart.
std::array<bool, 3> ToggleNormalisation(Station& station, const std::array<uint8_t, 3>& selected,
                                        bool correctionOn, int32_t correctionTime);

// The run of the blank chamber of options.rates for a row of `chamber` in
// `unit`: nothing when no blank is set, the blank is the row's own chamber, it
// holds no samples or its run is in the other unit.
std::optional<RateSeries> BlankSeries(Station& station, int chamber, int32_t unit,
                                      const AnalysisRowOptions& options);

// Adds at most one row for chamber 0..2 (see the AddAnalysisRow of a record):
// clears the chamber's hasRun, runs the analysis of all chambers, then takes
// the row from the chamber's record and normalisation offset, its rates
// corrected by the blank chamber's run (BlankSeries) unless options.blank
// holds one already.
AddRowOutcome AddAnalysisRow(AnalysisTable& table, Station& station, int chamber,
                             const std::string& name, const AnalysisRowOptions& options);

}  // namespace corvala

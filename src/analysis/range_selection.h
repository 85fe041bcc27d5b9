#pragma once
// The mouse on the measurement chart: which sample lies under a point, the mean
// slope of a range selected between two points, and the correction time under
// the marker being dragged.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/regression.h"
#include "run/chamber_record.h"
#include "util/units.h"

namespace corvala {

// The chart as the mouse sees it.
struct SelectionGeometry {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // chart rectangle, client pixels
  int32_t timeOffset = 0;                            // seconds
  int32_t maxTime = 450;                             // seconds
  int32_t scrollMinutes = 0;                         // time scroll bar position
  float fullScale = 300.0f;                          // pressure at the top edge, display unit
  int32_t sampleInterval = 5;                        // grid the time snaps to
  int32_t unit = 1;                                  // the shown unit
  FactorPair pair;  // converts runs in the other unit into it (DisplayPair)
};

struct SampleHit {
  int chamber = -1;
  int32_t position = -1;
};

// The sample of any chamber (I before II before III, earliest first) at the grid
// time under the point whose value, in the shown unit, lies less than 2 units
// from the point's value; where no sample is at the grid time, one within the
// interval after it (the samples after a gap in the time axis lie off the grid).
std::optional<SampleHit> HitSample(int32_t x, int32_t y, const SelectionGeometry& geometry,
                                   const std::array<const ChamberRecord*, 3>& chambers,
                                   const std::array<float, 3>& normOffset);

struct RangeSelection {
  float slope = -999999.875f;  // no slope
  int chamber = -1;
  int32_t start = -1, end = -1;
  // Least squares over the samples start..end (record positions), in the
  // run's own unit per second; only with a slope, and not when fewer than two
  // samples have a value.
  std::optional<RateFit> fit;
};

// The mean slope between the samples under two points of the same chamber's
// curve, in the run's own unit per second (the chart converts it whenever it
// shows it, so a later unit switch converts it too); no slope (and no range)
// when either point misses, the chambers differ or the range spans no time.
// With the slope comes the regression over the same samples.
RangeSelection RangeSlope(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          const SelectionGeometry& geometry,
                          const std::array<const ChamberRecord*, 3>& chambers,
                          const std::array<float, 3>& normOffset);

// The regression over the samples first..last of a record (record positions).
std::optional<RateFit> FitRecordRange(const ChamberRecord& record, int32_t first, int32_t last);

// The text of a selected range's regression in the shown unit (1 mbar, 2 mg/l;
// valueScale turns the run's unit into it): "slope ± SE unit/s, R² r, n k";
// without an error (two samples) "slope unit/s, n 2", without R² (values that
// do not vary) no R².
std::string RangeFitText(const RateFit& fit, double valueScale, int32_t shownUnit);

// The correction time under x while the marker is dragged; nothing when the
// point lies before the start of the time axis.
std::optional<int32_t> CorrectionTimeAt(int32_t x, const SelectionGeometry& geometry);

}  // namespace corvala

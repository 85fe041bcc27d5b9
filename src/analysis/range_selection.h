#pragma once
// The mouse on the measurement chart: which sample lies under a point, the mean
// slope of a range selected between two points, and the correction time under
// the marker being dragged.

#include <array>
#include <cstdint>
#include <optional>

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
};

// The mean slope between the samples under two points of the same chamber's
// curve, in the run's own unit per second (the chart converts it whenever it
// shows it, so a later unit switch converts it too); no slope (and no range)
// when either point misses, the chambers differ or the range spans no time.
RangeSelection RangeSlope(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          const SelectionGeometry& geometry,
                          const std::array<const ChamberRecord*, 3>& chambers,
                          const std::array<float, 3>& normOffset);

// The correction time under x while the marker is dragged; nothing when the
// point lies before the start of the time axis.
std::optional<int32_t> CorrectionTimeAt(int32_t x, const SelectionGeometry& geometry);

}  // namespace corvala

#include "analysis/range_selection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "util/c_format.h"

namespace corvala {
namespace {

int32_t WindowStart(const SelectionGeometry& g) {
  return g.timeOffset + 60 * g.scrollMinutes;
}
int32_t WindowEnd(const SelectionGeometry& g) {
  return g.maxTime + 60 * g.scrollMinutes;
}

double ValueScale(const SelectionGeometry& g, const ChamberRecord& record) {
  return PressureScale(record.runUnit, g.unit, g.pair.factor1, g.pair.factor2);
}

}  // namespace

std::optional<SampleHit> HitSample(int32_t x, int32_t y, const SelectionGeometry& g,
                                   const std::array<const ChamberRecord*, 3>& chambers,
                                   const std::array<float, 3>& normOffset) {
  const int32_t width = g.right - g.left;
  const int32_t height = g.bottom - g.top;
  // A chart without area has no value under any point.
  if (width <= 0 || height <= 0 || g.sampleInterval <= 0) return std::nullopt;
  const int64_t ts = WindowStart(g), te = WindowEnd(g);
  int64_t t = ts + ((te - ts) * (int64_t{x} - g.left)) / width;
  const float v =
      -g.fullScale * static_cast<float>(y - g.top - height) / static_cast<float>(height);
  t -= t % g.sampleInterval;
  // The samples at the grid time; where there are none, those within the
  // interval after it: after a gap in the time axis the samples lie off the grid.
  auto hit = [&](bool offGrid) -> std::optional<SampleHit> {
    for (int c = 0; c < 3; ++c) {
      const ChamberRecord* record = chambers[static_cast<size_t>(c)];
      if (record == nullptr) continue;
      const int32_t count = record->Samples();
      const double scale = ValueScale(g, *record);
      for (int32_t k = 0; k < count; ++k) {
        const int64_t e = record->series.Elapsed()[static_cast<size_t>(k)];
        if (offGrid ? e <= t || e >= t + g.sampleInterval : e != t) continue;
        // Taken whole toward zero, the distance must be at most 1; a pressure
        // that is no number, or lies far off, is under no point. The curve is
        // drawn in the shown unit, so the distance is measured there.
        const auto value = static_cast<float>((record->series.Pressure()[static_cast<size_t>(k)] -
                                               normOffset[static_cast<size_t>(c)]) *
                                              scale);
        const float d = value - v;
        if (std::fabs(std::trunc(d)) <= 1.0f) return SampleHit{c, k};
      }
    }
    return std::nullopt;
  };
  if (const auto onGrid = hit(false)) return onGrid;
  return hit(true);
}

RangeSelection RangeSlope(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          const SelectionGeometry& g,
                          const std::array<const ChamberRecord*, 3>& chambers,
                          const std::array<float, 3>& normOffset) {
  RangeSelection result;
  const auto a = HitSample(x1, y1, g, chambers, normOffset);
  const auto b = HitSample(x2, y2, g, chambers, normOffset);
  if (!a || !b || a->chamber != b->chamber) return result;
  const ChamberRecord& record = *chambers[static_cast<size_t>(a->chamber)];
  result.chamber = a->chamber;
  result.start = std::min(a->position, b->position);
  result.end = std::max(a->position, b->position);
  float sum = 0.0f;
  for (int32_t k = result.start; k < result.end; ++k)
    sum += record.series.Pressure()[static_cast<size_t>(k + 1)] -
           record.series.Pressure()[static_cast<size_t>(k)];
  const int32_t dt = std::abs(record.series.Elapsed()[static_cast<size_t>(result.end)] -
                              record.series.Elapsed()[static_cast<size_t>(result.start)]);
  if (dt != 0) {
    result.slope = sum / static_cast<float>(dt);
    result.fit = FitRecordRange(record, result.start, result.end);
  }
  return result;
}

std::optional<RateFit> FitRecordRange(const ChamberRecord& record, int32_t first, int32_t last) {
  first = std::max(first, 0);
  last = std::min(last, record.Samples() - 1);
  if (first > last) return std::nullopt;
  // Only the selected samples are copied: a selection is short beside a day's run.
  RateSeries slice;
  const auto from = static_cast<std::ptrdiff_t>(first);
  const auto to = static_cast<std::ptrdiff_t>(last) + 1;
  slice.elapsed.assign(record.series.Elapsed().begin() + from,
                       record.series.Elapsed().begin() + to);
  slice.values.assign(record.series.Pressure().begin() + from,
                      record.series.Pressure().begin() + to);
  std::optional<RateFit> fit = FitRate(slice, 0, last - first);
  if (fit) {
    fit->first += first;
    fit->last += first;
  }
  return fit;
}

std::string RangeFitText(const RateFit& fit, double valueScale, int32_t shownUnit) {
  const char* unit = shownUnit == 2 ? "mg/(l*s)" : "mbar/s";
  std::string text = Format("%.4g", fit.slope * valueScale);
  if (fit.standardError) text += Format(" ± %.2g", *fit.standardError * std::fabs(valueScale));
  text += Format(" %s", unit);
  if (fit.r2) text += Format(", R² %.4f", *fit.r2);
  return text + Format(", n %d", fit.n);
}

std::optional<int32_t> CorrectionTimeAt(int32_t x, const SelectionGeometry& g) {
  const int32_t xl = g.left + g.right / 25;
  const int32_t xr = g.right - g.right / 25;
  if (xr == xl) return std::nullopt;
  const float ts = static_cast<float>(WindowStart(g));
  const float te = static_cast<float>(WindowEnd(g));
  const float t = ts + (te - ts) * static_cast<float>(x - xl) / static_cast<float>(xr - xl);
  if (!(t >= 0.0f)) return std::nullopt;
  return TruncToInt32(t);
}

}  // namespace corvala

#include "analysis/row_rates.h"

namespace corvala {

RowRate RegionRowRate(const RateSeries& series, const std::vector<int32_t>& pairs, int32_t unit,
                      const RateSeries* blank, const OxygenSettings& oxygen) {
  RowRate rate;
  if (pairs.size() < 2) return rate;
  const std::optional<RateFit> fit = FitRate(series, pairs[0], pairs[1]);
  if (!fit) return rate;
  rate.slope = fit->slope;
  rate.standardError = fit->standardError;
  rate.r2 = fit->r2;
  const RateFigures figures = FiguresOf(*fit, blank, unit, oxygen);
  rate.correctedSlope = figures.correctedSlope;
  rate.micromolPerHour = figures.micromolPerHour;
  rate.micromolPerHourPerAmount = figures.micromolPerHourPerAmount;
  return rate;
}

RowRates RowRatesOf(const RateSeries& series, const AnalysisBlock& block, int32_t unit,
                    const RateSeries* blank, const ChamberOxygen& chamber) {
  RowRates rates;
  rates.rise = RegionRowRate(series, block.m_riseRange, unit, blank, chamber.oxygen);
  rates.fall = RegionRowRate(series, block.m_fallRange, unit, blank, chamber.oxygen);
  rates.amountUnit = chamber.amountUnit;
  return rates;
}

}  // namespace corvala

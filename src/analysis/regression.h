#pragma once
// Rates by ordinary least squares of a run's values over its elapsed seconds,
// in double precision, with the slope's standard error, R² and 95 % confidence
// interval; the most linear window of each light segment; blank correction and
// amounts of oxygen. Stands beside the single-precision analysis and changes
// none of its results.

#include <cstdint>
#include <optional>
#include <vector>

#include "run/chamber_record.h"

namespace corvala {

// The series a rate is computed from: values as stored, in the run's unit.
struct RateSeries {
  std::vector<int32_t> elapsed;
  std::vector<float> values;
  std::vector<float> temperature;  // °C, one per sample (may be empty)
  std::vector<uint8_t> light;
};

// Copies the series of a record (the caller holds the record's lock).
RateSeries RateSeriesOf(const ChamberRecord& record);

struct RateFit {
  int32_t n = 0;      // samples used (negative values are left out)
  int32_t first = 0;  // position of the first sample used
  int32_t last = 0;   // position of the last sample used
  double firstSeconds = 0.0;
  double lastSeconds = 0.0;
  double slope = 0.0;                   // run's unit per second
  std::optional<double> standardError;  // n >= 3
  std::optional<double> r2;             // n >= 3 and the values vary
  std::optional<double> ciLow;          // 95 %, n >= 3
  std::optional<double> ciHigh;
  std::optional<double> meanTemperature;  // °C over the samples used
  double SlopePerMinute() const { return slope * 60.0; }
  bool operator==(const RateFit&) const = default;
};

// The fit over positions first..last (both included). Nothing when fewer than
// two samples remain or their times do not vary.
std::optional<RateFit> FitRate(const RateSeries& series, int32_t first, int32_t last);

// The positions of the samples with firstSeconds <= elapsed <= lastSeconds,
// as first..last; nothing when no sample lies in the range.
std::optional<std::pair<int32_t, int32_t>> PositionsInTime(const RateSeries& series,
                                                           double firstSeconds, double lastSeconds);

// Window length for the most linear window of a segment with the given number
// of samples: a tenth of them, at least 10.
int32_t DefaultRateWindow(int32_t segmentSamples);

// Among the windows of `window` consecutive samples inside [begin, end), the
// one with the highest R², the earliest on ties. Nothing when the segment holds
// fewer than `window` samples or no window has an R².
std::optional<RateFit> MostLinearWindow(const RateSeries& series, int32_t begin, int32_t end,
                                        int32_t window);

// Regularized incomplete beta function I_x(a, b).
double RegularizedIncompleteBeta(double a, double b, double x);

// The p quantile of Student's t distribution with `dof` degrees of freedom
// (0 < p < 1, dof > 0).
double StudentTQuantile(double p, double dof);

// A rate corrected by the blank's rate over the same time window.
struct CorrectedRate {
  double slope = 0.0;
  std::optional<double> standardError;  // both errors known
};
CorrectedRate CorrectByBlank(const RateFit& sample, const RateFit& blank);

// Units of a run (as stored in the record): 1 = mbar, 2 = mg/l.
constexpr int32_t kRateUnitMbar = 1;
constexpr int32_t kRateUnitMgPerLitre = 2;

// µmol O2 per hour from a rate in the run's unit per second. volumeMl is the
// gas volume (mbar runs) or the water volume (mg/l runs); mbar runs need the
// chamber temperature in °C. Nothing for an unknown unit or a missing
// temperature.
std::optional<double> OxygenMicromolPerHour(double slopePerSecond, int32_t unit, double volumeMl,
                                            std::optional<double> temperatureC);

// A chamber's volume and the sample's amount, for rates as amounts of oxygen.
struct OxygenSettings {
  std::optional<double> volumeMl;  // gas (mbar runs) or water (mg/l runs)
  std::optional<double> amount;    // in a unit of the user's
  bool operator==(const OxygenSettings&) const = default;
};

// What follows from a fit: the blank's rate over the same time and the
// corrected rate (when a blank is given), and the rate, corrected when a blank
// is given, as µmol O2 per hour and per amount.
struct RateFigures {
  std::optional<double> blankSlope;
  std::optional<double> correctedSlope;
  std::optional<double> correctedStandardError;
  std::optional<double> micromolPerHour;
  std::optional<double> micromolPerHourPerAmount;
};
RateFigures FiguresOf(const RateFit& fit, const RateSeries* blank, int32_t unit,
                      const OxygenSettings& oxygen);

// What the rates are computed over in a run.
enum class RateKind { kRise, kFall, kAuto, kRange };
const char* RateKindName(RateKind kind);

struct RangeRate {
  RateKind kind = RateKind::kRise;
  int32_t index = 1;  // counts the ranges of a kind from 1
  int32_t first = 0;  // positions of the range, both included
  int32_t last = 0;
  std::optional<RateFit> fit;  // nothing when fewer than two samples are usable
};

// Samples with a non-negative value among positions first..last.
int32_t UsableSamples(const RateSeries& series, int32_t first, int32_t last);

// The fit of another run (the blank) over the elapsed-time window of `fit`.
std::optional<RateFit> FitOverSameTime(const RateSeries& other, const RateFit& fit);

// The rates of every accepted rise and fall region of an analysis, and the
// most linear window of each light segment (window <= 0: the default per
// segment), in this order.
std::vector<RangeRate> RatesOfAnalysis(const RateSeries& series, const AnalysisBlock& analysis,
                                       int32_t window);

}  // namespace corvala

#include "analysis/regression.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvala {

namespace {

// Samples that enter a rate: like a rated pair of the analysis, a negative
// value (no reading) is left out; so is one that is not a finite number.
bool Usable(float value) {
  return value >= 0.0f && std::isfinite(value);
}

// Clamps first..last to the series; false when nothing is left.
bool ClampRange(const RateSeries& series, int32_t& first, int32_t& last) {
  const auto size = static_cast<int32_t>(std::min(series.elapsed.size(), series.values.size()));
  first = std::max(first, 0);
  last = std::min(last, size - 1);
  return first <= last;
}

// Continued fraction of the incomplete beta function (modified Lentz).
double BetaContinuedFraction(double a, double b, double x) {
  constexpr double kTiny = 1e-300;
  constexpr double kEps = 1e-16;
  const double qab = a + b;
  const double qap = a + 1.0;
  const double qam = a - 1.0;
  double c = 1.0;
  double d = 1.0 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1.0 / d;
  double h = d;
  for (int m = 1; m <= 10000; ++m) {
    const double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1.0) < kEps) break;
  }
  return h;
}

// Stirling's series of lgamma(x) without its leading terms, for x >= 20
// (the next term is below 1e-15 there).
double StirlingRest(double x) {
  const double x2 = x * x;
  return (1.0 / 12.0 - (1.0 / 360.0 - (1.0 / 1260.0 - 1.0 / (1680.0 * x2)) / x2) / x2) / x;
}

// lgamma(a + b) - lgamma(a) - lgamma(b). With one large argument the two large
// lgamma values cancel: their difference is taken from Stirling's series.
double LogInverseBeta(double a, double b) {
  const double big = std::max(a, b);
  const double small = std::min(a, b);
  if (big < 20.0) return std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b);
  const double ratio = (big - 0.5) * std::log1p(small / big) + small * std::log(big + small) -
                       small + StirlingRest(big + small) - StirlingRest(big);
  return ratio - std::lgamma(small);
}

// I_x(a, b) with y = 1 - x given separately, so that neither loses digits
// when it is small.
double IncompleteBeta(double a, double b, double x, double y) {
  if (x <= 0.0) return 0.0;
  if (y <= 0.0) return 1.0;
  const double logX = x > 0.5 ? std::log1p(-y) : std::log(x);
  const double logY = y > 0.5 ? std::log1p(-x) : std::log(y);
  const double logFront = LogInverseBeta(a, b) + a * logX + b * logY;
  const double front = std::exp(logFront);
  if (x < (a + 1.0) / (a + b + 2.0)) return front * BetaContinuedFraction(a, b, x) / a;
  return 1.0 - front * BetaContinuedFraction(b, a, y) / b;
}

// Probability that |T| > t for Student's t with dof degrees of freedom.
double TwoSidedTail(double t, double dof) {
  const double t2 = t * t;
  const double x = dof / (dof + t2);
  const double y = t2 / (dof + t2);
  // For small x the direct form is accurate; otherwise the complement in y.
  if (x < y) return IncompleteBeta(dof / 2.0, 0.5, x, y);
  return 1.0 - IncompleteBeta(0.5, dof / 2.0, y, x);
}

}  // namespace

RateSeries RateSeriesOf(const ChamberRecord& record) {
  RateSeries series;
  series.elapsed = record.series.Elapsed();
  series.values = record.series.Pressure();
  series.temperature = record.series.Temperature();
  series.light = record.series.Light();
  return series;
}

int32_t UsableSamples(const RateSeries& series, int32_t first, int32_t last) {
  if (!ClampRange(series, first, last)) return 0;
  int32_t n = 0;
  for (int32_t k = first; k <= last; ++k) n += Usable(series.values[k]) ? 1 : 0;
  return n;
}

std::optional<RateFit> FitRate(const RateSeries& series, int32_t first, int32_t last) {
  if (!ClampRange(series, first, last)) return std::nullopt;
  RateFit fit;
  double sumT = 0.0;
  double sumY = 0.0;
  for (int32_t k = first; k <= last; ++k) {
    if (!Usable(series.values[k])) continue;
    if (fit.n == 0) fit.first = k;
    fit.last = k;
    ++fit.n;
    sumT += series.elapsed[k];
    sumY += series.values[k];
  }
  if (fit.n < 2) return std::nullopt;
  // Two passes: the sums of squares are taken about the means, so that large
  // elapsed times and values lose no digits.
  const double meanT = sumT / fit.n;
  const double meanY = sumY / fit.n;
  double sxx = 0.0;
  double sxy = 0.0;
  double syy = 0.0;
  double sumTemperature = 0.0;
  const bool hasTemperature = series.temperature.size() > static_cast<size_t>(fit.last);
  for (int32_t k = fit.first; k <= fit.last; ++k) {
    if (!Usable(series.values[k])) continue;
    const double dt = series.elapsed[k] - meanT;
    const double dy = series.values[k] - meanY;
    sxx += dt * dt;
    sxy += dt * dy;
    syy += dy * dy;
    if (hasTemperature) sumTemperature += series.temperature[k];
  }
  if (sxx <= 0.0) return std::nullopt;
  fit.firstSeconds = series.elapsed[fit.first];
  fit.lastSeconds = series.elapsed[fit.last];
  fit.slope = sxy / sxx;
  if (hasTemperature) fit.meanTemperature = sumTemperature / fit.n;
  if (fit.n < 3) return fit;
  double residual = 0.0;
  for (int32_t k = fit.first; k <= fit.last; ++k) {
    if (!Usable(series.values[k])) continue;
    const double r = (series.values[k] - meanY) - fit.slope * (series.elapsed[k] - meanT);
    residual += r * r;
  }
  const double se = std::sqrt(residual / (fit.n - 2) / sxx);
  fit.standardError = se;
  if (syy > 0.0) fit.r2 = std::min(1.0, sxy * sxy / (sxx * syy));
  const double t = StudentTQuantile(0.975, fit.n - 2);
  fit.ciLow = fit.slope - t * se;
  fit.ciHigh = fit.slope + t * se;
  return fit;
}

std::optional<std::pair<int32_t, int32_t>> PositionsInTime(const RateSeries& series,
                                                           double firstSeconds,
                                                           double lastSeconds) {
  std::optional<std::pair<int32_t, int32_t>> range;
  const auto size = static_cast<int32_t>(std::min(series.elapsed.size(), series.values.size()));
  for (int32_t k = 0; k < size; ++k) {
    const double t = series.elapsed[k];
    if (t < firstSeconds || t > lastSeconds) continue;
    if (!range) range = std::pair{k, k};
    range->second = k;
  }
  return range;
}

int32_t DefaultRateWindow(int32_t segmentSamples) {
  return std::max(10, segmentSamples / 10);
}

std::optional<RateFit> MostLinearWindow(const RateSeries& series, int32_t begin, int32_t end,
                                        int32_t window) {
  const auto size = static_cast<int32_t>(std::min(series.elapsed.size(), series.values.size()));
  begin = std::max(begin, 0);
  end = std::min(end, size);
  if (window < 2 || end - begin < window) return std::nullopt;

  // Running sums over the usable samples of the window give every window's R²
  // in one pass. They are taken about a centre that moves with the window and
  // are recomputed whenever it moves (every `window` steps), so that sums of
  // squares far from the centre do not cancel the digits R² is chosen by.
  double centreT = 0.0, centreY = 0.0;
  double n = 0, st = 0, sy = 0, stt = 0, syy = 0, sty = 0;
  auto add = [&](int32_t k, double sign) {
    if (!Usable(series.values[k])) return;
    const double t = series.elapsed[k] - centreT;
    const double y = series.values[k] - centreY;
    n += sign;
    st += sign * t;
    sy += sign * y;
    stt += sign * t * t;
    syy += sign * y * y;
    sty += sign * t * y;
  };
  std::vector<double> approx(static_cast<size_t>(end - begin - window + 1), -1.0);
  double bestApprox = -1.0;
  for (int32_t s = begin; s + window <= end; ++s) {
    if ((s - begin) % window == 0) {
      centreT = series.elapsed[s];
      centreY = 0.0;
      for (int32_t k = s; k < s + window; ++k)
        if (Usable(series.values[k])) {
          centreY = series.values[k];
          break;
        }
      n = st = sy = stt = syy = sty = 0.0;
      for (int32_t k = s; k < s + window; ++k) add(k, 1.0);
    } else {
      add(s + window - 1, 1.0);
    }
    if (n >= 3) {
      const double sxx = stt - st * st / n;
      const double syyc = syy - sy * sy / n;
      const double sxy = sty - st * sy / n;
      if (sxx > 0.0 && syyc > 0.0) {
        const double r2 = sxy * sxy / (sxx * syyc);
        approx[s - begin] = r2;
        bestApprox = std::max(bestApprox, r2);
      }
    }
    add(s, -1.0);
  }
  if (bestApprox < 0.0) return std::nullopt;

  // R² that differ by less than the sums' rounding are ties: the earliest such
  // window is fitted exactly.
  constexpr double kTie = 1e-12;
  for (int32_t s = begin; s + window <= end; ++s) {
    if (approx[s - begin] < bestApprox - kTie) continue;
    std::optional<RateFit> fit = FitRate(series, s, s + window - 1);
    if (fit && fit->r2) return fit;
  }
  return std::nullopt;
}

double RegularizedIncompleteBeta(double a, double b, double x) {
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  return IncompleteBeta(a, b, x, 1.0 - x);
}

double StudentTQuantile(double p, double dof) {
  if (!(p > 0.0 && p < 1.0) || !(dof > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  if (p == 0.5) return 0.0;
  if (p < 0.5) return -StudentTQuantile(1.0 - p, dof);
  // Solve P(|T| > t) = 2 (1 - p) for t by bisection: the tail falls with t.
  const double tail = 2.0 * (1.0 - p);
  double low = 0.0;
  double high = 1.0;
  while (TwoSidedTail(high, dof) > tail && high < 1e300) high *= 2.0;
  for (int i = 0; i < 2000; ++i) {
    const double mid = low + (high - low) / 2.0;
    if (mid <= low || mid >= high) break;
    if (TwoSidedTail(mid, dof) > tail)
      low = mid;
    else
      high = mid;
  }
  return low + (high - low) / 2.0;
}

CorrectedRate CorrectByBlank(const RateFit& sample, const RateFit& blank) {
  CorrectedRate corrected;
  corrected.slope = sample.slope - blank.slope;
  if (sample.standardError && blank.standardError)
    corrected.standardError = std::sqrt(*sample.standardError * *sample.standardError +
                                        *blank.standardError * *blank.standardError);
  return corrected;
}

std::optional<RateFit> FitOverSameTime(const RateSeries& other, const RateFit& fit) {
  const auto range = PositionsInTime(other, fit.firstSeconds, fit.lastSeconds);
  if (!range) return std::nullopt;
  return FitRate(other, range->first, range->second);
}

std::optional<double> OxygenMicromolPerHour(double slopePerSecond, int32_t unit, double volumeMl,
                                            std::optional<double> temperatureC) {
  // Ideal gas: n = p V / (R T); mbar x ml = 1e-4 J, so µmol/h = slope x V x
  // 1e-4 x 1e6 x 3600 / (R T).
  constexpr double kGasConstant = 8.314462618;  // J / (mol K)
  constexpr double kKelvinAtZeroCelsius = 273.15;
  constexpr double kOxygenMolarMass = 31.998;  // g/mol: mg/l x ml = µg
  if (unit == kRateUnitMbar) {
    if (!temperatureC) return std::nullopt;
    return slopePerSecond * volumeMl * 360000.0 /
           (kGasConstant * (*temperatureC + kKelvinAtZeroCelsius));
  }
  if (unit == kRateUnitMgPerLitre) return slopePerSecond * volumeMl * 3600.0 / kOxygenMolarMass;
  return std::nullopt;
}

RateFigures FiguresOf(const RateFit& fit, const RateSeries* blank, int32_t unit,
                      const OxygenSettings& oxygen) {
  RateFigures figures;
  std::optional<double> slope = fit.slope;
  if (blank != nullptr) {
    // Without the blank's rate there is no corrected rate to turn into oxygen.
    slope.reset();
    if (const std::optional<RateFit> blankFit = FitOverSameTime(*blank, fit)) {
      const CorrectedRate corrected = CorrectByBlank(fit, *blankFit);
      figures.blankSlope = blankFit->slope;
      figures.correctedSlope = slope = corrected.slope;
      figures.correctedStandardError = corrected.standardError;
    }
  }
  if (slope && oxygen.volumeMl)
    figures.micromolPerHour =
        OxygenMicromolPerHour(*slope, unit, *oxygen.volumeMl, fit.meanTemperature);
  if (figures.micromolPerHour && oxygen.amount && *oxygen.amount != 0.0)
    figures.micromolPerHourPerAmount = *figures.micromolPerHour / *oxygen.amount;
  return figures;
}

const char* RateKindName(RateKind kind) {
  switch (kind) {
    case RateKind::kRise:
      return "rise";
    case RateKind::kFall:
      return "fall";
    case RateKind::kAuto:
      return "auto";
    case RateKind::kRange:
      return "range";
  }
  return "";
}

std::vector<RangeRate> RatesOfAnalysis(const RateSeries& series, const AnalysisBlock& analysis,
                                       int32_t window) {
  std::vector<RangeRate> rates;
  auto regions = [&](const std::vector<int32_t>& pairs, RateKind kind) {
    int32_t index = 0;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
      RangeRate rate;
      rate.kind = kind;
      rate.index = ++index;
      rate.first = pairs[i];
      rate.last = pairs[i + 1];
      rate.fit = FitRate(series, rate.first, rate.last);
      rates.push_back(rate);
    }
  };
  regions(analysis.m_riseRange, RateKind::kRise);
  regions(analysis.m_fallRange, RateKind::kFall);
  const std::vector<int32_t>& bounds = analysis.m_segmentBounds;
  int32_t index = 0;
  for (size_t i = 0; i + 1 < bounds.size(); ++i) {
    const int32_t samples = bounds[i + 1] - bounds[i];
    const int32_t w = window > 0 ? window : DefaultRateWindow(samples);
    std::optional<RateFit> fit = MostLinearWindow(series, bounds[i], bounds[i + 1], w);
    if (!fit) continue;
    RangeRate rate;
    rate.kind = RateKind::kAuto;
    rate.index = ++index;
    rate.first = fit->first;
    rate.last = fit->last;
    rate.fit = fit;
    rates.push_back(rate);
  }
  return rates;
}

}  // namespace corvala

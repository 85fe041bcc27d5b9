// Rates against values computed once with NumPy and SciPy
// (tests/data/rates/make_expected.py) from the measurement files beside them.

#include "analysis/regression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "analysis/run_analysis.h"
#include "rate_fixtures.h"

namespace corvala {
namespace {

using testing::ExpectValue;
using testing::ReadCsv;
using testing::ReadSeries;
using testing::Row;

TEST(Regression, RangesMatchNumPy) {
  const RateSeries blank = ReadSeries("blank.cv3");
  for (const Row& row : ReadCsv("expected_ranges.csv")) {
    const std::string what =
        row.at("file") + " " + row.at("range_first_s") + ":" + row.at("range_last_s");
    const RateSeries series = ReadSeries(row.at("file"));
    const auto positions = PositionsInTime(series, std::stod(row.at("range_first_s")),
                                           std::stod(row.at("range_last_s")));
    ASSERT_TRUE(positions.has_value()) << what;
    const std::optional<RateFit> fit = FitRate(series, positions->first, positions->second);
    ASSERT_TRUE(fit.has_value()) << what;
    EXPECT_EQ(fit->n, std::stoi(row.at("n"))) << what;
    ExpectValue(fit->firstSeconds, row.at("first_s"), what + " first_s");
    ExpectValue(fit->lastSeconds, row.at("last_s"), what + " last_s");
    ExpectValue(fit->slope, row.at("slope_per_s"), what + " slope");
    ExpectValue(fit->standardError, row.at("se_per_s"), what + " se");
    ExpectValue(fit->r2, row.at("r2"), what + " r2");
    ExpectValue(fit->ciLow, row.at("ci95_low_per_s"), what + " ci low");
    ExpectValue(fit->ciHigh, row.at("ci95_high_per_s"), what + " ci high");
    ExpectValue(fit->meanTemperature, row.at("mean_temperature_c"), what + " temperature");

    // 250 ml, amount 2.5; the unit follows the file.
    const int32_t unit = row.at("file") == "gap.cv3" || row.at("file") == "flat.cv3"
                             ? kRateUnitMgPerLitre
                             : kRateUnitMbar;
    const std::optional<double> umol =
        OxygenMicromolPerHour(fit->slope, unit, 250.0, fit->meanTemperature);
    ExpectValue(umol, row.at("umol_per_h"), what + " umol");
    ExpectValue(umol ? std::optional(*umol / 2.5) : std::nullopt, row.at("umol_per_h_per_amount"),
                what + " per amount");

    if (row.at("blank_slope_per_s").empty()) continue;
    const std::optional<RateFit> blankFit = FitOverSameTime(blank, *fit);
    ASSERT_TRUE(blankFit.has_value()) << what;
    ExpectValue(blankFit->slope, row.at("blank_slope_per_s"), what + " blank");
    const CorrectedRate corrected = CorrectByBlank(*fit, *blankFit);
    ExpectValue(corrected.slope, row.at("corrected_slope_per_s"), what + " corrected");
    ExpectValue(corrected.standardError, row.at("corrected_se_per_s"), what + " corrected se");
  }
}

TEST(Regression, MostLinearWindowsMatchATrialOfEveryWindow) {
  for (const Row& row : ReadCsv("expected_auto.csv")) {
    const std::string what =
        row.at("file") + " window " + row.at("window") + " segment " + row.at("segment");
    const RateSeries series = ReadSeries(row.at("file"));
    AnalysisInput input;
    input.elapsed = series.elapsed;
    input.pressure = series.values;
    input.light = series.light;
    input.count = static_cast<int32_t>(series.elapsed.size());
    const AnalysisBlock analysis = AnalyseChamber(input, false, 0);
    const std::vector<RangeRate> rates =
        RatesOfAnalysis(series, analysis, std::stoi(row.at("window")));
    const RangeRate* found = nullptr;
    for (const RangeRate& rate : rates)
      if (rate.kind == RateKind::kAuto && rate.index == std::stoi(row.at("segment"))) found = &rate;
    ASSERT_NE(found, nullptr) << what;
    ASSERT_TRUE(found->fit.has_value()) << what;
    ExpectValue(found->fit->firstSeconds, row.at("first_s"), what + " first_s");
    ExpectValue(found->fit->lastSeconds, row.at("last_s"), what + " last_s");
    ExpectValue(found->fit->slope, row.at("slope_per_s"), what + " slope");
    ExpectValue(found->fit->r2, row.at("r2"), what + " r2");
  }
}

TEST(Regression, StudentQuantileAndIncompleteBetaMatchSciPy) {
  for (const Row& row : ReadCsv("expected_t.csv")) {
    const double expected = std::stod(row.at("t"));
    EXPECT_NEAR(StudentTQuantile(std::stod(row.at("p")), std::stod(row.at("dof"))), expected,
                std::fabs(expected) * 1e-12)
        << "p " << row.at("p") << " dof " << row.at("dof");
  }
  for (const Row& row : ReadCsv("expected_beta.csv")) {
    const double expected = std::stod(row.at("i"));
    EXPECT_NEAR(RegularizedIncompleteBeta(std::stod(row.at("a")), std::stod(row.at("b")),
                                          std::stod(row.at("x"))),
                expected, expected * 1e-12)
        << row.at("a") << " " << row.at("b") << " " << row.at("x");
  }
}

// A line with a pattern that repeats every 7 samples: windows 7 apart are
// equally linear and the earliest must win, although the running sums round
// differently from window to window.
TEST(Regression, EquallyLinearWindowsGiveTheEarliest) {
  constexpr int kPeriod = 7;
  const int pattern[kPeriod] = {0, 3, -2, 5, 1, -4, 2};
  RateSeries series;
  for (int k = 0; k < 3000; ++k) {
    series.elapsed.push_back(100000 + 7 * k);
    series.values.push_back(
        static_cast<float>(300.0 + 0.125 * k + pattern[k % kPeriod] * 37.0 / 16384.0));
  }
  const std::optional<RateFit> fit = MostLinearWindow(series, 0, 3000, 12);
  ASSERT_TRUE(fit.has_value());
  EXPECT_LT(fit->first, kPeriod);
}

// A line as a file stores it (two decimals): nearly every window is as linear
// as the best, and the search must still stay linear in the samples (it took
// half a minute when every near-best window was fitted again).
// A straight line stored with two decimals makes many windows nearly equally
// linear; the search still finds one whole window (its speed is measured in
// bench/analysis_bench).
TEST(Regression, WindowSearchOnAStoredLineFindsAWholeWindow) {
  RateSeries series;
  for (int k = 0; k < 200000; ++k) {
    series.elapsed.push_back(5 * k);
    series.values.push_back(static_cast<float>(std::round((100.0 + 0.001 * k) * 100.0) / 100.0));
  }
  const std::optional<RateFit> fit = MostLinearWindow(series, 0, 200000, 20000);
  ASSERT_TRUE(fit.has_value());
  EXPECT_EQ(fit->n, 20000);
}

TEST(Regression, TooFewSamplesGiveNothing) {
  const RateSeries series = ReadSeries("negative.cv3");  // positions 11 and 12 are negative
  EXPECT_FALSE(FitRate(series, 11, 12).has_value());
  EXPECT_FALSE(FitRate(series, 10, 12).has_value());  // one usable sample
  EXPECT_EQ(UsableSamples(series, 10, 12), 1);
  EXPECT_FALSE(PositionsInTime(series, 1000, 2000).has_value());
  EXPECT_FALSE(MostLinearWindow(series, 0, 9, 10).has_value());  // segment shorter than W
  EXPECT_EQ(DefaultRateWindow(99), 10);
  EXPECT_EQ(DefaultRateWindow(250), 25);
}

// A value too large for a float reads as infinity: it is no reading either.
TEST(Regression, InfiniteValuesAreLeftOut) {
  RateSeries series;
  series.elapsed = {0, 5, 10, 15};
  series.values = {1.0f, std::numeric_limits<float>::infinity(), 2.0f, 2.5f};
  const std::optional<RateFit> fit = FitRate(series, 0, 3);
  ASSERT_TRUE(fit.has_value());
  EXPECT_EQ(fit->n, 3);
  EXPECT_TRUE(std::isfinite(fit->slope));
}

TEST(Regression, RiseAndFallRegionsAreFittedFromFirstToLastPosition) {
  const RateSeries series = ReadSeries("noisy.cv3");
  AnalysisBlock analysis;
  analysis.m_riseRange = {200, 260, 210, 230};
  analysis.m_fallRange = {20, 90};
  const std::vector<RangeRate> rates = RatesOfAnalysis(series, analysis, 0);
  ASSERT_EQ(rates.size(), 3u);
  EXPECT_EQ(rates[1].kind, RateKind::kRise);
  EXPECT_EQ(rates[1].index, 2);
  ASSERT_TRUE(rates[1].fit.has_value());
  EXPECT_EQ(rates[1].fit->n, 21);
  EXPECT_EQ(rates[2].kind, RateKind::kFall);
  ASSERT_TRUE(rates[2].fit.has_value());
  EXPECT_EQ(rates[2].fit->first, 20);
  EXPECT_EQ(rates[2].fit->last, 90);
}

}  // namespace
}  // namespace corvala

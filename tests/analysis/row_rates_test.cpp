// The regression rates of an analysis table row against the NumPy fixtures of
// tests/data/rates.

#include "analysis/row_rates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "analysis/analysis_table.h"
#include "rate_fixtures.h"

namespace corvala {
namespace {

using testing::ExpectValue;
using testing::ReadCsv;
using testing::ReadSeries;
using testing::Row;

Row Expected(const std::string& file, const std::string& first, const std::string& last) {
  for (const Row& row : ReadCsv("expected_ranges.csv"))
    if (row.at("file") == file && row.at("range_first_s") == first &&
        row.at("range_last_s") == last)
      return row;
  ADD_FAILURE() << file << " " << first << ":" << last;
  return {};
}

double Number(const Row& row, const std::string& key) {
  return std::stod(row.at(key));
}

// 250 ml and an amount of 2.5, as the fixtures were computed with.
ChamberOxygen Chamber() {
  return ChamberOxygen{OxygenSettings{250.0, 2.5}, "g FW"};
}

// noisy.cv3 samples every 5 s: the dark fall 0..495 s is positions 0..99, the
// rise 600..1200 s positions 120..240, the last fall 1500..1995 s 300..399.
AnalysisBlock NoisyRegions() {
  AnalysisBlock block;
  block.m_riseRange = {120, 240};
  block.m_fallRange = {0, 99, 300, 399};
  return block;
}

TEST(RowRates, RiseAndFirstFallMatchNumPyWithoutABlank) {
  const RowRates rates =
      RowRatesOf(ReadSeries("noisy.cv3"), NoisyRegions(), kRateUnitMbar, nullptr, Chamber());
  const Row rise = Expected("noisy.cv3", "600", "1200");
  ExpectValue(rates.rise.slope, rise.at("slope_per_s"), "rise slope");
  ExpectValue(rates.rise.standardError, rise.at("se_per_s"), "rise se");
  ExpectValue(rates.rise.r2, rise.at("r2"), "rise r2");
  ExpectValue(rates.rise.micromolPerHour, rise.at("umol_per_h"), "rise umol");
  ExpectValue(rates.rise.micromolPerHourPerAmount, rise.at("umol_per_h_per_amount"),
              "rise per amount");
  EXPECT_FALSE(rates.rise.correctedSlope.has_value());
  // The first fall region, not the last.
  const Row fall = Expected("noisy.cv3", "0", "495");
  ExpectValue(rates.fall.slope, fall.at("slope_per_s"), "fall slope");
  ExpectValue(rates.fall.standardError, fall.at("se_per_s"), "fall se");
  ExpectValue(rates.fall.micromolPerHour, fall.at("umol_per_h"), "fall umol");
  EXPECT_EQ(rates.amountUnit, "g FW");
}

TEST(RowRates, TheBlankIsSubtractedAndTheCorrectedRateGivesTheOxygen) {
  const RateSeries blank = ReadSeries("blank.cv3");
  const RowRates rates =
      RowRatesOf(ReadSeries("noisy.cv3"), NoisyRegions(), kRateUnitMbar, &blank, Chamber());
  for (const auto& [rate, row] : {std::pair{rates.rise, Expected("noisy.cv3", "600", "1200")},
                                  std::pair{rates.fall, Expected("noisy.cv3", "0", "495")}}) {
    const std::string what = row.at("range_first_s");
    ExpectValue(rate.slope, row.at("slope_per_s"), what + " slope");
    ExpectValue(rate.standardError, row.at("se_per_s"), what + " se");
    ExpectValue(rate.correctedSlope, row.at("corrected_slope_per_s"), what + " corrected");
    // µmol/h is proportional to the slope at the region's mean temperature.
    const double scale = Number(row, "corrected_slope_per_s") / Number(row, "slope_per_s");
    ASSERT_TRUE(rate.micromolPerHour.has_value()) << what;
    EXPECT_NEAR(*rate.micromolPerHour, Number(row, "umol_per_h") * scale,
                std::fabs(Number(row, "umol_per_h") * scale) * 1e-9)
        << what;
    ASSERT_TRUE(rate.micromolPerHourPerAmount.has_value()) << what;
    EXPECT_NEAR(*rate.micromolPerHourPerAmount, Number(row, "umol_per_h_per_amount") * scale,
                std::fabs(Number(row, "umol_per_h_per_amount") * scale) * 1e-9)
        << what;
  }
}

TEST(RowRates, MgPerLitreRunsAndMissingFiguresStayEmpty) {
  // gap.cv3 (mg/l): the whole run, positions 0..59, as the rise; no fall.
  AnalysisBlock block;
  block.m_riseRange = {0, 59};
  const RowRates gap =
      RowRatesOf(ReadSeries("gap.cv3"), block, kRateUnitMgPerLitre, nullptr, Chamber());
  const Row row = Expected("gap.cv3", "0", "690");
  ExpectValue(gap.rise.slope, row.at("slope_per_s"), "slope");
  ExpectValue(gap.rise.micromolPerHour, row.at("umol_per_h"), "umol");
  EXPECT_EQ(gap.fall, RowRate{});

  // Two samples (three.cv3 5..10 s): a slope without error or R²; no volume,
  // no oxygen.
  block.m_riseRange = {1, 2};
  const RowRates two =
      RowRatesOf(ReadSeries("three.cv3"), block, kRateUnitMbar, nullptr, ChamberOxygen{});
  ExpectValue(two.rise.slope, Expected("three.cv3", "5", "10").at("slope_per_s"), "two slope");
  EXPECT_FALSE(two.rise.standardError.has_value());
  EXPECT_FALSE(two.rise.r2.has_value());
  EXPECT_FALSE(two.rise.micromolPerHour.has_value());

  // A blank with no samples over the region: no corrected rate, and so no oxygen.
  RateSeries late = ReadSeries("blank.cv3");
  for (int32_t& t : late.elapsed) t += 100000;
  const RowRates uncovered =
      RowRatesOf(ReadSeries("noisy.cv3"), NoisyRegions(), kRateUnitMbar, &late, Chamber());
  EXPECT_TRUE(uncovered.rise.slope.has_value());
  EXPECT_FALSE(uncovered.rise.correctedSlope.has_value());
  EXPECT_FALSE(uncovered.rise.micromolPerHour.has_value());
}

TEST(RowRates, TheTableShowsTheRatesAfterItsElevenColumns) {
  AnalysisRow row;
  row.name = "a";
  row.respiration = -0.5f;
  row.rates.rise = RowRate{0.022008765912, 5.7295846695e-4, 0.925369389948,
                           0.023007098338, 799.55765275797, 319.82306110318};
  row.rates.fall.slope = -0.0199884312;
  row.rates.amountUnit = "g FW";
  const AnalysisListTexts fresh = FreshRowTexts(row, 1);
  EXPECT_EQ(fresh[4], "-0.5000 mbar/s");
  EXPECT_EQ(fresh[10], "---");
  EXPECT_EQ(fresh[11], "0.022009 mbar/s");
  EXPECT_EQ(fresh[12], "0.000573 mbar/s");
  EXPECT_EQ(fresh[13], "0.92537");
  EXPECT_EQ(fresh[14], "0.023007 mbar/s");
  EXPECT_EQ(fresh[15], "799.6 µmol/h");
  EXPECT_EQ(fresh[16], "319.8 µmol/(h·g FW)");
  EXPECT_EQ(fresh[17], "-0.019988 mbar/s");
  for (int c = 18; c < kAnalysisTableColumns; ++c) EXPECT_EQ(fresh[c], "") << c;
  // A loaded row: the eleven with three decimals, the rates alike; mg/l.
  const AnalysisListTexts loaded = LoadedRowTexts(row, 2);
  EXPECT_EQ(loaded[4], "-0.500 mg/(l*s)");
  EXPECT_EQ(loaded[11], "0.022009 mg/(l*s)");
  EXPECT_EQ(loaded[16], "319.8 µmol/(h·g FW)");
  // Without an amount unit the figure stands alone.
  row.rates.amountUnit.clear();
  EXPECT_EQ(FreshRowTexts(row, 1)[16], "319.8");
}

}  // namespace
}  // namespace corvala

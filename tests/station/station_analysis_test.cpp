// The analysis operations on the shared station: each chamber's record and
// normalisation offset read and written through the station.

#include "station/station_analysis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/curve_builder.h"

namespace corvala {
namespace {

TEST(StationAnalysisRow, RowTakesFirstResultsAndMeasuresMaximaFromTheBaseline) {
  Station station;
  AnalysisTable table;
  station.m_chamber[1].Access([](ChamberRecord& r) {
    r = testing::DayCurve();
    r.hasRun = 1;
  });
  const AddRowOutcome outcome = AddAnalysisRow(table, station, 1, "run", AnalysisRowOptions{});
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.rowAdded);
  EXPECT_TRUE(outcome.selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 1u);
  // Delays: light change after sample 3 (6 s), next minimum at sample 5 (10 s).
  // Maxima: plateau 24 above the lowest pressure 12.
  const float slope = 5.0f / 3.0f;
  AnalysisRow expected{"run", "03.04.2024", "09:05:07",     2, -1, slope, 4, 4,
                       12,    12,           -slope / -1.0f, 0};
  expected.rates = table.Row(0).rates;  // the regression rates: see below
  EXPECT_EQ(table.Row(0), expected);
  const AnalysisListTexts& texts = table.Texts(0);
  EXPECT_EQ(std::vector(texts.begin(), texts.begin() + kAnalysisListColumns),
            (std::vector<std::string>{"run", "03.04.2024", "09:05:07", "2", "-1.0000 mbar/s",
                                      "1.6667 mbar/s", "4 s", "12.000 mbar", "12.000 mbar", "1.667",
                                      "---"}));
  EXPECT_TRUE(table.Dirty());
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 0.0f);  // switched back off
  EXPECT_EQ(station.m_chamber[1].Snapshot().hasRun, 0);

  // An offset in force is the baseline; the texts follow the run's unit.
  station.m_chamber[1].Access([](ChamberRecord& r) { r.runUnit = 2; });
  station.m_run[1].m_normOffset = 20.0f;
  EXPECT_FALSE(AddAnalysisRow(table, station, 1, "x", AnalysisRowOptions{}).selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.Texts(1)[7], "4.000 mg/l");
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 20.0f);
}

// Chamber II's day curve with chamber I as the blank: a run drifting down by
// 0.1 per 2 s over the same time. (The curve's first fall region is a single
// pair, which gives no fit.)
TEST(StationAnalysisRow, RatesAreCorrectedByTheBlankChamberOfTheSameUnit) {
  Station station;
  station.m_chamber[1].Access([](ChamberRecord& r) { r = testing::DayCurve(); });
  station.m_chamber[0].Access([](ChamberRecord& r) {
    std::vector<float> drift;
    for (int k = 0; k < 16; ++k) drift.push_back(50.0f - 0.1f * static_cast<float>(k));
    r = testing::MakeCurve(drift, {}, 2);
  });
  AnalysisRowOptions options;
  options.rates.chambers[1].oxygen = OxygenSettings{250.0, 2.0};
  auto rowRates = [&] {
    AnalysisTable table;
    EXPECT_TRUE(AddAnalysisRow(table, station, 1, "run", options).rowAdded);
    return table.RowCount() == 1 ? table.Row(0).rates : RowRates{};
  };

  const RowRates plain = rowRates();
  ASSERT_TRUE(plain.rise.slope.has_value());
  EXPECT_FALSE(plain.rise.correctedSlope.has_value());
  EXPECT_TRUE(plain.rise.micromolPerHourPerAmount.has_value());

  options.rates.blankChamber = 0;
  const RowRates corrected = rowRates();
  ASSERT_TRUE(corrected.rise.correctedSlope.has_value());
  EXPECT_NEAR(*corrected.rise.correctedSlope, *plain.rise.slope + 0.05, 1e-6);
  ASSERT_TRUE(corrected.rise.micromolPerHour.has_value());
  EXPECT_NEAR(*corrected.rise.micromolPerHour / *plain.rise.micromolPerHour,
              *corrected.rise.correctedSlope / *plain.rise.slope, 1e-9);

  // The row's own chamber is no blank for it.
  options.rates.blankChamber = 1;
  EXPECT_EQ(rowRates(), plain);
  // Nor is a run in the other unit.
  options.rates.blankChamber = 0;
  station.m_chamber[0].Access([](ChamberRecord& r) { r.runUnit = 2; });
  EXPECT_EQ(rowRates(), plain);
}

TEST(StationAnalysisRow, IncompleteAnalysesAddNoRow) {
  Station station;
  AnalysisTable table;
  EXPECT_FALSE(AddAnalysisRow(table, station, 3, "x", AnalysisRowOptions{}).passed);
  EXPECT_FALSE(AddAnalysisRow(table, station, 0, "x", AnalysisRowOptions{}).passed);
  // A fall without an accepted rise: KphA 0.0, no Slope. It passes (the working
  // file is rewritten) but adds no row.
  station.m_chamber[2].Access([](ChamberRecord& r) {
    r = testing::MakeCurve({9, 12, 6, 5, 8, 9}, {0, 0, 0, 0, 0, 0});
  });
  const AddRowOutcome outcome = AddAnalysisRow(table, station, 2, "x", AnalysisRowOptions{});
  EXPECT_TRUE(outcome.passed);
  EXPECT_FALSE(outcome.rowAdded);
  EXPECT_EQ(table.RowCount(), 0u);
  EXPECT_FALSE(table.Dirty());
}

TEST(StationNormalisation, OffsetTogglesAndSkipsTheCorrectionTime) {
  Station station;
  for (auto& chamber : station.m_chamber)
    chamber.Access([](ChamberRecord& r) {
      r = testing::MakeCurve({9, 4, 7, 2.5f, 8}, {0, 0, 0, 0, 0}, 30);
    });
  EXPECT_EQ(ComputeNormOffset(station, 1, false, 0), 2.5f);
  EXPECT_EQ(ComputeNormOffset(station, 1, false, 0), 0.0f);
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 100), 8.0f);  // only the sample at 120 s
  ComputeNormOffset(station, 1, true, 100);
  // No sample after the correction time: no baseline, normalisation stays off.
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 1000), 0.0f);
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 0.0f);
  // "No" skips unselected, running and empty chambers.
  station.m_run[0].m_running = 1;
  station.m_chamber[2].Access([](ChamberRecord& r) { r = ChamberRecord{}; });
  EXPECT_EQ(ToggleNormalisation(station, {1, 1, 1}, false, 0),
            (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 2.5f);
}

}  // namespace
}  // namespace corvala

#include "analysis/run_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "curve_builder.h"

namespace corvala {
namespace {

using ::corvala::testing::DayCurve;
using ::corvala::testing::MakeCurve;
using V = std::vector<int32_t>;
using F = std::vector<float>;

// Every position the block holds lies inside the series.
void ExpectPositionsInside(const AnalysisBlock& b, int32_t count) {
  for (const auto* list :
       {&b.m_minPos, &b.m_maxPos, &b.m_segmentBounds, &b.m_riseSteepPos, &b.m_riseRange,
        &b.m_fallSteepPos, &b.m_fallRange, &b.m_plateauRange, &b.m_plateauPeakPos})
    for (int32_t pos : *list) {
      EXPECT_GE(pos, 0);
      EXPECT_LT(pos, count);
    }
}

TEST(RunAnalysis, DayCurveGivesSegmentsExtremesRatesPlateauAndKphA) {
  const AnalysisBlock b = AnalyseChamber(DayCurve(), false, 0);
  EXPECT_EQ(b.m_segmentBounds, (V{0, 3, 10, 15}));
  EXPECT_EQ(b.m_maxPos, (V{0, 0, 9, 9, 10, 10}));
  EXPECT_EQ(b.m_minPos, (V{2, 2, 5, 5, 14, 14}));
  // Rates are per second (interval 2); the steepest of two equal rates is the earlier.
  EXPECT_EQ(b.m_riseSteepPos, (V{7, 7}));
  EXPECT_EQ(b.m_riseSteepRate, (F{2.0f, 2.0f}));
  EXPECT_EQ(b.m_riseRange, (V{6, 8, 6, 8}));
  EXPECT_EQ(b.m_riseRate, (F{5.0f / 3.0f, 5.0f / 3.0f}));
  EXPECT_EQ(b.m_fallSteepPos, (V{1, 12, 12}));
  EXPECT_EQ(b.m_fallRange, (V{1, 1, 11, 13, 11, 13}));
  EXPECT_EQ(b.m_fallRate, (F{-1.0f, -4.0f / 3.0f, -4.0f / 3.0f}));
  // Rises and falls pair by list index; a fall without a rise gives 0.
  const float slope = 5.0f / 3.0f;
  EXPECT_EQ(b.m_kphA, (F{-slope / -1.0f, -slope / (-4.0f / 3.0f), 0.0f}));
  // Plateau [8, 11): 22 24 24; the latest highest sample is the peak, the
  // earliest of the equal sums of squares the level.
  EXPECT_EQ(b.m_plateauRange, (V{8, 11, 8, 11}));
  EXPECT_EQ(b.m_plateauPeakPos, (V{10, 10}));
  EXPECT_EQ(b.m_plateauPeak, (F{24, 24}));
  EXPECT_EQ(b.m_plateauLevel, (F{24, 24}));
}

TEST(RunAnalysis, SegmentEdgeCases) {
  // No light change: one segment whose last sample belongs to none.
  AnalysisBlock b = AnalyseChamber(MakeCurve({5, 4, 3, 9}, {0, 0, 0, 0}), false, 0);
  EXPECT_EQ(b.m_segmentBounds, (V{0, 3}));
  EXPECT_EQ(b.m_minPos, (V{2, 2}));
  EXPECT_EQ(b.m_maxPos, (V{0, 0}));

  // Light change at position 1: bounds 0, 0 and an empty first segment.
  b = AnalyseChamber(MakeCurve({5, 4, 3, 9}, {0, 1, 1, 1}), false, 0);
  EXPECT_EQ(b.m_segmentBounds, (V{0, 0, 3}));
  EXPECT_EQ(b.m_minPos, (V{2, 2}));

  // Samples of 0 or below give a minimum but no maximum.
  b = AnalyseChamber(MakeCurve({-1, 0, -3, 0, 4}, {0, 0, 0, 0, 0}), false, 0);
  EXPECT_EQ(b.m_minPos, (V{2, 2}));
  EXPECT_TRUE(b.m_maxPos.empty());

  // Equal extremes stretch the pair to the last equal sample.
  b = AnalyseChamber(MakeCurve({7, 2, 7, 2, 5}, {0, 0, 0, 0, 0}), false, 0);
  EXPECT_EQ(b.m_minPos, (V{1, 3}));
  EXPECT_EQ(b.m_maxPos, (V{0, 2}));

  // No samples: nothing at all.
  EXPECT_EQ(AnalyseChamber(ChamberRecord{}, false, 0), AnalysisBlock{});
}

TEST(RunAnalysis, CorrectionSkipsTheStartByTheRunsOwnInterval) {
  EXPECT_EQ(CorrectionIndex(8, 2), 4);
  EXPECT_EQ(CorrectionIndex(9, 2), 4);
  EXPECT_EQ(CorrectionIndex(8, 0), 0);
  EXPECT_EQ(CorrectionIndex(8, -3), 0);
  // Index 4 lies beyond segment 0 ([0, 3)), which adds nothing; later lists
  // are shorter by that segment.
  const AnalysisBlock b = AnalyseChamber(DayCurve(), true, 8);
  EXPECT_EQ(b.m_maxPos, (V{9, 9, 10, 10}));
  EXPECT_EQ(b.m_minPos, (V{5, 5, 14, 14}));
  EXPECT_EQ(b.m_fallRate, (F{-4.0f / 3.0f, -4.0f / 3.0f}));
  EXPECT_EQ(b.m_riseRate, (F{5.0f / 3.0f}));
  // With the correction off the same record is unchanged by the setting.
  EXPECT_EQ(AnalyseChamber(DayCurve(), false, 8), AnalyseChamber(DayCurve(), false, 0));
}

TEST(RunAnalysis, RiseInTheDarkGivesNoSlope) {
  // The minimum's window rises only while the light is off.
  const AnalysisBlock b =
      AnalyseChamber(MakeCurve({9, 5, 3, 8, 12, 10}, {0, 0, 0, 0, 0, 1}), false, 0);
  EXPECT_EQ(b.m_minPos, (V{2, 2, 4, 4}));
  EXPECT_TRUE(b.m_riseSteepPos.empty());
  EXPECT_TRUE(b.m_riseRate.empty());
  EXPECT_TRUE(b.m_plateauRange.empty());
}

TEST(RunAnalysis, PairsWithNegativePressureOrEqualTimesAreNotRated) {
  ChamberRecord r = MakeCurve({4, 2, 6, 30, 10, 40, 12}, {0, 0, 1, 1, 1, 1, 1});
  r.sampleElapsed[3] = r.sampleElapsed[2];  // (2, 3) has no time difference
  AnalysisBlock b = AnalyseChamber(r, false, 0);
  // The jump to 30 is not rated; the pair after it starts from 30 (-10 per s),
  // so the region does not reach sample 4.
  EXPECT_EQ(b.m_riseSteepRate, (F{4.0f, 4.0f}));
  EXPECT_EQ(b.m_riseSteepPos, (V{2, 2}));
  EXPECT_EQ(b.m_riseRange, (V{2, 2, 2, 2}));

  // Pairs touching the -1 are skipped; (3,4) = 1 is the steepest rise.
  b = AnalyseChamber(MakeCurve({4, 2, -1, 8, 9, 10, 10}, {0, 0, 1, 1, 1, 1, 1}), false, 0);
  EXPECT_EQ(b.m_riseSteepPos, (V{4, 4}));
  EXPECT_EQ(b.m_riseSteepRate, (F{1.0f, 1.0f}));
}

TEST(RunAnalysis, RegionsWithoutHalfTheSteepestRateStayInsideTheSeries) {
  // The only rise window falls throughout: its steepest rate is negative.
  AnalysisBlock b = AnalyseChamber(MakeCurve({10, 8, 7, 20, 15, 15}, {0, 0, 1, 1, 1, 1}), false, 0);
  EXPECT_EQ(b.m_riseSteepPos, (V{2}));
  EXPECT_EQ(b.m_riseRange, (V{2, 2}));
  EXPECT_EQ(b.m_riseRate, (F{-1.0f}));
  EXPECT_EQ(b.m_plateauRange, (V{2, 5}));
  EXPECT_EQ(b.m_plateauPeakPos, (V{3}));
  EXPECT_EQ(b.m_plateauLevel, (F{15}));
  EXPECT_EQ(b.m_kphA, (F{-0.5f}));
  ExpectPositionsInside(b, 6);

  // The only fall window rises throughout: its steepest fall is positive.
  b = AnalyseChamber(MakeCurve({10, 12, 13, 5, 8, 8}, {1, 1, 0, 0, 0, 0}), false, 0);
  EXPECT_EQ(b.m_fallSteepPos, (V{2}));
  EXPECT_EQ(b.m_fallRange, (V{2, 2}));
  EXPECT_EQ(b.m_fallRate, (F{1.0f}));
  EXPECT_EQ(b.m_riseRate, (F{2.0f}));
  EXPECT_EQ(b.m_kphA, (F{-2.0f}));
  EXPECT_EQ(b.m_plateauRange, (V{1, 2}));
  ExpectPositionsInside(b, 6);
}

TEST(RunAnalysis, ZeroRespirationGivesNoKphA) {
  // The fall window [1, 3) is flat: steepest and mean rate 0.
  const AnalysisBlock b =
      AnalyseChamber(MakeCurve({5, 9, 9, 9, 2, 6, 7}, {1, 1, 1, 1, 0, 0, 0}), false, 0);
  ASSERT_FALSE(b.m_fallRate.empty());
  EXPECT_EQ(b.m_fallRate[0], 0.0f);
  EXPECT_TRUE(b.m_kphA.empty());
}

TEST(RunAnalysis, RunAnalysisFillsEveryChamberAndClearsEmptyOnes) {
  Station station;
  station.m_chamber[0].Access([](ChamberRecord& r) { r = DayCurve(); });
  station.m_chamber[1].Access([](ChamberRecord& r) { r.analysis.m_kphA = {7.0f}; });
  EXPECT_TRUE(RunAnalysis(station, false, 0));
  EXPECT_EQ(station.m_chamber[0].Snapshot().analysis, AnalyseChamber(DayCurve(), false, 0));
  EXPECT_EQ(station.m_chamber[1].Snapshot().analysis, AnalysisBlock{});
}

TEST(RunAnalysis, HostileSeriesStayInsideTheirBounds) {
  // Counts larger than the series, extreme times, NaN and infinite pressures.
  ChamberRecord r =
      MakeCurve({1, 1e30f, NAN, INFINITY, 3, 0, 5, 9, 9}, {0, 1, 0, 1, 1, 0, 1, 1, 0});
  r.sampleElapsed[2] = INT32_MIN;
  r.sampleElapsed[3] = INT32_MAX;
  r.sampleCount = 1000;
  const AnalysisBlock b = AnalyseChamber(r, true, 3);
  ExpectPositionsInside(b, 9);
}

}  // namespace
}  // namespace corvala

#include "analysis/run_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "curve_builder.h"
#include "test_support/edit_sample.h"

namespace corvala {
namespace {

using testing::DayCurve;
using testing::MakeCurve;
using V = std::vector<int32_t>;
using F = std::vector<float>;

AnalysisBlock Analyse(const F& p, const std::vector<uint8_t>& light) {
  return AnalyseChamber(MakeCurve(p, light), false, 0);
}

void ExpectPositionsInside(const AnalysisBlock& b, int32_t count) {
  for (const V* list :
       {&b.m_minPos, &b.m_maxPos, &b.m_segmentBounds, &b.m_riseSteepPos, &b.m_riseRange,
        &b.m_fallSteepPos, &b.m_fallRange, &b.m_plateauRange, &b.m_plateauPeakPos})
    for (int32_t pos : *list) {
      EXPECT_GE(pos, 0);
      EXPECT_LT(pos, count);
    }
}

TEST(RunAnalysis, DayCurveGivesEveryResult) {
  const AnalysisBlock b = AnalyseChamber(DayCurve(), false, 0);
  EXPECT_EQ(b.m_segmentBounds, (V{0, 3, 10, 15}));
  EXPECT_EQ(b.m_maxPos, (V{0, 0, 9, 9, 10, 10}));
  EXPECT_EQ(b.m_minPos, (V{2, 2, 5, 5, 14, 14}));
  // Rates per second (interval 2); of the equal steepest rates the earlier wins.
  EXPECT_EQ(b.m_riseSteepPos, (V{7, 7}));
  EXPECT_EQ(b.m_riseSteepRate, (F{2, 2}));
  EXPECT_EQ(b.m_riseRange, (V{6, 8, 6, 8}));
  const float slope = 5.0f / 3.0f, fall = -4.0f / 3.0f;
  EXPECT_EQ(b.m_riseRate, (F{slope, slope}));
  EXPECT_EQ(b.m_fallSteepPos, (V{1, 12, 12}));
  EXPECT_EQ(b.m_fallRange, (V{1, 1, 11, 13, 11, 13}));
  EXPECT_EQ(b.m_fallRate, (F{-1, fall, fall}));
  // Paired by list index; the fall without a rise gives 0.
  EXPECT_EQ(b.m_kphA, (F{-slope / -1.0f, -slope / fall, 0}));
  // Plateau 22 24 24: the latest highest sample is the peak, the earliest of
  // the equal sums of squares the level.
  EXPECT_EQ(b.m_plateauRange, (V{8, 11, 8, 11}));
  EXPECT_EQ(b.m_plateauPeakPos, (V{10, 10}));
  EXPECT_EQ(b.m_plateauPeak, (F{24, 24}));
  EXPECT_EQ(b.m_plateauLevel, (F{24, 24}));

  // Correction index 8 s / 2 s = 4 lies beyond segment 0, which adds nothing.
  const AnalysisBlock c = AnalyseChamber(DayCurve(), true, 8);
  EXPECT_EQ(c.m_minPos, (V{5, 5, 14, 14}));
  EXPECT_EQ(c.m_fallRate, (F{fall, fall}));
  EXPECT_EQ(CorrectionIndex(8, 0), 0);
}

TEST(RunAnalysis, SegmentsAndExtremesAtTheEdges) {
  // No light change: one segment; the last sample belongs to none.
  AnalysisBlock b = Analyse({5, 4, 3, 9}, {0, 0, 0, 0});
  EXPECT_EQ(b.m_segmentBounds, (V{0, 3}));
  EXPECT_EQ(b.m_maxPos, (V{0, 0}));
  // Light change at position 1: bounds 0, 0, an empty first segment.
  b = Analyse({5, 4, 3, 9}, {0, 1, 1, 1});
  EXPECT_EQ(b.m_segmentBounds, (V{0, 0, 3}));
  EXPECT_EQ(b.m_minPos, (V{2, 2}));
  // Samples of 0 or below: a minimum but no maximum.
  EXPECT_TRUE(Analyse({-1, 0, -3, 0, 4}, {0, 0, 0, 0, 0}).m_maxPos.empty());
  // Equal extremes stretch to the last equal sample.
  EXPECT_EQ(Analyse({7, 2, 7, 2, 5}, {0, 0, 0, 0, 0}).m_minPos, (V{1, 3}));
}

TEST(RunAnalysis, WhichPairsAndRisesCount) {
  // The steepest rise lies in the dark: no Slope.
  EXPECT_TRUE(Analyse({9, 5, 3, 8, 12, 10}, {0, 0, 0, 0, 0, 1}).m_riseRate.empty());
  // A flat fall: Respiration 0 gives no KphA.
  AnalysisBlock b = Analyse({5, 9, 9, 9, 2, 6, 7}, {1, 1, 1, 1, 0, 0, 0});
  EXPECT_EQ(b.m_fallRate, (F{0}));
  EXPECT_TRUE(b.m_kphA.empty());
  // (2,3) has no time difference and is not rated; the next pair starts from
  // sample 3, so the region stops at sample 2.
  ChamberRecord r = MakeCurve({4, 2, 6, 30, 10, 40, 12}, {0, 0, 1, 1, 1, 1, 1});
  testing::EditSample(r, 3, [&](Sample& s) { s.elapsed = r.series.Elapsed()[2]; });
  b = AnalyseChamber(r, false, 0);
  EXPECT_EQ(b.m_riseSteepRate, (F{4, 4}));
  EXPECT_EQ(b.m_riseRange, (V{2, 2, 2, 2}));
}

TEST(RunAnalysis, RegionsWithoutHalfTheSteepestRateStayInsideTheSeries) {
  // The rise window only falls: the steepest pair is the whole region.
  AnalysisBlock b = Analyse({10, 8, 7, 20, 15, 15}, {0, 0, 1, 1, 1, 1});
  EXPECT_EQ(b.m_riseRange, (V{2, 2}));
  EXPECT_EQ(b.m_riseRate, (F{-1}));
  EXPECT_EQ(b.m_plateauRange, (V{2, 5}));
  ExpectPositionsInside(b, 6);
  // The fall window only rises.
  b = Analyse({10, 12, 13, 5, 8, 8}, {1, 1, 0, 0, 0, 0});
  EXPECT_EQ(b.m_fallRange, (V{2, 2}));
  EXPECT_EQ(b.m_fallRate, (F{1}));
  ExpectPositionsInside(b, 6);
  // Extreme times, NaN and infinite pressures.
  ChamberRecord r =
      MakeCurve({1, 1e30f, NAN, INFINITY, 3, 0, 5, 9, 9}, {0, 1, 0, 1, 1, 0, 1, 1, 0});
  testing::EditSample(r, 2, [](Sample& s) { s.elapsed = INT32_MIN; });
  testing::EditSample(r, 3, [](Sample& s) { s.elapsed = INT32_MAX; });
  ExpectPositionsInside(AnalyseChamber(r, true, 3), 9);
}

}  // namespace
}  // namespace corvala

#include "analysis/range_selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "curve_builder.h"

namespace corvala {
namespace {

// A 100 x 100 pixel chart over 0..100 s and 0..100 units: one pixel per second and unit.
SelectionGeometry Geometry() {
  return {.right = 100,
          .bottom = 100,
          .maxTime = 100,
          .fullScale = 100.0f,
          .sampleInterval = 10,
          .unit = kUnitMbar,
          .pair = {}};
}

ChamberRecord Curve(const std::vector<float>& pressure) {
  return testing::MakeCurve(pressure, {}, 10);
}

TEST(RangeSelection, PointsSnapToTheGridAndNeedTheCurveWithinTwoUnits) {
  const ChamberRecord one = Curve({50, 52, 54, 56, 58, 60});
  const ChamberRecord two = Curve({50, 40, 30, 20, 10, 0});
  const std::array<const ChamberRecord*, 3> chambers{&one, &two, nullptr};
  const std::array<float, 3> offsets{0, 0, 0};
  // x = 29 is 29 s: it snaps to 20 s, sample 2 (54 for chamber I); y = 46 is the value 54.
  auto hit = HitSample(29, 46, Geometry(), chambers, offsets);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->chamber, 0);
  EXPECT_EQ(hit->position, 2);
  EXPECT_FALSE(HitSample(29, 44, Geometry(), chambers, offsets));  // 2 units off
  // Where the curves cross (sample 0 at 50), the lower-numbered chamber wins.
  hit = HitSample(0, 50, Geometry(), chambers, offsets);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->chamber, 0);
  // An offset lowers the curve the point is compared with.
  hit = HitSample(20, 80, Geometry(), chambers, {10, 10, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->chamber, 1);
  EXPECT_EQ(hit->position, 2);
  SelectionGeometry flat = Geometry();
  flat.bottom = flat.top;
  EXPECT_FALSE(HitSample(20, 0, flat, chambers, offsets));
}

TEST(RangeSelection, AfterAGapInTheTimeAxisTheSamplesOffTheGridAreHit) {
  ChamberRecord gap = Curve({50, 50, 50, 50, 50});  // 0 .. 40 s
  for (int k = 3; k < 5; ++k)  // silent after 20 s: the next samples at 43 and 53 s
    gap.series.Replace(k, [&] {
      Sample s = gap.series.At(k);
      s.elapsed += 13;
      return s;
    }());
  const ChamberRecord grid = Curve({50, 50, 50, 50, 50});
  std::array<const ChamberRecord*, 3> chambers{&gap, nullptr, nullptr};
  // x = 45 snaps to 40 s: no sample there, the one at 43 s stands for it.
  auto hit = HitSample(45, 50, Geometry(), chambers, {0, 0, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->position, 3);
  EXPECT_FALSE(HitSample(35, 50, Geometry(), chambers, {0, 0, 0}));  // 30 .. 39 s: none
  // A sample on the grid comes first, whatever the chamber.
  chambers[1] = &grid;
  hit = HitSample(45, 50, Geometry(), chambers, {0, 0, 0});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->chamber, 1);
}

TEST(RangeSelection, APressureThatIsNoNumberOrLiesFarOffIsUnderNoPoint) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // -3e9: a damaged file's pressure far below any integer count of units.
  const ChamberRecord odd =
      Curve({nan, -1e30f, 1e30f, std::numeric_limits<float>::infinity(), -3e9f});
  const std::array<const ChamberRecord*, 3> chambers{&odd, nullptr, nullptr};
  for (int32_t x : {0, 10, 20, 30, 40})
    for (int32_t y : {0, 50, 100})
      EXPECT_FALSE(HitSample(x, y, Geometry(), chambers, {0, 0, 0})) << x << "," << y;
}

TEST(RangeSelection, SlopeIsTheSameInBothDirectionsAndNeedsTimeAndOneChamber) {
  const ChamberRecord one = Curve({50, 52, 54, 56, 58, 60});
  const ChamberRecord two = Curve({10, 12, 14, 16, 18, 20});
  const std::array<const ChamberRecord*, 3> chambers{&one, &two, nullptr};
  const std::array<float, 3> offsets{0, 0, 0};
  const RangeSelection forward = RangeSlope(10, 48, 40, 42, Geometry(), chambers, offsets);
  EXPECT_FLOAT_EQ(forward.slope, 0.2f);  // 6 units in 30 s
  EXPECT_EQ(forward.start, 1);
  EXPECT_EQ(forward.end, 4);
  const RangeSelection backward = RangeSlope(40, 42, 10, 48, Geometry(), chambers, offsets);
  EXPECT_EQ(backward.slope, forward.slope);
  EXPECT_EQ(backward.start, 1);
  // The same sample twice: the range is kept but there is no slope.
  const RangeSelection same = RangeSlope(10, 48, 10, 48, Geometry(), chambers, offsets);
  EXPECT_EQ(same.slope, -999999.875f);
  EXPECT_EQ(same.chamber, 0);
  // Two chambers' curves: nothing.
  const RangeSelection mixed = RangeSlope(10, 48, 40, 84, Geometry(), chambers, offsets);
  EXPECT_EQ(mixed.chamber, -1);
  EXPECT_EQ(mixed.slope, -999999.875f);
}

// t 10..40 s, values 53, 54, 57, 58: slope 90/500, residuals 0.2, -0.6, 0.6,
// -0.2, so SE = sqrt(0.8 / 2 / 500) and R² = 90² / (500 * 17).
TEST(RangeSelection, TheSelectedSamplesGetTheirRegression) {
  const ChamberRecord one = Curve({50, 53, 54, 57, 58, 60});
  const std::array<const ChamberRecord*, 3> chambers{&one, nullptr, nullptr};
  const std::array<float, 3> offsets{0, 0, 0};
  const RangeSelection range = RangeSlope(40, 42, 10, 47, Geometry(), chambers, offsets);
  ASSERT_TRUE(range.fit.has_value());
  EXPECT_EQ(range.fit->n, 4);
  EXPECT_EQ(range.fit->first, 1);
  EXPECT_EQ(range.fit->last, 4);
  EXPECT_DOUBLE_EQ(range.fit->slope, 0.18);
  ASSERT_TRUE(range.fit->standardError.has_value());
  EXPECT_DOUBLE_EQ(*range.fit->standardError, std::sqrt(0.0008));
  ASSERT_TRUE(range.fit->r2.has_value());
  EXPECT_DOUBLE_EQ(*range.fit->r2, 8100.0 / 8500.0);
  EXPECT_EQ(RangeFitText(*range.fit, 1.0, 1), "0.18 ± 0.028 mbar/s, R² 0.9529, n 4");
  // Shown in the other unit: slope and error scale alike.
  EXPECT_EQ(RangeFitText(*range.fit, -2.0, 2), "-0.36 ± 0.057 mg/(l*s), R² 0.9529, n 4");
  // Two samples: no error, no R².
  const RangeSelection two = RangeSlope(10, 47, 20, 46, Geometry(), chambers, offsets);
  ASSERT_TRUE(two.fit.has_value());
  EXPECT_EQ(RangeFitText(*two.fit, 1.0, 1), "0.1 mbar/s, n 2");
  // No slope, no regression.
  EXPECT_FALSE(RangeSlope(10, 47, 10, 47, Geometry(), chambers, offsets).fit.has_value());
}

TEST(RangeSelection, ARunInTheOtherUnitIsHitWhereItIsShown) {
  // mbar = mg/l x 20: the mbar run 1000, 1040, ... is drawn at 50, 52, ... mg/l.
  const ChamberRecord mbar = Curve({1000, 1040, 1080, 1120, 1160, 1200});
  SelectionGeometry g = Geometry();
  g.unit = kUnitMgl;
  g.pair = {20.0f, 1.0f};
  const RangeSelection range = RangeSlope(10, 48, 40, 42, g, {&mbar, nullptr, nullptr}, {0, 0, 0});
  EXPECT_EQ(range.end, 4);
  EXPECT_FLOAT_EQ(range.slope, 4.0f);  // the run's own: 120 mbar in 30 s
}

TEST(RangeSelection, MarkerTimeFollowsThePointerButNeverBelowZero) {
  SelectionGeometry g = Geometry();
  g.left = 100;
  g.right = 600;  // xl = 124, xr = 576
  EXPECT_EQ(CorrectionTimeAt(124, g), 0);
  EXPECT_EQ(CorrectionTimeAt(576, g), 100);
  EXPECT_EQ(CorrectionTimeAt(350, g), 50);
  EXPECT_FALSE(CorrectionTimeAt(100, g));
}

}  // namespace
}  // namespace corvala

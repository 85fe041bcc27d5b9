#include "util/units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvala {
namespace {

TEST(ConvertPressure, ConvertsWithThePairBothWaysAndLeavesTheSameUnitAlone) {
  // mbar = mg/l x 210 / 8.23
  EXPECT_NEAR(ConvertPressure(247.64, kUnitMbar, kUnitMgl, 210.0f, 8.23f), 9.7051, 1e-4);
  EXPECT_NEAR(ConvertPressure(9.71, kUnitMgl, kUnitMbar, 210.0f, 8.23f), 247.76, 1e-2);
  EXPECT_EQ(ConvertPressure(247.64, kUnitMbar, kUnitMbar, 210.0f, 8.23f), 247.64);
  EXPECT_EQ(ConvertPressure(9.71, kUnitMgl, kUnitMgl, 210.0f, 8.23f), 9.71);
  // A pair that cannot convert keeps values finite.
  EXPECT_EQ(PressureScale(kUnitMgl, kUnitMbar, 210.0f, 0.0f), 1.0);
  EXPECT_EQ(PressureScale(kUnitMbar, kUnitMgl, 0.0f, 8.23f), 1.0);
}

TEST(ConvertPressure, TheDisplayPairIsThePairInForceInMglAndTheConfiguredOneInMbar) {
  const FactorPair mgl = DisplayPair(kUnitMgl, 200.0f, 8.0f, 210.0f, 8.23f);
  EXPECT_EQ(mgl.factor1, 200.0f);
  EXPECT_EQ(mgl.factor2, 8.0f);
  const FactorPair mbar = DisplayPair(kUnitMbar, 1.0f, 1.0f, 210.0f, 8.23f);
  EXPECT_EQ(mbar.factor1, 210.0f);
  EXPECT_EQ(mbar.factor2, 8.23f);
}

TEST(ChartTopInWholeUnits, RoundsUpToAWholeShownValueAndNeverDrops) {
  EXPECT_EQ(ChartTopInWholeUnits(300, 210.0f, 8.23f), 307);  // 12 mg/l
  EXPECT_EQ(ChartTopInWholeUnits(307, 210.0f, 8.23f), 307);  // already there: stays
  EXPECT_EQ(ChartTopInWholeUnits(533, 210.0f, 8.23f), 536);  // 20.89 mg/l: 21, not 20
  EXPECT_EQ(ChartTopInWholeUnits(300, 1.0f, 1.0f), 300);     // mbar: as it is
  EXPECT_EQ(ChartTopInWholeUnits(300, 0.0f, 8.23f), 300);    // no pair: as it is
  for (int32_t top = 1; top < 3000; ++top) {
    const int32_t whole = ChartTopInWholeUnits(top, 210.0f, 8.23f);
    EXPECT_GE(whole, top);
    const double shown = MaxPressureDisplay(whole, 210.0f, 8.23f);
    EXPECT_NEAR(shown, std::round(shown), 0.04) << top;  // within one mbar above a whole mg/l
    EXPECT_EQ(ChartTopInWholeUnits(whole, 210.0f, 8.23f), whole) << top;
  }
}

}  // namespace
}  // namespace corvala

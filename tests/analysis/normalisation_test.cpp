#include "analysis/normalisation.h"

#include <gtest/gtest.h>

#include "curve_builder.h"

namespace corvala {
namespace {

TEST(Normalisation, SwitchingTakesTheLowestPressureFromTheCorrectionTimeOrTurnsOff) {
  const ChamberRecord record = testing::MakeCurve({9, 4, 7, 2.5f, 8}, {0, 0, 0, 0, 0}, 30);
  EXPECT_EQ(SwitchedNormOffset(0.0f, record, false, 0), 2.5f);
  EXPECT_EQ(SwitchedNormOffset(2.5f, record, false, 0), 0.0f);
  EXPECT_EQ(SwitchedNormOffset(0.0f, record, true, 100), 8.0f);  // only the sample at 120 s
  // No sample after the correction time: no baseline, normalisation stays off.
  EXPECT_EQ(SwitchedNormOffset(0.0f, record, true, 1000), 0.0f);
  EXPECT_EQ(SwitchedNormOffset(0.0f, ChamberRecord{}, false, 0), 0.0f);
}

}  // namespace
}  // namespace corvala

#include "analysis/normalisation.h"

#include <gtest/gtest.h>

#include "curve_builder.h"

namespace corvala {
namespace {

TEST(Normalisation, OffsetTogglesAndSkipsTheCorrectionTime) {
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

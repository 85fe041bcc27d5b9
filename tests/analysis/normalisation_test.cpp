#include "analysis/normalisation.h"
#include "chart/value_list.h"

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
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 1000), 999999.875f);
  // "No" skips unselected, running and empty chambers.
  station.m_running[0] = 1;
  station.m_chamber[2].Access([](ChamberRecord& r) { r = ChamberRecord{}; });
  EXPECT_EQ(ToggleNormalisation(station, {1, 1, 1}, false, 0),
            (std::array<bool, 3>{false, true, false}));
  EXPECT_EQ(station.m_normOffset[1].load(), 0.0f);
}

TEST(Normalisation, ValueListShowsPressureMinusOffset) {
  const auto rows = ValueListRows(testing::MakeCurve({1013.25f, 1000.5f}, {1, 0}, 3725), 1000, 1);
  EXPECT_EQ(rows[1][0] + rows[0][1] + rows[1][1], "01:02:0513.2 0.5");
  EXPECT_EQ(rows[0][2] + rows[1][2], "onoff");
  EXPECT_EQ(ValueListTexts(0, 1013.25f, 2, false)[1], "1013.25");
}

}  // namespace
}  // namespace corvala

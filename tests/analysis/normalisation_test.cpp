#include "analysis/normalisation.h"

#include <gtest/gtest.h>

#include "curve_builder.h"

namespace corvala {
namespace {

using ::corvala::testing::MakeCurve;

TEST(Normalisation, OffsetTogglesBetweenLowestPressureAndOff) {
  Station station;
  station.m_chamber[1].Access([](ChamberRecord& r) {
    r = MakeCurve({9, 4, 7, 2.5f, 8}, {0, 0, 0, 0, 0}, 30);
  });
  EXPECT_EQ(ComputeNormOffset(station, 1, false, 0), 2.5f);
  EXPECT_EQ(station.m_normOffset[1].load(), 2.5f);
  EXPECT_EQ(ComputeNormOffset(station, 1, false, 0), 0.0f);
  EXPECT_EQ(station.m_normOffset[1].load(), 0.0f);
  // The correction marker at 60 s leaves out the samples at 0 and 30 s only.
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 60), 2.5f);
  ComputeNormOffset(station, 1, true, 60);
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 100), 8.0f);
  ComputeNormOffset(station, 1, true, 100);
  // Every sample before the correction time: the search's start value.
  EXPECT_EQ(ComputeNormOffset(station, 1, true, 1000), 999999.875f);
  EXPECT_EQ(ComputeNormOffset(station, 3, false, 0), 0.0f);
}

TEST(Normalisation, ToggleSkipsUnselectedRunningAndEmptyChambers) {
  Station station;
  for (auto& chamber : station.m_chamber)
    chamber.Access([](ChamberRecord& r) { r = MakeCurve({5, 3}, {0, 0}); });
  station.m_chamber[2].Access([](ChamberRecord& r) { r = ChamberRecord{}; });
  station.m_running[1] = 1;
  const auto switched = ToggleNormalisation(station, {1, 1, 1}, false, 0);
  EXPECT_EQ(switched, (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(station.m_normOffset[0].load(), 3.0f);
  EXPECT_EQ(station.m_normOffset[1].load(), 0.0f);
  EXPECT_EQ(ToggleNormalisation(station, {0, 0, 0}, false, 0),
            (std::array<bool, 3>{false, false, false}));
}

TEST(Normalisation, ValueListShowsPressureMinusOffsetInTheDisplayUnit) {
  const ChamberRecord r = MakeCurve({1013.25f, 1000.5f}, {1, 0}, 3725);
  const auto mbar = ValueListRows(r, 1000.0f, 1);
  ASSERT_EQ(mbar.size(), 2u);
  EXPECT_EQ(mbar[0].time, "00:00:00");
  EXPECT_EQ(mbar[0].pressure, "13.2");
  EXPECT_EQ(mbar[0].light, "on");
  EXPECT_EQ(mbar[1].time, "01:02:05");
  EXPECT_EQ(mbar[1].pressure, " 0.5");
  EXPECT_EQ(mbar[1].light, "off");
  EXPECT_EQ(ValueListRows(r, 0.0f, 2)[0].pressure, "1013.25");
}

}  // namespace
}  // namespace corvala

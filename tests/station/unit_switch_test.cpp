#include "station/unit_switch.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(ApplyUnit, DeviceUnitSwitchTogglesAndKeepsTheChartTopInPlace) {
  UnitApplier applier;
  UnitState state;  // mbar, stored factors 210 and 8.23, chart top 300 mbar
  UnitSwitch change = applier.ApplyUnit(true, state, 210.0f, 8.23f);
  EXPECT_TRUE(change.applied);
  EXPECT_FALSE(change.pairToSend.has_value());  // the device switched itself
  EXPECT_EQ(state.unit, 2);
  EXPECT_FLOAT_EQ(state.effFactor1, 210.0f);
  EXPECT_FLOAT_EQ(state.effFactor2, 8.23f);
  // 300 mbar shows as 11.76 mg/l, so the top becomes 12 mg/l: 12 x 210 / 8.23
  // = 306.2 mbar, rounded up.
  EXPECT_EQ(state.maxPressure, 307);

  change = applier.ApplyUnit(true, state, 210.0f, 8.23f);
  EXPECT_EQ(state.unit, 1);
  EXPECT_EQ(state.unitName, "mbar");
  EXPECT_EQ(change.pairToSend, std::make_pair(1, 1));
  EXPECT_FLOAT_EQ(state.effFactor1, 1.0f);
  EXPECT_EQ(state.maxPressure, 307);  // a whole mbar already: back and forth does not creep
}

TEST(ApplyUnit, ASwitchNeverLowersTheChartTop) {
  // Truncating to a whole mg/l would cut 533 mbar (20.89 mg/l) down to 20 mg/l.
  for (int32_t top = 100; top <= 1000; ++top) {
    UnitApplier applier;
    UnitState state;
    state.maxPressure = top;
    applier.ApplyUnit(true, state, 210.0f, 8.23f);
    EXPECT_GE(state.maxPressure, top) << top;
  }
}

TEST(ApplyUnit, ConfirmationSendsThePairOnlyWhenSomethingChanged) {
  UnitApplier applier;
  UnitState state;
  EXPECT_TRUE(applier.ApplyUnit(false, state, 210.0f, 8.23f).applied);  // first factors differ
  EXPECT_EQ(state.maxPressure, 300);  // the pair in force is the same: the top stays
  EXPECT_FALSE(applier.ApplyUnit(false, state, 210.0f, 8.23f).applied);

  state.unit = 2;
  UnitSwitch change = applier.ApplyUnit(false, state, 210.0f, 8.23f);
  EXPECT_EQ(change.pairToSend, std::make_pair(823, 21000));

  // A pair the device cannot take leaves the factors in force as they were.
  change = applier.ApplyUnit(false, state, 20000.0f, 8.23f);
  EXPECT_FALSE(change.pairToSend.has_value());
  EXPECT_FLOAT_EQ(state.effFactor1, 210.0f);
  EXPECT_FLOAT_EQ(state.factor1, 20000.0f);  // the stored factor follows the typed one

  // A factor of 0 must not turn the chart top into infinity.
  const int32_t top = state.maxPressure;
  applier.ApplyUnit(false, state, 0.0f, 0.0f);
  applier.ApplyUnit(true, state, 0.0f, 0.0f);
  applier.ApplyUnit(true, state, 0.0f, 0.0f);
  EXPECT_GT(state.maxPressure, 0);
  EXPECT_LT(state.maxPressure, 10 * top);
}

TEST(SwitchUnit, WritesTheWholeConfigurationAndPostsThePair) {
  UnitApplier applier;
  SharedUnitConfig units;
  CommandMailboxes commands;
  StoredFactors stored;
  EXPECT_TRUE(SwitchUnit(applier, units, commands, stored, false, kUnitMgl, 210.0f, 8.23f).applied);
  EXPECT_EQ(units.Get(), (UnitConfig{kUnitMgl, 210.0f, 8.23f, 307}));
  EXPECT_TRUE(commands.m_pairCommand.Busy());
  // Without a unit chosen the unit in force stays. The chart converts with the
  // pair the device now has.
  EXPECT_TRUE(
      SwitchUnit(applier, units, commands, stored, false, std::nullopt, 100.0f, 5.0f).applied);
  EXPECT_EQ(units.Unit(), kUnitMgl);
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(500, 10000));
  EXPECT_FLOAT_EQ(units.Get().effFactor1, 100.0f);
  EXPECT_FLOAT_EQ(units.Get().effFactor2, 5.0f);
  EXPECT_FLOAT_EQ(stored.factor1, 100.0f);
  EXPECT_FLOAT_EQ(stored.factor2, 5.0f);
}

}  // namespace
}  // namespace corvala

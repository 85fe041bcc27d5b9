#include "station/unit_switch.h"

#include <cmath>

#include "device/command_encoder.h"

namespace corvala {
namespace {

// The pair the device converts with: mbar / factor1 x factor2 in hundredths.
constexpr double kPairScale = 100.0;

}  // namespace

std::optional<int32_t> PairValueOf(double factor) {
  if (!std::isfinite(factor)) return std::nullopt;
  // Rounded: truncating 8.23f x 100 (822.99994) would send 822.
  const double hundredths = std::round(factor * kPairScale);
  if (hundredths < 1.0 || hundredths > kMaxPairValue) return std::nullopt;
  return static_cast<int32_t>(hundredths);
}

std::optional<std::pair<int32_t, int32_t>> PairInForceOf(const UnitConfig& config) {
  if (config.unit != kUnitMgl) return std::make_pair(1, 1);
  const auto pair1 = PairValueOf(config.effFactor1);
  const auto pair2 = PairValueOf(config.effFactor2);
  if (!pair1 || !pair2) return std::nullopt;
  return std::make_pair(*pair2, *pair1);
}

UnitSwitch UnitApplier::ApplyUnit(bool toggle, UnitState& state, float factor1Entered,
                                  float factor2Entered) {
  if (!started_) {
    started_ = true;
    lastUnit_ = state.unit;
  }
  UnitSwitch result;
  const float effFactor1Before = state.effFactor1, effFactor2Before = state.effFactor2;
  if (toggle) {
    state.unit = state.unit == 1 ? 2 : 1;
  } else {
    if (state.unit == lastUnit_ && factor1Entered == lastFactor1_ && factor2Entered == lastFactor2_)
      return result;
    lastFactor1_ = factor1Entered;
    lastFactor2_ = factor2Entered;
  }

  if (state.unit == 1) {
    state.unitName = "mbar";
    result.pairToSend = std::make_pair(1, 1);
    state.effFactor1 = state.effFactor2 = 1.0f;
  } else if (toggle) {
    state.unitName = "mg/l";
    state.effFactor1 = state.factor1;
    state.effFactor2 = state.factor2;
  } else {
    state.unitName = "mg/l";
    // The device converts with the pair sent to it, so the chart does too. A
    // pair the device could not take leaves the pair in force unchanged.
    const auto pair1 = PairValueOf(factor1Entered);
    const auto pair2 = PairValueOf(factor2Entered);
    if (pair1 && pair2) {
      result.pairToSend = std::make_pair(*pair2, *pair1);
      state.effFactor1 = factor1Entered;
      state.effFactor2 = factor2Entered;
    }
  }
  state.factor1 = factor1Entered;
  state.factor2 = factor2Entered;
  // When the pair in force changes, the chart top becomes a whole number on the
  // new display scale, rounded up so that it never drops below what it covered;
  // otherwise it stays as it is. A factor of 0 would make it infinite; the top
  // then stays too.
  const bool pairChanged =
      state.effFactor1 != effFactor1Before || state.effFactor2 != effFactor2Before;
  if (pairChanged && state.effFactor1 != 0.0f && state.effFactor2 != 0.0f)
    state.maxPressure = ChartTopInWholeUnits(state.maxPressure, state.effFactor1, state.effFactor2);
  lastUnit_ = state.unit;
  result.applied = true;
  return result;
}

UnitSwitch SwitchUnit(UnitApplier& applier, SharedUnitConfig& units, CommandMailboxes& commands,
                      StoredFactors& stored, bool toggle, std::optional<int32_t> chosenUnit,
                      float factor1Entered, float factor2Entered) {
  UnitSwitch change;
  // The pair is set under the unit lock, before the new unit can be read: the
  // frame parser, which reads the unit first, then sees the pair on its way and
  // does not take the device's old unit for a mismatch.
  units.Update([&](UnitConfig& config) {
    UnitState state;
    state.unit = chosenUnit.value_or(config.unit);
    state.unitName = UnitName(state.unit);
    state.effFactor1 = config.effFactor1;
    state.effFactor2 = config.effFactor2;
    state.factor1 = stored.factor1;
    state.factor2 = stored.factor2;
    state.maxPressure = config.maxPressure;
    change = applier.ApplyUnit(toggle, state, factor1Entered, factor2Entered);
    if (change.pairToSend)
      commands.m_pairCommand.Set(change.pairToSend->first, change.pairToSend->second);
    config.unit = state.unit;
    if (!change.applied) return;
    config.effFactor1 = state.effFactor1;
    config.effFactor2 = state.effFactor2;
    config.maxPressure = state.maxPressure;
    stored.factor1 = state.factor1;
    stored.factor2 = state.factor2;
    if (const auto inForce = PairInForceOf(config))
      commands.m_pairCommand.SetInForce(inForce->first, inForce->second);
  });
  return change;
}

}  // namespace corvala

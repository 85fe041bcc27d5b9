#pragma once
// Switching the display unit between mbar and mg/l: the unit name, the factor
// pair in force, the pair sent to the device and the chart top that follows.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "device/device_state.h"
#include "util/units.h"

namespace corvala {

// A conversion factor as the pair block carries it, in hundredths: the factor
// rounded to 0.01 .. 423.00 (the count byte of the block bounds it). Nothing for
// a factor outside, NaN or infinite.
std::optional<int32_t> PairValueOf(double factor);

// The pair the device converts with for a unit configuration: (1, 1) in mbar,
// (factor2, factor1) in hundredths in mg/l; nothing when a factor cannot be sent.
std::optional<std::pair<int32_t, int32_t>> PairInForceOf(const UnitConfig& config);

// The unit state the switch reads and changes.
struct UnitState {
  int32_t unit = 1;  // 1 mbar, 2 mg/l
  std::string unitName = "mbar";
  float effFactor1 = 1.0f, effFactor2 = 1.0f;  // the factor pair in force
  float factor1 = 210.0f, factor2 = 8.23f;     // the stored factors
  int32_t maxPressure = 300;                   // chart top in mbar
};

// What a switch asks of the window and the device.
struct UnitSwitch {
  bool applied = false;  // false: nothing changed, nothing to redraw
  std::optional<std::pair<int32_t, int32_t>> pairToSend;
};

// Remembers the unit and factors last applied, so that a confirmation that
// changes nothing does nothing.
class UnitApplier {
 public:
  // toggle true: switch to the other unit (the device reported another one).
  // toggle false: take the unit and the factors typed in the configuration.
  UnitSwitch ApplyUnit(bool toggle, UnitState& state, float factor1Entered, float factor2Entered);

 private:
  bool started_ = false;
  int32_t lastUnit_ = 0;
  float lastFactor1_ = 0.0f, lastFactor2_ = 0.0f;
};

// The conversion factors stored in the settings (m_factor1, m_factor2).
struct StoredFactors {
  float factor1 = 210.0f;
  float factor2 = 8.23f;
};

// Switches the station's unit configuration in one step: the applier's rules
// run on a consistent snapshot, which is then written whole, and a pair to
// send goes to its mailbox, and the pair of the unit now in force becomes the
// one the greeting restores. `chosenUnit`, when given, is the unit picked in the
// configuration (toggle false). Returns the switch and the unit name in force.
UnitSwitch SwitchUnit(UnitApplier& applier, SharedUnitConfig& units, CommandMailboxes& commands,
                      StoredFactors& stored, bool toggle, std::optional<int32_t> chosenUnit,
                      float factor1Entered, float factor2Entered);

}  // namespace corvala

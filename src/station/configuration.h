#pragma once
// The configuration view's confirmation: the port, the unit and its factors,
// the calibration value, the set point and the signal switch become settings
// and device commands; a negative first factor is a service command instead.

#include <cstdint>
#include <optional>
#include <string>

#include "run/station.h"
#include "station/prompts.h"
#include "station/station_settings.h"
#include "station/unit_switch.h"

namespace corvala {

// What the configuration view's controls hold when it is confirmed.
struct ConfigurationEntries {
  int comPortIndex = 0;  // selection of the port combo box, -1 for none
  int unitIndex = 0;     // selection of the unit combo box, -1 for none
  std::string factor1Text = "210.00";
  std::string factor2Text = "8.23";
  std::string calibrationText = "210";
  bool comma = true;    // "replace point by comma"
  bool signal = false;  // "Signal"
};

// What the window does after a confirmation.
struct ConfirmOutcome {
  bool restartLink = false;   // the port changed: the serial link moves to it
  bool unitSwitched = false;  // the unit switch applied: lists and chart follow
  int32_t serviceCode = 0;    // the service command sent for a negative first factor, 0 for none
  // Entries the device cannot carry: refused with a notice; their fields show
  // the value in force again (FactorText, CalibrationText).
  bool factor1Refused = false;
  bool factor2Refused = false;
  bool calibrationRefused = false;
  // A unit other than the one in force, chosen while a chamber measures: refused
  // with a notice, the unit stays.
  bool unitRefused = false;
};

// A calibration value as typed: a whole number from 0 to 23499 (what the
// calibration block can carry), nothing for any other text.
std::optional<int32_t> CalibrationEntry(const std::string& text);
// A conversion factor as typed: a number from 0.01 to 423.00, nothing for any
// other text (empty, not a number, 0, negative, too large).
std::optional<float> FactorEntry(const std::string& text);

// The texts a factor field and the calibration field show for a value in force.
std::string FactorText(float factor);
std::string CalibrationText(int32_t value);

// The service command of a negative first factor (-1 .. -6), 0 for any other value.
int32_t ServiceCommandOf(int32_t code);

class StationConfiguration {
 public:
  // At start the stored factors count as entered.
  void Start(const DisplaySettings& display);
  // An entry the device cannot carry is refused with a notice naming the field
  // and its range; nothing is sent or stored for it, the rest goes on.
  ConfirmOutcome Confirm(const ConfigurationEntries& entries, Station& station,
                         DisplaySettings& display, Prompts& prompts);
  // The device reports the other unit. With no chamber measuring the display
  // follows it; while one measures, the unit stays and the device is sent the
  // pair in force again (applied false, pairToSend that pair).
  UnitSwitch FollowDeviceUnit(Station& station, DisplaySettings& display);

  float Factor1Entered() const { return factor1Entered_; }
  float Factor2Entered() const { return factor2Entered_; }

 private:
  UnitApplier applier_;
  float factor1Entered_ = 210.0f;
  float factor2Entered_ = 8.23f;
  int32_t lastTemperature_ = 0;  // the set point handed over by the last confirmation
};

}  // namespace corvala

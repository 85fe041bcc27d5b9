#include "station/configuration.h"

#include "device/command_encoder.h"
#include "util/c_format.h"

namespace corvala {

int32_t ServiceCommandOf(int32_t code) {
  switch (code) {
    case -1:
      return 92;
    case -2:
      return 93;
    case -3:
      return 94;
    case -4:
      return 90;
    case -5:
      return 91;
    case -6:
      return 95;
    default:
      return 0;
  }
}

void StationConfiguration::Start(const DisplaySettings& display) {
  factor1Entered_ = display.factors.factor1;
  factor2Entered_ = display.factors.factor2;
}

ConfirmOutcome StationConfiguration::Confirm(const ConfigurationEntries& entries, Station& station,
                                             DisplaySettings& display) {
  ConfirmOutcome outcome;
  CommandMailboxes& commands = station.m_link.commands;
  display.comma = entries.comma ? 1 : 0;
  const uint8_t oldBeep = display.beep;
  display.beep = entries.signal ? 1 : 0;
  // The set point goes to the device when it changed, and on the first confirmation.
  const int32_t temperature = station.m_settings.m_temperature;
  if (temperature != lastTemperature_) {
    lastTemperature_ = temperature;
    CommandSetPoint(commands, lastTemperature_);
  }
  if (display.beep != oldBeep) commands.m_beepCommand = display.beep ? 1 : 0;
  factor1Entered_ = static_cast<float>(ParseFloat(entries.factor1Text));
  factor2Entered_ = static_cast<float>(ParseFloat(entries.factor2Text));

  if (factor1Entered_ >= 0.0f) {
    // A combo box without a selection (a stored port or unit outside its list)
    // keeps the value in force rather than turning it into 0.
    const int32_t oldPort = display.comPort;
    if (entries.comPortIndex >= 0) display.comPort = entries.comPortIndex + 1;
    outcome.restartLink = display.comPort != oldPort;
    const int32_t calibration = ParseInt(entries.calibrationText);
    if (calibration != commands.m_calibrationValue) {
      commands.m_calibrationValue = calibration;
      commands.m_calibrationChanged = 1;
    }
    std::optional<int32_t> unit;
    if (entries.unitIndex >= 0) unit = entries.unitIndex + 1;
    const UnitSwitch change = SwitchUnit(applier_, station.m_units, commands, display.factors,
                                         false, unit, factor1Entered_, factor2Entered_);
    outcome.unitSwitched = change.applied;
    return outcome;
  }

  // A negative first factor is a service command for the device.
  const int32_t code = TruncToInt32(factor1Entered_);
  outcome.serviceCode = ServiceCommandOf(code);
  if (outcome.serviceCode == 0) return outcome;
  commands.m_serviceCommand = outcome.serviceCode;
  switch (code) {
    case -1:
    case -6:
      station.m_link.report.m_serviceArg = 1;
      break;
    case -2:
      station.m_link.report.m_serviceArg = 2;
      break;
    case -3:
      station.m_link.report.m_serviceArg = 3;
      break;
    case -4:
      display.demoMode = 1;
      break;
    case -5:
      display.demoMode = 0;
      break;
    default:
      break;
  }
  return outcome;
}

UnitSwitch StationConfiguration::FollowDeviceUnit(Station& station, DisplaySettings& display) {
  return SwitchUnit(applier_, station.m_units, station.m_link.commands, display.factors, true,
                    std::nullopt, factor1Entered_, factor2Entered_);
}

}  // namespace corvala

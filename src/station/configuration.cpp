#include "station/configuration.h"

#include <cmath>

#include "device/command_encoder.h"
#include "util/c_format.h"

namespace corvala {
namespace {

constexpr const char* kFactor1Field = "Conversion factor (mbar equal to)";
constexpr const char* kFactor2Field = "Conversion factor (mg/l)";
constexpr const char* kCalibrationField = "Calibration value";

std::string Refusal(const char* field, const std::string& text, const std::string& range) {
  return Format("%s \"%s\" is not taken: enter %s.", field, text.c_str(), range.c_str());
}

// The factors the pair block carries, in hundredths from 0.01 up.
std::string FactorRange() {
  return Format("a number from 0.01 to %.2f", kMaxPairValue / 100.0);
}

}  // namespace

std::optional<int32_t> CalibrationEntry(const std::string& text) {
  const auto value = ParseNumber(text);
  if (!value || !(*value >= 0.0) || *value > kMaxCalibrationValue || std::trunc(*value) != *value)
    return std::nullopt;
  return static_cast<int32_t>(*value);
}

std::optional<float> FactorEntry(const std::string& text) {
  const auto value = ParseNumber(text);
  if (!value || !PairValueOf(*value)) return std::nullopt;
  // Judged again as the float it is kept as, so the pair made from it agrees.
  const auto factor = static_cast<float>(*value);
  if (!PairValueOf(factor)) return std::nullopt;
  return factor;
}

std::string FactorText(float factor) {
  return Format("%3.2f", static_cast<double>(factor));
}

std::string CalibrationText(int32_t value) {
  return Format("%d", value);
}

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
                                             DisplaySettings& display, Prompts& prompts) {
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

  // A first factor of -1 .. -6 (told by its leading number, truncated) is a
  // service command; any other negative factor is an entry out of range.
  const double factor1Typed = ParseFloat(entries.factor1Text);
  const int32_t code = factor1Typed < 0.0 ? TruncToInt32(factor1Typed) : 0;
  if (ServiceCommandOf(code) == 0) {
    // A combo box without a selection (a stored port or unit outside its list)
    // keeps the value in force rather than turning it into 0.
    const int32_t oldPort = display.comPort;
    if (entries.comPortIndex >= 0) display.comPort = entries.comPortIndex + 1;
    outcome.restartLink = display.comPort != oldPort;

    const auto calibration = CalibrationEntry(entries.calibrationText);
    if (!calibration) {
      outcome.calibrationRefused = true;
      prompts.ShowNotice(Refusal(kCalibrationField, entries.calibrationText,
                                 Format("a whole number from 0 to %d", kMaxCalibrationValue)));
    } else if (*calibration != commands.m_calibrationValue) {
      commands.m_calibrationValue = *calibration;
      commands.m_calibrationChanged = 1;
    }

    // A factor the device cannot carry keeps the one in force.
    const auto factor1 = FactorEntry(entries.factor1Text);
    const auto factor2 = FactorEntry(entries.factor2Text);
    if (!factor1) {
      outcome.factor1Refused = true;
      prompts.ShowNotice(Refusal(kFactor1Field, entries.factor1Text, FactorRange()));
    }
    if (!factor2) {
      outcome.factor2Refused = true;
      prompts.ShowNotice(Refusal(kFactor2Field, entries.factor2Text, FactorRange()));
    }
    factor1Entered_ = factor1.value_or(display.factors.factor1);
    factor2Entered_ = factor2.value_or(display.factors.factor2);

    std::optional<int32_t> unit;
    if (entries.unitIndex >= 0) unit = entries.unitIndex + 1;
    // A run keeps the unit of its first sample, and so does the device.
    const int32_t unitInForce = station.m_units.Unit();
    if (unit && *unit != unitInForce && RunningMask(station) != 0) {
      outcome.unitRefused = true;
      prompts.ShowNotice(
          Format("The unit stays %s while a chamber measures.", UnitName(unitInForce).c_str()));
      unit = unitInForce;
    }
    const UnitSwitch change = SwitchUnit(applier_, station.m_units, commands, display.factors,
                                         false, unit, factor1Entered_, factor2Entered_);
    outcome.unitSwitched = change.applied;
    return outcome;
  }

  // A negative first factor is a service command for the device.
  outcome.serviceCode = ServiceCommandOf(code);
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
  if (RunningMask(station) != 0) {
    // A run keeps its unit: the device is given the pair in force again.
    UnitSwitch kept;
    PairMailbox& pair = station.m_link.commands.m_pairCommand;
    kept.pairToSend = pair.InForce();
    pair.Set(kept.pairToSend->first, kept.pairToSend->second);
    return kept;
  }
  return SwitchUnit(applier_, station.m_units, station.m_link.commands, display.factors, true,
                    std::nullopt, factor1Entered_, factor2Entered_);
}

}  // namespace corvala

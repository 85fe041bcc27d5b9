#include "station/station_settings.h"

#include "device/command_encoder.h"
#include "station/display_tick.h"

namespace corvala {

Settings CollectSettings(const Station& station, const DisplaySettings& display) {
  const UnitConfig units = station.m_units.Get();
  Settings s;
  s.m_temperature = station.m_settings.m_temperature;
  s.m_maxPressure = units.maxPressure;
  s.m_sampleInterval = station.m_settings.m_sampleInterval;
  s.m_maxTime = display.maxTime;
  s.m_calibrationValue = station.m_link.commands.m_calibrationValue;
  s.m_correctionTime = display.correctionTime;
  s.m_correctionOn = display.correctionOn;
  s.m_comma = display.comma;
  s.m_beep = display.beep;
  s.m_comPort = display.comPort;
  s.m_unit = units.unit;
  s.m_demoMode = display.demoMode;
  s.m_interpolation = station.m_settings.m_interpolation;
  s.m_factor1 = display.factors.factor1;
  s.m_factor2 = display.factors.factor2;
  return s;
}

void ApplySettings(const Settings& s, Station& station, DisplaySettings& display) {
  // Values the device cannot carry (set point, calibration value, factors) are
  // not applied: the defaults stay, as for a missing key. A unit the program
  // does not know is mbar, as every reader of a unit takes it.
  const Settings defaults;
  const bool setPointFits = s.m_temperature >= 0 && s.m_temperature <= kMaxSetPoint;
  station.m_settings.m_temperature = setPointFits ? s.m_temperature : defaults.m_temperature;
  // The interval steppers keep 1..99 s; outside it the link check would flip
  // between connected and lost.
  const bool intervalFits =
      s.m_sampleInterval >= kMinSampleInterval && s.m_sampleInterval <= kMaxSampleInterval;
  station.m_settings.m_sampleInterval =
      intervalFits ? s.m_sampleInterval : defaults.m_sampleInterval;
  station.m_settings.m_interpolation = s.m_interpolation;
  const bool calibrationFits =
      s.m_calibrationValue >= 0 && s.m_calibrationValue <= kMaxCalibrationValue;
  station.m_link.commands.m_calibrationValue =
      calibrationFits ? s.m_calibrationValue : defaults.m_calibrationValue;
  station.m_units.Update([&](UnitConfig& config) {
    config.unit = s.m_unit == kUnitMgl ? kUnitMgl : kUnitMbar;
    config.maxPressure = s.m_maxPressure;
  });
  display.maxTime = s.m_maxTime;
  display.correctionTime = s.m_correctionTime;
  display.correctionOn = s.m_correctionOn;
  display.comma = s.m_comma;
  display.beep = s.m_beep;
  display.comPort = s.m_comPort;
  display.demoMode = s.m_demoMode;
  display.factors.factor1 = PairValueOf(s.m_factor1) ? s.m_factor1 : defaults.m_factor1;
  display.factors.factor2 = PairValueOf(s.m_factor2) ? s.m_factor2 : defaults.m_factor2;
}

void EffectiveFactorsAtStart(Station& station, const DisplaySettings& display) {
  station.m_units.Update([&](UnitConfig& config) {
    if (config.unit == kUnitMgl) {
      config.effFactor1 = display.factors.factor1;
      config.effFactor2 = display.factors.factor2;
    } else {
      config.effFactor1 = config.effFactor2 = 1.0f;
    }
    // The greeting gives the device this pair, so it measures in the unit in
    // force from its first frame on.
    if (const auto inForce = PairInForceOf(config))
      station.m_link.commands.m_pairCommand.SetInForce(inForce->first, inForce->second);
  });
}

std::vector<ProgramStep> ProgramFromStoredRows(const std::vector<StoredProgramRow>& rows) {
  std::vector<ProgramStep> steps;
  steps.reserve(rows.size());
  for (const StoredProgramRow& row : rows) {
    ProgramStepInput input;
    input.hoursText = std::to_string(row.hours);
    input.minutesText = std::to_string(row.minutes);
    input.secondsText = std::to_string(row.seconds);
    input.light = row.light == 1;
    input.stop = row.stop == 1;
    input.chamberSelected = row.chamber;
    ValidStep step{};
    if (!ValidateProgramStep(input, step)) continue;
    steps.push_back(MakeProgramStep(step.hours, step.minutes, step.seconds, step.chamberMask,
                                    step.lightArgument));
  }
  return steps;
}

}  // namespace corvala

#pragma once
// The settings file's values and where they live while the program runs: the
// station holds what the worker threads read, DisplaySettings what only the
// window uses.

#include <cstdint>
#include <vector>

#include "files/settings_file.h"
#include "run/station.h"
#include "station/unit_switch.h"

namespace corvala {

struct DisplaySettings {
  int32_t maxTime = 450;  // chart time span in seconds (m_maxTime)
  int32_t correctionTime = 0;
  uint8_t correctionOn = 0;
  uint8_t comma = 1;
  uint8_t beep = 0;
  int32_t comPort = 1;
  int32_t demoMode = 0;
  StoredFactors factors;  // m_factor1, m_factor2
};

Settings CollectSettings(const Station& station, const DisplaySettings& display);
// Takes the values of the settings; a set point, calibration value or factor
// the device cannot carry keeps its default, a unit other than 2 is mbar. The
// effective factors are left to the unit configuration's start
// (EffectiveFactorsAtStart).
void ApplySettings(const Settings& settings, Station& station, DisplaySettings& display);
// The factor pair in force at start: 1 and 1 for mbar, the stored factors for mg/l.
void EffectiveFactorsAtStart(Station& station, const DisplaySettings& display);

// The steps the program editor makes of the stored rows, each checked as if it
// had been typed and inserted; rows the editor refuses are left out.
std::vector<ProgramStep> ProgramFromStoredRows(const std::vector<StoredProgramRow>& rows);

}  // namespace corvala

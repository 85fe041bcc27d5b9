#pragma once
// "Corvala.ini": the station's settings and measurement program, one
// "key=value" per line with CR LF line ends.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/measurement_program.h"
#include "util/key_value_text.h"
#include "util/result.h"

namespace corvala {

inline constexpr const char* kSettingsFileName = "Corvala.ini";

struct Settings {
  int32_t m_temperature = 25;
  int32_t m_maxPressure = 300;
  int32_t m_sampleInterval = 5;
  int32_t m_maxTime = 450;
  int32_t m_calibrationValue = 210;
  int32_t m_correctionTime = 0;
  uint8_t m_correctionOn = 0;
  uint8_t m_comma = 1;
  uint8_t m_beep = 0;
  int32_t m_comPort = 1;
  int32_t m_unit = 1;
  int32_t m_demoMode = 0;
  int32_t m_interpolation = 0;
  float m_factor1 = 210.0f;
  float m_factor2 = 8.23f;
  bool operator==(const Settings&) const = default;
};

// One stored program row as the reader finds it, before the editor validates it.
struct StoredProgramRow {
  int32_t index = 0;  // row number i of the file
  int32_t hours = 0, minutes = 0, seconds = 0;
  std::array<uint8_t, 3> chamber{0, 0, 0};
  uint8_t light = 0;
  uint8_t stop = 0;
};

// Reads the settings text. Keys absent take their defaults; the program rows
// that have any stored key come back in file order for the editor to insert.
struct SettingsReadResult {
  Settings settings;
  std::vector<StoredProgramRow> rows;
  int32_t announcedRows = -1;  // "AnzProg"
};
SettingsReadResult ParseSettings(std::string_view text);
// Reads the file; a missing or unreadable file gives every default and no rows.
SettingsReadResult ReadSettings(const std::string& path);

// The settings text with CR LF line ends, program rows numbered from 0000.
std::string FormatSettings(const Settings& settings, const std::vector<ProgramStep>& program);
// Writes the file whole.
Result WriteSettings(const std::string& path, const Settings& settings,
                     const std::vector<ProgramStep>& program);

}  // namespace corvala

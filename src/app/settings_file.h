#pragma once
// "Corvala.ini": the station's settings and measurement program, one
// "key=value" per line with CR LF line ends.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/measurement_program.h"

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

// The row number text: at least four digits with leading zeros ("0000", "0012", "10000").
std::string FormatRowNumber(int32_t n);

// A settings or measurement file opened for key lookup: whitespace-delimited
// tokens of at most 255 characters (longer ones are cut), scanned from the start.
class KeyValueText {
 public:
  explicit KeyValueText(std::string_view text);
  // The number after the last "=" of the first token that contains key, or -1.0.
  double LookupSetting(std::string_view key) const;
  // The number after the last "=" of token i (the text after its first character
  // when it has no "="), or -1.0 for i < 0.
  double ValueOf(int i) const;
  // Index of the first token containing key, or -1.
  int FindToken(std::string_view key) const;
  // Byte offset just behind token i in the text.
  size_t TokenEnd(int i) const { return tokens_[static_cast<size_t>(i)].end; }
  int TokenCount() const { return static_cast<int>(tokens_.size()); }
  const std::string& Token(int i) const { return tokens_[static_cast<size_t>(i)].text; }

 private:
  struct TokenAt {
    std::string text;
    size_t end;
  };
  std::vector<TokenAt> tokens_;
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
// Writes the file whole; false when it could not be written.
bool WriteSettings(const std::string& path, const Settings& settings,
                   const std::vector<ProgramStep>& program);

}  // namespace corvala

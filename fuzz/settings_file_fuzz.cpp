// "Corvala.ini" as the start reads it: the settings, and each stored program
// row through the editor into the program list.

#include "files/settings_file.h"
#include "fuzz_check.h"
#include "run/measurement_program.h"
#include "station/station_settings.h"

namespace corvala::fuzz {

void FuzzSettingsFile(const uint8_t* data, size_t size) {
  constexpr const char* kTarget = "settings_file";
  const SettingsReadResult read = ParseSettings(AsText(data, size));
  Check(read.rows.size() <= size, kTarget, "more rows than bytes");
  int32_t previous = -1;
  for (const StoredProgramRow& row : read.rows) {
    Check(row.index > previous && row.index < read.announcedRows, kTarget, "row order");
    previous = row.index;
  }
  // The rows go through the editor's checks into the program, as at start.
  const std::vector<ProgramStep> steps = ProgramFromStoredRows(read.rows);
  for (const ProgramStep& step : steps) (void)ProgramRowTexts(step);

  // The values go where the station keeps them; what the end of the session
  // writes reads back to the same file and program.
  auto roundTrip = [](const Settings& settings) {
    Station station;
    DisplaySettings display;
    ApplySettings(settings, station, display);
    Settings collected = CollectSettings(station, display);
    // The writer leaves out a port outside COM1..COM9; the file then means COM1.
    if (collected.m_comPort < 1 || collected.m_comPort > 9) collected.m_comPort = 1;
    return collected;
  };
  const std::string written = FormatSettings(roundTrip(read.settings), steps);
  const SettingsReadResult again = ParseSettings(written);
  Check(FormatSettings(roundTrip(again.settings), steps) == written, kTarget,
        "written settings do not read back equal");
  Check(again.rows.size() == steps.size(), kTarget, "program rows do not read back");
  for (size_t k = 0; k < steps.size() && k < again.rows.size(); ++k) {
    const StoredProgramRow& row = again.rows[k];
    const ProgramStep& step = steps[k];
    Check(row.hours == step.hours && row.minutes == step.minutes && row.seconds == step.seconds &&
              row.chamber[0] == step.chamber[0] && row.chamber[1] == step.chamber[1] &&
              row.chamber[2] == step.chamber[2] && row.light == step.light && row.stop == step.end,
          kTarget, "a program row does not read back equal");
  }
}

}  // namespace corvala::fuzz

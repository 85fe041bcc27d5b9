#include "files/settings_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

using testing::DataBytes;

// The settings and program of the golden file settings_long_program.ini: every
// value off its default, thirteen steps entered and the fourth deleted again.
Settings LongProgramSettings() {
  return {.m_temperature = 31,
          .m_maxPressure = 420,
          .m_sampleInterval = 10,
          .m_maxTime = 1800,
          .m_calibrationValue = 205,
          .m_correctionTime = 60,
          .m_correctionOn = 1,
          .m_comma = 0,
          .m_beep = 1,
          .m_comPort = 3,
          .m_unit = 2,
          .m_demoMode = 1,
          .m_interpolation = 1,
          .m_factor1 = 12.5f,
          .m_factor2 = 0.75f};
}

std::vector<ProgramStep> LongProgram() {
  MeasurementProgram program;
  for (int i = 0; i < 13; ++i)
    program.AppendProgramStep(i == 12 ? 150 : i * 3, (i * 7) % 60, (i * 13) % 60, 1 + i % 7,
                              i % 5 == 4 ? kStepEnd : (i % 2 == 0 ? kStepLightOn : kStepLightOff));
  program.RemoveProgramStep(3);  // later rows close up: the file numbers them from 0000 on
  return program.Steps();
}

TEST(SettingsFile, DefaultsAreWrittenByteForByte) {
  const testing::TempFolder folder;
  EXPECT_EQ(FormatSettings(Settings{}, {}), DataBytes("settings_defaults.ini"));
  EXPECT_EQ(ParseSettings(DataBytes("settings_defaults.ini")).settings, Settings{});
  // A missing file gives the same defaults back.
  const SettingsReadResult missing = ReadSettings(folder / "missing.ini");
  EXPECT_EQ(missing.settings, Settings{});
  EXPECT_TRUE(missing.rows.empty());
  EXPECT_FALSE(WriteSettings(folder / "no/Corvala.ini", Settings{}, {}).Ok());
}

TEST(SettingsFile, LongProgramIsWrittenByteForByteAndReadBack) {
  const testing::TempFolder folder;
  const std::vector<ProgramStep> program = LongProgram();
  ASSERT_EQ(program.size(), 12u);
  ASSERT_TRUE(WriteSettings(folder / "Corvala.ini", LongProgramSettings(), program).Ok());
  EXPECT_EQ(testing::FileBytes(folder / "Corvala.ini"), DataBytes("settings_long_program.ini"));

  // Read back and written again, the file comes out the same.
  const SettingsReadResult read = ReadSettings(folder / "Corvala.ini");
  EXPECT_EQ(read.settings, LongProgramSettings());
  EXPECT_EQ(read.announcedRows, 12);
  MeasurementProgram again;
  for (const StoredProgramRow& row : read.rows)
    again.AppendProgramStep(row.hours, row.minutes, row.seconds,
                            row.chamber[0] | row.chamber[1] << 1 | row.chamber[2] << 2,
                            row.stop ? kStepEnd : row.light);
  EXPECT_EQ(FormatSettings(read.settings, again.Steps()), DataBytes("settings_long_program.ini"));
}

TEST(SettingsFile, RowCountBoundsTheStoredRowsRead) {
  const std::string text = DataBytes("settings_three_rows.ini");
  const SettingsReadResult read = ParseSettings(text);
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[1].minutes, 5);
  EXPECT_EQ(read.rows[1].chamber, (std::array<uint8_t, 3>{0, 1, 1}));
  EXPECT_EQ(read.rows[2].hours, 150);
  EXPECT_EQ(read.rows[2].light, 1);  // as stored, although an end step switches no light
  EXPECT_EQ(read.rows[2].stop, 1);

  std::string two = text;
  two.replace(two.find("AnzProg=3"), 9, "AnzProg=2");
  EXPECT_EQ(ParseSettings(two).rows.size(), 2u);
  std::string none = text;
  none.replace(none.find("AnzProg=3"), 9, "");
  EXPECT_TRUE(ParseSettings(none).rows.empty());
}

TEST(SettingsFile, HostileValuesFollowTheReadingRules) {
  const auto start = std::chrono::steady_clock::now();
  const SettingsReadResult read = ParseSettings(DataBytes("settings_hostile.ini"));
  // A guard against a loop over two billion rows, not a speed figure.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  const Settings& s = read.settings;
  EXPECT_EQ(s.m_comPort, 12);            // taken unchanged; the writer leaves it out
  EXPECT_FLOAT_EQ(s.m_factor1, 210.0f);  // exactly -1 means "absent"
  EXPECT_FLOAT_EQ(s.m_factor2, -1.5f);
  EXPECT_EQ(s.m_beep, 0);          // only 1 switches it on
  EXPECT_EQ(s.m_correctionOn, 0);  // only 0 and 1 change it
  EXPECT_EQ(s.m_demoMode, 1);
  EXPECT_EQ(s.m_interpolation, 1);
  EXPECT_EQ(s.m_temperature, 25);    // -1 is "absent" too
  EXPECT_EQ(s.m_sampleInterval, 7);  // truncated
  EXPECT_EQ(s.m_maxPressure, 420);   // "MaxDruckwert" holds "MaxDruck" and comes first
  EXPECT_EQ(s.m_calibrationValue, 210);
  EXPECT_EQ(FormatSettings(s, {}).find("COM="), std::string::npos);

  // Keys match as substrings, so the keys of row 99999 also serve row 9999.
  EXPECT_EQ(read.announcedRows, 2000000000);
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0].index, 0);
  EXPECT_EQ(read.rows[0].hours, 1);
  EXPECT_EQ(read.rows[0].chamber, (std::array<uint8_t, 3>{1, 0, 0}));
  EXPECT_EQ(read.rows[1].index, 9999);
  EXPECT_EQ(read.rows[1].hours, 3);
  EXPECT_EQ(read.rows[2].index, 99999);
  EXPECT_EQ(read.rows[2].hours, 3);
  EXPECT_EQ(read.rows[2].minutes, 0);
  EXPECT_EQ(read.rows[2].chamber, (std::array<uint8_t, 3>{0, 1, 0}));

  // Keys that are absent keep their defaults.
  EXPECT_EQ(ParseSettings("Komma=0\r\n").settings, Settings{.m_comma = 0});
  // A factor beyond the float range reads as infinite, which no one takes.
  EXPECT_EQ(ParseSettings("UmreFaktor2=-1e39\r\n").settings.m_factor2,
            -std::numeric_limits<float>::infinity());
}

}  // namespace
}  // namespace corvala

// Every input that ever found a fault in a reader of outside input
// (tests/data/fuzz/<target>/), and the fixtures the fuzzing starts from, run
// through the fuzz targets with their property checks.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

using Target = void (*)(const uint8_t*, size_t);

std::string g_input;  // the file being run, for the failure's text

void RecordFailure(const char* target, const std::string& what) {
  ADD_FAILURE() << target << ": " << what << " (input " << g_input << ")";
}

// Runs the target on every file of tests/data/fuzz/<name>/ and on the named seeds.
int RunInputs(const std::string& name, Target target, const std::vector<std::string>& seeds) {
  fuzz::SetFailureHandler(RecordFailure);
  std::vector<std::string> paths;
  const fs::path found = testing::DataPath("fuzz/" + name);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(found, error))
    paths.push_back(entry.path().string());
  for (const std::string& seed : seeds) paths.push_back(testing::DataPath(seed));
  for (const std::string& path : paths) {
    g_input = path;
    const std::string bytes = testing::FileBytes(path);
    target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  fuzz::SetFailureHandler(nullptr);
  return static_cast<int>(paths.size());
}

TEST(FuzzRegression, DeviceLine) {
  EXPECT_GT(RunInputs("device_line", fuzz::FuzzDeviceLine, {"device_frames.txt"}), 0);
}

TEST(FuzzRegression, MeasurementFile) {
  EXPECT_GT(RunInputs("measurement_file", fuzz::FuzzMeasurementFile,
                      {"measurement.cv3", "measurement_cut.cv3", "measurement_hostile.cv3",
                       "measurement_lf.cv3", "short_rows.cv3"}),
            0);
}

TEST(FuzzRegression, RunJournal) {
  EXPECT_GT(RunInputs("run_journal", fuzz::FuzzRunJournal,
                      {"journal_cut.journal", "journal_damaged.journal"}),
            0);
}

TEST(FuzzRegression, AnalysisFile) {
  EXPECT_GT(
      RunInputs("analysis_file", fuzz::FuzzAnalysisFile, {"analysis.cva", "analysis_hostile.cva"}),
      0);
}

TEST(FuzzRegression, SettingsFile) {
  EXPECT_GT(RunInputs("settings_file", fuzz::FuzzSettingsFile,
                      {"settings_defaults.ini", "settings_hostile.ini", "settings_long_program.ini",
                       "settings_three_rows.ini"}),
            0);
}

TEST(FuzzRegression, CommandLine) {
  EXPECT_GT(RunInputs("command_line", fuzz::FuzzCommandLine, {"command_line.args"}), 0);
}

TEST(FuzzRegression, Workbook) {
#ifdef CORVALA_NO_WORKBOOKS
  GTEST_SKIP() << "built without the workbook writers";
#else
  EXPECT_GT(RunInputs("workbook", fuzz::FuzzWorkbook, {"workbook_sheets.txt"}), 0);
#endif
}

}  // namespace
}  // namespace corvala

// corvala3-analyze run as a program: its rows, exit codes and messages.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "curve_builder.h"
#include "files/measurement_file.h"

namespace corvala {
namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out;
};

ToolRun RunTool(const std::string& arguments) {
  ToolRun run;
  const std::string command = std::string(CORVALA_ANALYZE_TOOL) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) run.out += buffer;
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class AnalyzeTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / "corvala_analyze_tool";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    day_ = (dir_ / "day.cv3").string();
    flat_ = (dir_ / "flat.cv3").string();
    ASSERT_TRUE(WriteMeasurementFile(testing::DayCurve(), day_));
    ASSERT_TRUE(WriteMeasurementFile(testing::MakeCurve({5, 4, 3}, {0, 0, 0}), flat_));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  std::string day_, flat_;
};

TEST_F(AnalyzeTool, CsvRowsForCompleteAndIncompleteAnalyses) {
  const ToolRun run = RunTool("--csv --chamber 2 " + day_ + " " + flat_);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "name,date,time,chamber,respiration,slope,delay1,delay2,maximum_a,maximum_m,kpha\n"
            "day,03.04.2024,09:05:07,2,-1,1.66666663,4,4,12,12,1.66666663\n"
            "flat,03.04.2024,09:05:07,2,,,,,,,\n");
}

TEST_F(AnalyzeTool, CorrectionAndReadableOutput) {
  const ToolRun run = RunTool("--correction 8 " + day_);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("day\t03.04.2024\t09:05:07\t1\t-1.3333 mbar/s\t1.6667 mbar/s\t22 s\t"),
            std::string::npos)
      << run.out;
}

TEST_F(AnalyzeTool, ExitCodesForUnreadableFilesAndUsageErrors) {
  const ToolRun missing = RunTool((dir_ / "none.cv3").string() + " " + day_);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.out.find("none.cv3: cannot be opened"), std::string::npos) << missing.out;
  EXPECT_NE(missing.out.find("day\t"), std::string::npos);
  EXPECT_EQ(RunTool("").exitCode, 2);
  EXPECT_EQ(RunTool("--chamber 4 " + day_).exitCode, 2);
  EXPECT_EQ(RunTool("--correction x " + day_).exitCode, 2);
  EXPECT_EQ(RunTool("--bogus " + day_).exitCode, 2);
}

}  // namespace
}  // namespace corvala

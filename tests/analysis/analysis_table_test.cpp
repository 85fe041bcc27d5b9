#include "analysis/analysis_table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/run_analysis.h"
#include "curve_builder.h"
#include "files/analysis_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

using ::corvala::testing::DayCurve;
using ::corvala::testing::MakeCurve;

class AnalysisTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("corvala_table_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    options_.workingFile = (dir_ / "auswertung.tmp").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string WorkingFile() {
    std::string text;
    ReadWholeFile(options_.workingFile, text);
    return text;
  }

  std::filesystem::path dir_;
  AnalysisRowOptions options_;
  Station station_;
  AnalysisTable table_;
};

TEST_F(AnalysisTableTest, RowTakesFirstResultsAndMeasuresMaximaFromTheBaseline) {
  station_.m_chamber[1].Access([](ChamberRecord& r) {
    r = DayCurve();
    r.hasRun = 1;
  });
  const AddRowOutcome outcome = AddAnalysisRow(table_, station_, 1, "run", options_);
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.rowAdded);
  EXPECT_TRUE(outcome.selectionSlopeReset);
  ASSERT_EQ(table_.RowCount(), 1u);
  const AnalysisRow row = table_.Row(0);
  EXPECT_EQ(row.name, "run");
  EXPECT_EQ(row.date, "03.04.2024");
  EXPECT_EQ(row.time, "09:05:07");
  EXPECT_EQ(row.chamber, 2);
  EXPECT_EQ(row.respiration, -1.0f);
  EXPECT_EQ(row.slope, 5.0f / 3.0f);
  // Light change after sample 3 (6 s); the next minimum is sample 5 (10 s).
  EXPECT_EQ(row.delay1, 4);
  EXPECT_EQ(row.delay2, 4);
  // Plateau 24 above the run's lowest pressure 12.
  EXPECT_EQ(row.maximumA, 12.0f);
  EXPECT_EQ(row.maximumM, 12.0f);
  EXPECT_EQ(row.kphA, -(5.0f / 3.0f) / -1.0f);
  EXPECT_EQ(row.diagramGroup, 0);
  EXPECT_EQ(
      table_.m_listTexts[0],
      (AnalysisListTexts{"run", "03.04.2024", "09:05:07", "2", "-1.0000 mbar/s", "1.6667 mbar/s",
                         "4 s", "12.000 mbar", "12.000 mbar", "1.667", "---"}));
  EXPECT_EQ(table_.m_analysisDirty, 1);
  // The offset was switched on for the call only; hasRun is cleared.
  EXPECT_EQ(station_.m_normOffset[1].load(), 0.0f);
  EXPECT_EQ(station_.m_chamber[1].Snapshot().hasRun, 0);
  // The working file mirrors the table.
  EXPECT_EQ(WorkingFile(), FormatAnalysisFile(table_, 1));
  // The same chamber again: a second identical row.
  AddAnalysisRow(table_, station_, 1, "run", options_);
  ASSERT_EQ(table_.RowCount(), 2u);
  EXPECT_EQ(table_.Row(1), table_.Row(0));
}

TEST_F(AnalysisTableTest, AnExistingOffsetIsTheBaselineAndMgPerLitreTexts) {
  station_.m_chamber[0].Access([](ChamberRecord& r) {
    r = DayCurve();
    r.runUnit = 2;
  });
  station_.m_normOffset[0] = 20.0f;
  const AddRowOutcome outcome = AddAnalysisRow(table_, station_, 0, "x", options_);
  EXPECT_FALSE(outcome.selectionSlopeReset);
  ASSERT_EQ(table_.RowCount(), 1u);
  EXPECT_EQ(table_.Row(0).maximumA, 4.0f);
  EXPECT_EQ(station_.m_normOffset[0].load(), 20.0f);
  EXPECT_EQ(table_.m_listTexts[0][4], "-1.0000 mg/(l*s)");
  EXPECT_EQ(table_.m_listTexts[0][7], "4.000 mg/l");
}

TEST_F(AnalysisTableTest, CorrectionShiftsBaselineAndDelays) {
  station_.m_chamber[0].Access([](ChamberRecord& r) { r = DayCurve(); });
  options_.correctionOn = true;
  options_.correctionTime = 8;
  AddAnalysisRow(table_, station_, 0, "c", options_);
  ASSERT_EQ(table_.RowCount(), 1u);
  // Without segment 0 the first minimum pair after the light change is the
  // dark one at sample 14 (28 s).
  EXPECT_EQ(table_.Row(0).delay1, 22);
  EXPECT_EQ(table_.m_listTexts[0][6], "22 s");
  EXPECT_EQ(table_.Row(0).respiration, -4.0f / 3.0f);
}

TEST_F(AnalysisTableTest, IncompleteAnalysesAddNoRow) {
  EXPECT_FALSE(AddAnalysisRow(table_, station_, 3, "x", options_).passed);
  EXPECT_FALSE(AddAnalysisRow(table_, station_, -1, "x", options_).passed);
  // No KphA: nothing, and no working file.
  EXPECT_FALSE(AddAnalysisRow(table_, station_, 0, "x", options_).passed);
  EXPECT_FALSE(std::filesystem::exists(options_.workingFile));
  // A fall without an accepted rise: KphA 0.0 but no Slope; the working file is
  // still rewritten.
  station_.m_chamber[2].Access([](ChamberRecord& r) {
    r = MakeCurve({9, 12, 6, 5, 8, 9}, {0, 0, 0, 0, 0, 0});
  });
  const AddRowOutcome outcome = AddAnalysisRow(table_, station_, 2, "x", options_);
  EXPECT_TRUE(outcome.passed);
  EXPECT_FALSE(outcome.rowAdded);
  EXPECT_EQ(table_.RowCount(), 0u);
  EXPECT_EQ(table_.m_analysisDirty, 0);
  EXPECT_EQ(WorkingFile(), "0\r\n1\r\n");
}

TEST(AnalysisTableTexts, DelaysGroupsAndUnits) {
  EXPECT_EQ(DelayText(30, 30), "30 s");
  EXPECT_EQ(DelayText(30, 45), "30/45 s");
  EXPECT_EQ(DiagramGroupText(0), "---");
  EXPECT_EQ(DiagramGroupText(3), "3");
  AnalysisRow row;
  row.respiration = 0.125f;
  row.diagramGroup = 2;
  EXPECT_EQ(LoadedRowTexts(row, 2)[4], "0.125 mg/(l*s)");
  EXPECT_EQ(LoadedRowTexts(row, 1)[4], "0.125 mbar/s");
  EXPECT_EQ(FreshRowTexts(row, 1)[4], "0.1250 mbar/s");
  EXPECT_EQ(FreshRowTexts(row, 1)[10], "2");
  // A run without a run unit still gets its numbers.
  EXPECT_EQ(FreshRowTexts(row, 0)[4], "0.1250");
}

TEST(AnalysisTableTexts, DelaysOfARunWithoutLightChangeAreZero) {
  const AnalysisBlock block = AnalyseChamber(MakeCurve({9, 5, 3, 8}, {0, 0, 0, 0}), false, 0);
  EXPECT_EQ(FirstDelays(block, {0, 1, 2, 3}), (std::pair<int32_t, int32_t>{0, 0}));
  AnalysisBlock hostile;
  hostile.m_segmentBounds = {0, 1};
  hostile.m_minPos = {0, 0, 3, 99};
  EXPECT_EQ(FirstDelays(hostile, {0, 10, 20, 40}), (std::pair<int32_t, int32_t>{30, 0}));
}

}  // namespace
}  // namespace corvala

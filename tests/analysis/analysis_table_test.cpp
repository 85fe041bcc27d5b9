#include "analysis/analysis_table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "curve_builder.h"
#include "files/analysis_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

std::string WorkingFile(const AnalysisRowOptions& options) {
  std::string text;
  ReadWholeFile(options.workingFile, text);
  return text;
}

TEST(AnalysisTable, RowTakesFirstResultsAndMeasuresMaximaFromTheBaseline) {
  Station station;
  AnalysisTable table;
  AnalysisRowOptions options{false, 0, 1, std::filesystem::temp_directory_path() / "corvala_a.tmp"};
  station.m_chamber[1].Access([](ChamberRecord& r) {
    r = testing::DayCurve();
    r.hasRun = 1;
  });
  EXPECT_TRUE(AddAnalysisRow(table, station, 1, "run", options).selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 1u);
  // Delays: light change after sample 3 (6 s), next minimum at sample 5 (10 s).
  // Maxima: plateau 24 above the lowest pressure 12.
  const float slope = 5.0f / 3.0f;
  EXPECT_EQ(table.Row(0), (AnalysisRow{"run", "03.04.2024", "09:05:07", 2, -1, slope, 4, 4, 12, 12,
                                       -slope / -1.0f, 0}));
  EXPECT_EQ(
      table.m_listTexts[0],
      (AnalysisListTexts{"run", "03.04.2024", "09:05:07", "2", "-1.0000 mbar/s", "1.6667 mbar/s",
                         "4 s", "12.000 mbar", "12.000 mbar", "1.667", "---"}));
  EXPECT_EQ(table.m_analysisDirty, 1);
  EXPECT_EQ(station.m_normOffset[1].load(), 0.0f);
  EXPECT_EQ(station.m_chamber[1].Snapshot().hasRun, 0);
  EXPECT_EQ(WorkingFile(options), FormatAnalysisFile(table, 1));

  // An offset in force is the baseline; the texts follow the run's unit.
  station.m_chamber[1].Access([](ChamberRecord& r) { r.runUnit = 2; });
  station.m_normOffset[1] = 20.0f;
  EXPECT_FALSE(AddAnalysisRow(table, station, 1, "x", options).selectionSlopeReset);
  EXPECT_EQ(table.m_listTexts[1][7], "4.000 mg/l");
  EXPECT_EQ(station.m_normOffset[1].load(), 20.0f);
  std::filesystem::remove(options.workingFile);
}

TEST(AnalysisTable, IncompleteAnalysesAddNoRow) {
  Station station;
  AnalysisTable table;
  AnalysisRowOptions options{false, 0, 1, std::filesystem::temp_directory_path() / "corvala_b.tmp"};
  std::filesystem::remove(options.workingFile);
  EXPECT_FALSE(AddAnalysisRow(table, station, 3, "x", options).passed);
  EXPECT_FALSE(AddAnalysisRow(table, station, 0, "x", options).passed);
  EXPECT_FALSE(std::filesystem::exists(options.workingFile));
  // A fall without an accepted rise: KphA 0.0, no Slope; the file is rewritten.
  station.m_chamber[2].Access([](ChamberRecord& r) {
    r = testing::MakeCurve({9, 12, 6, 5, 8, 9}, {0, 0, 0, 0, 0, 0});
  });
  const AddRowOutcome outcome = AddAnalysisRow(table, station, 2, "x", options);
  EXPECT_TRUE(outcome.passed && !outcome.rowAdded);
  EXPECT_EQ(table.m_analysisDirty, 0);
  EXPECT_EQ(WorkingFile(options), "0\r\n1\r\n");
  std::filesystem::remove(options.workingFile);
  // Delays: 0 where the minimum entry is missing or outside the series.
  AnalysisBlock block;
  block.m_segmentBounds = {0, 1};
  block.m_minPos = {0, 0, 3, 99};
  EXPECT_EQ(FirstDelays(block, {0, 10, 20, 40}), (std::pair<int32_t, int32_t>{30, 0}));
}

}  // namespace
}  // namespace corvala

namespace corvala {
namespace {

AnalysisTable TableOfRows(int rows) {
  AnalysisTable table;
  for (int i = 0; i < rows; ++i) {
    AnalysisRow row;
    row.name = "r" + std::to_string(i);
    table.Append(row, FreshRowTexts(row, 1));
  }
  return table;
}

TEST(AnalysisTable, ClicksCycleDiagramGroupsAndDeletesCloseUp) {
  AnalysisTable one = TableOfRows(1);
  std::vector<int32_t> groups;
  for (int click = 0; click < 3; ++click) {
    one.CycleDiagramGroup(0);
    groups.push_back(one.m_rowDiagramGroup[0]);
  }
  EXPECT_EQ(groups, (std::vector<int32_t>{1, 0, 1}));
  EXPECT_EQ(one.m_listTexts[0][10], "1");

  AnalysisTable two = TableOfRows(2);
  two.CycleDiagramGroup(1);  // the second row is in group 1
  groups.clear();
  for (int click = 0; click < 3; ++click) {
    two.CycleDiagramGroup(0);
    groups.push_back(two.m_rowDiagramGroup[0]);
  }
  EXPECT_EQ(groups, (std::vector<int32_t>{1, 2, 0}));
  EXPECT_EQ(two.m_diagramGroupMax, 1);
  EXPECT_EQ(two.m_listTexts[0][10], "---");
  EXPECT_FALSE(two.CycleDiagramGroup(2));

  // Deleting the only row of group 2 lowers the highest group to 1.
  two.CycleDiagramGroup(0);
  two.CycleDiagramGroup(0);
  ASSERT_EQ(two.m_diagramGroupMax, 2);
  EXPECT_TRUE(two.DeleteRow(0));
  EXPECT_EQ(two.RowCount(), 1u);
  EXPECT_EQ(two.m_rowName[0], "r1");
  EXPECT_EQ(two.m_listTexts.size(), 1u);
  EXPECT_EQ(two.m_diagramGroupMax, 1);
  EXPECT_EQ(two.m_analysisDirty, 1);
  EXPECT_FALSE(two.DeleteRow(5));
}

}  // namespace
}  // namespace corvala

#include "analysis/analysis_table.h"

#include <gtest/gtest.h>

#include <limits>

#include "curve_builder.h"

namespace corvala {
namespace {

TEST(AnalysisTable, RowTakesFirstResultsAndMeasuresMaximaFromTheBaseline) {
  Station station;
  AnalysisTable table;
  station.m_chamber[1].Access([](ChamberRecord& r) {
    r = testing::DayCurve();
    r.hasRun = 1;
  });
  const AddRowOutcome outcome = AddAnalysisRow(table, station, 1, "run", AnalysisRowOptions{});
  EXPECT_TRUE(outcome.passed);
  EXPECT_TRUE(outcome.rowAdded);
  EXPECT_TRUE(outcome.selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 1u);
  // Delays: light change after sample 3 (6 s), next minimum at sample 5 (10 s).
  // Maxima: plateau 24 above the lowest pressure 12.
  const float slope = 5.0f / 3.0f;
  EXPECT_EQ(table.Row(0), (AnalysisRow{"run", "03.04.2024", "09:05:07", 2, -1, slope, 4, 4, 12, 12,
                                       -slope / -1.0f, 0}));
  EXPECT_EQ(table.Texts(0), (AnalysisListTexts{"run", "03.04.2024", "09:05:07", "2",
                                               "-1.0000 mbar/s", "1.6667 mbar/s", "4 s",
                                               "12.000 mbar", "12.000 mbar", "1.667", "---"}));
  EXPECT_TRUE(table.Dirty());
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 0.0f);  // switched back off
  EXPECT_EQ(station.m_chamber[1].Snapshot().hasRun, 0);

  // An offset in force is the baseline; the texts follow the run's unit.
  station.m_chamber[1].Access([](ChamberRecord& r) { r.runUnit = 2; });
  station.m_run[1].m_normOffset = 20.0f;
  EXPECT_FALSE(AddAnalysisRow(table, station, 1, "x", AnalysisRowOptions{}).selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.Texts(1)[7], "4.000 mg/l");
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 20.0f);
}

TEST(AnalysisTable, IncompleteAnalysesAddNoRow) {
  Station station;
  AnalysisTable table;
  EXPECT_FALSE(AddAnalysisRow(table, station, 3, "x", AnalysisRowOptions{}).passed);
  EXPECT_FALSE(AddAnalysisRow(table, station, 0, "x", AnalysisRowOptions{}).passed);
  // A fall without an accepted rise: KphA 0.0, no Slope. It passes (the working
  // file is rewritten) but adds no row.
  station.m_chamber[2].Access([](ChamberRecord& r) {
    r = testing::MakeCurve({9, 12, 6, 5, 8, 9}, {0, 0, 0, 0, 0, 0});
  });
  const AddRowOutcome outcome = AddAnalysisRow(table, station, 2, "x", AnalysisRowOptions{});
  EXPECT_TRUE(outcome.passed);
  EXPECT_FALSE(outcome.rowAdded);
  EXPECT_EQ(table.RowCount(), 0u);
  EXPECT_FALSE(table.Dirty());
}

AnalysisTable TableOfRows(int rows) {
  AnalysisTable table;
  for (int i = 0; i < rows; ++i) {
    AnalysisRow row;
    row.name = "r" + std::to_string(i);
    table.Append(row, FreshRowTexts(row, 1));
  }
  return table;
}

// The first row's group after each of `clicks` clicks on it.
std::vector<int32_t> ClickFirstRow(AnalysisTable& table, int clicks) {
  std::vector<int32_t> groups;
  for (int click = 0; click < clicks; ++click) {
    table.CycleDiagramGroup(0);
    groups.push_back(table.Row(0).diagramGroup);
  }
  return groups;
}

TEST(AnalysisTable, ClicksCycleDiagramGroupsAndDeletesCloseUp) {
  AnalysisTable one = TableOfRows(1);
  EXPECT_EQ(ClickFirstRow(one, 3), (std::vector<int32_t>{1, 0, 1}));
  EXPECT_EQ(one.Texts(0)[10], "1");

  AnalysisTable two = TableOfRows(2);
  two.CycleDiagramGroup(1);  // the second row is in group 1
  EXPECT_EQ(ClickFirstRow(two, 3), (std::vector<int32_t>{1, 2, 0}));
  EXPECT_EQ(two.DiagramGroupMax(), 1);
  EXPECT_EQ(two.Texts(0)[10], "---");
  EXPECT_FALSE(two.CycleDiagramGroup(2));
  EXPECT_FALSE(two.Dirty());  // a click alone does not mark the table changed

  // Deleting the only row of group 2 lowers the highest group to 1.
  ClickFirstRow(two, 2);
  ASSERT_EQ(two.DiagramGroupMax(), 2);
  EXPECT_TRUE(two.DeleteRow(0));
  ASSERT_EQ(two.RowCount(), 1u);
  EXPECT_EQ(two.Row(0).name, "r1");
  EXPECT_EQ(two.Texts(0)[0], "r1");
  EXPECT_EQ(two.DiagramGroupMax(), 1);
  EXPECT_TRUE(two.Dirty());
  EXPECT_FALSE(two.DeleteRow(5));

  two.Clear();
  EXPECT_EQ(two.RowCount(), 0u);
  EXPECT_EQ(two.DiagramGroupMax(), 0);
}

// Group numbers come from files; a click never counts past the largest one.
TEST(AnalysisTable, AClickNeverCountsAGroupPastTheLargestNumber) {
  constexpr int32_t kLast = std::numeric_limits<int32_t>::max();
  AnalysisTable table;
  for (const char* name : {"a", "b"}) {
    AnalysisRow row;
    row.name = name;
    row.diagramGroup = kLast;
    table.Append(row, FreshRowTexts(row, 1));
  }
  table.ResetDiagramGroupMax();
  ASSERT_TRUE(table.CycleDiagramGroup(0));
  EXPECT_EQ(table.Row(0).diagramGroup, 0);
  EXPECT_EQ(table.Texts(0)[10], "---");
  EXPECT_EQ(table.DiagramGroupMax(), kLast);
}

}  // namespace
}  // namespace corvala

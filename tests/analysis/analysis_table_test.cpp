#include "analysis/analysis_table.h"

#include <gtest/gtest.h>

#include <limits>

#include "analysis/run_analysis.h"
#include "curve_builder.h"

namespace corvala {
namespace {

// The row comes from a record and its offset alone: no shared state takes part.
TEST(AnalysisTable, ARecordsRowMeasuresTheMaximaFromItsOffsetOrItsLowestPressure) {
  ChamberRecord record = testing::DayCurve();
  record.analysis = AnalyseChamber(record, false, 0);
  AnalysisTable table;
  const AddRowOutcome off = AddAnalysisRow(table, record, 1, 0.0f, "run", AnalysisRowOptions{});
  EXPECT_TRUE(off.rowAdded);
  EXPECT_TRUE(off.selectionSlopeReset);
  const AddRowOutcome on = AddAnalysisRow(table, record, 1, 20.0f, "run", AnalysisRowOptions{});
  EXPECT_FALSE(on.selectionSlopeReset);
  ASSERT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.Row(0).maximumA, 12.0f);  // plateau 24 above the lowest pressure 12
  EXPECT_EQ(table.Row(1).maximumA, 4.0f);   // and above the offset 20
  // Only samples from the correction time on give the baseline: 15 from 22 s on.
  const AddRowOutcome late =
      AddAnalysisRow(table, record, 1, 0.0f, "run", AnalysisRowOptions{true, 22});
  EXPECT_TRUE(late.rowAdded);
  ASSERT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(table.Row(2).maximumA, 9.0f);
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

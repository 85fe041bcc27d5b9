#include "files/analysis_file.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvala {
namespace {

AnalysisTable TwoRows(const std::string& firstName) {
  AnalysisTable table;
  table.Append({firstName, "03.04.2024", "09:05:07", 2, -0.125f, 0.5f, 30, 45, 12.25f, 13.5f, 4, 0},
               {});
  table.Append({"b", "04.04.2024", "10:00:00", 3, 1, 2, 5, 5, 6, 7, 8, 2}, {});
  return table;
}

TEST(AnalysisFile, TableRoundTripsWithTwelveLinesPerRow) {
  const AnalysisTable table = TwoRows("a");
  const std::string text = FormatAnalysisFile(table, 2);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 26);
  EXPECT_EQ(text.substr(0, 59),
            "2\r\n2\r\na\r\n03.04.2024\r\n09:05:07\r\n2\r\n-0.125000\r\n0.500000\r\n30\r\n");
  std::string lf = text;
  std::erase(lf, '\r');
  for (const std::string& form : {text, lf}) {
    AnalysisTable read;
    read.m_analysisDirty = 1;
    EXPECT_EQ(ParseAnalysisFile(form, read), 2);
    ASSERT_EQ(read.RowCount(), 2u);
    EXPECT_EQ(read.Row(0), table.Row(0));
    EXPECT_EQ(read.Row(1), table.Row(1));
    EXPECT_EQ(read.m_diagramGroupMax + read.m_analysisDirty, 2);
    EXPECT_EQ(
        read.m_listTexts[0],
        (AnalysisListTexts{"a", "03.04.2024", "09:05:07", "2", "-0.125 mg/(l*s)", "0.500 mg/(l*s)",
                           "30/45 s", "12.250 mg/l", "13.500 mg/l", "4.000", "---"}));
  }
}

TEST(AnalysisFile, NamesWithLineBreaksShortAndHostileFiles) {
  AnalysisTable read;
  ParseAnalysisFile(FormatAnalysisFile(TwoRows("two\r\nlines\nhere"), 1), read);
  EXPECT_EQ(read.m_rowName[0], "two  lines here");
  ParseAnalysisFile(FormatAnalysisFile(TwoRows(std::string(300, 'n')), 1), read);
  EXPECT_EQ(read.m_rowName[0], std::string(252, 'n'));

  std::string text = FormatAnalysisFile(TwoRows("a"), 1);
  ParseAnalysisFile(text.substr(0, text.size() - 10), read);  // ends inside row 2
  EXPECT_EQ(read.m_listTexts.size() + read.RowCount(), 2u);
  EXPECT_EQ(read.m_diagramGroupMax, 0);
  text.replace(0, 1, "2147483647");
  text.replace(text.rfind("2\r\n"), 1, "-4");  // a negative group is no group
  ParseAnalysisFile(text, read);
  EXPECT_EQ(read.RowCount(), 2u);
  EXPECT_EQ(read.m_rowDiagramGroup[1], 0);

  AnalysisTable table = TwoRows("a");
  table.m_analysisDirty = 1;
  EXPECT_FALSE(ReadAnalysisFile(table, "/nonexistent/file.cva"));
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.m_analysisDirty, 1);
  EXPECT_FALSE(WriteAnalysisFile(table, "/nonexistent/file.cva", 1));
}

}  // namespace
}  // namespace corvala

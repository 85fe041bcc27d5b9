#include "files/analysis_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "util/c_format.h"

namespace corvala {
namespace {

AnalysisRow MakeRow(const std::string& name, int32_t group) {
  AnalysisRow row{name, "03.04.2024", "09:05:07", 2,     -0.125f, 0.5f,
                  30,   45,           12.25f,     13.5f, 4.0f,    group};
  return row;
}

size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(AnalysisFile, TableRoundTripsWithTwelveLinesPerRow) {
  AnalysisTable table;
  table.Append(MakeRow("a", 0), {});
  table.Append(MakeRow("b", 2), {});
  const std::string text = FormatAnalysisFile(table, 2);
  EXPECT_EQ(CountLines(text), 26u);
  EXPECT_EQ(text.substr(0, 59),
            "2\r\n2\r\na\r\n03.04.2024\r\n09:05:07\r\n2\r\n-0.125000\r\n0.500000\r\n30\r\n");
  EXPECT_EQ(CountLines(text), static_cast<size_t>(std::count(text.begin(), text.end(), '\r')));

  AnalysisTable read;
  read.m_analysisDirty = 1;
  EXPECT_EQ(ParseAnalysisFile(text, read), 2);
  ASSERT_EQ(read.RowCount(), 2u);
  EXPECT_EQ(read.Row(0), table.Row(0));
  EXPECT_EQ(read.Row(1), table.Row(1));
  EXPECT_EQ(read.m_diagramGroupMax, 2);
  EXPECT_EQ(read.m_analysisDirty, 0);
  EXPECT_EQ(read.m_listTexts[1], (AnalysisListTexts{"b", "03.04.2024", "09:05:07", "2",
                                                    "-0.125 mg/(l*s)", "0.500 mg/(l*s)", "30/45 s",
                                                    "12.250 mg/l", "13.500 mg/l", "4.000", "2"}));
  // LF line ends read the same.
  std::string lf = text;
  std::erase(lf, '\r');
  AnalysisTable fromLf;
  ParseAnalysisFile(lf, fromLf);
  EXPECT_EQ(fromLf.Row(1), table.Row(1));
}

TEST(AnalysisFile, TextsWithLineBreaksOrOverlongStayOnTheirLine) {
  AnalysisTable table;
  table.Append(MakeRow("two\r\nlines\nhere", 1), {});
  table.Append(MakeRow(std::string(300, 'n'), 0), {});
  AnalysisTable read;
  ParseAnalysisFile(FormatAnalysisFile(table, 1), read);
  ASSERT_EQ(read.RowCount(), 2u);
  EXPECT_EQ(read.m_rowName[0], "two  lines here");
  EXPECT_EQ(read.m_rowName[1], std::string(252, 'n'));
  EXPECT_EQ(read.m_rowChamber[1], 2);
  EXPECT_EQ(read.m_rowKphA[1], 4.0f);
}

TEST(AnalysisFile, ShortHostileAndMissingFiles) {
  AnalysisTable table;
  table.Append(MakeRow("a", 3), {});
  table.Append(MakeRow("b", 1), {});
  std::string text = FormatAnalysisFile(table, 1);
  // A file ending inside its second row keeps the first row only.
  AnalysisTable read;
  ParseAnalysisFile(text.substr(0, text.size() - 10), read);
  EXPECT_EQ(read.RowCount(), 1u);
  EXPECT_EQ(read.m_listTexts.size(), 1u);
  EXPECT_EQ(read.m_diagramGroupMax, 3);
  // A huge count reads what is there; a negative group is no group.
  text.replace(0, 1, "2147483647");
  text.replace(text.rfind("1\r\n"), 1, "-4");
  ParseAnalysisFile(text, read);
  EXPECT_EQ(read.RowCount(), 2u);
  EXPECT_EQ(read.m_rowDiagramGroup[1], 0);
  EXPECT_EQ(read.m_listTexts[1][10], "---");
  // A count that is no number: empty table.
  ParseAnalysisFile("abc\r\n1\r\nx\r\n", read);
  EXPECT_EQ(read.RowCount(), 0u);
  EXPECT_EQ(read.m_diagramGroupMax, 0);

  // A file that cannot be opened leaves the table as it is.
  table.m_analysisDirty = 1;
  EXPECT_FALSE(ReadAnalysisFile(table, "/nonexistent/dir/file.cva"));
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_EQ(table.m_analysisDirty, 1);
  EXPECT_FALSE(WriteAnalysisFile(table, "/nonexistent/dir/file.cva", 1));

  const auto path = std::filesystem::temp_directory_path() / "corvala_analysis_file.cva";
  ASSERT_TRUE(WriteAnalysisFile(table, path.string(), 1));
  ASSERT_TRUE(ReadAnalysisFile(read, path.string()));
  EXPECT_EQ(read.Row(0), table.Row(0));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace corvala

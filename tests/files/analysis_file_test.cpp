#include "files/analysis_file.h"

#include <gtest/gtest.h>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

using testing::DataBytes;

// The table of the golden file analysis.cva (written in unit 2).
AnalysisTable TwoRows(const std::string& firstName = "a") {
  AnalysisTable table;
  table.Append({firstName, "03.04.2024", "09:05:07", 2, -0.125f, 0.5f, 30, 45, 12.25f, 13.5f, 4, 0},
               {});
  table.Append({"b", "04.04.2024", "10:00:00", 3, 1, 2, 5, 5, 6, 7, 8, 2}, {});
  return table;
}

TEST(AnalysisFile, GoldenFileIsWrittenAndReadsBackWithEitherLineEndAndTextsInItsUnit) {
  const testing::TempFolder folder;
  ASSERT_TRUE(WriteAnalysisFile(TwoRows(), folder / "t.cva", 2).Ok());
  EXPECT_EQ(testing::FileBytes(folder / "t.cva"), DataBytes("analysis.cva"));
  EXPECT_EQ(FormatAnalysisFile(AnalysisTable{}, 1), "0\r\n1\r\n");

  std::string lf = DataBytes("analysis.cva");
  std::erase(lf, '\r');
  for (const std::string& text : {DataBytes("analysis.cva"), lf}) {
    AnalysisTable read;
    read.MarkChanged();
    EXPECT_EQ(ParseAnalysisFile(text, read), 2);
    ASSERT_EQ(read.RowCount(), 2u);
    EXPECT_EQ(read.Row(0), TwoRows().Row(0));
    EXPECT_EQ(read.Row(1), TwoRows().Row(1));
    EXPECT_EQ(read.DiagramGroupMax(), 2);
    EXPECT_FALSE(read.Dirty());
    EXPECT_EQ(read.Texts(0), (AnalysisListTexts{"a", "03.04.2024", "09:05:07", "2",
                                                "-0.125 mg/(l*s)", "0.500 mg/(l*s)", "30/45 s",
                                                "12.250 mg/l", "13.500 mg/l", "4.000", "---"}));
    EXPECT_EQ(read.Texts(1)[10], "2");
  }
}

TEST(AnalysisFile, NamesAreKeptToOneLine) {
  AnalysisTable read;
  ParseAnalysisFile(FormatAnalysisFile(TwoRows("two\r\nlines\nhere"), 1), read);
  EXPECT_EQ(read.Row(0).name, "two  lines here");
  ParseAnalysisFile(FormatAnalysisFile(TwoRows(std::string(300, 'n')), 1), read);
  EXPECT_EQ(read.Row(0).name, std::string(252, 'n'));
  // A cut never splits a UTF-8 character ("\xC3\xA4" is one).
  std::string umlauts = "n";
  for (int i = 0; i < 200; ++i) umlauts += "\xC3\xA4";
  ParseAnalysisFile(FormatAnalysisFile(TwoRows(umlauts), 1), read);
  EXPECT_EQ(read.Row(0).name, umlauts.substr(0, 251));
}

TEST(AnalysisFile, HostileFileReadsTheCompleteRowsOnly) {
  AnalysisTable read;
  EXPECT_EQ(ParseAnalysisFile(DataBytes("analysis_hostile.cva"), read), 1);
  ASSERT_EQ(read.RowCount(), 2u);                      // the third row is cut short
  EXPECT_EQ(read.Row(0).name, std::string(253, 'n'));  // a line holds 253 characters
  EXPECT_EQ(read.Row(0).diagramGroup, 0);              // a negative group is no group
  EXPECT_EQ(read.Row(0).respiration, -0.5f);
  EXPECT_EQ(read.Row(1).name, "second");
  EXPECT_EQ(read.Row(1).diagramGroup, 3);
  EXPECT_EQ(read.DiagramGroupMax(), 3);
  EXPECT_EQ(read.Texts(0)[4], "-0.500 mbar/s");
}

TEST(AnalysisFile, FilesThatCannotBeReadOrWrittenChangeNothing) {
  const testing::TempFolder folder;
  AnalysisTable table = TwoRows();
  table.MarkChanged();
  EXPECT_FALSE(ReadAnalysisFile(table, folder / "missing.cva").Ok());
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_TRUE(table.Dirty());
  EXPECT_FALSE(ReadAnalysisFile(table, folder.Path().string()).Ok());  // a folder
  EXPECT_EQ(table.RowCount(), 2u);
  EXPECT_FALSE(WriteAnalysisFile(table, folder / "no/such/file.cva", 1).Ok());
  EXPECT_TRUE(table.Dirty());
}

}  // namespace
}  // namespace corvala

#include "files/analysis_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

using testing::DataBytes;

// The table of the golden file analysis.cva (written in unit 2).
AnalysisTable TwoRows(const std::string& firstName = "a") {
  AnalysisTable table;
  table.Append(
      {firstName, "03.04.2024", "09:05:07", 2, -0.125f, 0.5f, 30, 45, 12.25f, 13.5f, 4, 0, {}}, {});
  table.Append({"b", "04.04.2024", "10:00:00", 3, 1, 2, 5, 5, 6, 7, 8, 2, {}}, {});
  return table;
}

// The same rows with rates: every figure of the first row's rise, some of its
// fall, and none but the unit in the second row.
AnalysisTable TwoRowsWithRates() {
  const AnalysisTable plain = TwoRows();
  AnalysisRow first = plain.Row(0);
  first.rates.rise = {0.1, 1.0 / 3.0, 0.99999999999999989, -2.5e-300, 123456.78901234567, 7e-12};
  first.rates.fall.slope = -0.0123;
  first.rates.fall.micromolPerHour = -4.25;
  first.rates.amountUnit = "\xC2\xB5g Chl";  // µg Chl
  AnalysisRow second = plain.Row(1);
  second.rates.amountUnit = "g FW";
  AnalysisTable table;
  table.Append(first, {});
  table.Append(second, {});
  return table;
}

// The rows as a reader that knows only the count, the unit and twelve lines
// per row sees them.
std::vector<std::vector<std::string>> RowsByTheRowsAlone(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  auto next = [&] {
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  };
  const int count = std::atoi(next().c_str());
  next();  // the unit
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < count && in; ++r) {
    std::vector<std::string> fields;
    for (int f = 0; f < 12; ++f) fields.push_back(next());
    rows.push_back(fields);
  }
  return rows;
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

TEST(AnalysisFile, RatesFollowTheRowsAndReadBackExactly) {
  const std::string plain = FormatAnalysisFile(TwoRows(), 2);
  const std::string withRates = FormatAnalysisFile(TwoRowsWithRates(), 2);
  EXPECT_EQ(withRates, DataBytes("analysis_rates.cva"));
  // The rows' lines are the bytes a table without rates writes.
  EXPECT_EQ(plain, DataBytes("analysis.cva"));
  EXPECT_EQ(withRates.substr(0, plain.size()), plain);
  EXPECT_EQ(withRates.substr(plain.size(), 11), "[Rates] 2\r\n");
  EXPECT_EQ(RowsByTheRowsAlone(withRates), RowsByTheRowsAlone(plain));
  EXPECT_EQ(RowsByTheRowsAlone(plain).size(), 2u);

  std::string lf = withRates;
  std::erase(lf, '\r');
  for (const std::string& text : {withRates, lf}) {
    AnalysisTable read;
    EXPECT_EQ(ParseAnalysisFile(text, read), 2);
    ASSERT_EQ(read.RowCount(), 2u);
    EXPECT_EQ(read.Row(0), TwoRowsWithRates().Row(0));
    EXPECT_EQ(read.Row(1), TwoRowsWithRates().Row(1));
    // The rates leave the first eleven texts as they were.
    const AnalysisListTexts plainTexts = LoadedRowTexts(TwoRows().Row(0), 2);
    EXPECT_TRUE(std::equal(plainTexts.begin(), plainTexts.begin() + kAnalysisListColumns,
                           read.Texts(0).begin()));
  }
  const testing::TempFolder folder;
  ASSERT_TRUE(WriteAnalysisFile(TwoRowsWithRates(), folder / "r.cva", 2).Ok());
  AnalysisTable read;
  ASSERT_TRUE(ReadAnalysisFile(read, folder / "r.cva").Ok());
  EXPECT_EQ(read.Row(0).rates, TwoRowsWithRates().Row(0).rates);
}

TEST(AnalysisFile, ADamagedOrCutRatesBlockLeavesTheRowsWithoutRates) {
  const std::string plain = FormatAnalysisFile(TwoRows(), 1);
  const std::string block = FormatAnalysisFile(TwoRowsWithRates(), 1).substr(plain.size());
  const std::string lastLine = "g FW\r\n";
  ASSERT_EQ(block.substr(block.size() - lastLine.size()), lastLine);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = block;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::vector<std::string> damaged = {
      block.substr(0, block.size() - lastLine.size()),  // the last line missing
      block.substr(0, block.size() / 2),                // cut in the middle
      replaced("[Rates] 2", "[Rates] 3"),               // made for other rows
      replaced("[Rates] 2", "[Rates]"),                 // no count
      replaced("0.10000000000000001", "0,1"),           // not a number
      replaced("0.10000000000000001", "nan"),           // not a finite number
      replaced("-0.0123", "-0.0123 mbar"),              // more than a number
  };
  for (const std::string& tail : damaged) {
    AnalysisTable read;
    EXPECT_EQ(ParseAnalysisFile(plain + tail, read), 1);
    ASSERT_EQ(read.RowCount(), 2u);
    EXPECT_EQ(read.Row(0), TwoRows().Row(0)) << tail;
    EXPECT_EQ(read.Row(1), TwoRows().Row(1)) << tail;
  }
  // A block behind rows cut short belongs to no row.
  const std::string oneRowShort = "3" + plain.substr(1) + block;
  AnalysisTable read;
  ParseAnalysisFile(oneRowShort, read);
  for (size_t i = 0; i < read.RowCount(); ++i) EXPECT_EQ(read.Row(i).rates, RowRates{});
}

}  // namespace
}  // namespace corvala

// The workbook connection end to end: statements into SQLite, the workbook
// written and read back (.xls through the compound file, .xlsx as a zip).

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "files/biff8_writer.h"
#include "files/spreadsheet_export.h"
#include "util/c_format.h"

namespace corvala {
namespace {

struct ReadSheet {
  std::string name;
  std::map<std::pair<int, int>, std::string> text;  // UTF-8
  std::map<std::pair<int, int>, double> number;
};

uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8);
}

// Characters after a flags byte, as Latin-1 bytes (wide characters become '?').
std::string Chars(const std::vector<uint8_t>& b, size_t at, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    const uint16_t c = (b[at] & 1) ? U16(b, at + 1 + 2 * i) : b[at + 1 + i];
    out += c > 0xFF ? '?' : static_cast<char>(c);
  }
  return out;
}

// Walks the record stream: sheet names and positions from the globals, then the
// cells of each sheet up to the last EOF.
std::vector<ReadSheet> ParseStream(const std::vector<uint8_t>& b) {
  std::vector<ReadSheet> sheets;
  std::vector<size_t> starts;
  int current = -1;  // the sheet being read; -1 in the globals
  for (size_t pos = 0; pos + 4 <= b.size();) {
    const uint16_t type = U16(b, pos), size = U16(b, pos + 2);
    EXPECT_LE(size, 8224);
    const auto cell = std::make_pair(int{U16(b, pos + 4)}, int{U16(b, pos + 6)});
    if (type == 0x0809 && pos > 0) {
      ++current;
      EXPECT_EQ(pos, starts.at(current));
    } else if (type == 0x0085) {
      starts.push_back(U16(b, pos + 4) | (U16(b, pos + 6) << 16));
      sheets.push_back({Chars(b, pos + 11, b[pos + 10]), {}, {}});
    } else if (type == 0x0204 && current >= 0) {
      sheets[current].text[cell] = Chars(b, pos + 12, U16(b, pos + 10));
    } else if (type == 0x0203 && current >= 0) {
      std::memcpy(&sheets[current].number[cell], &b[pos + 10], 8);
    } else if (type == 0x000A && current + 1 == static_cast<int>(sheets.size())) {
      break;
    }
    pos += 4 + size;
  }
  return sheets;
}

std::vector<ReadSheet> ReadXls(const std::string& path) {
  gsf_init();
  GsfInput* input = gsf_input_stdio_new(path.c_str(), nullptr);
  GsfInfile* ole = input ? gsf_infile_msole_new(input, nullptr) : nullptr;
  GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
  EXPECT_NE(stream, nullptr) << "no Workbook stream in " << path;
  std::vector<uint8_t> bytes;
  if (stream) {
    bytes.resize(gsf_input_size(stream));
    gsf_input_read(stream, bytes.size(), bytes.data());
    g_object_unref(stream);
  }
  if (ole) g_object_unref(ole);
  if (input) g_object_unref(input);
  return ParseStream(bytes);
}

class Workbook : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("corvala_workbook_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(Workbook, MeasurementExportReadsBackAsSheetsWithTextAndNumbers) {
  Station station;
  station.m_chamber[0].Access([](ChamberRecord& r) {
    r.startDay = 5, r.startMonth = 12, r.startYear = 2026, r.runInterval = 5;
    r.sampleElapsed = {0, 5}, r.samplePressure = {1013.25f, 1000.0f};
    r.sampleTemperature = {23.5f, 23.5f}, r.sampleLight = {1, 0};
    r.sampleHour = r.sampleMinute = r.sampleSecond = {0, 0};
    r.sampleCount = 2;
  });
  ScriptedPrompts prompts;
  prompts.filePaths = {Path("m.xls")};
  const ExportResult result =  // decimal commas on
      ExportMeasurement(station, {1, 0, 0}, {}, prompts, DefaultWorkbookFactory());
  ASSERT_FALSE(result.Failed()) << result.error;
  const auto sheets = ReadXls(Path("m.xls"));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name + sheets[1].name, "ParameterMessdaten");
  const std::vector<std::string> header = {"Messung", "mit", "dem", "Corvala", "R000"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(sheets[0].text.at({0, c}), header[c]);
  EXPECT_EQ(sheets[0].text.at({5, 1}),
            "25 \xB0"
            "C");
  EXPECT_EQ(sheets[1].number.at({1, 0}), 1.0);
  EXPECT_EQ(sheets[1].text.at({1, 1}), "00:00");
  EXPECT_EQ(sheets[1].number.at({1, 3}), 1013.25);  // sent as '1013,25'
  EXPECT_EQ(sheets[1].number.at({1, 4}), 13.25);
  EXPECT_EQ(sheets[1].number.at({2, 5}), 0.0);

  // The analysis sheet: a quote in the name and the long column names survive.
  AnalysisTable table;
  table.Append({"O'Neil.1", "05.12.2026", "09:03:07", 2, 1.5f, 0.25f, 3, 4, 5, 6, 0.125f, 0}, {});
  ASSERT_FALSE(WriteAnalysisWorkbook(table, Path("a.xls"), {}, DefaultWorkbookFactory()).Failed());
  const auto analysis = ReadXls(Path("a.xls"));
  ASSERT_EQ(analysis.size(), 1u);
  EXPECT_EQ(analysis[0].text.at({0, 4}), "Respiration in mbar/s");
  EXPECT_EQ(analysis[0].text.at({1, 0}) + analysis[0].text.at({1, 1}), "O'Neil.105.12.2026");
  EXPECT_EQ(analysis[0].number.at({1, 10}), 0.125);
}

TEST_F(Workbook, ConnectionReportsErrorsAndConvertsNumberColumns) {
  SqliteWorkbookConnection c;
  EXPECT_TRUE(c.OpenEx("DRIVER={X};DSN=''").has_value());  // no DBQ
  ASSERT_FALSE(c.OpenEx(WorkbookConnectionString(Path("semi;colon.xls"))));
  EXPECT_EQ(c.Path(), Path("semi;colon.xls"));
  EXPECT_EQ(c.ExecuteSQL("INSERT INTO Nope (a) VALUES ('1')"), "no such table: Nope");
  ASSERT_FALSE(c.ExecuteSQL("CREATE TABLE t (a NUMBER, b DOUBLE, c TEXT)"));
  ASSERT_FALSE(c.ExecuteSQL("INSERT INTO t (a,b,c) VALUES ('-1,5','2.25','3,5')"));
  ASSERT_FALSE(c.ExecuteSQL("INSERT INTO t (a,b,c) VALUES ('1,2,3','1e999','\xE4 \xB0')"));
  std::vector<WorkbookSheet> sheets;
  ASSERT_FALSE(c.ReadSheets(sheets));
  ASSERT_EQ(sheets.at(0).rows.size(), 2u);
  const auto& r = sheets[0].rows;
  EXPECT_EQ(r[0][0].number, -1.5);
  EXPECT_EQ(r[0][1].number, 2.25);
  EXPECT_EQ(r[0][2].text, "3,5");
  EXPECT_EQ(r[1][0].kind, WorkbookCell::Kind::kText);  // no number: the text stays visible
  EXPECT_EQ(r[1][0].text, "1,2,3");
  EXPECT_EQ(r[1][1].text, "Inf");            // an overflowing number is no cell number
  EXPECT_EQ(r[1][2].text, "\u00E4 \u00B0");  // Latin-1 bytes

  // A workbook that cannot be written is an error, and nothing is created.
  ASSERT_FALSE(c.OpenEx(WorkbookConnectionString(Path("no/such/dir/x.xls"))));
  EXPECT_TRUE(c.Close().has_value());
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

TEST_F(Workbook, XlsxPathWritesAZipWithOneWorksheetPerTable) {
  SqliteWorkbookConnection connection;
  ASSERT_FALSE(connection.OpenEx(WorkbookConnectionString(Path("x.xlsx"))));
  ASSERT_FALSE(connection.ExecuteSQL("CREATE TABLE Parameter (Messung TEXT)"));
  ASSERT_FALSE(connection.ExecuteSQL("CREATE TABLE Messdaten (MessNr NUMBER)"));
  ASSERT_FALSE(connection.ExecuteSQL("INSERT INTO Messdaten (MessNr) VALUES ('1')"));
  ASSERT_FALSE(connection.Close());
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(Path("x.xlsx"), bytes));
  EXPECT_EQ(bytes.substr(0, 2), "PK");
  EXPECT_NE(bytes.find("xl/worksheets/sheet1.xml"), std::string::npos);
  EXPECT_NE(bytes.find("xl/worksheets/sheet2.xml"), std::string::npos);
}

TEST_F(Workbook, LongTablesContinueOnFurtherSheetsAndLongTextsAreCut) {
  WorkbookSheet big{"Big[1]", {"n", "t"}, {}};
  for (int i = 0; i < 70000; ++i)
    big.rows.push_back({{WorkbookCell::Kind::kNumber, "", double(i)},
                        {WorkbookCell::Kind::kText, i == 0 ? std::string(300, 'x') : "", 0}});
  const auto sheets = ParseStream(BuildBiff8Stream({big}));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "Big_1_");
  EXPECT_EQ(sheets[1].name, "Big_1__2");
  EXPECT_EQ(sheets[0].number.at({65535, 0}), 65534.0);
  EXPECT_EQ(sheets[1].text.at({0, 1}), "t");
  EXPECT_EQ(sheets[1].number.at({1, 0}), 65535.0);
  EXPECT_EQ(sheets[1].number.size(), 70000u - 65535u);
  EXPECT_EQ(sheets[0].text.at({1, 1}).size(), kBiff8MaxCellChars);
  // A small workbook is padded so its stream lives in the compound file's big blocks.
  EXPECT_GE(BuildBiff8Stream({}).size(), 4096u);
}

}  // namespace
}  // namespace corvala

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
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

// Characters after a flags byte: one byte each or UTF-16LE, as UTF-8 (BMP only).
std::string Chars(const std::vector<uint8_t>& b, size_t at, size_t count) {
  const bool wide = b[at] & 1;
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t c = wide ? U16(b, at + 1 + 2 * i) : b[at + 1 + i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6)), out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Walks the record stream: sheet names and offsets from the globals, then the
// cells of each sheet up to its EOF.
std::vector<ReadSheet> ParseStream(const std::vector<uint8_t>& b) {
  std::vector<ReadSheet> sheets;
  std::vector<uint32_t> offsets;
  size_t pos = 0;
  EXPECT_EQ(U16(b, 0), 0x0809);
  while (pos + 4 <= b.size()) {
    const uint16_t type = U16(b, pos), size = U16(b, pos + 2);
    EXPECT_LE(size, 8224);
    if (type == 0x0085) {
      offsets.push_back(U32(b, pos + 4));
      sheets.push_back({Chars(b, pos + 11, b[pos + 10]), {}, {}});
    }
    pos += 4 + size;
    if (type == 0x000A) break;
  }
  for (size_t i = 0; i < sheets.size(); ++i) {
    pos = offsets[i];
    EXPECT_EQ(U16(b, pos), 0x0809);
    EXPECT_EQ(U16(b, pos + 6), 0x0010);
    while (pos + 4 <= b.size()) {
      const uint16_t type = U16(b, pos), size = U16(b, pos + 2);
      const auto cell = std::make_pair(int{U16(b, pos + 4)}, int{U16(b, pos + 6)});
      if (type == 0x0204) sheets[i].text[cell] = Chars(b, pos + 12, U16(b, pos + 10));
      if (type == 0x0203) {
        double d;
        std::memcpy(&d, &b[pos + 10], 8);
        sheets[i].number[cell] = d;
      }
      pos += 4 + size;
      if (type == 0x000A) break;
    }
  }
  return sheets;
}

std::vector<ReadSheet> ReadXls(const std::string& path) {
  gsf_init();
  GError* err = nullptr;
  GsfInput* input = gsf_input_stdio_new(path.c_str(), &err);
  EXPECT_NE(input, nullptr);
  if (input == nullptr) return {};
  GsfInfile* ole = gsf_infile_msole_new(input, &err);
  EXPECT_NE(ole, nullptr) << "not a compound file";
  std::vector<uint8_t> bytes;
  if (ole != nullptr) {
    GsfInput* stream = gsf_infile_child_by_name(ole, "Workbook");
    EXPECT_NE(stream, nullptr);
    if (stream != nullptr) {
      bytes.resize(gsf_input_size(stream));
      gsf_input_read(stream, bytes.size(), bytes.data());
      g_object_unref(stream);
    }
    g_object_unref(ole);
  }
  g_object_unref(input);
  return bytes.empty() ? std::vector<ReadSheet>{} : ParseStream(bytes);
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
  ExportOptions options;  // decimal commas on
  const ExportResult result =
      ExportMeasurement(station, {1, 0, 0}, options, prompts, DefaultWorkbookFactory());
  ASSERT_FALSE(result.Failed()) << result.error;
  const auto sheets = ReadXls(Path("m.xls"));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "Parameter");
  EXPECT_EQ(sheets[1].name, "Messdaten");
  const std::vector<std::string> header = {"Messung", "mit", "dem", "Corvala", "R000"};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(sheets[0].text.at({0, c}), header[c]);
  EXPECT_EQ(sheets[0].text.at({2, 1}), "5.12.2026");
  EXPECT_EQ(sheets[0].text.at({5, 0}), "Temperatur:");
  EXPECT_EQ(sheets[0].text.at({5, 1}), "25 \u00B0C");
  EXPECT_EQ(sheets[1].text.at({0, 4}), "Normierung");
  EXPECT_EQ(sheets[1].number.at({1, 0}), 1.0);
  EXPECT_EQ(sheets[1].text.at({1, 1}), "00:00");
  EXPECT_EQ(sheets[1].number.at({1, 3}), 1013.25);  // sent as '1013,25'
  EXPECT_EQ(sheets[1].number.at({1, 4}), 13.25);
  EXPECT_EQ(sheets[1].number.at({2, 5}), 0.0);
}

TEST_F(Workbook, AnalysisExportKeepsQuotedNamesAndLongColumnNames) {
  AnalysisTable table;
  table.Append(
      {"O'Neil.run.1", "05.12.2026", "09:03:07", 2, 1.5f, 0.25f, 30, 45, 12.5f, 13.0f, 0.125f, 0},
      {});
  ExportOptions options;
  options.unit = 2;
  const ExportResult result =
      WriteAnalysisWorkbook(table, Path("a.xls"), options, DefaultWorkbookFactory());
  ASSERT_FALSE(result.Failed()) << result.error;
  const auto sheets = ReadXls(Path("a.xls"));
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "Auswertung");
  EXPECT_EQ(sheets[0].text.at({0, 4}), "Respiration in mg/(l*s)");
  EXPECT_EQ(sheets[0].text.at({1, 0}), "O'Neil.run.1");
  EXPECT_EQ(sheets[0].text.at({1, 1}), "05.12.2026");
  EXPECT_EQ(sheets[0].number.at({1, 3}), 2.0);
  EXPECT_EQ(sheets[0].number.at({1, 4}), 1.5);
  EXPECT_EQ(sheets[0].number.at({1, 10}), 0.125);
}

TEST_F(Workbook, RejectedStatementsAndUnwritableTargetsReportErrors) {
  SqliteWorkbookConnection connection;
  EXPECT_TRUE(connection.ExecuteSQL("CREATE TABLE a (x TEXT)").has_value());  // not open
  EXPECT_TRUE(connection.OpenEx("DRIVER={X};DSN=''").has_value());            // no DBQ
  ASSERT_FALSE(connection.OpenEx(WorkbookConnectionString(Path("semi;colon.xls"))));
  EXPECT_EQ(connection.Path(), Path("semi;colon.xls"));
  EXPECT_EQ(connection.ExecuteSQL("INSERT INTO Nope (a) VALUES ('1')"), "no such table: Nope");
  EXPECT_EQ(connection.ExecuteSQL("CREATE TABLE"), "incomplete input");

  SqliteWorkbookConnection missing;
  ASSERT_FALSE(missing.OpenEx(WorkbookConnectionString(Path("no/such/dir/x.xls"))));
  ASSERT_FALSE(missing.ExecuteSQL("CREATE TABLE t (a TEXT)"));
  EXPECT_TRUE(missing.Close().has_value());
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

TEST_F(Workbook, NumberColumnsConvertCommasAndKeepOtherTextVisible) {
  SqliteWorkbookConnection connection;
  ASSERT_FALSE(connection.OpenEx(WorkbookConnectionString(Path("n.xls"))));
  ASSERT_FALSE(connection.ExecuteSQL("CREATE TABLE t (a NUMBER, b DOUBLE, c TEXT)"));
  ASSERT_FALSE(connection.ExecuteSQL("INSERT INTO t (a,b,c) VALUES ('-1,5','2.25','3,5')"));
  ASSERT_FALSE(connection.ExecuteSQL("INSERT INTO t (a,b) VALUES ('1,2,3',' ')"));
  ASSERT_FALSE(connection.ExecuteSQL("INSERT INTO t (c) VALUES ('\xE4\xF6 \xB0')"));
  std::vector<WorkbookSheet> sheets;
  ASSERT_FALSE(connection.ReadSheets(sheets));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].rows.size(), 3u);
  const auto& r = sheets[0].rows;
  EXPECT_EQ(r[0][0].kind, WorkbookCell::Kind::kNumber);
  EXPECT_EQ(r[0][0].number, -1.5);
  EXPECT_EQ(r[0][1].number, 2.25);
  EXPECT_EQ(r[0][2].text, "3,5");
  EXPECT_EQ(r[1][0].kind, WorkbookCell::Kind::kText);
  EXPECT_EQ(r[1][0].text, "1,2,3");
  EXPECT_EQ(r[1][2].kind, WorkbookCell::Kind::kEmpty);
  EXPECT_EQ(r[2][2].text, "\u00E4\u00F6 \u00B0");               // Latin-1 bytes read as such
  EXPECT_EQ(TextToUtf8("\xE2\x82\xAC ok"), "\xE2\x82\xAC ok");  // UTF-8 stays
  EXPECT_EQ(TextToUtf8("\x80"), "\xE2\x82\xAC");
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
  EXPECT_EQ(bytes.find("xl/worksheets/sheet3.xml"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("x.xlsx.part")));
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

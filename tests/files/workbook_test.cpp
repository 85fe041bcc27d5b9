// The workbook connection end to end: statements into SQLite, the workbook
// written and read back (.xls as a record stream, .xlsx as a zip).

#include <gtest/gtest.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <zlib.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "files/biff8_writer.h"
#include "files/spreadsheet_export.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

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

// The bytes of member `name` of a zip archive, "" when it is not there.
std::string ZipMember(const std::string& zip, const std::string& name) {
  auto u16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(zip[at]) | static_cast<uint8_t>(zip[at + 1])
                                                                     << 8);
  };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  const std::string central("PK\x01\x02", 4);
  for (size_t at = zip.find(central); at != std::string::npos && at + 46 <= zip.size();
       at = zip.find(central, at + 4)) {
    if (zip.compare(at + 46, u16(at + 28), name) != 0) continue;
    const uint32_t method = u16(at + 10), packed = u32(at + 20), size = u32(at + 24);
    const size_t local = u32(at + 42);
    const size_t data = local + 30 + u16(local + 26) + u16(local + 28);
    if (method == 0) return zip.substr(data, size);
    std::string out(size, '\0');
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    z.avail_in = packed;
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = size;
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return out;
  }
  return {};
}

class Workbook : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_ / name; }
  testing::TempFolder folder_;
};

// Runs the statements one after the other and writes the workbook.
void WriteThrough(SqliteWorkbookConnection& c, const std::string& path,
                  const std::vector<std::string>& statements) {
  ASSERT_TRUE(c.OpenEx(WorkbookConnectionString(path)).Ok());
  for (const std::string& statement : statements)
    ASSERT_TRUE(c.ExecuteSQL(statement).Ok()) << statement;
  const Result closed = c.Close();
  ASSERT_TRUE(closed.Ok()) << closed.Message();
}

TEST_F(Workbook, AnalysisWorkbookIsWrittenByteForByte) {
  // The table of analysis.cva, in mg/l with decimal commas.
  AnalysisTable table;
  table.Append({"a", "03.04.2024", "09:05:07", 2, -0.125f, 0.5f, 30, 45, 12.25f, 13.5f, 4, 0}, {});
  table.Append({"b", "04.04.2024", "10:00:00", 3, 1, 2, 5, 5, 6, 7, 8, 2}, {});
  table.MarkChanged();
  ExportOptions options;
  options.unit = 2;
  const ExportResult result =
      WriteAnalysisWorkbook(table, Path("a.xls"), options, DefaultWorkbookFactory());
  ASSERT_FALSE(result.Failed()) << result.status.Message();
  EXPECT_EQ(result.written, std::vector<std::string>{Path("a.xls")});
  EXPECT_FALSE(table.Dirty());
  EXPECT_EQ(testing::FileBytes(Path("a.xls")), testing::DataBytes("analysis.xls"));
}

// The rows of analysis.cva written in mg/l to path; the first row with rates
// whose figures need all 17 digits when `rates`.
bool ExportTable(bool rates, const std::string& path) {
  AnalysisTable table;
  AnalysisRow a{"a", "03.04.2024", "09:05:07", 2, -0.125f, 0.5f, 30, 45, 12.25f, 13.5f, 4, 0, {}};
  if (rates) {
    a.rates.rise = {0.1 + 0.2, 1.0 / 3.0, 0.987654321012345, -2.0 / 7.0, 1e-300, 6.02214076e23};
    a.rates.fall = {-0.0123456789, std::nullopt, std::nullopt, std::nullopt, 42.5, std::nullopt};
    a.rates.amountUnit = "g FW";
  }
  table.Append(a, {});
  table.Append({"b", "04.04.2024", "10:00:00", 3, 1, 2, 5, 5, 6, 7, 8, 2, {}}, {});
  ExportOptions options;
  options.unit = 2;
  return !WriteAnalysisWorkbook(table, path, options, DefaultWorkbookFactory()).Failed();
}

// The "Workbook" stream of an .xls file.
std::vector<uint8_t> WorkbookStream(const std::string& path) {
  gsf_init();
  std::vector<uint8_t> stream;
  GsfInput* file = gsf_input_stdio_new(path.c_str(), nullptr);
  GsfInfile* ole = gsf_infile_msole_new(file, nullptr);
  GsfInput* child = gsf_infile_child_by_name(ole, "Workbook");
  stream.resize(static_cast<size_t>(gsf_input_size(child)));
  EXPECT_NE(gsf_input_read(child, stream.size(), stream.data()), nullptr);
  for (GsfInput* input : {child, GSF_INPUT(ole), file}) g_object_unref(input);
  return stream;
}

TEST_F(Workbook, XlsRatesSheetFollowsAnUnchangedAnalysisSheetWithTheSameDoubles) {
  ASSERT_TRUE(ExportTable(false, Path("plain.xls")));
  ASSERT_TRUE(ExportTable(true, Path("rates.xls")));
  // Without rates the workbook is the one it always was; with them,
  // "Auswertung" keeps every cell.
  EXPECT_EQ(testing::FileBytes(Path("plain.xls")), testing::DataBytes("analysis.xls"));
  const auto plain = ParseStream(WorkbookStream(Path("plain.xls")));
  const auto sheets = ParseStream(WorkbookStream(Path("rates.xls")));
  ASSERT_EQ(plain.size(), 1u);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, plain[0].name);
  EXPECT_EQ(sheets[0].text, plain[0].text);
  EXPECT_EQ(sheets[0].number, plain[0].number);

  const ReadSheet& r = sheets[1];
  EXPECT_EQ(r.name, "Rates");
  EXPECT_EQ(r.text.at({0, 4}), "Rise slope in mg/(l*s)");
  EXPECT_EQ(r.text.at({0, 6}), "Rise R\xB2");
  EXPECT_EQ(r.text.at({0, 16}), "Amount unit");
  EXPECT_EQ(r.text.at({1, 2}), "09:05:07");
  EXPECT_EQ(r.number.at({1, 3}), 2.0);
  // Figures come back bit for bit.
  EXPECT_EQ(r.number.at({1, 4}), 0.1 + 0.2);
  EXPECT_EQ(r.number.at({1, 7}), -2.0 / 7.0);
  EXPECT_EQ(r.number.at({1, 8}), 1e-300);
  EXPECT_EQ(r.number.at({1, 9}), 6.02214076e23);
  EXPECT_EQ(r.number.at({1, 14}), 42.5);
  EXPECT_EQ(r.text.at({1, 16}), "g FW");
  // Missing figures are empty cells, not zeros or texts; so is a row without rates.
  for (int c : {11, 12, 13, 15}) EXPECT_EQ(r.text.count({1, c}) + r.number.count({1, c}), 0u);
  EXPECT_EQ(r.text.at({2, 0}), "b");
  EXPECT_EQ(r.number.size(), 10u);  // two chambers, eight figures
}

TEST_F(Workbook, XlsxRatesSheetFollowsAnUnchangedAnalysisSheet) {
  ASSERT_TRUE(ExportTable(false, Path("plain.xlsx")));
  ASSERT_TRUE(ExportTable(true, Path("rates.xlsx")));
  const std::string plain = testing::FileBytes(Path("plain.xlsx"));
  const std::string rates = testing::FileBytes(Path("rates.xlsx"));
  EXPECT_EQ(ZipMember(rates, "xl/worksheets/sheet1.xml"),
            ZipMember(plain, "xl/worksheets/sheet1.xml"));
  EXPECT_EQ(ZipMember(plain, "xl/worksheets/sheet2.xml"), "");
  EXPECT_NE(ZipMember(rates, "xl/workbook.xml").find("name=\"Rates\""), std::string::npos);
  // The .xlsx writer keeps 16 significant digits, enough for this figure.
  const std::string sheet = ZipMember(rates, "xl/worksheets/sheet2.xml");
  EXPECT_NE(sheet.find("<c r=\"G2\"><v>0.987654321012345</v></c>"), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("<c r=\"L2\""), std::string::npos);  // an empty figure has no cell
}

TEST_F(Workbook, ConnectionReportsErrorsAndConvertsNumberColumns) {
  SqliteWorkbookConnection c;
  EXPECT_EQ(c.ExecuteSQL("CREATE TABLE t (a TEXT)").Message(), "The workbook is not open.");
  EXPECT_EQ(c.OpenEx("DRIVER={X};DSN=''").Message(), "The connection names no workbook (DBQ).");
  ASSERT_TRUE(c.OpenEx(WorkbookConnectionString(Path("semi;colon.xls"))).Ok());
  EXPECT_EQ(c.Path(), Path("semi;colon.xls"));
  EXPECT_EQ(c.ExecuteSQL("INSERT INTO Nope (a) VALUES ('1')").Message(), "no such table: Nope");
  ASSERT_TRUE(c.ExecuteSQL("CREATE TABLE t (a NUMBER, b DOUBLE, c TEXT)").Ok());
  ASSERT_TRUE(c.ExecuteSQL("INSERT INTO t (a,b,c) VALUES ('-1,5','2.25','3,5')").Ok());
  ASSERT_TRUE(c.ExecuteSQL("INSERT INTO t (a,b,c) VALUES ('1,2,3','1e999','\xE4 \xB0')").Ok());
  std::vector<WorkbookSheet> sheets;
  ASSERT_TRUE(c.ReadSheets(sheets).Ok());
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
  for (const char* name : {"no/such/dir/x.xls", "no/such/dir/x.xlsx"}) {
    ASSERT_TRUE(c.OpenEx(WorkbookConnectionString(Path(name))).Ok());
    const Result closed = c.Close();
    EXPECT_FALSE(closed.Ok()) << name;
    EXPECT_TRUE(
        closed.Message().starts_with("The workbook " + Path(name) + " could not be written"))
        << closed.Message();
  }
  EXPECT_EQ(
      WriteWorkbook(Path("no/x.xls"), {}).Message(),
      "The workbook " + Path("no/x.xls") + " could not be written: No such file or directory.");
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

TEST_F(Workbook, XlsxPathWritesAZipWithOneWorksheetPerTable) {
  SqliteWorkbookConnection connection;
  WriteThrough(connection, Path("x.xlsx"),
               {"CREATE TABLE Parameter (Messung TEXT)", "CREATE TABLE Messdaten (MessNr NUMBER)",
                "INSERT INTO Messdaten (MessNr) VALUES ('1')"});
  const std::string bytes = testing::FileBytes(Path("x.xlsx"));
  EXPECT_EQ(bytes.substr(0, 2), "PK");
  EXPECT_NE(bytes.find("xl/worksheets/sheet1.xml"), std::string::npos);
  EXPECT_NE(bytes.find("xl/worksheets/sheet2.xml"), std::string::npos);
}

TEST_F(Workbook, XlsxIsWrittenWholeWithoutTouchingAFileBesideIt) {
  std::ofstream(Path("x.xlsx.part")) << "mine";
  SqliteWorkbookConnection connection;
  WriteThrough(connection, Path("x.xlsx"), {"CREATE TABLE t (a TEXT)"});
  EXPECT_EQ(testing::FileBytes(Path("x.xlsx.part")), "mine");
  EXPECT_EQ(testing::FileBytes(Path("x.xlsx")).substr(0, 2), "PK");
  const auto files = std::distance(std::filesystem::directory_iterator(folder_.Path()),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, 2);
}

TEST_F(Workbook, XlsxNumbersKeepTheirPointUnderAGermanLocale) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 missing";
  SqliteWorkbookConnection connection;
  WriteThrough(connection, Path("x.xlsx"),
               {"CREATE TABLE t (a DOUBLE)", "INSERT INTO t (a) VALUES ('1,9373')"});
  std::setlocale(LC_ALL, "C");
  const std::string sheet =
      ZipMember(testing::FileBytes(Path("x.xlsx")), "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<v>1.9373</v>"), std::string::npos) << sheet;
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

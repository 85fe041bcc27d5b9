// Statement texts of the spreadsheet exports and the export operations, driven
// through a connection that records what it is given.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/spreadsheet_export.h"

namespace corvala {
namespace {

// Logs "OPEN <connection>", each statement and "CLOSE"; rejects statement number failAt.
struct Recorded : WorkbookConnection {
  std::vector<std::string>* log;
  int* failAt;
  Recorded(std::vector<std::string>* l, int* f) : log(l), failAt(f) {}
  std::optional<std::string> OpenEx(const std::string& c) override { return Log("OPEN " + c); }
  std::optional<std::string> ExecuteSQL(const std::string& statement) override {
    if ((*failAt)-- == 0) return std::string("near \"X\": syntax error");
    return Log(statement);
  }
  std::optional<std::string> Close() override { return Log("CLOSE"); }
  std::optional<std::string> Log(const std::string& text) {
    log->push_back(text);
    return std::nullopt;
  }
};

ChamberRecord MakeRun(int samples, int interval) {
  ChamberRecord r;
  r.startDay = 5, r.startMonth = 12, r.startYear = 2026;
  r.startHour = 9, r.startMinute = 3, r.startSecond = 7;
  r.runInterval = interval;
  for (int k = 0; k < samples; ++k) {
    r.sampleHour.push_back(9), r.sampleMinute.push_back(0), r.sampleSecond.push_back(0);
    r.sampleElapsed.push_back(k * interval);
    r.samplePressure.push_back(1013.25f + static_cast<float>(k));
    r.sampleTemperature.push_back(23.5f);
    r.sampleLight.push_back(k % 2 == 0 ? 1 : 0);
  }
  r.sampleCount = samples;
  return r;
}

std::string Blank() {
  return "INSERT INTO Parameter (Messung) VALUES (' ')";
}

TEST(ExportStatements, ParameterSheetOfARunWithItsProgram) {
  ChamberRecord r = MakeRun(121, 5);
  r.stepTime = {3900, 90};
  r.stepLight = {1, 0};
  const std::vector<std::string> expected = {
      "CREATE TABLE Parameter (Messung TEXT,mit TEXT, dem TEXT, Corvala TEXT, R000 TEXT)",
      Blank(),
      "INSERT INTO Parameter (Messung,mit,dem,Corvala) VALUES "
      "('Messtag:','5.12.2026','Messdauer:','10:00')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Startzeit:','9:3:7')",
      Blank(),
      "INSERT INTO Parameter (Messung,mit) VALUES ('Temperatur:','25 \xB0"
      "C')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Messwerte:','120')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Messabstand:','5 s')",
      Blank(),
      Blank(),
      "INSERT INTO Parameter (Messung) VALUES ('Programm')",
      Blank(),
      "INSERT INTO Parameter (Messung,mit) VALUES ('01:05:00','an')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('01:30','aus')",
  };
  EXPECT_EQ(ParameterStatements(r, 0), expected);
  EXPECT_EQ(ParameterStatements(r, 3)[0],
            "CREATE TABLE Parameter (Messung TEXT,mit TEXT, dem TEXT, Corvala TEXT, R300 TEXT)");
}

TEST(ExportStatements, DataRowsGetCommasWhileNamesAndDatesKeepPoints) {
  ChamberRecord r = MakeRun(2, 5);
  EXPECT_EQ(MessdatenCreateStatement(),
            "CREATE TABLE Messdaten (MessNr NUMBER,Zeit TEXT,Temperatur DOUBLE, Druck "
            "DOUBLE,Normierung DOUBLE,Licht NUMBER)");
  EXPECT_EQ(MessdatenInsertStatement(r, 0, 1000.0f, true),
            "INSERT INTO Messdaten (MessNr,Zeit,Temperatur,Druck,Normierung,Licht) VALUES "
            "('1','00:00','23,5','1013,25','13,25','1')");
  EXPECT_EQ(MessdatenInsertStatement(r, 1, 0.0f, false),
            "INSERT INTO Messdaten (MessNr,Zeit,Temperatur,Druck,Normierung,Licht) VALUES "
            "('2','00:05','23.5','1014.25','1014.25','0')");

  // Analysis rows: name and date keep their points, the numbers get commas.
  EXPECT_EQ(AuswertungInsertHeadLength(1), 175u);
  EXPECT_EQ(AuswertungInsertHeadLength(2), 179u);
  AnalysisRow row{"run.1", "05.12.2026", "09:03:07", 2,     1.5f,   0.25f,
                  30,      45,           12.5f,      13.0f, 0.125f, 1};
  EXPECT_EQ(AuswertungInsertStatement(row, 1, true),
            "INSERT INTO Auswertung (MessName,Datum,Zeit,Kammer,\"Respiration in mbar/s\","
            "\"Slope in mbar/s\",\"Delay1 in s\",\"Delay2 in s\",\"Maximum-a in mbar\","
            "\"Maximum-m in mbar\",KphA) VALUES ('run.1','05.12.2026','09:03:07','2',"
            "'1,5000','0,2500','30','45','12,5000','13,0000','0,1250')");
  // A quote in the name is doubled; name and date still keep their points.
  row.name = "O'Neil.b";
  const std::string s = AuswertungInsertStatement(row, 1, true);
  EXPECT_NE(s.find("VALUES ('O''Neil.b','05.12.2026','09:03:07','2','1,5000'"), std::string::npos);
}

TEST(ExportStatements, ConnectionStringCarriesThePathTwice) {
  EXPECT_EQ(WorkbookConnectionString("C:\\d\\a.xls"),
            "DRIVER={MICROSOFT EXCEL DRIVER (*.XLS)};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;"
            "CREATE_DB=\"C:\\d\\a.xls\";DBQ=C:\\d\\a.xls");
}

class ExportOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("corvala_export_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    for (int c = 0; c < 3; ++c)
      station_.m_chamber[c].Access([&](ChamberRecord& r) {
        r.samplePressure = {1015.0f, 1010.0f + c, 1020.0f};
        r.sampleElapsed = {0, 5, 10}, r.sampleTemperature = {23.5f, 23.5f, 23.5f};
        r.sampleLight = {0, 0, 0};
        r.sampleHour = r.sampleMinute = r.sampleSecond = {0, 0, 0};
        r.sampleCount = 3, r.startDay = 5, r.startMonth = 12, r.startYear = 2026;
      });
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  WorkbookFactory Factory() {
    return [this] { return std::make_unique<Recorded>(&log_, &failAt_); };
  }
  ExportResult Export(std::array<uint8_t, 3> selected, const std::string& chosen) {
    prompts_.filePaths = {chosen};
    return ExportMeasurement(station_, selected, options_, prompts_, Factory());
  }

  std::filesystem::path dir_;
  Station station_;
  ScriptedPrompts prompts_;
  std::vector<std::string> log_;
  int failAt_ = -1;
  ExportOptions options_;
};

TEST_F(ExportOperations, TwoChambersGiveNumberedWorkbooksWithBothSheets) {
  station_.m_running[2] = 1;
  std::ofstream(Path("day1_2.xls")) << "old";
  prompts_.answers = {false};
  EXPECT_TRUE(Export({1, 1, 1}, Path("day1.xls")).written.empty());
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Existing files will be overwritten!"});
  EXPECT_TRUE(log_.empty());

  const ExportResult result = Export({1, 1, 1}, Path("day1.xls"));
  EXPECT_FALSE(result.Failed());
  EXPECT_EQ(result.written, (std::vector<std::string>{Path("day1_1.xls"), Path("day1_2.xls")}));
  ASSERT_EQ(log_.size(), 2u * (1 + 12 + 1 + 3 + 1));
  EXPECT_EQ(log_[18], "OPEN " + WorkbookConnectionString(Path("day1_2.xls")));
  EXPECT_EQ(log_[13], MessdatenCreateStatement());
  EXPECT_EQ(log_[17], "CLOSE");
  // Comma mode leaves the Parameter sheet alone (its date keeps the points).
  EXPECT_NE(log_[3].find("'5.12.2026'"), std::string::npos);
  // Normalisation was off: the baseline is the lowest pressure, and it is off again.
  EXPECT_NE(log_[14].find("'1015,00','5,00'"), std::string::npos);
  EXPECT_NE(log_[18 + 14].find("'1015,00','4,00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 0.0f);
  EXPECT_TRUE(result.selectionSlopeReset);
  // No chamber selected, or the dialog cancelled: nothing is written.
  EXPECT_TRUE(Export({0, 0, 0}, Path("x.xls")).written.empty());
  EXPECT_TRUE(Export({1, 0, 0}, "").written.empty());
  EXPECT_EQ(log_.size(), 36u);
}

TEST_F(ExportOperations, NormalisationOnIsUsedAndKeptAndCorrectionLimitsTheBaseline) {
  station_.m_normOffset[0] = 1000.0f;
  options_.comma = 0;
  ExportResult result = Export({1, 0, 0}, Path("one"));
  EXPECT_EQ(result.written, std::vector<std::string>{Path("one.xls")});
  EXPECT_NE(log_[14].find("'1015.00','15.00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 1000.0f);
  EXPECT_FALSE(result.selectionSlopeReset);

  // Correction marker at 5 s: the 900 at 0 s takes no part in the baseline.
  station_.m_normOffset[0] = 0.0f;
  station_.m_chamber[0].Access([](ChamberRecord& r) { r.samplePressure[0] = 900.0f; });
  options_.correctionOn = true;
  options_.correctionTime = 5;
  log_.clear();
  Export({1, 0, 0}, Path("two.xls"));
  EXPECT_NE(log_[14].find("'900.00','-110.00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 0.0f);
}

TEST_F(ExportOperations, RejectedStatementEndsTheExportAndRestoresNormalisation) {
  failAt_ = 14;  // second Messdaten row of chamber I
  const ExportResult result = Export({1, 1, 0}, Path("e.xls"));
  EXPECT_EQ(result.error, "near \"X\": syntax error");
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(log_.size(), 15u);  // no CLOSE, no second workbook
  EXPECT_EQ(station_.m_normOffset[0].load(), 0.0f);
}

TEST_F(ExportOperations, AnalysisExportWritesEveryRowAndClearsTheChangeMark) {
  AnalysisTable table;
  AnalysisRow row{"a.cv3", "05.12.2026", "09:00:00", 1, 1.0f, 2.0f, 3, 4, 5.0f, 6.0f, 7.0f, 0};
  table.Append(row, {});
  row.name = "b";
  table.Append(row, {});
  table.m_analysisDirty = 1;
  options_.unit = 2;
  prompts_.filePaths = {Path("t.xls")};
  ExportResult result = SaveAnalysisToSpreadsheet(table, options_, prompts_, Factory());
  EXPECT_EQ(result.written, std::vector<std::string>{Path("t.xls")});
  ASSERT_EQ(log_.size(), 5u);
  EXPECT_EQ(log_[1], AuswertungCreateStatement(2));
  EXPECT_EQ(log_[3], AuswertungInsertStatement(table.Row(1), 2, true));
  EXPECT_EQ(table.m_analysisDirty, 0);

  // A failed export leaves the table marked as changed.
  table.m_analysisDirty = 1;
  failAt_ = 1;
  EXPECT_TRUE(WriteAnalysisWorkbook(table, Path("u.xls"), options_, Factory()).Failed());
  EXPECT_EQ(table.m_analysisDirty, 1);

  // An existing file is replaced only after OK.
  std::ofstream(Path("t.xls")) << "old";
  prompts_.filePaths = {Path("t.xls")};
  prompts_.answers = {false};
  EXPECT_TRUE(SaveAnalysisToSpreadsheet(table, options_, prompts_, Factory()).written.empty());
  EXPECT_EQ(prompts_.asked.back(), "Existing file will be overwritten!");
}

}  // namespace
}  // namespace corvala

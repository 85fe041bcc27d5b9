// Statement texts of the spreadsheet exports and the export operations, driven
// through a connection that records what it is given.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/spreadsheet_export.h"

namespace corvala {
namespace {

struct Recorded {
  std::vector<std::string> connections;
  std::vector<std::vector<std::string>> statements;  // per connection
  int closed = 0;
  int failAt = -1;  // overall statement index that is rejected
  int executed = 0;
};

class RecordingConnection : public WorkbookConnection {
 public:
  explicit RecordingConnection(Recorded& r) : r_(r) {}
  std::optional<std::string> OpenEx(const std::string& connection) override {
    r_.connections.push_back(connection);
    r_.statements.emplace_back();
    return std::nullopt;
  }
  std::optional<std::string> ExecuteSQL(const std::string& statement) override {
    if (r_.executed++ == r_.failAt) return std::string("near \"X\": syntax error");
    r_.statements.back().push_back(statement);
    return std::nullopt;
  }
  std::optional<std::string> Close() override {
    ++r_.closed;
    return std::nullopt;
  }

 private:
  Recorded& r_;
};

WorkbookFactory Recording(Recorded& r) {
  return [&r] { return std::make_unique<RecordingConnection>(r); };
}

ChamberRecord MakeRun(int samples, int interval) {
  ChamberRecord r;
  r.startDay = 5, r.startMonth = 12, r.startYear = 2026;
  r.startHour = 9, r.startMinute = 3, r.startSecond = 7;
  r.runInterval = interval;
  r.runTemperature = 25;
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
  // A record without samples or with a program list shorter on one side.
  ChamberRecord empty;
  empty.stepTime = {60};
  EXPECT_EQ(ParameterStatements(empty, 0).size(), 12u);
}

TEST(ExportStatements, MessdatenRowsWithAndWithoutCommas) {
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
  r.sampleLight[1] = 7;  // only 1 means light on
  EXPECT_NE(MessdatenInsertStatement(r, 1, 0.0f, false).find(",'0')"), std::string::npos);
}

TEST(ExportStatements, AnalysisRowsKeepNameAndDatePoints) {
  EXPECT_EQ(AuswertungInsertHeadLength(1), 175u);
  EXPECT_EQ(AuswertungInsertHeadLength(2), 179u);
  AnalysisRow row{"run.1", "05.12.2026", "09:03:07", 2,     1.5f,   0.25f,
                  30,      45,           12.5f,      13.0f, 0.125f, 1};
  EXPECT_EQ(AuswertungInsertStatement(row, 1, true),
            "INSERT INTO Auswertung (MessName,Datum,Zeit,Kammer,\"Respiration in mbar/s\","
            "\"Slope in mbar/s\",\"Delay1 in s\",\"Delay2 in s\",\"Maximum-a in mbar\","
            "\"Maximum-m in mbar\",KphA) VALUES ('run.1','05.12.2026','09:03:07','2',"
            "'1,5000','0,2500','30','45','12,5000','13,0000','0,1250')");
  EXPECT_EQ(AuswertungInsertStatement(row, 2, false),
            "INSERT INTO Auswertung (MessName,Datum,Zeit,Kammer,\"Respiration in mg/(l*s)\","
            "\"Slope in mg/(l*s)\",\"Delay1 in s\",\"Delay2 in s\",\"Maximum-a in mg/l\","
            "\"Maximum-m in mg/l\",KphA) VALUES ('run.1','05.12.2026','09:03:07','2',"
            "'1.5000','0.2500','30','45','12.5000','13.0000','0.1250')");
  EXPECT_NE(AuswertungCreateStatement(2).find("\"Maximum-a in mg/l\" DOUBLE"), std::string::npos);
  EXPECT_NE(AuswertungCreateStatement(1).find("\"Respiration in mbar/s\" DOUBLE"),
            std::string::npos);
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
           ("corvala_export_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    for (int c = 0; c < 3; ++c)
      station_.m_chamber[c].Access([&](ChamberRecord& r) {
        const int index = r.chamberIndex;
        r = MakeRun(3, 5);
        r.chamberIndex = index;
        r.samplePressure = {1015.0f, 1010.0f + c, 1020.0f};
      });
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
  Station station_;
  ScriptedPrompts prompts_;
  Recorded recorded_;
  ExportOptions options_;
};

TEST_F(ExportOperations, TwoChambersGiveNumberedWorkbooksWithBothSheets) {
  prompts_.filePaths = {Path("day1.xls")};
  station_.m_running[2] = 1;
  const ExportResult result =
      ExportMeasurement(station_, {1, 1, 1}, options_, prompts_, Recording(recorded_));
  EXPECT_FALSE(result.Failed());
  EXPECT_EQ(result.written, (std::vector<std::string>{Path("day1_1.xls"), Path("day1_2.xls")}));
  ASSERT_EQ(recorded_.connections.size(), 2u);
  EXPECT_EQ(recorded_.connections[1], WorkbookConnectionString(Path("day1_2.xls")));
  EXPECT_EQ(recorded_.closed, 2);
  const auto& s = recorded_.statements[0];
  ASSERT_EQ(s.size(), 12u + 1u + 3u);
  EXPECT_EQ(s[12], MessdatenCreateStatement());
  // Comma mode leaves the Parameter sheet alone (its date keeps the points).
  EXPECT_NE(s[2].find("'5.12.2026'"), std::string::npos);
  // Normalisation was off: the baseline is the lowest pressure, and it is off again.
  EXPECT_NE(s[13].find("'1015,00','5,00'"), std::string::npos);
  EXPECT_NE(recorded_.statements[1][13].find("'1015,00','4,00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 0.0f);
  EXPECT_TRUE(result.selectionSlopeReset);
}

TEST_F(ExportOperations, NormalisationOnIsUsedAndKeptAndCorrectionLimitsTheBaseline) {
  station_.m_normOffset[0] = 1000.0f;
  prompts_.filePaths = {Path("one")};
  options_.comma = 0;
  ExportResult result =
      ExportMeasurement(station_, {1, 0, 0}, options_, prompts_, Recording(recorded_));
  EXPECT_EQ(result.written, std::vector<std::string>{Path("one.xls")});
  EXPECT_NE(recorded_.statements[0][13].find("'1015.00','15.00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 1000.0f);
  EXPECT_FALSE(result.selectionSlopeReset);

  // Correction marker at 5 s: the 1010 at 5 s counts, the 1015 at 0 s does not matter.
  station_.m_normOffset[0] = 0.0f;
  station_.m_chamber[0].Access([](ChamberRecord& r) {
    r.samplePressure = {900.0f, 1010.0f, 1020.0f};
  });
  options_.correctionOn = true;
  options_.correctionTime = 5;
  prompts_.filePaths = {Path("two.xls")};
  ExportMeasurement(station_, {1, 0, 0}, options_, prompts_, Recording(recorded_));
  EXPECT_NE(recorded_.statements[1][13].find("'900.00','-110.00'"), std::string::npos);
  EXPECT_EQ(station_.m_normOffset[0].load(), 0.0f);
}

TEST_F(ExportOperations, OverwriteQuestionAndCancelledDialogs) {
  std::ofstream(Path("run_2.xls")) << "old";
  prompts_.filePaths = {Path("run.xls")};
  prompts_.answers = {false};
  ExportResult result =
      ExportMeasurement(station_, {1, 1, 0}, options_, prompts_, Recording(recorded_));
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Existing files will be overwritten!"});
  EXPECT_TRUE(result.written.empty());
  EXPECT_TRUE(recorded_.connections.empty());
  // No chamber selected, or the dialog cancelled: nothing is asked or written.
  EXPECT_TRUE(ExportMeasurement(station_, {0, 0, 0}, options_, prompts_, Recording(recorded_))
                  .written.empty());
  EXPECT_TRUE(ExportMeasurement(station_, {1, 0, 0}, options_, prompts_, Recording(recorded_))
                  .written.empty());
  EXPECT_TRUE(recorded_.connections.empty());
}

TEST_F(ExportOperations, RejectedStatementEndsTheExportAndRestoresNormalisation) {
  prompts_.filePaths = {Path("e.xls")};
  recorded_.failAt = 14;  // second Messdaten row of chamber I
  const ExportResult result =
      ExportMeasurement(station_, {1, 1, 0}, options_, prompts_, Recording(recorded_));
  EXPECT_EQ(result.error, "near \"X\": syntax error");
  EXPECT_TRUE(result.written.empty());
  EXPECT_EQ(recorded_.connections.size(), 1u);
  EXPECT_EQ(recorded_.closed, 0);
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
  ExportResult result = SaveAnalysisToSpreadsheet(table, options_, prompts_, Recording(recorded_));
  EXPECT_EQ(result.written, std::vector<std::string>{Path("t.xls")});
  ASSERT_EQ(recorded_.statements[0].size(), 3u);
  EXPECT_EQ(recorded_.statements[0][0], AuswertungCreateStatement(2));
  EXPECT_EQ(recorded_.statements[0][2], AuswertungInsertStatement(table.Row(1), 2, true));
  EXPECT_EQ(table.m_analysisDirty, 0);

  // A failed export leaves the table marked as changed.
  table.m_analysisDirty = 1;
  recorded_.failAt = recorded_.executed + 1;
  result = WriteAnalysisWorkbook(table, Path("u.xls"), options_, Recording(recorded_));
  EXPECT_TRUE(result.Failed());
  EXPECT_EQ(table.m_analysisDirty, 1);

  // An existing file is replaced only after OK.
  std::ofstream(Path("t.xls")) << "old";
  prompts_.filePaths = {Path("t.xls")};
  prompts_.answers = {false};
  EXPECT_TRUE(
      SaveAnalysisToSpreadsheet(table, options_, prompts_, Recording(recorded_)).written.empty());
  EXPECT_EQ(prompts_.asked.back(), "Existing file will be overwritten!");
}

}  // namespace
}  // namespace corvala

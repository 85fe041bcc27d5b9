#include "files/spreadsheet_export.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

ChamberRecord MakeRun(int samples, int interval) {
  ChamberRecord r;
  r.startDay = 5, r.startMonth = 12, r.startYear = 2026;
  r.startHour = 9, r.startMinute = 3, r.startSecond = 7;
  r.runInterval = interval;
  for (int k = 0; k < samples; ++k)
    r.series.Append(Sample{9, 0, 0, k * interval, 1013.25f + static_cast<float>(k),
                           static_cast<uint8_t>(k % 2 == 0 ? 1 : 0), 23.5f});
  return r;
}

const std::string kBlank = "INSERT INTO Parameter (Messung) VALUES (' ')";

TEST(ExportStatements, ParameterSheetOfARunWithItsProgram) {
  ChamberRecord r = MakeRun(121, 5);
  r.stepTime = {3900, 90};
  r.stepLight = {1, 0};
  const std::vector<std::string> expected = {
      "CREATE TABLE Parameter (Messung TEXT,mit TEXT, dem TEXT, Corvala TEXT, R000 TEXT)",
      kBlank,
      "INSERT INTO Parameter (Messung,mit,dem,Corvala) VALUES "
      "('Messtag:','5.12.2026','Messdauer:','10:00')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Startzeit:','9:3:7')",
      kBlank,
      "INSERT INTO Parameter (Messung,mit) VALUES ('Temperatur:','25 \xB0"
      "C')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Messwerte:','120')",
      "INSERT INTO Parameter (Messung,mit) VALUES ('Messabstand:','5 s')",
      kBlank,
      kBlank,
      "INSERT INTO Parameter (Messung) VALUES ('Programm')",
      kBlank,
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
  // The commas start behind the date's closing quote, however long the date is.
  row.name = "run.1";
  row.date = "5.12.26";
  EXPECT_NE(AuswertungInsertStatement(row, 2, true)
                .find("VALUES ('run.1','5.12.26','09:03:07','2','1,5000'"),
            std::string::npos);
}

}  // namespace
}  // namespace corvala

#include "files/spreadsheet_export.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "analysis/rate_figures.h"
#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {
namespace {

constexpr const char* kAuswertungHead[2] = {
    "INSERT INTO Auswertung (MessName,Datum,Zeit,Kammer,\"Respiration in mbar/s\","
    "\"Slope in mbar/s\",\"Delay1 in s\",\"Delay2 in s\",\"Maximum-a in mbar\","
    "\"Maximum-m in mbar\",KphA) VALUES (",
    "INSERT INTO Auswertung (MessName,Datum,Zeit,Kammer,\"Respiration in mg/(l*s)\","
    "\"Slope in mg/(l*s)\",\"Delay1 in s\",\"Delay2 in s\",\"Maximum-a in mg/l\","
    "\"Maximum-m in mg/l\",KphA) VALUES ("};

int UnitIndex(int32_t unit) {
  return unit == 2 ? 1 : 0;
}

// A rate figure as an SQL literal: 17 significant digits give back the very
// same double; a missing or non-finite figure is an empty cell.
std::string RateLiteral(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return "NULL";
  return Format("%.17g", *value);
}

std::string QuotedIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

int32_t ClampedSeconds(int64_t seconds) {
  return TruncToInt32(static_cast<double>(seconds));
}

}  // namespace

std::string WorkbookConnectionString(const std::string& path) {
  return "DRIVER={MICROSOFT EXCEL DRIVER (*.XLS)};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;"
         "CREATE_DB=\"" +
         path + "\";DBQ=" + path;
}

std::string SqlQuote(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::vector<std::string> ParameterStatements(const ChamberRecord& record, int32_t modelDigit) {
  const int32_t samples = record.Samples();
  const int32_t duration =
      ClampedSeconds(static_cast<int64_t>(samples - 1) * static_cast<int64_t>(record.runInterval));
  const std::string date = Format("%d.%d.%d", record.startDay, record.startMonth, record.startYear);
  const std::string start =
      Format("%d:%d:%d", record.startHour, record.startMinute, record.startSecond);
  const std::string blank = "INSERT INTO Parameter (Messung) VALUES (' ')";
  std::vector<std::string> s = {
      Format("CREATE TABLE Parameter (Messung TEXT,mit TEXT, dem TEXT, Corvala TEXT, R%d00 TEXT)",
             modelDigit),
      blank,
      Format("INSERT INTO Parameter (Messung,mit,dem,Corvala) VALUES "
             "('Messtag:','%s','Messdauer:','%s')",
             date.c_str(), FormatMs(duration).c_str()),
      Format("INSERT INTO Parameter (Messung,mit) VALUES ('Startzeit:','%s')", start.c_str()),
      blank,
      Format("INSERT INTO Parameter (Messung,mit) VALUES ('Temperatur:','%d \xB0"
             "C')",
             record.runTemperature),
      Format("INSERT INTO Parameter (Messung,mit) VALUES ('Messwerte:','%d')", samples - 1),
      Format("INSERT INTO Parameter (Messung,mit) VALUES ('Messabstand:','%d s')",
             record.runInterval),
      blank,
      blank,
      "INSERT INTO Parameter (Messung) VALUES ('Programm')",
      blank,
  };
  const size_t steps = std::min(record.stepTime.size(), record.stepLight.size());
  for (size_t k = 0; k < steps; ++k)
    s.push_back(Format("INSERT INTO Parameter (Messung,mit) VALUES ('%s','%s')",
                       FormatMs(record.stepTime[k]).c_str(),
                       record.stepLight[k] == 1 ? "an" : "aus"));
  return s;
}

std::string MessdatenCreateStatement() {
  return "CREATE TABLE Messdaten (MessNr NUMBER,Zeit TEXT,Temperatur DOUBLE, Druck DOUBLE,"
         "Normierung DOUBLE,Licht NUMBER)";
}

std::string MessdatenInsertStatement(const ChamberRecord& record, int32_t k, float normOffset,
                                     bool comma) {
  const Sample sample = record.series.At(k);
  const float pressure = sample.pressure;
  std::string s = Format(
      "INSERT INTO Messdaten (MessNr,Zeit,Temperatur,Druck,Normierung,Licht) VALUES "
      "('%d','%s','%3.1f','%4.2f','%4.2f','%d')",
      k + 1, FormatMs(sample.elapsed).c_str(), static_cast<double>(sample.temperature),
      static_cast<double>(pressure), static_cast<double>(pressure - normOffset),
      sample.light == 1 ? 1 : 0);
  if (comma) std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

std::string AuswertungCreateStatement(int32_t unit) {
  if (UnitIndex(unit) == 1)
    return "CREATE TABLE Auswertung (MessName TEXT,Datum TEXT,Zeit TEXT,Kammer NUMBER,"
           "\"Respiration in mg/(l*s)\" DOUBLE,\"Slope in mg/(l*s)\" DOUBLE,\"Delay1 in s\" "
           "NUMBER,\"Delay2 in s\" NUMBER,\"Maximum-a in mg/l\" DOUBLE,\"Maximum-m in mg/l\" "
           "DOUBLE,KphA DOUBLE)";
  return "CREATE TABLE Auswertung (MessName TEXT,Datum TEXT,Zeit TEXT,Kammer NUMBER,"
         "\"Respiration in mbar/s\" DOUBLE,\"Slope in mbar/s\" DOUBLE,\"Delay1 in s\" NUMBER,"
         "\"Delay2 in s\" NUMBER,\"Maximum-a in mbar\" DOUBLE,\"Maximum-m in mbar\" DOUBLE,"
         "KphA DOUBLE)";
}

size_t AuswertungInsertHeadLength(int32_t unit) {
  return std::string(kAuswertungHead[UnitIndex(unit)]).size();
}

std::string AuswertungInsertStatement(const AnalysisRow& row, int32_t unit, bool comma) {
  const std::string name = SqlQuote(row.name);
  const std::string date = SqlQuote(row.date);
  std::string s = kAuswertungHead[UnitIndex(unit)] +
                  Format("'%s','%s','%s','%d','%5.4f','%5.4f','%d','%d','%5.4f','%5.4f','%5.4f')",
                         name.c_str(), date.c_str(), SqlQuote(row.time).c_str(), row.chamber,
                         static_cast<double>(row.respiration), static_cast<double>(row.slope),
                         row.delay1, row.delay2, static_cast<double>(row.maximumA),
                         static_cast<double>(row.maximumM), static_cast<double>(row.kphA));
  if (comma) {
    // Behind the date's closing quote: "'" name "','" date "'".
    constexpr size_t kQuotesAroundNameAndDate = std::string_view(
                                                    "'"
                                                    "','"
                                                    "'")
                                                    .size();
    const size_t from = std::min(s.size(), AuswertungInsertHeadLength(unit) + name.size() +
                                               date.size() + kQuotesAroundNameAndDate);
    std::replace(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), '.', ',');
  }
  return s;
}

std::vector<std::string> RatesColumns(int32_t unit) {
  const std::string perSecond = UnitIndex(unit) == 1 ? " in mg/(l*s)" : " in mbar/s";
  std::vector<std::string> columns = {"Name", "Date", "Time", "Chamber"};
  for (const char* region : {"Rise", "Fall"}) {
    const std::string r = region;
    columns.insert(columns.end(), {r + " slope" + perSecond, r + " SE" + perSecond, r + " R\u00B2",
                                   r + " corrected slope" + perSecond, r + " \u00B5mol/h",
                                   r + " \u00B5mol/h per amount"});
  }
  columns.push_back("Amount unit");
  return columns;
}

std::string RatesCreateStatement(int32_t unit) {
  const std::vector<std::string> columns = RatesColumns(unit);
  std::string s = std::string("CREATE TABLE ") + kRatesSheet + " (";
  for (size_t c = 0; c < columns.size(); ++c) {
    const bool text = c < 3 || c + 1 == columns.size();
    const char* type = text ? " TEXT" : c == 3 ? " NUMBER" : " DOUBLE";
    s += (c > 0 ? "," : "") + QuotedIdentifier(columns[c]) + type;
  }
  return s + ")";
}

std::string RatesInsertStatement(const AnalysisRow& row) {
  std::string s = std::string("INSERT INTO ") + kRatesSheet + " VALUES (";
  s += Format("'%s','%s','%s',%d", SqlQuote(row.name).c_str(), SqlQuote(row.date).c_str(),
              SqlQuote(row.time).c_str(), row.chamber);
  for (const RowRate* rate : {&row.rates.rise, &row.rates.fall})
    for (const std::optional<double>* figure :
         {&rate->slope, &rate->standardError, &rate->r2, &rate->correctedSlope,
          &rate->micromolPerHour, &rate->micromolPerHourPerAmount})
      s += "," + RateLiteral(*figure);
  const std::string& unit = row.rates.amountUnit;
  return s + "," + (unit.empty() ? std::string("NULL") : "'" + SqlQuote(unit) + "'") + ")";
}

ExportResult WriteAnalysisWorkbook(AnalysisTable& table, const std::string& path,
                                   const ExportOptions& options, const WorkbookFactory& factory) {
  ExportResult result;
  std::unique_ptr<WorkbookConnection> connection = factory();
  Result status = connection->OpenEx(WorkbookConnectionString(path));
  if (status) status = connection->ExecuteSQL(AuswertungCreateStatement(options.unit));
  for (size_t i = 0; i < table.RowCount() && status; ++i)
    status = connection->ExecuteSQL(
        AuswertungInsertStatement(table.Row(i), options.unit, options.comma == 1));
  // The rates follow on a sheet of their own; without any, the workbook stays
  // as it is written without rates.
  if (status && AnyRowHasRates(table)) {
    status = connection->ExecuteSQL(RatesCreateStatement(options.unit));
    for (size_t i = 0; i < table.RowCount() && status; ++i)
      status = connection->ExecuteSQL(RatesInsertStatement(table.Row(i)));
  }
  if (status) status = connection->Close();
  if (!status) {
    result.status = status;
    return result;
  }
  result.written.push_back(path);
  table.MarkSaved();
  return result;
}

}  // namespace corvala

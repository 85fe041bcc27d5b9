#include "files/spreadsheet_export.h"

#include <algorithm>
#include <filesystem>

#include "analysis/normalisation.h"
#include "chart/time_format.h"
#include "files/measurement_file.h"
#include "util/c_format.h"

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

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

int32_t ClampedSeconds(int64_t seconds) {
  return TruncToInt32(static_cast<double>(seconds));
}

// Runs the statements in order; the first error ends them.
std::optional<std::string> Run(WorkbookConnection& connection,
                               const std::vector<std::string>& statements) {
  for (const std::string& statement : statements)
    if (auto error = connection.ExecuteSQL(statement)) return error;
  return std::nullopt;
}

// Writes one chamber's workbook; the error text on failure.
std::optional<std::string> ExportChamber(Station& station, int chamber, const std::string& path,
                                         const ExportOptions& options,
                                         const WorkbookFactory& factory, bool& normSwitched) {
  const ChamberRecord record = station.m_chamber[chamber].Snapshot();
  std::unique_ptr<WorkbookConnection> connection = factory();
  if (auto error = connection->OpenEx(WorkbookConnectionString(path))) return error;
  if (auto error = Run(*connection, ParameterStatements(record, options.edit1073))) return error;

  // The "Normierung" column needs a baseline: switch normalisation on for the
  // export when it is off, and off again afterwards, also when the export fails.
  const bool switchOn = station.m_normOffset[chamber].load() == 0.0f;
  if (switchOn) {
    ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
    normSwitched = true;
  }
  const float offset = station.m_normOffset[chamber].load();
  std::optional<std::string> error = connection->ExecuteSQL(MessdatenCreateStatement());
  const int32_t samples = record.Samples();
  for (int32_t k = 0; k < samples && !error; ++k)
    error = connection->ExecuteSQL(MessdatenInsertStatement(record, k, offset, options.comma == 1));
  if (switchOn && station.m_normOffset[chamber].load() != 0.0f)
    ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
  if (error) return error;
  return connection->Close();
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

std::vector<std::string> ParameterStatements(const ChamberRecord& record, int32_t edit1073) {
  const int32_t samples = record.Samples();
  const int32_t duration =
      ClampedSeconds(static_cast<int64_t>(samples - 1) * static_cast<int64_t>(record.runInterval));
  const std::string date = Format("%d.%d.%d", record.startDay, record.startMonth, record.startYear);
  const std::string start =
      Format("%d:%d:%d", record.startHour, record.startMinute, record.startSecond);
  const std::string blank = "INSERT INTO Parameter (Messung) VALUES (' ')";
  std::vector<std::string> s = {
      Format("CREATE TABLE Parameter (Messung TEXT,mit TEXT, dem TEXT, Corvala TEXT, R%d00 TEXT)",
             edit1073),
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
  const float pressure = record.samplePressure[k];
  std::string s = Format(
      "INSERT INTO Messdaten (MessNr,Zeit,Temperatur,Druck,Normierung,Licht) VALUES "
      "('%d','%s','%3.1f','%4.2f','%4.2f','%d')",
      k + 1, FormatMs(record.sampleElapsed[k]).c_str(),
      static_cast<double>(record.sampleTemperature[k]), static_cast<double>(pressure),
      static_cast<double>(pressure - normOffset), record.sampleLight[k] == 1 ? 1 : 0);
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
    const size_t from =
        std::min(s.size(), AuswertungInsertHeadLength(unit) + name.size() + date.size());
    std::replace(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), '.', ',');
  }
  return s;
}

ExportResult ExportMeasurement(Station& station, const std::array<uint8_t, 3>& selected,
                               const ExportOptions& options, Prompts& prompts,
                               const WorkbookFactory& factory) {
  ExportResult result;
  const int selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
  if (selectedCount == 0) return result;
  std::string chosen;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, chosen)) return result;

  std::array<bool, 3> exportable{};
  std::array<std::string, 3> target;
  const std::filesystem::path chosenPath(chosen);
  const std::string title = FileTitle(chosen);
  bool anyExists = false;
  for (int c = 0; c < 3; ++c) {
    exportable[c] = selected[c] == 1 && station.m_running[c].load() == 0;
    if (!exportable[c]) continue;
    target[c] =
        selectedCount == 1
            ? chosen
            : (chosenPath.parent_path() / Format("%s_%d.xls", title.c_str(), c + 1)).string();
    anyExists = anyExists || FileExists(target[c]);
  }
  if (anyExists) {
    const char* question = selectedCount == 1 ? "Existing file will be overwritten!"
                                              : "Existing files will be overwritten!";
    if (!prompts.AskOkCancel(question)) return result;
  }

  for (int c = 0; c < 3; ++c) {
    if (!exportable[c]) continue;
    const std::string path =
        target[c].find(".xls") == std::string::npos ? target[c] + ".xls" : target[c];
    // The workbook replaces a file at its own path whole when it is written; a
    // differently named target is removed as the old export.
    if (path != target[c] && FileExists(target[c])) {
      std::error_code ec;
      std::filesystem::remove(target[c], ec);
    }
    if (auto error =
            ExportChamber(station, c, path, options, factory, result.selectionSlopeReset)) {
      result.error = *error;
      return result;
    }
    result.written.push_back(path);
  }
  return result;
}

ExportResult WriteAnalysisWorkbook(AnalysisTable& table, const std::string& path,
                                   const ExportOptions& options, const WorkbookFactory& factory) {
  ExportResult result;
  std::unique_ptr<WorkbookConnection> connection = factory();
  std::optional<std::string> error = connection->OpenEx(WorkbookConnectionString(path));
  if (!error) error = connection->ExecuteSQL(AuswertungCreateStatement(options.unit));
  for (size_t i = 0; i < table.RowCount() && !error; ++i)
    error = connection->ExecuteSQL(
        AuswertungInsertStatement(table.Row(i), options.unit, options.comma == 1));
  if (!error) error = connection->Close();
  if (error) {
    result.error = *error;
    return result;
  }
  result.written.push_back(path);
  table.m_analysisDirty = 0;
  return result;
}

ExportResult SaveAnalysisToSpreadsheet(AnalysisTable& table, const ExportOptions& options,
                                       Prompts& prompts, const WorkbookFactory& factory) {
  std::string path;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, path)) return {};
  if (FileExists(path) && !prompts.AskOkCancel("Existing file will be overwritten!")) return {};
  return WriteAnalysisWorkbook(table, path, options, factory);
}

}  // namespace corvala

#pragma once
// The statements of the two spreadsheet exports: a measurement (sheets
// "Parameter" and "Messdaten", one workbook per chamber) and the analysis table
// (sheet "Auswertung", then "Rates" when rows carry regression rates), and the
// writing of the analysis workbook.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "files/workbook_connection.h"
#include "run/chamber_record.h"

namespace corvala {

inline constexpr const char* kSpreadsheetExtension = "xls";

// The connection string of the workbook at path.
std::string WorkbookConnectionString(const std::string& path);

// Text for a quoted SQL literal: every ' doubled.
std::string SqlQuote(const std::string& text);

// CREATE TABLE Parameter and its rows: run date, duration, start time,
// temperature ("%d \xB0C", degree sign as the Latin-1 byte), sample count,
// interval, then the program steps. The model digit names the fifth column
// "R<digit>00", the model designation.
std::vector<std::string> ParameterStatements(const ChamberRecord& record, int32_t modelDigit);
std::string MessdatenCreateStatement();
// The row of sample k (0-based); "." becomes "," everywhere when comma.
std::string MessdatenInsertStatement(const ChamberRecord& record, int32_t k, float normOffset,
                                     bool comma);

// Unit 2 is mg/l; any other unit is written as mbar.
std::string AuswertungCreateStatement(int32_t unit);
// Length of the INSERT head up to and including "VALUES (".
size_t AuswertungInsertHeadLength(int32_t unit);
// The row's INSERT; with comma, the points behind the date field's closing
// quote become commas, so name and date keep theirs whatever their length.
std::string AuswertungInsertStatement(const AnalysisRow& row, int32_t unit, bool comma);

// The sheet "Rates": Name, Date, Time, Chamber, then for the rise and for the
// fall the slope and its standard error (in mbar/s, or mg/(l*s) for unit 2),
// R², the blank-corrected slope, µmol/h and µmol/h per amount, and last
// the amount's unit.
inline constexpr const char* kRatesSheet = "Rates";
std::vector<std::string> RatesColumns(int32_t unit);
std::string RatesCreateStatement(int32_t unit);
// The row's line: figures as number literals that read back as the same
// doubles, NULL (an empty cell) where a figure or the amount's unit is missing.
std::string RatesInsertStatement(const AnalysisRow& row);

struct ExportOptions {
  uint8_t comma = 1;          // m_comma
  int32_t modelDigit = 0;     // the hidden edit 1073
  int32_t unit = 1;           // m_unit, for the analysis export
  bool correctionOn = false;  // the correction marker, for the baseline
  int32_t correctionTime = 0;
};

struct ExportResult {
  Result status;                     // the failure that ended the export
  std::vector<std::string> written;  // workbooks written, in order
  bool selectionSlopeReset = false;  // normalisation was switched: reset m_selSlope
  bool cancelled = false;            // the user stopped it; nothing more was written
  bool Failed() const { return !status.Ok(); }
};

// The analysis table into a workbook at path (no dialogs): the sheet
// "Auswertung", and the sheet "Rates" after it when a row carries a rate
// figure. Marks the table saved when the workbook was written.
ExportResult WriteAnalysisWorkbook(AnalysisTable& table, const std::string& path,
                                   const ExportOptions& options, const WorkbookFactory& factory);

}  // namespace corvala

#pragma once
// The spreadsheet exports as the user starts them: the file dialog, the
// question before existing workbooks are replaced, then the workbooks.

#include <array>
#include <cstdint>
#include <string>

#include "analysis/analysis_table.h"
#include "files/spreadsheet_export.h"
#include "files/workbook_connection.h"
#include "run/station.h"
#include "station/prompts.h"

namespace corvala {

// Button 1076: one workbook per selected chamber that is not running, named
// like the measurement files ("%s_%d.xls" for 2 or 3 chambers), asking before
// existing files are replaced. A selected chamber without samples is named in
// a notice and left out. The first error ends the export; the window shows
// result.error with Prompts::ShowNotice.
ExportResult ExportMeasurement(Station& station, const std::array<uint8_t, 3>& selected,
                               const ExportOptions& options, Prompts& prompts,
                               const WorkbookFactory& factory);

// Buttons 1104 and 1113, and the Yes to "Save the analysis?": the save dialog,
// the overwrite question, then WriteAnalysisWorkbook.
ExportResult SaveAnalysisToSpreadsheet(AnalysisTable& table, const ExportOptions& options,
                                       Prompts& prompts, const WorkbookFactory& factory);

}  // namespace corvala

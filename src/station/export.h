#pragma once
// The spreadsheet exports as the user starts them: the file dialog, the
// question before existing workbooks are replaced, then the workbooks.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "files/spreadsheet_export.h"
#include "files/workbook_connection.h"
#include "run/station.h"
#include "station/prompts.h"
#include "util/progress.h"

namespace corvala {

// One workbook to write: the chamber's run as it stood when the export began.
struct ExportJob {
  int chamber = 0;
  std::string path;  // the workbook
  ChamberRecord record;
  float baseline = 0.0f;  // what the "Normierung" column subtracts
};
struct ExportPlan {
  std::vector<ExportJob> jobs;
  bool selectionSlopeReset = false;  // a baseline was taken as normalisation takes it
};

// Button 1076, on the window thread: one workbook per selected chamber that is
// not running, named like the measurement files ("%s_%d" and the typed
// extension for 2 or 3 chambers; ".xls" when none was typed), after the
// question before existing files of those names are replaced. A selected
// chamber without samples is named in a notice and left out. Nothing to do
// when the user cancels a dialog.
ExportPlan PlanMeasurementExport(Station& station, const std::array<uint8_t, 3>& selected,
                                 const ExportOptions& options, Prompts& prompts);
// Writes the planned workbooks on any thread, counting rows in progress. All
// workbooks are written under temporary names first and put in place together
// at the end, so an export that fails or is cancelled, at any point up to
// then, leaves no new workbook and the files there before unchanged. The
// window shows a failure with Prompts::ShowNotice.
ExportResult WriteMeasurementWorkbooks(const ExportPlan& plan, const ExportOptions& options,
                                       const WorkbookFactory& factory,
                                       Progress* progress = nullptr);
// Both steps in one call.
ExportResult ExportMeasurement(Station& station, const std::array<uint8_t, 3>& selected,
                               const ExportOptions& options, Prompts& prompts,
                               const WorkbookFactory& factory);

// Buttons 1104 and 1113, and the Yes to "Save the analysis?": the save dialog,
// the overwrite question, then WriteAnalysisWorkbook.
ExportResult SaveAnalysisToSpreadsheet(AnalysisTable& table, const ExportOptions& options,
                                       Prompts& prompts, const WorkbookFactory& factory);

}  // namespace corvala

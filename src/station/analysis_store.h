#pragma once
// The analysis table with its working file "auswertung.tmp" and the questions
// around it: the working file mirrors every change so the table survives a
// crash; deleting rows, clearing the table, analysis files and the offer to
// save a changed table at the end ask the user first.

#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/analysis_table.h"
#include "files/spreadsheet_export.h"
#include "files/workbook_connection.h"
#include "run/station.h"
#include "station/prompts.h"
#include "util/result.h"

namespace corvala {

inline constexpr const char* kWorkingFileName = "auswertung.tmp";
inline constexpr const char* kAnalysisExtension = "cva";

class AnalysisStore {
 public:
  AnalysisStore(std::string workingFile, Prompts& prompts)
      : workingFile_(std::move(workingFile)), prompts_(prompts) {}

  AnalysisTable& Table() { return table_; }
  const AnalysisTable& Table() const { return table_; }
  const std::string& WorkingFile() const { return workingFile_; }

  // Reads the working file a previous session left; true when it was read.
  // Rows read from it count as unsaved.
  bool Restore();
  // Rewrites the working file with the table in `unit`. A failure leaves the
  // table without its crash protection, so the first one is shown; later ones
  // stay quiet until a rewrite succeeds again.
  Result SaveWorkingFile(int32_t unit);

  // Adds the analysis row of chamber 0..2 and rewrites the working file when
  // the analysis got past its checks.
  AddRowOutcome AddRow(Station& station, int chamber, const std::string& name,
                       const AnalysisRowOptions& options, int32_t unit);
  // "Zeile löschen": row r after "Delete the line?"; true when it was deleted.
  bool DeleteRow(int r, int32_t unit);
  // A click on row r of the table moves it to its next diagram group.
  bool CycleDiagramGroup(int r, int32_t unit);
  // "Neu": after "Delete the table?" the table is emptied and closed as at the end.
  bool ClearTable(const ExportOptions& options, const WorkbookFactory& factory);

  // Loads an analysis file chosen by the user; true when the table was replaced.
  // A changed table is first offered for saving ("Save the analysis?").
  bool LoadFile(const ExportOptions& options, const WorkbookFactory& factory);
  // Saves the table to an analysis file chosen by the user; true when written.
  bool SaveFile(int32_t unit);
  // The table into a workbook chosen by the user; true when written.
  bool SaveToSpreadsheet(const ExportOptions& options, const WorkbookFactory& factory);
  // At the end of the program: offers to save a changed table, then removes the
  // working file. A table the user wanted saved but that was not written is
  // written to the working file, which the next start reads back; where that
  // fails, the user is told and may save it elsewhere.
  void Close(const ExportOptions& options, const WorkbookFactory& factory);
  // At an end by a signal, when no one can be asked: a changed table stays in
  // its working file (written again if its last rewrite failed), which the next
  // start reads back and offers to save at its own end; an unchanged one's
  // working file is removed.
  void CloseWithoutAsking(int32_t unit);

 private:
  AnalysisTable table_;
  std::string workingFile_;
  Prompts& prompts_;
  // Writes the working file for the next start; offers to save elsewhere while it cannot be.
  void KeepInWorkingFile(const ExportOptions& options, const WorkbookFactory& factory);

  bool workingFileFailureShown_ = false;
};

}  // namespace corvala

#include "station/analysis_store.h"

#include <filesystem>

#include "files/analysis_file.h"
#include "station/export.h"
#include "station/station_analysis.h"
#include "util/file_names.h"

namespace corvala {

bool AnalysisStore::Restore() {
  if (!ReadAnalysisFile(table_, workingFile_).Ok()) return false;
  // Rows left in the working file were never saved (a crash, or a save the user
  // cancelled): they stay unsaved until saved, exported or let go.
  if (table_.RowCount() > 0) table_.MarkChanged();
  return true;
}

Result AnalysisStore::SaveWorkingFile(int32_t unit) {
  Result written = WriteAnalysisFile(table_, workingFile_, unit);
  if (written) {
    workingFileFailureShown_ = false;
  } else if (!workingFileFailureShown_) {
    workingFileFailureShown_ = true;
    prompts_.ShowNotice(written.Message() +
                        " The analysis table is not protected against a crash until its "
                        "working file can be written again.");
  }
  return written;
}

AddRowOutcome AnalysisStore::AddRow(Station& station, int chamber, const std::string& name,
                                    const AnalysisRowOptions& options, int32_t unit) {
  const AddRowOutcome outcome = AddAnalysisRow(table_, station, chamber, name, options);
  if (outcome.passed) (void)SaveWorkingFile(unit);
  return outcome;
}

bool AnalysisStore::DeleteRow(int r, int32_t unit) {
  if (r < 0 || static_cast<size_t>(r) >= table_.RowCount()) return false;
  if (!prompts_.AskYesNo("Delete the line?")) return false;
  table_.DeleteRow(static_cast<size_t>(r));
  (void)SaveWorkingFile(unit);
  return true;
}

bool AnalysisStore::CycleDiagramGroup(int r, int32_t unit) {
  if (r < 0 || !table_.CycleDiagramGroup(static_cast<size_t>(r))) return false;
  (void)SaveWorkingFile(unit);
  return true;
}

bool AnalysisStore::ClearTable(const ExportOptions& options, const WorkbookFactory& factory) {
  if (!prompts_.AskYesNo("Delete the table?")) return false;
  table_.Clear();
  table_.MarkSaved();
  Close(options, factory);
  return true;
}

bool AnalysisStore::LoadFile(const ExportOptions& options, const WorkbookFactory& factory) {
  // A changed table is offered for saving first, as at the end of the program;
  // one the user wants saved is not replaced unless it was written.
  if (table_.Dirty() && prompts_.AskYesNo("Save the analysis?") &&
      !SaveToSpreadsheet(options, factory))
    return false;
  std::string path;
  if (!prompts_.ChooseOpenFile(kAnalysisExtension, path)) return false;
  const Result read = ReadAnalysisFile(table_, path);
  if (!read) prompts_.ShowNotice(read.Message());
  return read.Ok();
}

bool AnalysisStore::SaveFile(int32_t unit) {
  std::string path;
  if (!prompts_.ChooseSaveFile(kAnalysisExtension, path)) return false;
  if (PathExists(path) && !prompts_.AskOkCancel("Existing file will be overwritten!")) return false;
  const Result written = WriteAnalysisFile(table_, path, unit);
  if (!written) {
    prompts_.ShowNotice(written.Message());
    return false;
  }
  table_.MarkSaved();
  return true;
}

bool AnalysisStore::SaveToSpreadsheet(const ExportOptions& options,
                                      const WorkbookFactory& factory) {
  const ExportResult result =
      corvala::SaveAnalysisToSpreadsheet(table_, options, prompts_, factory);
  if (result.Failed()) prompts_.ShowNotice(result.status.Message());
  return !result.Failed() && !result.written.empty();
}

void AnalysisStore::Close(const ExportOptions& options, const WorkbookFactory& factory) {
  bool keepWorkingFile = false;
  if (table_.Dirty()) {
    if (prompts_.AskYesNo("Save the analysis?"))
      keepWorkingFile = !SaveToSpreadsheet(options, factory);
    // An answer that came from no one (the program is ended by a signal) keeps the table.
    if (prompts_.Silenced()) return;
    table_.MarkSaved();
  }
  if (keepWorkingFile) {
    KeepInWorkingFile(options, factory);
    return;
  }
  std::error_code ignored;
  RemovePath(workingFile_, ignored);
}

void AnalysisStore::KeepInWorkingFile(const ExportOptions& options,
                                      const WorkbookFactory& factory) {
  // The working file mirrors the table unless a rewrite failed during the
  // session or the file went: then it is written now, so the next start finds the rows. Where it
  // cannot be, the user hears so and may save the table elsewhere, as often as
  // they like; only their No lets the table go.
  if (!workingFileFailureShown_ && IsRegularFile(workingFile_)) return;
  while (true) {
    const Result written = WriteAnalysisFile(table_, workingFile_, options.unit);
    if (written) return;
    if (!prompts_.AskYesNo(written.Message() + " The analysis table is not kept in " +
                           workingFile_ + ". Save the analysis elsewhere?"))
      return;
    if (SaveToSpreadsheet(options, factory)) {
      table_.MarkSaved();
      return;
    }
  }
}

}  // namespace corvala

namespace corvala {

void AnalysisStore::CloseWithoutAsking(int32_t unit) {
  if (!table_.Dirty()) {
    std::error_code ignored;
    RemovePath(workingFile_, ignored);
    return;
  }
  // The working file mirrors the table unless its last rewrite failed.
  if (!workingFileFailureShown_) return;
  if (const Result written = WriteAnalysisFile(table_, workingFile_, unit); !written)
    prompts_.ShowNotice(written.Message() + " The changed analysis table is lost.");
}

}  // namespace corvala

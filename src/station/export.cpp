#include "station/export.h"

#include <algorithm>
#include <filesystem>

#include "analysis/normalisation.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/file_names.h"

namespace corvala {
namespace {

bool FileExists(const std::string& path) {
  return PathExists(path);
}

// Making and writing a workbook's file takes a quarter (.xls) to three
// quarters (.xlsx) of the time of its rows' statements; the progress counts it
// as half.
int64_t WorkbookFileWeight(int32_t samples) {
  return std::max<int64_t>(1, samples / 2);
}

// Runs the statements in order; the first failure ends them.
Result Run(WorkbookConnection& connection, const std::vector<std::string>& statements) {
  for (const std::string& statement : statements)
    if (Result result = connection.ExecuteSQL(statement); !result) return result;
  return Result::Success();
}

bool CancelAsked(const Progress* progress) {
  return progress != nullptr && progress->cancel.load();
}

// One chamber's workbook as file bytes. The statements run in memory and
// nothing is written, so the export may stop here at any point.
Expected<std::string> BuildChamberWorkbook(const ExportJob& job, const ExportOptions& options,
                                           const WorkbookFactory& factory, Progress* progress) {
  std::unique_ptr<WorkbookConnection> connection = factory();
  if (Result opened = connection->OpenEx(WorkbookConnectionString(job.path)); !opened)
    return opened;
  if (Result head = Run(*connection, ParameterStatements(job.record, options.modelDigit)); !head)
    return head;
  Result status = connection->ExecuteSQL(MessdatenCreateStatement());
  const int32_t samples = job.record.Samples();
  for (int32_t k = 0; k < samples && status; ++k) {
    status = connection->ExecuteSQL(
        MessdatenInsertStatement(job.record, k, job.baseline, options.comma == 1));
    if (progress == nullptr) continue;
    progress->done.fetch_add(1);
    if (CancelAsked(progress)) return Result::Failure("cancelled");
  }
  if (!status) return status;
  Expected<std::string> bytes =
      connection->CloseToBytes(progress != nullptr ? &progress->cancel : nullptr);
  if (progress != nullptr) progress->done.fetch_add(WorkbookFileWeight(samples));
  return bytes;
}

// The name a workbook has until the export has written all of its workbooks:
// recognisably temporary, and replaced by the next export of the same name
// should a killed export have left it.
std::string StagedWorkbookPath(const std::string& path) {
  return path + ".tmp-export";
}

// Removes the staged workbooks of an export that did not finish.
void DiscardStaged(const std::vector<std::string>& staged) {
  for (const std::string& path : staged) {
    std::error_code ec;
    RemovePath(path, ec);
  }
}

}  // namespace

ExportPlan PlanMeasurementExport(Station& station, const std::array<uint8_t, 3>& selected,
                                 const ExportOptions& options, Prompts& prompts) {
  ExportPlan plan;
  const int selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
  if (selectedCount == 0) return plan;

  // A chamber without samples has no run to describe: its workbook would state
  // a negative duration. It is named and left out.
  std::array<bool, 3> exportable{};
  for (int c = 0; c < 3; ++c) {
    if (selected[c] != 1 || station.m_run[c].m_running.load() != 0) continue;
    exportable[c] =
        station.m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples() > 0; });
    if (!exportable[c])
      prompts.ShowNotice(
          Format("Chamber %s holds no measured values and is not exported.", ChamberNumeral(c)));
  }
  if (std::none_of(exportable.begin(), exportable.end(), [](bool e) { return e; })) return plan;

  std::string chosen;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, chosen)) return plan;
  // The typed extension chooses the format; ".xls" only when none was typed.
  std::filesystem::path chosenPath = PathFromUtf8(chosen);
  if (!chosenPath.has_extension()) chosenPath += std::string(".") + kSpreadsheetExtension;
  const std::string extension = Utf8FromPath(chosenPath.extension());
  const std::string title = Utf8FromPath(chosenPath.stem());
  std::array<std::string, 3> target;
  bool anyExists = false;
  for (int c = 0; c < 3; ++c) {
    if (!exportable[c]) continue;
    target[c] = selectedCount == 1 ? Utf8FromPath(chosenPath)
                                   : Utf8FromPath(chosenPath.parent_path() /
                                                  PathFromUtf8(Format("%s_%d%s", title.c_str(),
                                                                      c + 1, extension.c_str())));
    anyExists = anyExists || FileExists(target[c]);
  }
  if (anyExists) {
    const char* question = selectedCount == 1 ? "Existing file will be overwritten!"
                                              : "Existing files will be overwritten!";
    if (!prompts.AskOkCancel(question)) return plan;
  }

  for (int c = 0; c < 3; ++c) {
    if (!exportable[c]) continue;
    ExportJob job;
    job.chamber = c;
    job.path = target[c];
    job.record = station.m_chamber[c].Snapshot();
    // The "Normierung" column needs a baseline: the normalisation offset in
    // force, or the one normalisation would take.
    job.baseline = station.m_run[c].m_normOffset.load();
    if (job.baseline == 0.0f) {
      job.baseline = LowestPressure(job.record, options.correctionOn, options.correctionTime);
      // No sample after the correction time: nothing to subtract.
      if (job.baseline == kNormSearchStart) job.baseline = 0.0f;
      plan.selectionSlopeReset = true;
    }
    plan.jobs.push_back(std::move(job));
  }
  return plan;
}

ExportResult WriteMeasurementWorkbooks(const ExportPlan& plan, const ExportOptions& options,
                                       const WorkbookFactory& factory, Progress* progress) {
  ExportResult result;
  result.selectionSlopeReset = plan.selectionSlopeReset;
  if (progress != nullptr) {
    int64_t total = 0;
    for (const ExportJob& job : plan.jobs)
      total += job.record.Samples() + WorkbookFileWeight(job.record.Samples());
    progress->total = total;
  }
  // Every workbook is written whole under its staged name first.
  std::vector<std::string> staged;
  for (const ExportJob& job : plan.jobs) {
    Expected<std::string> bytes = BuildChamberWorkbook(job, options, factory, progress);
    if (CancelAsked(progress)) {
      DiscardStaged(staged);
      result.cancelled = true;
      return result;
    }
    Result status = bytes.Status();
    if (status) {
      staged.push_back(StagedWorkbookPath(job.path));
      status = WriteFileAtomically(staged.back(), *bytes);
    }
    if (!status) {
      DiscardStaged(staged);
      result.status = status;
      return result;
    }
  }
  if (CancelAsked(progress)) {
    DiscardStaged(staged);
    result.cancelled = true;
    return result;
  }
  // Then all of them take their places, replacing older files of their names.
  std::vector<std::string> folders;
  for (size_t i = 0; i < plan.jobs.size(); ++i) {
    const std::string& path = plan.jobs[i].path;
    std::error_code ec;
    RenamePath(staged[i], path, ec);
    if (ec) {
      DiscardStaged(
          std::vector<std::string>(staged.begin() + static_cast<std::ptrdiff_t>(i), staged.end()));
      result.status =
          Result::Failure("The workbook " + path + " could not be written: " + ec.message() + ".");
      return result;
    }
    result.written.push_back(path);
    const std::string parent = ParentOf(path);
    const std::string folder = parent.empty() ? "." : parent;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  }
  for (const std::string& folder : folders)
    if (Result synced = SyncFolder(folder); !synced)
      result.status =
          Result::Failure("The workbooks could not be synced to disk: " + synced.Message() + ".");
  return result;
}

ExportResult ExportMeasurement(Station& station, const std::array<uint8_t, 3>& selected,
                               const ExportOptions& options, Prompts& prompts,
                               const WorkbookFactory& factory) {
  return WriteMeasurementWorkbooks(PlanMeasurementExport(station, selected, options, prompts),
                                   options, factory);
}

ExportResult SaveAnalysisToSpreadsheet(AnalysisTable& table, const ExportOptions& options,
                                       Prompts& prompts, const WorkbookFactory& factory) {
  std::string path;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, path)) return {};
  if (FileExists(path) && !prompts.AskOkCancel("Existing file will be overwritten!")) return {};
  return WriteAnalysisWorkbook(table, path, options, factory);
}

}  // namespace corvala

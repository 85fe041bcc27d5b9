#include "station/export.h"

#include <algorithm>
#include <filesystem>

#include "analysis/normalisation.h"
#include "files/measurement_file.h"
#include "util/c_format.h"

namespace corvala {
namespace {

constexpr const char* kChamberNumerals[3] = {"I", "II", "III"};

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// Runs the statements in order; the first failure ends them.
Result Run(WorkbookConnection& connection, const std::vector<std::string>& statements) {
  for (const std::string& statement : statements)
    if (Result result = connection.ExecuteSQL(statement); !result) return result;
  return Result::Success();
}

// Writes one chamber's workbook. The statements run in memory; the file is
// written whole by Close, so a cancel before it leaves no file.
Result ExportChamber(const ExportJob& job, const ExportOptions& options,
                     const WorkbookFactory& factory, Progress* progress, bool& cancelled) {
  std::unique_ptr<WorkbookConnection> connection = factory();
  if (Result opened = connection->OpenEx(WorkbookConnectionString(job.path)); !opened)
    return opened;
  if (Result head = Run(*connection, ParameterStatements(job.record, options.edit1073)); !head)
    return head;
  Result status = connection->ExecuteSQL(MessdatenCreateStatement());
  const int32_t samples = job.record.Samples();
  for (int32_t k = 0; k < samples && status; ++k) {
    status = connection->ExecuteSQL(
        MessdatenInsertStatement(job.record, k, job.baseline, options.comma == 1));
    if (progress == nullptr) continue;
    progress->done.fetch_add(1);
    if (progress->cancel.load()) {
      cancelled = true;
      return Result::Success();
    }
  }
  if (!status) return status;
  return connection->Close();
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
          Format("Chamber %s holds no measured values and is not exported.", kChamberNumerals[c]));
  }
  if (std::none_of(exportable.begin(), exportable.end(), [](bool e) { return e; })) return plan;

  std::string chosen;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, chosen)) return plan;
  std::array<std::string, 3> target;
  const std::filesystem::path chosenPath(chosen);
  const std::string title = FileTitle(chosen);
  bool anyExists = false;
  for (int c = 0; c < 3; ++c) {
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
    if (!prompts.AskOkCancel(question)) return plan;
  }

  for (int c = 0; c < 3; ++c) {
    if (!exportable[c]) continue;
    ExportJob job;
    job.chamber = c;
    job.path = target[c].find(".xls") == std::string::npos ? target[c] + ".xls" : target[c];
    if (job.path != target[c]) job.replaces = target[c];
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
    for (const ExportJob& job : plan.jobs) total += job.record.Samples();
    progress->total = total;
  }
  for (const ExportJob& job : plan.jobs) {
    if (Result status = ExportChamber(job, options, factory, progress, result.cancelled); !status) {
      result.status = status;
      return result;
    }
    if (result.cancelled) return result;
    // The workbook replaces a file at its own path whole when it is written; a
    // differently named older export goes once the new one is there.
    if (!job.replaces.empty() && FileExists(job.replaces)) {
      std::error_code ec;
      std::filesystem::remove(job.replaces, ec);
    }
    result.written.push_back(job.path);
  }
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

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

// Writes one chamber's workbook.
Result ExportChamber(Station& station, int chamber, const std::string& path,
                     const ExportOptions& options, const WorkbookFactory& factory,
                     bool& normSwitched) {
  const ChamberRecord record = station.m_chamber[chamber].Snapshot();
  std::unique_ptr<WorkbookConnection> connection = factory();
  if (Result opened = connection->OpenEx(WorkbookConnectionString(path)); !opened) return opened;
  if (Result head = Run(*connection, ParameterStatements(record, options.edit1073)); !head)
    return head;

  // The "Normierung" column needs a baseline: switch normalisation on for the
  // export when it is off, and off again afterwards, also when the export fails.
  const bool switchOn = station.m_run[chamber].m_normOffset.load() == 0.0f;
  if (switchOn) {
    ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
    normSwitched = true;
  }
  const float offset = station.m_run[chamber].m_normOffset.load();
  Result status = connection->ExecuteSQL(MessdatenCreateStatement());
  const int32_t samples = record.Samples();
  for (int32_t k = 0; k < samples && status; ++k)
    status =
        connection->ExecuteSQL(MessdatenInsertStatement(record, k, offset, options.comma == 1));
  if (switchOn && station.m_run[chamber].m_normOffset.load() != 0.0f)
    ComputeNormOffset(station, chamber, options.correctionOn, options.correctionTime);
  if (!status) return status;
  return connection->Close();
}

}  // namespace

ExportResult ExportMeasurement(Station& station, const std::array<uint8_t, 3>& selected,
                               const ExportOptions& options, Prompts& prompts,
                               const WorkbookFactory& factory) {
  ExportResult result;
  const int selectedCount = static_cast<int>(std::count(selected.begin(), selected.end(), 1));
  if (selectedCount == 0) return result;

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
  if (std::none_of(exportable.begin(), exportable.end(), [](bool e) { return e; })) return result;

  std::string chosen;
  if (!prompts.ChooseSaveFile(kSpreadsheetExtension, chosen)) return result;
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
    if (Result status =
            ExportChamber(station, c, path, options, factory, result.selectionSlopeReset);
        !status) {
      result.status = status;
      return result;
    }
    result.written.push_back(path);
  }
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

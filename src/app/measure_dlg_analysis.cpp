// Measurement files, the analysis, the analysis table, its diagrams and the report.
#include "app/measure_dlg.h"

#include <QComboBox>
#include <QPrintDialog>
#include <QPrinter>

#include <filesystem>

#include "analysis/diagram_draw.h"
#include "analysis/normalisation.h"
#include "analysis/report_pages.h"
#include "analysis/run_analysis.h"
#include "app/measure_dlg_internal.h"
#include "files/analysis_file.h"
#include "files/measurement_file.h"

namespace corvala {

using namespace window;

std::string CMeasureDlg::WorkingFilePath() const {
  return (std::filesystem::path(m_appFolder) / "auswertung.tmp").string();
}

void CMeasureDlg::ShowAnalysisRow(size_t row) {
  ReportList* list = List(1094);
  const int at = list->InsertRow(static_cast<int>(row));
  const AnalysisListTexts& texts = m_analysis.m_listTexts[row];
  for (int column = 0; column < kAnalysisListColumns; ++column)
    list->SetText(at, column, texts[column]);
}

void CMeasureDlg::ShowAnalysisTable() {
  List(1094)->DeleteAllRows();
  for (size_t row = 0; row < m_analysis.RowCount(); ++row) ShowAnalysisRow(row);
}

void CMeasureDlg::WriteWorkingFile() {
  WriteAnalysisFile(m_analysis, WorkingFilePath(), m_station.m_unit);
}

void CMeasureDlg::DeleteAnalysisRow() {
  const int r = List(1094)->SelectionMark();
  if (r < 0 || static_cast<size_t>(r) >= m_analysis.RowCount()) return;
  if (!prompts_->AskYesNo("Delete the line?")) return;
  m_analysis.DeleteRow(static_cast<size_t>(r));
  List(1094)->DeleteRow(r);
  WriteWorkingFile();
  UpdateData(false);
}

void CMeasureDlg::ClearAnalysisTable() {
  if (!prompts_->AskYesNo("Delete the table?")) return;
  List(1094)->DeleteAllRows();
  UpdateData(false);
  m_analysis.Clear();
  m_analysis.m_diagramGroupMax = 0;
  m_analysis.m_analysisDirty = 0;
  CloseAnalysisStore();
}

ExportOptions CMeasureDlg::MakeExportOptions() const {
  return ExportOptions{m_comma, m_edit1073, m_station.m_unit, m_correctionOn == 1,
                       m_correctionTime};
}

void CMeasureDlg::ExportMeasurement() {
  UpdateData(true);
  const ExportResult result = corvala::ExportMeasurement(
      m_station, m_chamberSelected, MakeExportOptions(), *prompts_, DefaultWorkbookFactory());
  if (result.selectionSlopeReset) m_selSlope = kNoValue;
  if (result.Failed()) prompts_->ShowNotice(result.error);
  RefreshView();
}

bool CMeasureDlg::SaveAnalysisToSpreadsheet() {
  const ExportResult result = corvala::SaveAnalysisToSpreadsheet(
      m_analysis, MakeExportOptions(), *prompts_, DefaultWorkbookFactory());
  if (result.Failed()) prompts_->ShowNotice(result.error);
  return !result.Failed() && !result.written.empty();
}

void CMeasureDlg::CloseAnalysisStore() {
  bool keepWorkingFile = false;
  if (m_analysis.m_analysisDirty) {
    // A table the user wanted saved but that was not written stays in the
    // working file, which the next start reads back.
    if (prompts_->AskYesNo("Save the analysis?")) keepWorkingFile = !SaveAnalysisToSpreadsheet();
    m_analysis.m_analysisDirty = 0;
  }
  if (keepWorkingFile) return;
  std::error_code ignored;
  std::filesystem::remove(WorkingFilePath(), ignored);
}

void CMeasureDlg::CycleDiagramGroup() {
  const int s = List(1094)->SelectionMark();
  if (s < 0 || !m_analysis.CycleDiagramGroup(static_cast<size_t>(s))) return;
  List(1094)->SetText(s, kAnalysisListColumns - 1,
                      m_analysis.m_listTexts[static_cast<size_t>(s)].back());
  WriteWorkingFile();
  UpdateData(false);
}

void CMeasureDlg::LoadAnalysisFile() {
  std::string path;
  if (!prompts_->ChooseOpenFile("cva", path)) return;
  if (ReadAnalysisFile(m_analysis, path))
    ShowAnalysisTable();
  else
    prompts_->ShowNotice("The file " + path + " could not be read.");
}

void CMeasureDlg::SaveAnalysisFile() {
  std::string path;
  if (!prompts_->ChooseSaveFile("cva", path)) return;
  if (std::filesystem::exists(path) && !prompts_->AskOkCancel("Existing file will be overwritten!"))
    return;
  if (WriteAnalysisFile(m_analysis, path, m_station.m_unit))
    m_analysis.m_analysisDirty = 0;
  else
    prompts_->ShowNotice("The file " + path + " could not be written.");
}

void CMeasureDlg::OnDiagramQuantity(bool left, int32_t quantity) {
  (left ? m_diagramLeft : m_diagramRight) = quantity;  // the next tick draws it
}

bool CMeasureDlg::DrawAnalysisDiagrams() {
  if (m_view != 3) return false;
  diagramLeft_ = RenderDiagram(m_diagramLeft, m_analysis, m_station.m_unit, m_unitName);
  diagramRight_ = RenderDiagram(m_diagramRight, m_analysis, m_station.m_unit, m_unitName);
  update(QRect(kLeftDiagramAt, diagramLeft_.size()));
  update(QRect(kRightDiagramAt, diagramRight_.size()));
  return true;
}

bool CMeasureDlg::PrintReportTo(QPagedPaintDevice& device) {
  return PrintReport(device, m_analysis, m_station.m_unit, m_unitName, m_view == 3);
}

void CMeasureDlg::OnPrint() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(kReportDocumentName);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintReportTo(printer)) prompts_->ShowNotice("The report could not be printed.");
}

bool CMeasureDlg::RunAnalysis() {
  corvala::RunAnalysis(m_station, m_correctionOn == 1, m_correctionTime);
  RefreshView();
  return true;
}

void CMeasureDlg::OnRunAnalysis() {
  RunAnalysis();
}

void CMeasureDlg::OnToggleMarker(uint8_t& toggle) {
  if (toggle != 1) {
    toggle = 1;
    RunAnalysis();
  } else {
    toggle = 0;
    m_showAll = 0;
    RefreshView();
  }
}

void CMeasureDlg::OnToggleAll() {
  const uint8_t on = m_showAll != 1 ? 1 : 0;
  m_showDelay = m_showSlope = m_showResp = m_showMax = m_showAll = on;
  on ? RunAnalysis() : RefreshView();
}

bool CMeasureDlg::AddAnalysisRow(int chamber, const std::string& name) {
  AnalysisRowOptions options;
  options.correctionOn = m_correctionOn == 1;
  options.correctionTime = m_correctionTime;
  options.displayUnit = m_station.m_unit;
  options.workingFile = WorkingFilePath();
  const size_t before = m_analysis.RowCount();
  const AddRowOutcome outcome =
      corvala::AddAnalysisRow(m_analysis, m_station, chamber, name, options);
  if (outcome.selectionSlopeReset) m_selSlope = kNoValue;
  for (size_t row = before; row < m_analysis.RowCount(); ++row) ShowAnalysisRow(row);
  RefreshView();
  return outcome.passed;
}

void CMeasureDlg::OnAddAnalysisRows() {
  UpdateData(true);
  for (int c = 0; c < 3; ++c) {
    if (!m_chamberSelected[c]) continue;
    const std::string name =
        m_station.m_chamber[c].Access([](const ChamberRecord& r) { return r.measurementName; });
    if (!name.empty()) AddAnalysisRow(c, name);
  }
}

void CMeasureDlg::SaveMeasurementFiles() {
  UpdateData(true);
  MeasurementSaveHooks hooks;
  hooks.addAnalysisRow = [this](int chamber, const std::string& name) {
    AddAnalysisRow(chamber, name);
  };
  hooks.rewriteWorkingFile = [this] { WriteWorkingFile(); };
  const MeasurementSaveResult result =
      corvala::SaveMeasurementFiles(m_station, m_chamberSelected, *prompts_, hooks);
  // A measurement that could not be written must not pass unnoticed.
  for (const std::string& failed : result.failed)
    prompts_->ShowNotice("The file " + failed + " could not be written.");
}

void CMeasureDlg::LoadMeasurementFile() {
  UpdateData(true);
  MeasurementLoadHooks hooks;
  hooks.beforeReplace = [this](int) {
    m_selSlope = kNoValue;
    m_showDelay = m_showSlope = m_showResp = m_showMax = m_showAll = 0;
  };
  hooks.confirmConfiguration = [this] {
    As<QComboBox>(1050)->setCurrentIndex(m_station.m_unit - 1);
    UpdateData(false);
    ConfirmConfiguration();
  };
  hooks.refreshViews = [this](int chamber) {
    FillValueList(chamber);
    RefreshView();
    ShowViewControls();
  };
  corvala::LoadMeasurementFile(m_station, m_chamberSelected, *prompts_,
                               ConversionFactors{m_factor1, m_factor2}, hooks);
}

void CMeasureDlg::ToggleNormalisation() {
  UpdateData(true);
  const auto switched = corvala::ToggleNormalisation(m_station, m_chamberSelected,
                                                     m_correctionOn == 1, m_correctionTime);
  if (switched[0] || switched[1] || switched[2]) m_selSlope = kNoValue;
  for (int c = 0; c < 3; ++c) FillValueList(c);
  RefreshView();
}

}  // namespace corvala

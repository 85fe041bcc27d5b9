// Measurement files, the analysis, the analysis table, its diagrams and the report.
#include <QButtonGroup>
#include <QComboBox>
#include <QPrintDialog>
#include <QPrinter>

#include "analysis/normalisation.h"
#include "analysis/run_analysis.h"
#include "app/long_work.h"
#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "app/view_canvas.h"
#include "report/diagram_draw.h"
#include "report/report_pages.h"
#include "station/export.h"
#include "station/journal_restore.h"
#include "station/measurement_io.h"
#include "station/station_analysis.h"

namespace corvala {

using namespace window;

void CMeasureDlg::ShowAnalysisRow(size_t row) {
  ReportList* list = List(ctl::kAnalysisTable);
  const int at = list->InsertRow(static_cast<int>(row));
  const AnalysisListTexts& texts = analysis_->Table().Texts(row);
  for (int column = 0; column < kAnalysisTableColumns; ++column)
    list->SetText(at, column, texts[column]);
}

void CMeasureDlg::ShowAnalysisTable() {
  const AnalysisTable& table = analysis_->Table();
  std::vector<std::vector<QString>> rows;
  rows.reserve(table.RowCount());
  for (size_t row = 0; row < table.RowCount(); ++row) {
    std::vector<QString>& texts = rows.emplace_back();
    for (const std::string& text : table.Texts(row)) texts.push_back(Qs(text));
  }
  List(ctl::kAnalysisTable)->SetRows(std::move(rows));
}

void CMeasureDlg::DeleteAnalysisRow() {
  const int r = List(ctl::kAnalysisTable)->SelectionMark();
  if (!analysis_->DeleteRow(r, Unit())) return;
  List(ctl::kAnalysisTable)->DeleteRow(r);
  UpdateData(false);
}

void CMeasureDlg::ClearAnalysisTable() {
  if (!analysis_->ClearTable(MakeExportOptions(), DefaultWorkbookFactory())) return;
  ShowAnalysisTable();
  UpdateData(false);
}

ExportOptions CMeasureDlg::MakeExportOptions() const {
  return ExportOptions{settings_.comma, entries_.modelDigit, Unit(), settings_.correctionOn == 1,
                       settings_.correctionTime};
}

void CMeasureDlg::SetLongWorkRunning(bool running) {
  longWorkRunning_ = running;
  for (const int id :
       {ctl::kExportMeasurement, ctl::kPrint, ctl::kSaveMeasurement, ctl::kLoadMeasurement})
    Control(id)->setEnabled(!running);
}

SlowStepRunner CMeasureDlg::SlowStepsWithProgress(const QString& label) {
  return [this, label](const SlowStep& step) {
    (void)RunWithProgress<bool>(this, label, [&step](Progress& progress) {
      step(progress);
      return true;
    });
  };
}

namespace {

// Marks long work as running for as long as it lives: the progress dialog shows
// only after a moment, and until then a second click would start a second
// piece of work inside the first one's wait.
class LongWorkScope {
 public:
  explicit LongWorkScope(std::function<void(bool)> mark) : mark_(std::move(mark)) { mark_(true); }
  ~LongWorkScope() { mark_(false); }
  LongWorkScope(const LongWorkScope&) = delete;
  LongWorkScope& operator=(const LongWorkScope&) = delete;

 private:
  std::function<void(bool)> mark_;
};

}  // namespace

void CMeasureDlg::ExportMeasurement() {
  if (longWorkRunning_) return;
  const LongWorkScope scope([this](bool running) { SetLongWorkRunning(running); });
  UpdateData(true);
  const ExportOptions options = MakeExportOptions();
  const ExportPlan plan = PlanMeasurementExport(station_, chambers_.selected, options, *prompts_);
  if (plan.jobs.empty()) return;
  if (plan.selectionSlopeReset) chart_.selSlope = kNoValue;
  // A day at one sample a second takes seconds to write: the window goes on meanwhile.
  const ExportResult result = RunWithProgress<ExportResult>(
      this, "Exporting the measurement...", [&plan, &options](Progress& progress) {
        return WriteMeasurementWorkbooks(plan, options, DefaultWorkbookFactory(), &progress);
      });
  if (result.Failed()) prompts_->ShowNotice(result.status.Message());
  RefreshView();
}

bool CMeasureDlg::SaveAnalysisToSpreadsheet() {
  return analysis_->SaveToSpreadsheet(MakeExportOptions(), DefaultWorkbookFactory());
}

void CMeasureDlg::CycleDiagramGroup() {
  ReportList* list = List(ctl::kAnalysisTable);
  const int s = list->SelectionMark();
  if (!analysis_->CycleDiagramGroup(s, Unit())) return;
  list->SetText(s, kAnalysisListColumns - 1,
                analysis_->Table().Texts(static_cast<size_t>(s))[kAnalysisListColumns - 1]);
  UpdateData(false);
}

void CMeasureDlg::LoadAnalysisFile() {
  if (analysis_->LoadFile(MakeExportOptions(), DefaultWorkbookFactory())) ShowAnalysisTable();
}

void CMeasureDlg::SaveAnalysisFile() {
  analysis_->SaveFile(Unit());
}

void CMeasureDlg::OnDiagramQuantity(bool left, int32_t quantity) {
  (left ? diagrams_.left : diagrams_.right) = quantity;  // the next tick draws it
  // The exchanged radio value follows, so that pushing the values to the
  // controls keeps the button that matches the diagram.
  (left ? entries_.leftRadio : entries_.rightRadio) =
      (left ? widgets_.leftDiagram : widgets_.rightDiagram)->checkedId();
}

bool CMeasureDlg::DrawAnalysisDiagrams() {
  if (view_ != View::kAnalysis) return false;
  const AnalysisTable& table = analysis_->Table();
  const int32_t unit = Unit();
  diagrams_.leftImage = RenderDiagram(diagrams_.left, table, unit, UnitName(unit));
  diagrams_.rightImage = RenderDiagram(diagrams_.right, table, unit, UnitName(unit));
  widgets_.canvas->update(QRect(kLeftDiagramAt, diagrams_.leftImage.size()));
  widgets_.canvas->update(QRect(kRightDiagramAt, diagrams_.rightImage.size()));
  return true;
}

bool CMeasureDlg::PrintReportTo(QPagedPaintDevice& device) {
  const int32_t unit = Unit();
  return PrintReport(device, analysis_->Table(), unit, UnitName(unit), view_ == View::kAnalysis);
}

void CMeasureDlg::OnPrint() {
  if (longWorkRunning_) return;
  const LongWorkScope scope([this](bool running) { SetLongWorkRunning(running); });
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(kReportDocumentName);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The pages are drawn on a thread of their own while the window goes on.
  const AnalysisTable table = analysis_->Table();
  const int32_t unit = Unit();
  const bool analysisView = view_ == View::kAnalysis;
  bool cancelled = false;
  const bool printed = RunWithProgress<bool>(this, "Printing the report...", [&](Progress& p) {
    const bool ok = PrintReport(printer, table, unit, UnitName(unit), analysisView, &p);
    cancelled = p.cancel.load();
    return ok;
  });
  if (cancelled) {
    printer.abort();
    return;
  }
  if (!printed) prompts_->ShowNotice("The report could not be printed.");
}

bool CMeasureDlg::RunAnalysis() {
  corvala::RunAnalysis(station_, settings_.correctionOn == 1, settings_.correctionTime);
  RefreshView();
  return true;
}

void CMeasureDlg::OnToggleMarker(uint8_t& toggle) {
  if (toggle != 1) {
    toggle = 1;
    RunAnalysis();
  } else {
    toggle = 0;
    chart_.showAll = 0;
    RefreshView();
  }
}

void CMeasureDlg::OnToggleAll() {
  const uint8_t on = chart_.showAll != 1 ? 1 : 0;
  chart_.showDelay = chart_.showSlope = chart_.showResp = chart_.showMax = chart_.showAll = on;
  on ? RunAnalysis() : RefreshView();
}

bool CMeasureDlg::AddAnalysisRow(int chamber, const std::string& name) {
  AnalysisRowOptions options;
  options.correctionOn = settings_.correctionOn == 1;
  options.correctionTime = settings_.correctionTime;
  options.rates = rateSettings_;
  const size_t before = analysis_->Table().RowCount();
  const AddRowOutcome outcome = analysis_->AddRow(station_, chamber, name, options, Unit());
  if (outcome.selectionSlopeReset) chart_.selSlope = kNoValue;
  for (size_t row = before; row < analysis_->Table().RowCount(); ++row) ShowAnalysisRow(row);
  RefreshView();
  return outcome.passed;
}

void CMeasureDlg::OnAddAnalysisRows() {
  UpdateData(true);
  for (int c = 0; c < 3; ++c) {
    if (!chambers_.selected[c]) continue;
    const std::string name =
        station_.m_chamber[c].Access([](const ChamberRecord& r) { return r.measurementName; });
    if (!name.empty()) AddAnalysisRow(c, name);
  }
}

void CMeasureDlg::SaveMeasurementFiles() {
  if (longWorkRunning_) return;
  const LongWorkScope scope([this](bool running) { SetLongWorkRunning(running); });
  UpdateData(true);
  MeasurementSaveHooks hooks;
  hooks.addAnalysisRow = [this](int chamber, const std::string& name) {
    AddAnalysisRow(chamber, name);
  };
  hooks.rewriteWorkingFile = [this] { (void)analysis_->SaveWorkingFile(Unit()); };
  // A week at one sample a second takes seconds to write: the window goes on meanwhile.
  hooks.runSlow = SlowStepsWithProgress("Saving the measurement...");
  const MeasurementSaveResult result =
      corvala::SaveMeasurementFiles(station_, chambers_.selected, *prompts_, hooks);
  // A measurement that could not be written must not pass unnoticed.
  for (const std::string& failure : result.failures) prompts_->ShowNotice(failure);
}

// What loading or restoring a run does to the window around the station's work.
MeasurementLoadHooks CMeasureDlg::LoadHooks() {
  MeasurementLoadHooks hooks;
  hooks.beforeReplace = [this](int) {
    chart_.selSlope = kNoValue;
    chart_.showDelay = chart_.showSlope = chart_.showResp = chart_.showMax = chart_.showAll = 0;
  };
  hooks.confirmConfiguration = [this] {
    As<QComboBox>(ctl::kUnit)->setCurrentIndex(std::max<int32_t>(Unit(), 0) - 1);
    UpdateData(false);
    ConfirmConfiguration();
  };
  hooks.refreshViews = [this](int chamber) {
    FillValueList(chamber);
    RefreshView();
    ShowViewControls();
  };
  return hooks;
}

void CMeasureDlg::LoadMeasurementFile() {
  if (longWorkRunning_) return;
  const LongWorkScope scope([this](bool running) { SetLongWorkRunning(running); });
  UpdateData(true);
  MeasurementLoadHooks hooks = LoadHooks();
  // A week-long file takes seconds to read: the window goes on meanwhile.
  hooks.runSlow = SlowStepsWithProgress("Loading the measurement...");
  corvala::LoadMeasurementFile(
      station_, chambers_.selected, *prompts_,
      ConversionFactors{settings_.factors.factor1, settings_.factors.factor2}, hooks);
}

void CMeasureDlg::RestoreJournals() {
  OfferJournalRestore(station_, *prompts_,
                      ConversionFactors{settings_.factors.factor1, settings_.factors.factor2},
                      LoadHooks(), options_.unwritableFolder);
}

void CMeasureDlg::ToggleNormalisation() {
  UpdateData(true);
  const auto switched = corvala::ToggleNormalisation(
      station_, chambers_.selected, settings_.correctionOn == 1, settings_.correctionTime);
  if (switched[0] || switched[1] || switched[2]) chart_.selSlope = kNoValue;
  for (int c = 0; c < 3; ++c) FillValueList(c);
  RefreshView();
}

}  // namespace corvala

#pragma once
// A narrow view into the main window for tests: the state behind the widgets
// that a test checks, and the few steps a test takes without a widget (the
// display tick without waiting for its timer, printing to a given device).
// Everything else a test does goes through the controls.

#include <QLabel>

#include <array>
#include <cstdint>
#include <string>

#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "app/report_list.h"

namespace corvala {

class WindowProbe {
 public:
  explicit WindowProbe(CMeasureDlg& dlg) : dlg_(dlg) {}

  Station& station() { return dlg_.station_; }
  AnalysisTable& analysisTable() { return dlg_.analysis_->Table(); }
  const DisplaySettings& settings() const { return dlg_.settings_; }
  RateSettings& rateSettings() { return dlg_.rateSettings_; }
  View view() const { return dlg_.view_; }
  std::string unitName() const { return UnitName(dlg_.Unit()); }
  ReportList* List(int id) const { return dlg_.List(id); }
  const std::array<uint8_t, 3>& chamberSelected() const { return dlg_.chambers_.selected; }
  const std::array<uint8_t, 3>& chamberShown() const { return dlg_.chambers_.shown; }

  // The chart area, the plot rectangle of the last drawing and the range selected on it.
  ChartArea chartArea() const { return dlg_.chart_.area; }
  PixelRect plotRect() const { return dlg_.chart_.plot; }
  // How often the chart was painted, and drawn afresh (not copied from the kept picture).
  int64_t chartPaints() const { return dlg_.chart_.picture.Paints(); }
  int64_t chartDraws() const { return dlg_.chart_.picture.Draws(); }
  void FillValueList(int chamber) { dlg_.FillValueList(chamber); }
  float selSlope() const { return dlg_.chart_.selSlope; }
  int32_t selStart() const { return dlg_.chart_.selStart; }
  int32_t selEnd() const { return dlg_.chart_.selEnd; }
  int32_t selChamber() const { return dlg_.chart_.selChamber; }
  // The quantity codes the two analysis diagrams show.
  int32_t diagramLeft() const { return dlg_.diagrams_.left; }
  int32_t diagramRight() const { return dlg_.diagrams_.right; }

  // What the sampling thread tells the window (queued to the window thread).
  SamplingObserver& samplingEvents() {
    if (!dlg_.workers_.events)
      dlg_.workers_.events = std::make_unique<CMeasureDlg::SamplingEvents>(&dlg_);
    return *dlg_.workers_.events;
  }

  // The text beside the live values while the device reports another unit;
  // empty while it is hidden.
  std::string unitNotice() const {
    return dlg_.widgets_.unitNotice->isVisible() ? dlg_.tick_.unitNotice : std::string();
  }

  // One display tick, as the 250 ms timer runs it.
  void Tick() { dlg_.OnTimer(); }
  bool DrawAnalysisDiagrams() { return dlg_.DrawAnalysisDiagrams(); }
  bool RefreshView() { return dlg_.RefreshView(); }
  // Fits the window to a screen whose free area is `available`.
  void FitToScreen(const QRect& available) { dlg_.FitToScreen(available); }
  bool PrintReportTo(QPagedPaintDevice& device) { return dlg_.PrintReportTo(device); }

 private:
  CMeasureDlg& dlg_;
};

}  // namespace corvala

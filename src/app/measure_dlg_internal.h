#pragma once
// What the parts of the main window share: widget ids and small helpers.

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <string>

#include "app/measure_dlg.h"
#include "app/report_list.h"
#include "run/run_control.h"
#include "run/sampling.h"

namespace corvala::window {

inline constexpr int kValueList[3] = {1003, 1010, 1011};
inline constexpr int kMeasuringLabel[3] = {1081, 1083, 1085};
// Where the two diagrams stand in the analysis view, client pixels.
inline constexpr QPoint kLeftDiagramAt(10, 350);
inline constexpr QPoint kRightDiagramAt(600, 350);

inline QString Qs(const std::string& text) {
  return QString::fromStdString(text);
}

inline ChamberSelection Selection(const std::array<uint8_t, 3>& selected) {
  return {selected[0] != 0, selected[1] != 0, selected[2] != 0};
}

}  // namespace corvala::window

namespace corvala {

// What the sampling thread reports, carried over to the window thread.
class CMeasureDlg::SamplingEvents : public SamplingObserver {
 public:
  explicit SamplingEvents(CMeasureDlg* dlg) : dlg_(dlg) {}
  void RunInitialised(int chamber) override {
    Post([chamber](CMeasureDlg* d) {
      d->List(window::kValueList[chamber])->DeleteAllRows();
      d->m_selSlope = kNoValue;
    });
  }
  void FirstSampleTaken(int) override {
    Post([](CMeasureDlg* d) { d->ShowViewControls(); });
  }
  void SampleListed(int chamber, int row, const std::array<std::string, 3>& texts) override {
    Post([chamber, row, texts](CMeasureDlg* d) {
      ReportList* list = d->List(window::kValueList[chamber]);
      const int at = list->InsertRow(row);
      for (int column = 0; column < 3; ++column) list->SetText(at, column, texts[column]);
      list->ScrollToRow(at);
    });
  }
  void MeasuringLabelsHidden(std::array<bool, 3> hide) override {
    Post([hide](CMeasureDlg* d) { d->HideMeasuringLabels(hide); });
  }

 private:
  template <class F>
  void Post(F f) {
    QMetaObject::invokeMethod(
        dlg_, [d = dlg_, f] { f(d); }, Qt::QueuedConnection);
  }
  CMeasureDlg* dlg_;
};

}  // namespace corvala

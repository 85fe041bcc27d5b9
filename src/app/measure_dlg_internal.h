#pragma once
// What the parts of the main window share: small helpers and the sampling
// thread's events carried over to the window thread.

#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <string>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/report_list.h"
#include "app/value_list_model.h"
#include "app/window_queue.h"
#include "run/run_control.h"
#include "run/sampling.h"

namespace corvala::window {

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
  void RunInitialised(int) override {
    Post([](CMeasureDlg* d) { d->chart_.selSlope = kNoValue; });
  }
  // The previous series stays listed until the new run's first sample.
  void FirstSampleTaken(int chamber) override {
    Post([chamber](CMeasureDlg* d) {
      d->FillValueList(chamber);
      d->ShowViewControls();
    });
  }
  // The list reads its rows from the record; it only takes up the new ones.
  // It follows them while the user is at its end; scrolled up, it stays put.
  void SampleListed(int chamber, int, const ListedSample&) override {
    Post([chamber](CMeasureDlg* d) {
      ReportList* list = d->List(ctl::kValues[chamber]);
      const bool atEnd = list->AtEnd();
      if (d->valueLists_[static_cast<size_t>(chamber)]->Follow() && atEnd) list->ScrollToEnd();
    });
  }
  void MeasuringLabelsHidden(std::array<bool, 3> hide) override {
    Post([hide](CMeasureDlg* d) { d->HideMeasuringLabels(hide); });
  }
  void JournalFailed(int, const std::string& message) override {
    Post([message](CMeasureDlg* d) { d->prompts_->ShowNotice(message); });
  }

 private:
  template <class F>
  void Post(F f) {
    dlg_->WorkerQueue().Post([d = dlg_, f] { f(d); });
  }
  CMeasureDlg* dlg_;
};

}  // namespace corvala

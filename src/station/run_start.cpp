#include "station/run_start.h"

#include "util/c_format.h"

namespace corvala {

std::string UnsavedDataQuestion(int chamber) {
  return Format("Unsaved measurement datas in chamber %d will be overwritten!", chamber + 1);
}

void OnStart(Station& station, const ChamberSelection& selected, Prompts& prompts) {
  ChamberSelection start{};
  for (size_t i = 0; i < 3; ++i) {
    if (station.m_run[i].m_running.load() || !selected[i]) continue;
    const bool saved = station.m_chamber[i].Access([](const ChamberRecord& r) { return r.saved; });
    if (!saved && !prompts.AskOkCancel(UnsavedDataQuestion(static_cast<int>(i)))) continue;
    // The unsaved run's journal stays until the new run's first sample replaces
    // it: a run stopped before then leaves the unsaved run as it was.
    start[i] = true;
  }
  StartRuns(station, start);
}

}  // namespace corvala

#include "station/station_analysis.h"

#include <utility>

#include "analysis/normalisation.h"
#include "analysis/run_analysis.h"

namespace corvala {

bool RunAnalysis(Station& station, bool correctionOn, int32_t correctionTime) {
  for (auto& chamber : station.m_chamber) {
    const AnalysisInput input =
        chamber.Access([](const ChamberRecord& r) { return AnalysisInputOf(r); });
    AnalysisBlock block = AnalyseChamber(input, correctionOn, correctionTime);
    chamber.Access([&](ChamberRecord& r) { StoreAnalysis(r, input, std::move(block)); });
  }
  return true;
}

float ComputeNormOffset(Station& station, int chamber, bool correctionOn, int32_t correctionTime) {
  if (chamber < 0 || chamber > 2) return 0.0f;
  auto& offset = station.m_run[chamber].m_normOffset;
  const float switched = station.m_chamber[chamber].Access([&](const ChamberRecord& r) {
    return SwitchedNormOffset(offset.load(), r, correctionOn, correctionTime);
  });
  offset.store(switched);
  return switched;
}

std::array<bool, 3> ToggleNormalisation(Station& station, const std::array<uint8_t, 3>& selected,
                                        bool correctionOn, int32_t correctionTime) {
  std::array<bool, 3> switched{false, false, false};
  for (int c = 0; c < 3; ++c) {
    if (selected[c] != 1 || station.m_run[c].m_running.load() != 0) continue;
    const int32_t samples =
        station.m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples(); });
    if (samples < 1) continue;
    ComputeNormOffset(station, c, correctionOn, correctionTime);
    switched[c] = true;
  }
  return switched;
}

std::optional<RateSeries> BlankSeries(Station& station, int chamber, int32_t unit,
                                      const AnalysisRowOptions& options) {
  const std::optional<int32_t> blank = options.rates.blankChamber;
  if (!blank || *blank < 0 || *blank > 2 || *blank == chamber) return std::nullopt;
  return station.m_chamber[*blank].Access([&](const ChamberRecord& r) {
    // A blank in the other unit has no rate to subtract.
    return r.Samples() > 0 && r.runUnit == unit ? std::optional(RateSeriesOf(r)) : std::nullopt;
  });
}

AddRowOutcome AddAnalysisRow(AnalysisTable& table, Station& station, int chamber,
                             const std::string& name, const AnalysisRowOptions& options) {
  if (chamber < 0 || chamber > 2) return AddRowOutcome{};
  auto& shared = station.m_chamber[chamber];
  shared.Access([](ChamberRecord& r) { r.hasRun = 0; });
  RunAnalysis(station, options.correctionOn, options.correctionTime);
  const ChamberRecord record = shared.Snapshot();
  AnalysisRowOptions withBlank = options;
  if (!withBlank.blank) withBlank.blank = BlankSeries(station, chamber, record.runUnit, options);
  return AddAnalysisRow(table, record, chamber, station.m_run[chamber].m_normOffset.load(), name,
                        withBlank);
}

}  // namespace corvala

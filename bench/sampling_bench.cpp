// Cost of one sampling pass: three running chambers and a program of 100 rows.

#include <benchmark/benchmark.h>

#include "run/run_control.h"
#include "run/sampling.h"

namespace corvala {
namespace {

void SamplingPass(benchmark::State& state) {
  Station station;
  ManualClock clock;
  station.m_settings.m_sampleInterval = 1;
  station.m_settings.m_interpolation = 1;
  // Steps far in the future: walked every pass, never fired.
  for (int k = 0; k < 100; ++k) station.m_program.AppendProgramStep(99, k % 60, 0, 7, k % 2);
  StartRuns(station, {true, true, true});
  SamplingScheduler scheduler(station, clock);
  const bool sampleEveryPass = state.range(0) != 0;
  for (auto _ : state) {
    if (sampleEveryPass) clock.Advance(1);
    for (auto& r : station.m_link.report.m_readings) r.Add(250.0f), r.Add(251.0f);
    scheduler.RunPass();
  }
  state.counters["samples"] = static_cast<double>(station.m_chamber[0].Snapshot().Samples());
}
BENCHMARK(SamplingPass)->Arg(0)->Arg(1);

}  // namespace
}  // namespace corvala

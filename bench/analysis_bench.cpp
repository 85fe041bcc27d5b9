// The analysis of a day's run at 1 s per sample.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "analysis/plateau.h"
#include "analysis/regression.h"
#include "analysis/run_analysis.h"
#include "station/station_analysis.h"

namespace corvala {
namespace {

constexpr int32_t kDay = 86400;

// A respiring chamber: falls in the dark, keeps falling for two minutes after
// the light comes on, then rises towards a plateau; continuous sensor noise.
// lightOn(t) tells whether the light is on at second t.
template <class LightOn>
ChamberRecord DayRun(LightOn lightOn, uint32_t seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<float> noise(0.0f, 0.05f);
  ChamberRecord r;
  r.runInterval = 1;
  float level = 400.0f;
  int32_t lightSince = -1;
  for (int32_t t = 0; t < kDay; ++t) {
    const bool on = lightOn(t);
    if (on && lightSince < 0) lightSince = t;
    if (!on) lightSince = -1;
    if (!on || t - lightSince < 120)
      level -= 0.01f;
    else
      level += 0.0004f * (450.0f - level);
    AppendSample(r, level + noise(rng), 25.0f, on ? 1 : 0, LocalTime{}, t);
  }
  return r;
}

void BM_RunAnalysisThreeChambersHalfHourPhases(benchmark::State& state) {
  Station station;
  for (int c = 0; c < 3; ++c) {
    const ChamberRecord run = DayRun([](int32_t t) { return (t / 1800) % 2 == 1; }, 7 + c);
    station.m_chamber[c].Access([&](ChamberRecord& r) { r = run; });
  }
  for (auto _ : state) RunAnalysis(station, false, 0);
}
BENCHMARK(BM_RunAnalysisThreeChambersHalfHourPhases)->Unit(benchmark::kMillisecond);

void BM_RunAnalysisOneChamberSingleLightPhase(benchmark::State& state) {
  Station station;
  const ChamberRecord run = DayRun([](int32_t t) { return t >= 600; }, 3);
  station.m_chamber[0].Access([&](ChamberRecord& r) { r = run; });
  for (auto _ : state) RunAnalysis(station, false, 0);
  const auto block = station.m_chamber[0].Snapshot().analysis;
  state.counters["plateau"] =
      block.m_plateauRange.size() >= 2
          ? static_cast<double>(block.m_plateauRange[1] - block.m_plateauRange[0])
          : 0.0;
}
BENCHMARK(BM_RunAnalysisOneChamberSingleLightPhase)->Unit(benchmark::kMillisecond);

// One half-hour plateau, the direct quadratic search against the fast one.
std::vector<float> Plateau(int n) {
  std::mt19937 rng(11);
  std::normal_distribution<float> noise(0.0f, 0.05f);
  std::vector<float> p(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) p[k] = 450.0f - 30.0f * std::exp(-0.002f * k) + noise(rng);
  return p;
}

void BM_PlateauDirect(benchmark::State& state) {
  const auto p = Plateau(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(FindPlateauDirect(p.data(), 0, static_cast<int32_t>(p.size())));
}
BENCHMARK(BM_PlateauDirect)->Arg(1800)->Unit(benchmark::kMillisecond);

void BM_PlateauFast(benchmark::State& state) {
  const auto p = Plateau(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(FindPlateau(p.data(), 0, static_cast<int32_t>(p.size())));
}
BENCHMARK(BM_PlateauFast)->Arg(1800)->Arg(kDay)->Unit(benchmark::kMillisecond);

// The most linear window of a long segment: a straight line stored with two
// decimals, where many windows are nearly equally linear.
void BM_MostLinearWindowOfAStoredLine(benchmark::State& state) {
  RateSeries series;
  const auto n = static_cast<int32_t>(state.range(0));
  for (int32_t k = 0; k < n; ++k) {
    series.elapsed.push_back(5 * k);
    series.values.push_back(static_cast<float>(std::round((100.0 + 0.001 * k) * 100.0) / 100.0));
  }
  for (auto _ : state) benchmark::DoNotOptimize(MostLinearWindow(series, 0, n, n / 10));
}
BENCHMARK(BM_MostLinearWindowOfAStoredLine)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala

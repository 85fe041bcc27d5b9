// Reading a settings file with a long measurement program.

#include <benchmark/benchmark.h>

#include "files/settings_file.h"

namespace corvala {
namespace {

void BM_ParseSettingsWithProgram(benchmark::State& state) {
  MeasurementProgram program;
  for (int i = 0; i < state.range(0); ++i)
    program.AppendProgramStep(i / 60, i % 60, 0, 1 + i % 7, i % 2);
  const std::string text = FormatSettings(Settings{}, program.Steps());
  for (auto _ : state) benchmark::DoNotOptimize(ParseSettings(text));
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_ParseSettingsWithProgram)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala

// Saving and loading a day's run at 1 s per sample.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "files/measurement_file.h"
#include "station/measurement_io.h"

namespace corvala {
namespace {

ChamberRecord DayRecord() {
  ChamberRecord r;
  r.runInterval = 1;
  r.stepTime = {1800, 3600};
  r.stepLight = {1, 0};
  for (int32_t t = 0; t < 86400; ++t) {
    const LocalTime at{2024, 5, 1, t / 3600, (t / 60) % 60, t % 60};
    AppendSample(r, 400.0f - 0.001f * static_cast<float>(t), 25.3f, (t / 1800) % 2, at, t);
  }
  return r;
}

std::string TempPath() {
  return (std::filesystem::temp_directory_path() /
          ("corvala_bench_day_" + std::to_string(::getpid()) + ".cv3"))
      .string();
}

void BM_SaveDay(benchmark::State& state) {
  const ChamberRecord record = DayRecord();
  const std::string path = TempPath();
  for (auto _ : state) benchmark::DoNotOptimize(WriteMeasurementFile(record, path).Ok());
  std::filesystem::remove(path);
}
BENCHMARK(BM_SaveDay)->Unit(benchmark::kMillisecond);

void BM_LoadDay(benchmark::State& state) {
  const std::string path = TempPath();
  if (!WriteMeasurementFile(DayRecord(), path)) state.SkipWithError("the day could not be written");
  Station station;
  for (auto _ : state)
    benchmark::DoNotOptimize(LoadMeasurementInto(station, 0, path, ConversionFactors{}, {}));
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadDay)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala

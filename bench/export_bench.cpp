// A day-long run at 5 s (17281 samples) exported to a workbook: statement
// building alone, and the whole way through SQLite to the .xls and .xlsx files.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "files/spreadsheet_export.h"
#include "station/export.h"

namespace {

using namespace corvala;

ChamberRecord DayRun() {
  ChamberRecord r;
  r.startDay = 5, r.startMonth = 12, r.startYear = 2026, r.runInterval = 5;
  for (int k = 0; k <= 17280; ++k) {
    r.series.Append(Sample{0, 0, 0, 5 * k, 1000.0f + static_cast<float>(k % 300) * 0.25f,
                           static_cast<uint8_t>((k / 720) % 2), 23.5f});
  }
  return r;
}

void BM_DataStatements(benchmark::State& state) {
  const ChamberRecord r = DayRun();
  for (auto _ : state)
    for (int32_t k = 0; k < r.Samples(); ++k)
      benchmark::DoNotOptimize(MessdatenInsertStatement(r, k, 1000.0f, true));
}
BENCHMARK(BM_DataStatements)->Unit(benchmark::kMillisecond);

void BM_ExportDay(benchmark::State& state, const char* extension) {
  Station station;
  station.m_chamber[0].Access([](ChamberRecord& r) { r = DayRun(); });
  const auto dir = std::filesystem::temp_directory_path() /
                   ("corvala_export_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (auto _ : state) {
    ScriptedPrompts prompts;
    prompts.filePaths = {(dir / (std::string("day.") + extension)).string()};
    const ExportResult result =
        ExportMeasurement(station, {1, 0, 0}, ExportOptions{}, prompts, DefaultWorkbookFactory());
    if (result.Failed()) state.SkipWithError(result.status.Message().c_str());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK_CAPTURE(BM_ExportDay, xls, "xls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExportDay, xlsx, "xlsx")->Unit(benchmark::kMillisecond);

}  // namespace

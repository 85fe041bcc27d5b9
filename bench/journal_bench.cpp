// What the journal of running measurements costs the sampler: one sample
// appended on its own, and a sampling pass of three running chambers that each
// take a sample, without and with journals. The syncs run on the journal's own
// thread; what one costs is measured apart.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "run/run_control.h"
#include "run/run_journal.h"
#include "run/sampling.h"

namespace corvala {
namespace {

class BenchFolder {
 public:
  BenchFolder()
      : path_(std::filesystem::temp_directory_path() /
              ("corvala_journal_bench_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

void JournalAppend(benchmark::State& state) {
  const BenchFolder folder;
  RunJournal journal;
  journal.SetFolder(folder.Path());
  ChamberRecord record;
  record.stepTime = {600, 1200};
  record.stepLight = {1, 0};
  Sample sample{12, 34, 56, 0, 1013.25f, 1, 24.5f};
  (void)journal.Begin(0);
  (void)journal.Append(0, sample, &record, std::chrono::steady_clock::now());
  for (auto _ : state) {
    sample.elapsed += 1;
    sample.pressure += 0.01f;
    benchmark::DoNotOptimize(
        journal.Append(0, sample, nullptr, std::chrono::steady_clock::now()).Ok());
  }
  state.counters["syncs"] = static_cast<double>(journal.Syncs());
}
BENCHMARK(JournalAppend);

// The pass that syncs, once every 10 s: a sample appended and synced to disk.
void JournalAppendAndSync(benchmark::State& state) {
  const BenchFolder folder;
  RunJournal journal;
  journal.SetFolder(folder.Path());
  ChamberRecord record;
  Sample sample{12, 34, 56, 0, 1013.25f, 1, 24.5f};
  (void)journal.Begin(0);
  (void)journal.Append(0, sample, &record, std::chrono::steady_clock::now());
  for (auto _ : state) {
    sample.elapsed += 1;
    benchmark::DoNotOptimize(
        journal.Append(0, sample, nullptr, std::chrono::steady_clock::now()).Ok());
    journal.SyncAll();
  }
  state.counters["syncs"] = static_cast<double>(journal.Syncs());
}
BENCHMARK(JournalAppendAndSync)->Unit(benchmark::kMicrosecond);

// Arg 0: no journals; 1: journals in a folder.
void SamplingPassOfThreeChambers(benchmark::State& state) {
  const BenchFolder folder;
  Station station;
  if (state.range(0) != 0) station.m_journal.SetFolder(folder.Path());
  ManualClock clock;
  station.m_settings.m_sampleInterval = 1;
  StartRuns(station, {true, true, true});
  SamplingScheduler scheduler(station, clock);
  for (auto _ : state) {
    clock.Advance(1);
    for (auto& r : station.m_link.report.m_readings) r.Add(250.0f), r.Add(251.0f);
    scheduler.RunPass();
  }
  state.counters["samples"] = static_cast<double>(station.m_chamber[0].Snapshot().Samples());
  state.counters["syncs"] = static_cast<double>(station.m_journal.Syncs());
}
BENCHMARK(SamplingPassOfThreeChambers)->Arg(0)->Arg(1);

}  // namespace
}  // namespace corvala

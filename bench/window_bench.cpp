// Opening the window with a settings file that holds a long measurement
// program: every stored row goes through the program editor.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QApplication>

#include <filesystem>
#include <fstream>

#include "app/measure_dlg.h"
#include "files/settings_file.h"

namespace {

using namespace corvala;

// A data folder of its own with a Corvala.ini of `rows` program rows.
std::filesystem::path FolderWithProgram(int rows) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("corvala_window_bench_" + std::to_string(::getpid()) + "_" + std::to_string(rows));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  MeasurementProgram program;
  for (int i = 0; i < rows; ++i)
    program.AppendProgramStep(i / 3600, (i / 60) % 60, i % 60, 1 + i % 7, i % 3 - 1);
  std::ofstream(folder / kSettingsFileName, std::ios::binary)
      << FormatSettings(Settings{}, program.Steps());
  return folder;
}

void BM_OpenWindowWithProgram(benchmark::State& state) {
  const std::filesystem::path folder = FolderWithProgram(static_cast<int>(state.range(0)));
  ScriptedPrompts prompts;
  for (auto _ : state) {
    auto dlg = std::make_unique<CMeasureDlg>(StationOptions{folder.string(), {}, false}, &prompts);
    state.PauseTiming();
    dlg.reset();  // writes the settings back
    state.ResumeTiming();
  }
  std::filesystem::remove_all(folder);
  state.counters["rows"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_OpenWindowWithProgram)
    ->Arg(0)
    ->Arg(2000)
    ->Arg(20000)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "window_bench";
  char* qtArgv[] = {name, nullptr};
  QApplication app(qtArgc, qtArgv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

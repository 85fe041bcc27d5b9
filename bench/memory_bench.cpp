// Resident memory of a recording: three chambers with one sample a second for
// the given number of days, held in the records and shown in the value lists
// of an open window. With "files", the run is written to three measurement
// files first, loaded into the window's three chambers by its load button and
// saved by its save button. Prints the figures; run as
//   QT_QPA_PLATFORM=offscreen build/bench/memory_bench [files] [DAYS]

#include <QAbstractButton>
#include <QApplication>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "files/measurement_file.h"
#include "week_files.h"

namespace {

using namespace corvala;

// VmRSS or VmHWM of this process in MB.
double StatusMb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key)) / 1024.0;
  }
  return 0.0;
}

void Click(CMeasureDlg& dlg, int id) {
  static_cast<QAbstractButton*>(dlg.Control(id))->click();
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  const bool files = argc > 1 && std::strcmp(argv[1], "files") == 0;
  const int argDays = files ? 2 : 1;
  const int days = argc > argDays ? std::atoi(argv[argDays]) : (files ? 7 : 1);
  QApplication app(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() /
                      ("corvala_memory_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  ScriptedPrompts prompts;
  prompts.answers = {false, false, false, false};
  StationOptions options;
  options.dataFolder = folder.string();
  options.startThreads = false;
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  dlg->show();
  QApplication::processEvents();
  WindowProbe probe(*dlg);
  const double atStart = StatusMb("VmRSS:");

  if (files) {
    if (!bench::MakeWeekFiles(folder, days)) return 1;
    // Each chamber alone is selected and loaded; then all three are saved.
    for (int c = 0; c < 3; ++c) {
      if (c > 0) Click(*dlg, ctl::kChamberSelect[c - 1]);
      Click(*dlg, ctl::kChamberSelect[c]);
      prompts.filePaths = {(folder / ("week_" + std::to_string(c + 1) + ".cv3")).string()};
      Click(*dlg, ctl::kLoadMeasurement);
    }
    const double loaded = StatusMb("VmRSS:");
    const double loadedPeak = StatusMb("VmHWM:");
    for (int c = 0; c < 2; ++c) Click(*dlg, ctl::kChamberSelect[c]);
    prompts.filePaths = {(folder / "saved.cv3").string()};
    Click(*dlg, ctl::kSaveMeasurement);
    const bool allSaved = std::filesystem::exists(folder / "saved_3.cv3");
    std::printf("days %d, three files loaded and saved%s\n", days,
                allSaved ? "" : " (NOT ALL SAVED)");
    std::printf("rss at start      %8.1f MB\n", atStart);
    std::printf("rss loaded        %8.1f MB\n", loaded);
    std::printf("peak loaded       %8.1f MB\n", loadedPeak);
    std::printf("rss saved         %8.1f MB\n", StatusMb("VmRSS:"));
    std::printf("peak saved        %8.1f MB\n", StatusMb("VmHWM:"));
    prompts.answers = {false, false, false, false};
    dlg->close();
    dlg.reset();
    std::filesystem::remove_all(folder);
    return allSaved ? 0 : 1;
  }

  const int32_t seconds = days * 86400;
  for (int c = 0; c < 3; ++c) {
    probe.station().m_chamber[c].Access([&](ChamberRecord& r) {
      for (int32_t t = 0; t < seconds; ++t) {
        const LocalTime at{2026, 12, 1 + t / 86400, (t / 3600) % 24, (t / 60) % 60, t % 60};
        AppendSample(r, 900.0f + static_cast<float>(t % 500) * 0.1f, 25.0f, (t / 1800) % 2, at, t);
      }
    });
  }
  const double withRecords = StatusMb("VmRSS:");

  // The value lists show every sample (the normalisation button refills all three).
  for (int id : ctl::kChamberSelect) static_cast<QAbstractButton*>(dlg->Control(id))->click();
  static_cast<QAbstractButton*>(dlg->Control(ctl::kNormalise))->click();
  QApplication::processEvents();
  const double withLists = StatusMb("VmRSS:");

  const double samples = 3.0 * seconds;
  std::printf("days %d, samples %.0f\n", days, samples);
  std::printf("rss at start      %8.1f MB\n", atStart);
  std::printf("rss with records  %8.1f MB (%.1f bytes a sample)\n", withRecords,
              (withRecords - atStart) * 1048576.0 / samples);
  std::printf("rss with lists    %8.1f MB (%.1f bytes a sample)\n", withLists,
              (withLists - atStart) * 1048576.0 / samples);
  std::printf("peak rss          %8.1f MB\n", StatusMb("VmHWM:"));
  prompts.answers = {false, false, false, false};
  dlg->close();
  dlg.reset();
  std::filesystem::remove_all(folder);
  return 0;
}

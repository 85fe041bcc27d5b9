// The longest time the window thread goes without running its event loop while
// a run of three chambers at one sample a second is loaded and saved: first as
// the buttons used to do it (the station's loading and saving called on the
// window thread), then through the buttons (reading and writing on a thread of
// their own while the progress shows). Prints the figures in ms; run as
//   QT_QPA_PLATFORM=offscreen build/bench/window_block_bench [DAYS]

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "files/measurement_file.h"
#include "station/measurement_io.h"
#include "week_files.h"

namespace {

using namespace corvala;

std::string FilePath(const std::filesystem::path& folder, const std::string& name) {
  return (folder / name).string();
}

// Runs action from the window's event loop and returns the longest gap (ms)
// between two turns of that loop meanwhile, as a 2 ms timer sees it.
double LongestBlock(const std::function<void()>& action) {
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 longest = 0;
  QTimer ticker;
  ticker.setInterval(2);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    action();
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
  });
  clock.start();
  ticker.start();
  loop.exec();
  return static_cast<double>(longest) / 1e6;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc > 1 ? std::atoi(argv[1]) : 7;
  QApplication app(argc, argv);
  const auto folder = std::filesystem::temp_directory_path() /
                      ("corvala_window_block_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  ScriptedPrompts prompts;
  StationOptions options;
  options.dataFolder = folder.string();
  options.startThreads = false;
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts);
  dlg->show();
  QApplication::processEvents();
  WindowProbe probe(*dlg);
  if (!bench::MakeWeekFiles(folder, days)) return 1;
  auto click = [&](int id) { static_cast<QAbstractButton*>(dlg->Control(id))->click(); };

  // Before: the station's loading and saving called on the window thread, with
  // the window's refresh after a load.
  MeasurementLoadHooks loadHooks;
  loadHooks.refreshViews = [&](int c) {
    probe.FillValueList(c);
    probe.RefreshView();
  };
  double loadBefore[3], loadAfter[3];
  for (int c = 0; c < 3; ++c) {
    std::array<uint8_t, 3> selected{};
    selected[c] = 1;
    prompts.filePaths = {FilePath(folder, "week_" + std::to_string(c + 1) + ".cv3")};
    loadBefore[c] = LongestBlock([&] {
      (void)corvala::LoadMeasurementFile(probe.station(), selected, prompts, ConversionFactors{},
                                         loadHooks);
    });
  }
  prompts.filePaths = {FilePath(folder, "before.cv3")};
  const double saveBefore = LongestBlock([&] {
    (void)corvala::SaveMeasurementFiles(probe.station(), {1, 1, 1}, prompts, {});
  });

  // After: the same through the buttons.
  for (int c = 0; c < 3; ++c) {
    if (c > 0) click(ctl::kChamberSelect[c - 1]);
    click(ctl::kChamberSelect[c]);
    prompts.filePaths = {FilePath(folder, "week_" + std::to_string(c + 1) + ".cv3")};
    loadAfter[c] = LongestBlock([&] { click(ctl::kLoadMeasurement); });
  }
  for (int c = 0; c < 2; ++c) click(ctl::kChamberSelect[c]);
  prompts.filePaths = {FilePath(folder, "after.cv3")};
  const double saveAfter = LongestBlock([&] { click(ctl::kSaveMeasurement); });

  bool same = true;
  for (int c = 1; c <= 3; ++c)
    same = same && SameBytes(FilePath(folder, "before_" + std::to_string(c) + ".cv3"),
                             FilePath(folder, "after_" + std::to_string(c) + ".cv3"));
  const int32_t rows = probe.station().m_chamber[0].Snapshot().Samples();
  std::printf("%d days, %d rows a chamber; longest window-thread block (ms)\n", days, rows);
  std::printf("                      before     after\n");
  for (int c = 0; c < 3; ++c)
    std::printf("load chamber %d      %8.1f  %8.1f\n", c + 1, loadBefore[c], loadAfter[c]);
  std::printf("save three chambers %8.1f  %8.1f\n", saveBefore, saveAfter);
  std::printf("files saved before and after %s\n", same ? "identical" : "DIFFER");
  prompts.answers = {false, false, false, false};
  dlg->close();
  dlg.reset();
  std::filesystem::remove_all(folder);
  return same ? 0 : 1;
}

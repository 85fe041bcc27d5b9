// The station with both worker threads, run for the journal's end-to-end test:
// chambers I and II run against the simulated device with one-second samples
// and a light step at 3 s, on a clock this program moves. Once both chambers
// have the samples asked for, the clock stands still; when the last due sample
// is taken and journaled, every sample taken is written to recorded_<N>.txt
// (hexadecimal floats, exact) and the file "ready" appears; then the program
// waits, still running, to be killed.
//
// Usage: journal_writer DATA_FOLDER SAMPLES

#include <QAbstractButton>
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "devsim/device_simulator.h"
#include "files/journal_file.h"
#include "run/run_journal.h"
#include "util/c_format.h"
#include "util/file_io.h"

namespace {

using namespace corvala;

void ProcessEventsFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string Dump(const ChamberRecord& r) {
  std::string out;
  for (int32_t k = 0; k < r.Samples(); ++k) {
    const Sample s = r.series.At(k);
    out += Format("%d %d %d %d %a %a %d\n", s.hour, s.minute, s.second, s.elapsed,
                  static_cast<double>(s.pressure), static_cast<double>(s.temperature), s.light);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: journal_writer DATA_FOLDER SAMPLES\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int wanted = std::stoi(argv[2]);
  const std::filesystem::path data(folder);
  // One-second samples; light on for chambers I and II at 00:00:03.
  if (!WriteFileAtomically((data / "Corvala.ini").string(),
                           "Messabstand=1\r\nAnzProg=1\r\nStunde0000=0\r\nMinute0000=0\r\n"
                           "Sekunde0000=3\r\nKammer1-0000=1\r\nKammer2-0000=1\r\n"
                           "Kammer3-0000=0\r\nLicht0000=1\r\nEnde0000=0\r\n"))
    return 1;

  QApplication app(argc, argv);
  devsim::DeviceSimulator::Options simOptions;
  simOptions.periodMs = 20;
  simOptions.seed = 12;
  devsim::DeviceSimulator device(simOptions);
  std::string error;
  if (!device.Start(error)) {
    std::fprintf(stderr, "journal_writer: %s\n", error.c_str());
    return 1;
  }
  ManualClock clock;
  StationOptions options;
  options.dataFolder = folder;
  options.ports.SetOverride(1, device.Path());
  options.clock = &clock;
  ScriptedPrompts prompts;
  CMeasureDlg dlg(options, &prompts);
  dlg.show();
  WindowProbe probe(dlg);
  for (int id : {ctl::kChamberSelect1, ctl::kChamberSelect2, ctl::kStart})
    static_cast<QAbstractButton*>(dlg.Control(id))->click();

  auto samples = [&](int c) {
    return probe.station().m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples(); });
  };
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (samples(0) < wanted || samples(1) < wanted) {
    if (std::chrono::steady_clock::now() > limit) return 1;
    ProcessEventsFor(std::chrono::milliseconds(100));
    clock.Advance(1);
  }
  // The clock stands still: once each chamber has its sample of this second and
  // that sample is in its journal, no further sample comes.
  auto settled = [&](int c) {
    if (probe.station().m_run[c].m_lastSampleTime.load() != clock.Monotonic()) return false;
    const Expected<std::string> journal = ReadWholeFile((data / JournalFileName(c)).string());
    return journal && ParseRunJournal(*journal, {}).record.series.Size() == samples(c);
  };
  while (!settled(0) || !settled(1)) {
    if (std::chrono::steady_clock::now() > limit) return 1;
    ProcessEventsFor(std::chrono::milliseconds(50));
  }
  for (int c = 0; c < 2; ++c) {
    const std::string path = (data / Format("recorded_%d.txt", c + 1)).string();
    if (!WriteFileAtomically(path, Dump(probe.station().m_chamber[c].Snapshot()))) return 1;
  }
  if (!WriteFileAtomically((data / "ready").string(), "")) return 1;
  for (;;) ProcessEventsFor(std::chrono::seconds(1));
}

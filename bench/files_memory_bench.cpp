// Resident memory of a week-long run loaded from three measurement files and
// saved again: three chambers with one sample a second. The files are made
// first in a temporary folder; each repetition runs in a fresh process so that
// its peak is its own. Prints the median figures; run as
//   build/bench/files_memory_bench [DAYS] [REPETITIONS]

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/measurement_file.h"
#include "station/measurement_io.h"
#include "station/prompts.h"

namespace {

using namespace corvala;
namespace fs = std::filesystem;

// VmRSS or VmHWM of this process in MB.
double StatusMb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key)) / 1024.0;
  return 0.0;
}

std::string InputPath(const fs::path& folder, int c) {
  return (folder / ("week_" + std::to_string(c + 1) + ".cv3")).string();
}

// Writes the three files of a run of the given days (in a process of its own).
int MakeFiles(const fs::path& folder, int days) {
  const int32_t seconds = days * 86400;
  for (int c = 0; c < 3; ++c) {
    ChamberRecord r;
    r.runInterval = 1;
    r.stepTime = {1800, 3600};
    r.stepLight = {1, 0};
    r.series.Reserve(static_cast<size_t>(seconds));
    for (int32_t t = 0; t < seconds; ++t) {
      const LocalTime at{2026, 12, 1 + t / 86400, (t / 3600) % 24, (t / 60) % 60, t % 60};
      AppendSample(r, 900.0f + static_cast<float>((t + c) % 500) * 0.1f, 25.0f, (t / 1800) % 2, at,
                   t);
    }
    if (!WriteMeasurementFile(r, InputPath(folder, c))) return 1;
  }
  return 0;
}

constexpr int kFigures = 5;
const char* const kNames[kFigures] = {"rss at start", "rss loaded", "peak loaded", "rss saved",
                                      "peak saved"};

// Loads the three files into the three chambers and saves them again.
int Measure(const fs::path& folder, std::array<double, kFigures>& figures) {
  Station station;
  figures[0] = StatusMb("VmRSS:");
  for (int c = 0; c < 3; ++c)
    if (LoadMeasurementInto(station, c, InputPath(folder, c), ConversionFactors{}, {}) !=
        MeasurementLoadStatus::kLoaded)
      return 1;
  figures[1] = StatusMb("VmRSS:");
  figures[2] = StatusMb("VmHWM:");
  ScriptedPrompts prompts;
  prompts.filePaths = {(folder / "saved.cv3").string()};
  const MeasurementSaveResult saved =
      SaveMeasurementFiles(station, {1, 1, 1}, prompts, MeasurementSaveHooks{});
  if (saved.written.size() != 3) return 1;
  figures[3] = StatusMb("VmRSS:");
  figures[4] = StatusMb("VmHWM:");
  return 0;
}

// Runs f in a child process; its exit status (and figures through a pipe).
template <class F>
int InChild(F&& f, std::array<double, kFigures>* figures) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return 1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    std::array<double, kFigures> own{};
    const int status = f(own);
    if (::write(pipeFds[1], own.data(), sizeof own) != static_cast<ssize_t>(sizeof own)) ::_exit(1);
    ::_exit(status);
  }
  ::close(pipeFds[1]);
  std::array<double, kFigures> got{};
  const bool read = ::read(pipeFds[0], got.data(), sizeof got) == static_cast<ssize_t>(sizeof got);
  ::close(pipeFds[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0 || !read)
    return 1;
  if (figures != nullptr) *figures = got;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const fs::path folder =
      fs::temp_directory_path() / ("corvala_files_memory_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  int failed =
      InChild([&](std::array<double, kFigures>&) { return MakeFiles(folder, days); }, nullptr);
  std::vector<std::array<double, kFigures>> runs;
  for (int i = 0; i < repetitions && failed == 0; ++i) {
    std::array<double, kFigures> figures{};
    failed =
        InChild([&](std::array<double, kFigures>& own) { return Measure(folder, own); }, &figures);
    runs.push_back(figures);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (failed != 0) {
    std::fprintf(stderr, "the week could not be written, loaded or saved\n");
    return 1;
  }
  std::printf("days %d, three chambers at 1 s, %d repetitions, medians:\n", days, repetitions);
  for (int k = 0; k < kFigures; ++k) {
    std::vector<double> values;
    for (const auto& run : runs) values.push_back(run[static_cast<size_t>(k)]);
    std::sort(values.begin(), values.end());
    std::printf("%-14s %8.1f MB\n", kNames[k], values[values.size() / 2]);
  }
  return 0;
}

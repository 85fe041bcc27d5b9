#pragma once
// Week-long measurement files for the benchmarks: three chambers at one sample
// a second, written by a process of its own so that none of the writing counts
// in the benchmark's own process.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "files/measurement_file.h"

namespace corvala::bench {

// The three chambers' runs of the given days, as week_1..3.cv3 in folder.
inline bool MakeWeekFiles(const std::filesystem::path& folder, int days) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int32_t seconds = days * 86400;
    for (int c = 0; c < 3; ++c) {
      ChamberRecord r;
      r.runInterval = 1;
      for (int32_t t = 0; t < seconds; ++t) {
        const LocalTime at{2026, 12, 1 + t / 86400, (t / 3600) % 24, (t / 60) % 60, t % 60};
        AppendSample(r, 900.0f + static_cast<float>(t % 500) * 0.1f, 25.0f, (t / 1800) % 2, at, t);
      }
      const std::string path = (folder / ("week_" + std::to_string(c + 1) + ".cv3")).string();
      if (!WriteMeasurementFile(r, path)) ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

}  // namespace corvala::bench

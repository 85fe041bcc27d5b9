// Saving from a shared record: the record is reached chunk by chunk, so a run
// that changes while its file is written must not leave a file mixing two runs.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "files/measurement_file.h"
#include "test_support/golden_run.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

// The writes of this test program pass through here, so a test can act
// between two chunks of a file.
namespace {
std::function<void()> g_afterWrite;
std::atomic<bool> g_armed{false};
}  // namespace

extern "C" ssize_t write(int fd, const void* bytes, size_t count) {
  using Fn = ssize_t (*)(int, const void*, size_t);
  static const auto real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "write"));
  const ssize_t written = real(fd, bytes, count);
  if (g_armed.exchange(false)) g_afterWrite();
  return written;
}

namespace corvala {
namespace {

ChamberRecord LongRun() {
  ChamberRecord run = testing::GoldenRun();
  for (int32_t t = 0; t < 10000; ++t)
    AppendSample(run, 400.0f, 25.0f, 0, LocalTime{2024, 3, 1, t / 3600, (t / 60) % 60, t % 60},
                 20 + t);
  return run;
}

TEST(MeasurementChunks, ARunChangedWhileItsFileIsWrittenLeavesTheOldFile) {
  const testing::TempFolder folder;
  const std::string path = folder / "run.cv3";
  ASSERT_TRUE(WriteMeasurementFile(testing::GoldenRun(), path).Ok());
  SharedChamber shared;
  shared.Access([](ChamberRecord& r) { r = LongRun(); });
  // A sample arrives once the header is written.
  g_afterWrite = [&] {
    shared.Access([](ChamberRecord& r) {
      AppendSample(r, 1.0f, 25.0f, 0, LocalTime{2024, 3, 2, 0, 0, 0}, 99999);
    });
  };
  g_armed = true;
  const Result written = WriteMeasurementFile(shared, path);
  g_armed = false;
  EXPECT_EQ(written.Message(),
            "The file " + path + " could not be written: the run changed while it was written.");
  // Compared whole, without printing a long file on failure.
  EXPECT_TRUE(testing::FileBytes(path) == FormatMeasurementFile(testing::GoldenRun()))
      << "the old file was replaced";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace corvala

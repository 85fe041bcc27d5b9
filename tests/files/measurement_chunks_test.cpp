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

TEST(MeasurementChunks, WritingCountsItsRowsAndACancelBetweenChunksLeavesTheOldFile) {
  const testing::TempFolder folder;
  const std::string path = folder / "run.cv3";
  SharedChamber shared;
  shared.Access([](ChamberRecord& r) { r = LongRun(); });
  const int32_t rows = shared.Access([](const ChamberRecord& r) { return r.Samples(); });
  Progress whole;
  ASSERT_TRUE(WriteMeasurementFile(shared, path, &whole).Ok());
  EXPECT_EQ(whole.done.load(), rows);
  const std::string before = testing::FileBytes(path);

  // Cancel is asked for once the header and the first rows are written.
  Progress progress;
  int writes = 0;
  g_afterWrite = [&] {
    if (++writes == 2) progress.cancel = true;
    g_armed = writes < 2;
  };
  g_armed = true;
  const Result written = WriteMeasurementFile(shared, path, &progress);
  g_armed = false;
  EXPECT_EQ(written.Message(), "The file " + path + " could not be written: cancelled.");
  EXPECT_LT(progress.done.load(), rows);
  EXPECT_TRUE(testing::FileBytes(path) == before) << "the old file was replaced";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(MeasurementChunks, ReadingCountsItsLinesAndStopsOnCancel) {
  const std::string text = FormatMeasurementFile(LongRun());
  Progress whole;
  const MeasurementFileContent read = ParseMeasurementFile(text, {}, &whole);
  EXPECT_EQ(read.record.Samples(), LongRun().Samples());
  EXPECT_EQ(whole.done.load(), whole.total.load());
  EXPECT_GE(whole.total.load(), read.record.Samples());
  Progress cancelled;
  cancelled.cancel = true;
  EXPECT_LT(ParseMeasurementFile(text, {}, &cancelled).record.Samples(), read.record.Samples());
}

}  // namespace
}  // namespace corvala

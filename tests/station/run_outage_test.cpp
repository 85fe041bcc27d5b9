// A run sampled through the scheduler and handled by the station's workflows:
// an outage of the device kept in the saved file, and a new run that is
// started and stopped before its first sample.

#include <gtest/gtest.h>

#include <filesystem>

#include "files/measurement_file.h"
#include "run/run_control.h"
#include "run/sampling.h"
#include "station/measurement_io.h"
#include "station/run_start.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

struct RunOutage : ::testing::Test {
  RunOutage() { station.m_journal.SetFolder(folder.Path().string()); }
  // The clock moves on; the device delivers readings unless it is unplugged.
  void Pass(int seconds, bool readings = true) {
    clock.Advance(seconds);
    if (readings)
      for (auto& r : station.m_link.report.m_readings) r.Add(120.0f), r.Add(120.0f);
    scheduler.RunPass();
  }
  std::string JournalPath(int c) { return folder / JournalFileName(c); }

  testing::TempFolder folder;
  Station station;
  ManualClock clock{1'700'000'000};
  SamplingScheduler scheduler{station, clock};
  ScriptedPrompts prompts;
};

TEST_F(RunOutage, TheSavedElapsedColumnKeepsAnOutagesGap) {
  OnStart(station, {true, false, false}, prompts);
  Pass(0);                                      // initialise
  for (int late : {0, 5, 5}) Pass(late);        // 0, 5, 10
  for (int k = 0; k < 11; ++k) Pass(1, false);  // unplugged for 11 s
  for (int late : {0, 5}) Pass(late);
  OnStop(station, {true, false, false});

  prompts.filePaths = {folder / "outage.cv3"};
  ASSERT_EQ(SaveMeasurementFiles(station, {1, 0, 0}, prompts, {}).written.size(), 1u);
  const MeasurementFileContent read =
      ParseMeasurementFile(testing::FileBytes(folder / "outage.cv3"), {});
  EXPECT_EQ(read.record.series.Elapsed(), (std::vector<int32_t>{0, 5, 10, 21, 26}));
  EXPECT_EQ(read.record.series.Second(), (std::vector<int32_t>{20, 25, 30, 41, 46}));
  EXPECT_EQ(read.record.runInterval, 5);
}

TEST_F(RunOutage, StartAndStopBeforeTheFirstSampleKeepTheUnsavedRunsJournal) {
  OnStart(station, {true, false, false}, prompts);
  for (int late : {0, 0, 5}) Pass(late);
  OnStop(station, {true, false, false});
  const std::string journal = testing::FileBytes(JournalPath(0));
  ASSERT_FALSE(journal.empty());

  prompts.answers = {true};  // the unsaved run may be replaced
  OnStart(station, {true, false, false}, prompts);
  EXPECT_EQ(prompts.asked.size(), 1u);
  Pass(5);  // the new run is initialised, its first sample not yet taken
  OnStop(station, {true, false, false});
  EXPECT_EQ(station.m_chamber[0].Snapshot().Samples(), 2);
  EXPECT_EQ(testing::FileBytes(JournalPath(0)), journal);
}

}  // namespace
}  // namespace corvala

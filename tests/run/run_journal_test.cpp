#include "run/run_journal.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "run_test_support.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class JournalTest : public SamplingTest {
 protected:
  JournalTest() { station.m_journal.SetFolder(folder.Path().string()); }
  std::string Journal(int chamber) { return testing::FileBytes(folder / JournalFileName(chamber)); }

  testing::TempFolder folder;
};

TEST_F(JournalTest, EverySampleIsInTheJournalAsSoonAsItIsTaken) {
  station.m_settings.m_sampleInterval = 2;
  station.m_program.AppendProgramStep(0, 0, 4, 1, kStepLightOn);
  StartRuns(station, {true, false, false});
  Pass(0, 1013.37f);  // run initialised: the journal begins with the first sample
  EXPECT_FALSE(fs::exists(folder / JournalFileName(0)));
  Pass(1, 1013.37f);  // the first sample brings the header with the run's start
  const ChamberRecord first = Record(0);
  EXPECT_EQ(first.startSecond, 21);
  EXPECT_EQ(Journal(0), FormatJournal(first));
  EXPECT_TRUE(Journal(0).starts_with("Corvala3-Journal=1\r\nJahr=2023\r\n"));
  EXPECT_TRUE(Journal(0).ends_with("Messwerte:\r\n22 13 21 0 1013.37 0 0\r\n"));

  for (int k = 0; k < 4; ++k) Pass(2, 0.1f + static_cast<float>(k));
  const ChamberRecord record = Record(0);
  ASSERT_EQ(record.Samples(), 5);
  EXPECT_EQ(record.series.Light().back(), 1);  // the light step at 4 s
  EXPECT_EQ(Journal(0), FormatJournal(record));
  EXPECT_TRUE(Journal(0).ends_with("22 13 29 8 3.0999999 0 1\r\n"));
  EXPECT_FALSE(fs::exists(folder / JournalFileName(1)));

  // A new run of the chamber keeps the previous journal until its first sample,
  // which starts the journal afresh.
  OnStop(station, {true, false, false});
  StartRuns(station, {true, false, false});
  Pass(2, 100.0f);
  EXPECT_EQ(Journal(0), FormatJournal(record));
  Pass(0, 100.0f);
  EXPECT_EQ(Journal(0), FormatJournal(Record(0)));
  EXPECT_EQ(Record(0).Samples(), 1);
}

// Every sample reaches the disk within 10 s, and the syncs come no more often
// than the age they wait for.
TEST(RunJournal, SyncsEverySampleWithinTenSecondsAndNoMoreOften) {
  const testing::TempFolder folder;
  RunJournal journal;
  journal.SetFolder(folder.Path().string());
  const auto age = RunJournal::kSyncAge;
  EXPECT_LE(age + RunJournal::kSyncCheck, 10s);
  ChamberRecord record;
  record.series.Append(Sample{});
  // Far in the future of the journal's own thread, which keeps to the real clock.
  const RunJournal::TimePoint t0 = std::chrono::steady_clock::now() + 1h;
  const auto syncsAt = [&](RunJournal::TimePoint at) {
    journal.SyncIfDue(at);
    return journal.Syncs();
  };
  ASSERT_TRUE(journal.Begin(1).Ok());
  EXPECT_EQ(syncsAt(t0 + 60s), 0u);  // nothing written yet
  ASSERT_TRUE(journal.Append(1, Sample{}, &record, t0).Ok());
  ASSERT_TRUE(journal.Append(1, Sample{}, nullptr, t0 + 5s).Ok());
  EXPECT_EQ(syncsAt(t0 + age - 1ms), 0u);
  EXPECT_EQ(syncsAt(t0 + age), 1u);
  EXPECT_EQ(syncsAt(t0 + age + 1s), 1u);
  ASSERT_TRUE(journal.Append(1, Sample{}, nullptr, t0 + 12s).Ok());
  EXPECT_EQ(syncsAt(t0 + 12s + age - 1ms), 1u);
  EXPECT_EQ(syncsAt(t0 + 12s + age), 2u);
  ASSERT_TRUE(journal.Append(1, Sample{}, nullptr, t0 + 23s).Ok());
  journal.SyncAll();  // the sampling ends
  EXPECT_EQ(journal.Syncs(), 3u);
}

// The journal's own thread syncs on the real clock, without any caller.
TEST(RunJournal, ItsThreadSyncsASampleOnceItIsOldEnough) {
  const testing::TempFolder folder;
  RunJournal journal;
  journal.SetFolder(folder.Path().string());
  ChamberRecord record;
  ASSERT_TRUE(journal.Begin(0).Ok());
  const auto written = std::chrono::steady_clock::now() - RunJournal::kSyncAge;
  ASSERT_TRUE(journal.Append(0, Sample{}, &record, written).Ok());
  const auto limit = std::chrono::steady_clock::now() + 5s;
  while (journal.Syncs() == 0 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(journal.Syncs(), 1u);
}

// A write that fails (here: a file size limit) is reported once; the next sample
// writes the whole run anew, so the journal misses nothing.
TEST_F(JournalTest, AFailedWriteIsReportedOnceAndTheNextSampleRewritesTheRun) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a file size limit (setrlimit), which Windows lacks";
#else
  StartRuns(station, {false, false, true});
  Pass(0);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit full{16, limit.rlim_max};  // no file grows beyond 16 bytes
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
  Pass(5);  // the first sample cannot be written
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  ASSERT_EQ(observer.Failures().size(), 1u);
  EXPECT_EQ(observer.Failures()[0], "2: The journal " + (folder / "Kammer3.journal") +
                                        " of chamber 3 could not be written: File too large. The "
                                        "run is not protected against a crash until it is saved.");
  Pass(5, 200.0f);
  Pass(5, 200.0f);
  EXPECT_EQ(observer.Failures().size(), 1u);
  const ChamberRecord record = Record(2);
  ASSERT_EQ(record.Samples(), 3);
  EXPECT_EQ(Journal(2), FormatJournal(record));
#endif
}

// A link put in the journal's place after Start is replaced, not written
// through: the file it points to keeps every byte.
TEST_F(JournalTest, ALinkPlantedAsTheJournalLeavesItsTargetUntouched) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need administrator rights on Windows, and Wine cannot make them";
#else
  const std::string other = folder / "notes.txt";
  std::ofstream(other, std::ios::binary) << "someone else's notes\n";
  StartRuns(station, {true, false, false});
  std::error_code linked;
  fs::create_symlink(other, folder / JournalFileName(0), linked);
  // Windows makes symbolic links only with a privilege most users lack.
  if (linked) GTEST_SKIP() << "no symbolic link could be made: " << linked.message();
  Pass(0);
  Pass(5);
  Pass(5);
  EXPECT_EQ(testing::FileBytes(other), "someone else's notes\n");
  EXPECT_FALSE(fs::is_symlink(folder / JournalFileName(0)));
  EXPECT_EQ(Journal(0), FormatJournal(Record(0)));

  // A run restored and kept open: a link put in its place later gets nothing;
  // the journal no longer has its name, which is reported.
  ASSERT_TRUE(station.m_journal.Rewrite(0, Record(0), true, std::chrono::steady_clock::now()).Ok());
  fs::remove(folder / JournalFileName(0));
  fs::create_symlink(other, folder / JournalFileName(0));
  EXPECT_FALSE(
      station.m_journal.Append(0, Sample{}, nullptr, std::chrono::steady_clock::now()).Ok());
  EXPECT_EQ(testing::FileBytes(other), "someone else's notes\n");
#endif
}

TEST_F(JournalTest, AfterRemovingAJournalOrWithoutAFolderNothingIsWritten) {
  StartRuns(station, {true, false, false});
  Pass(0);
  Pass(5);
  ASSERT_TRUE(fs::exists(folder / JournalFileName(0)));
  ASSERT_TRUE(station.m_journal.Remove(0).Ok());
  EXPECT_FALSE(fs::exists(folder / JournalFileName(0)));
  Pass(5);  // later samples of that run
  EXPECT_FALSE(fs::exists(folder / JournalFileName(0)));
  EXPECT_TRUE(station.m_journal.Remove(0).Ok());  // already gone

  station.m_journal.SetFolder("");
  EXPECT_EQ(station.m_journal.PathOf(1), "");
  StartRuns(station, {false, true, false});
  Pass(0);
  Pass(5);
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

}  // namespace
}  // namespace corvala

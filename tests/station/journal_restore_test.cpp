// The journals of unsaved runs offered back at start-up, and the workflows
// that end a journal: saving, a new run, loading over the run.

#include "station/journal_restore.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/mount.h>
#endif

#include <filesystem>

#include "files/journal_file.h"
#include "station/run_start.h"
#include "test_support/golden_run.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/file_names.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// The chambers as the window names them.
const char* const kChamber[4] = {"", "Chamber I", "Chamber II", "Chamber III"};

std::string Offered(int chamber, int samples, const std::string& started) {
  return std::string("The measurement of ") + kChamber[chamber] + " (" + std::to_string(samples) +
         " samples, started " + started + ") was not saved. Restore it?";
}
std::string Damaged(int chamber, const std::string& why, const std::string& aside) {
  return std::string("The journal of ") + kChamber[chamber] + " is damaged: " + why +
         ". It was kept as " + aside + ".";
}

struct Restore : ::testing::Test {
  Restore() {
    station.m_journal.SetFolder(folder.Path().string());
    hooks.beforeReplace = [this](int c) { log.push_back("before " + std::to_string(c)); };
    hooks.confirmConfiguration = [this] { log.push_back("confirm"); };
    hooks.refreshViews = [this](int c) { log.push_back("refresh " + std::to_string(c)); };
  }
  std::string JournalPath(int c) { return folder / JournalFileName(c); }
  void PutJournal(int c, const std::string& bytes) {
    ASSERT_TRUE(WriteFileAtomically(JournalPath(c), bytes).Ok());
  }
  JournalRestoreOutcome Offer() {
    return OfferJournalRestore(station, prompts, ConversionFactors{210.0f, 8.23f}, hooks);
  }

  testing::TempFolder folder;
  Station station;
  ScriptedPrompts prompts;
  MeasurementLoadHooks hooks;
  Texts log;
};

TEST_F(Restore, YesGivesBackAnUnsavedStoppedRunAndKeepsItsJournal) {
  const std::string journal = FormatJournal(testing::GoldenRunAsRead());
  PutJournal(1, journal);
  prompts.answers = {true};
  const JournalRestoreOutcome outcome = Offer();
  EXPECT_EQ(prompts.asked, Texts{Offered(2, 4, "29.02.2024 23:59:55")});
  EXPECT_TRUE(outcome.restored[1]);
  const ChamberRecord r = station.m_chamber[1].Snapshot();
  EXPECT_EQ(r.series, testing::GoldenRunAsRead().series);
  EXPECT_EQ(r.Samples(), 4);
  EXPECT_EQ(r.chamberIndex, 1);
  EXPECT_EQ(r.saved, 0);
  EXPECT_EQ(r.hasRun, 1);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{600, 1200}));
  EXPECT_EQ(station.m_run[1].m_running, 0);
  // Shown in the run's unit, mg/l, with the configured factors.
  EXPECT_EQ(station.m_units.Get().unit, 2);
  EXPECT_EQ(station.m_units.Get().effFactor1, 210.0f);
  EXPECT_EQ(log, (Texts{"before 1", "confirm", "refresh 1"}));
  EXPECT_EQ(testing::FileBytes(JournalPath(1)), journal);

  // Saving the restored run ends its journal.
  prompts.filePaths = {folder / "run.cv3"};
  const MeasurementSaveResult saved =
      SaveMeasurementFiles(station, {0, 1, 0}, prompts, MeasurementSaveHooks{});
  EXPECT_EQ(saved.written, Texts{folder / "run.cv3"});
  EXPECT_FALSE(fs::exists(JournalPath(1)));
}

TEST_F(Restore, ASimulatedRunIsOfferedAsSuchAndStaysSimulated) {
  ChamberRecord run = testing::GoldenRunAsRead();
  run.simulated = true;
  PutJournal(0, FormatJournal(run));
  prompts.answers = {true};
  Offer();
  EXPECT_EQ(prompts.asked,
            Texts{"The measurement of Chamber I (4 samples from the simulated "
                  "device, started 29.02.2024 23:59:55) was not saved. Restore it?"});
  EXPECT_TRUE(station.m_chamber[0].Snapshot().simulated);
}

TEST_F(Restore, NoRemovesTheJournalAndARunWithoutSamplesIsNotOffered) {
  PutJournal(0, FormatJournal(testing::GoldenRunAsRead()));
  PutJournal(2, "");
  prompts.answers = {false};
  const JournalRestoreOutcome outcome = Offer();
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_FALSE(outcome.restored[0]);
  EXPECT_TRUE(station.m_chamber[0].Snapshot().series.Empty());
  EXPECT_FALSE(fs::exists(JournalPath(0)));
  EXPECT_FALSE(fs::exists(JournalPath(2)));
  EXPECT_TRUE(log.empty());
}

TEST_F(Restore, AJournalInAnUnwritableFolderAskedForIsOfferedAndWrittenAnewHere) {
  const testing::TempFolder asked;
  const std::string journal = FormatJournal(testing::GoldenRunAsRead());
  ASSERT_TRUE(WriteFileAtomically(asked / JournalFileName(0), journal).Ok());
  ASSERT_TRUE(WriteFileAtomically(asked / JournalFileName(2), journal).Ok());
  prompts.answers = {true, false};
  const JournalRestoreOutcome outcome = OfferJournalRestore(
      station, prompts, ConversionFactors{210.0f, 8.23f}, hooks, asked.Path().string());
  EXPECT_EQ(prompts.asked,
            (Texts{Offered(1, 4, "29.02.2024 23:59:55"), Offered(3, 4, "29.02.2024 23:59:55")}));
  EXPECT_TRUE(outcome.restored[0]);
  EXPECT_EQ(station.m_chamber[0].Snapshot().series.Size(), 4);
  // The restored run is protected in this station's own folder.
  EXPECT_EQ(testing::FileBytes(JournalPath(0)), journal);
}

// Root may remove any file; a file mounted over itself is one it cannot.
TEST_F(Restore, NoToAJournalThatCannotBeRemovedSaysSo) {
#ifdef _WIN32
  GTEST_SKIP() << "makes the file unremovable with a bind mount, which Windows lacks";
#else
  PutJournal(0, FormatJournal(testing::GoldenRunAsRead()));
  if (::mount(JournalPath(0).c_str(), JournalPath(0).c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "a file cannot be made unremovable here (mounting needs root)";
  prompts.answers = {false};
  Offer();
  ::umount2(JournalPath(0).c_str(), MNT_DETACH);
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1], "The journal " + JournalPath(0) +
                                  " could not be removed: Device or resource busy. It will be "
                                  "offered again at the next start.");
#endif
}

TEST_F(Restore, AJournalThatLostItsFileOrFolderSaysSoAndIsWrittenWholeAtTheEnd) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps a file open for writing, and its folder, until it is closed: "
                  "neither can be removed under the journal";
#else
  const ChamberRecord run = testing::GoldenRunAsRead();
  station.m_chamber[0].Access([&](ChamberRecord& r) { r = run; });
  const auto now = std::chrono::steady_clock::now();
  ASSERT_TRUE(station.m_journal.Begin(0).Ok());
  ASSERT_TRUE(station.m_journal.Append(0, run.series.At(0), &run, now).Ok());
  fs::remove(JournalPath(0));
  const Result lost = station.m_journal.Append(0, run.series.At(1), nullptr, now);
  EXPECT_NE(lost.Message().find("the file or its folder was removed"), std::string::npos)
      << lost.Message();
  EXPECT_TRUE(RepairJournalsAtClose(station).empty());
  EXPECT_EQ(testing::FileBytes(JournalPath(0)), FormatJournal(run));

  // A folder that is gone for good: the end names the journal that could not be written.
  const std::string gone = (folder.Path() / "gone").string();
  fs::create_directory(gone);
  station.m_journal.SetFolder(gone);
  ASSERT_TRUE(station.m_journal.Begin(0).Ok());
  fs::remove_all(gone);
  EXPECT_FALSE(station.m_journal.Append(0, run.series.At(0), &run, now).Ok());
  const std::vector<std::string> failures = RepairJournalsAtClose(station);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_TRUE(failures[0].starts_with("The journal " + station.m_journal.PathOf(0))) << failures[0];
#endif
}

// A power cut before the first sample leaves the header whole up to a line
// end: no sample to offer, nothing damaged, and the journal goes quietly.
TEST_F(Restore, AJournalEndingInItsHeaderGoesWithoutAWord) {
  const std::string journal = FormatJournal(testing::GoldenRunAsRead());
  PutJournal(1, journal.substr(0, journal.find("AnzahlProg")));
  Offer();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_FALSE(fs::exists(JournalPath(1)));
  EXPECT_FALSE(fs::exists(JournalPath(1) + ".damaged"));
  EXPECT_TRUE(log.empty());
}

TEST_F(Restore, ACutJournalRestoresItsCompleteSamplesAndIsWrittenAnew) {
  PutJournal(0, testing::DataBytes("journal_cut.journal"));
  prompts.answers = {true};
  Offer();
  EXPECT_EQ(prompts.asked, Texts{Offered(1, 3, "01.03.2024 23:59:58")});
  const ChamberRecord r = station.m_chamber[0].Snapshot();
  EXPECT_EQ(r.Samples(), 3);
  EXPECT_EQ(testing::FileBytes(JournalPath(0)), FormatJournal(r));
}

TEST_F(Restore, ADamagedJournalIsKeptAsideNamedAndItsReadableSamplesOffered) {
  PutJournal(2, testing::DataBytes("journal_damaged.journal"));
  PutJournal(1, testing::DataBytes("journal_damaged.journal"));
  prompts.answers = {false, true};
  const JournalRestoreOutcome outcome = Offer();
  const std::string aside1 = JournalPath(1) + ".damaged";
  const std::string aside2 = JournalPath(2) + ".damaged";
  const std::string row3 = "its sample row 3 cannot be read";
  EXPECT_EQ(prompts.asked, (Texts{Damaged(2, row3, aside1), Offered(2, 2, "01.03.2024 10:00:00"),
                                  Damaged(3, row3, aside2), Offered(3, 2, "01.03.2024 10:00:00")}));
  EXPECT_EQ(outcome.keptAside[1], aside1);
  // Declined: the damaged file stays aside, nothing else is left.
  EXPECT_EQ(testing::FileBytes(aside1), testing::DataBytes("journal_damaged.journal"));
  EXPECT_FALSE(fs::exists(JournalPath(1)));
  // Restored: a clean journal of the samples restored, the damaged one aside.
  EXPECT_EQ(testing::FileBytes(aside2), testing::DataBytes("journal_damaged.journal"));
  EXPECT_EQ(testing::FileBytes(JournalPath(2)), FormatJournal(station.m_chamber[2].Snapshot()));

  // A second damaged journal of the same chamber does not replace the first;
  // the restored run's clean journal is offered again.
  PutJournal(1, "not a journal\r\n");
  prompts.asked.clear();
  Offer();
  EXPECT_EQ(prompts.asked, (Texts{Damaged(2, "it does not begin as a journal does", aside1 + "-2"),
                                  Offered(3, 2, "01.03.2024 10:00:00")}));
  EXPECT_EQ(testing::FileBytes(aside1 + "-2"), "not a journal\r\n");
}

// A data folder named beyond ASCII (a user's name in it): its journals are
// found, offered, kept aside when damaged, and what goes is removed.
TEST_F(Restore, JournalsInAFolderNamedBeyondAsciiAreOfferedKeptAsideAndRemoved) {
  const std::string own = JoinPath(Utf8FromPath(folder.Path()), "Daten Jürgen – Büro");
  ASSERT_TRUE(fs::create_directory(PathFromUtf8(own)));
  station.m_journal.SetFolder(own);
  const std::string damaged = JoinPath(own, JournalFileName(1));
  ASSERT_TRUE(WriteFileAtomically(damaged, testing::DataBytes("journal_damaged.journal")).Ok());
  ASSERT_TRUE(WriteFileAtomically(JoinPath(own, JournalFileName(2)),
                                  FormatJournal(testing::GoldenRunAsRead()))
                  .Ok());
  prompts.answers = {false, false};
  Offer();
  EXPECT_EQ(prompts.asked,
            (Texts{Damaged(2, "its sample row 3 cannot be read", damaged + ".damaged"),
                   Offered(2, 2, "01.03.2024 10:00:00"), Offered(3, 4, "29.02.2024 23:59:55")}));
  EXPECT_TRUE(PathExists(damaged + ".damaged"));
  EXPECT_FALSE(PathExists(JoinPath(own, JournalFileName(2))));
}

TEST_F(Restore, AJournalThatCannotBeReadIsLeftWhereItIs) {
  fs::create_directory(JournalPath(0));
  Offer();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0], "The file " + JournalPath(0) +
                                  " could not be read: it is a folder. The journal of Chamber I "
                                  "stays where it is.");
  EXPECT_TRUE(fs::is_directory(JournalPath(0)));
}

// An answer that comes while the program is ended by a signal is no answer.
TEST_F(Restore, NothingIsRemovedOnceThePromptsAreSilenced) {
  class Interrupted : public ScriptedPrompts {
   public:
    bool AskYesNo(const std::string& text) override {
      silenced = true;
      return ScriptedPrompts::AskYesNo(text);
    }
    bool Silenced() const override { return silenced; }
    bool silenced = false;
  } interrupted;
  interrupted.answers = {false};
  PutJournal(0, FormatJournal(testing::GoldenRunAsRead()));
  PutJournal(1, FormatJournal(testing::GoldenRunAsRead()));
  OfferJournalRestore(station, interrupted, ConversionFactors{}, hooks);
  EXPECT_EQ(interrupted.asked.size(), 1u);
  EXPECT_TRUE(fs::exists(JournalPath(0)));
  EXPECT_TRUE(fs::exists(JournalPath(1)));
}

TEST_F(Restore, ANewRunOrALoadedFileEndsTheJournalOnlyAfterTheUserAgreed) {
  Station saved;  // saved records need no question
  OnStart(saved, {true, false, true}, prompts);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(saved.m_link.commands.m_runCommand, 79 + 5);

  for (int c : {0, 2}) {
    PutJournal(c, FormatJournal(testing::GoldenRunAsRead()));
    station.m_chamber[c].Access([](ChamberRecord& r) { r = testing::GoldenRun(); });
  }
  station.m_chamber[1].Access([](ChamberRecord& r) { r.saved = 0; });
  station.m_run[1].m_running = 1;   // not restarted, so not asked about
  prompts.answers = {false, true};  // chamber I: Cancel; chamber III: OK
  OnStart(station, {true, true, true}, prompts);
  EXPECT_EQ(prompts.asked, (Texts{"Unsaved measurement datas in chamber 1 will be overwritten!",
                                  "Unsaved measurement datas in chamber 3 will be overwritten!"}));
  EXPECT_TRUE(fs::exists(JournalPath(0)));
  EXPECT_FALSE(station.m_chamber[0].Snapshot().runRequested);
  EXPECT_TRUE(fs::exists(JournalPath(2)));  // until the new run's first sample
  EXPECT_TRUE(station.m_chamber[2].Snapshot().runRequested);
  EXPECT_EQ(station.m_link.commands.m_runCommand, 79 + 2 + 4);

  prompts.answers = {false};
  prompts.filePaths = {testing::DataPath("measurement.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station, {1, 0, 0}, prompts, {}, hooks),
            MeasurementLoadStatus::kNothing);
  EXPECT_TRUE(fs::exists(JournalPath(0)));
  prompts.answers = {true};
  prompts.filePaths = {testing::DataPath("measurement.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station, {1, 0, 0}, prompts, {}, hooks),
            MeasurementLoadStatus::kLoaded);
  EXPECT_FALSE(fs::exists(JournalPath(0)));
}

}  // namespace
}  // namespace corvala

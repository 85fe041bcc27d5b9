#include "files/journal_file.h"

#include <gtest/gtest.h>

#include <limits>

#include "run/run_journal.h"
#include "test_support/golden_run.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

using State = JournalContent::State;

JournalContent Parse(std::string_view text) {
  return ParseRunJournal(text, MeasurementReadContext{});
}

// A run whose values a fixed-column row would round or misplace.
ChamberRecord OddRun() {
  ChamberRecord r = testing::GoldenRun();
  AppendSample(r, 0.1f, 105.25f, 1, LocalTime{2024, 3, 1, 0, 0, 15}, 20);
  AppendSample(r, -1.0e-30f, -12.5f, 0, LocalTime{2024, 3, 1, 0, 0, 20}, 25);
  AppendSample(r, std::numeric_limits<float>::max(), 0.0f, 1, LocalTime{2024, 3, 1, 0, 0, 25}, 30);
  // The journal keeps only 0 and 1 as light values, as the measurement file does.
  Sample second = r.series.At(1);
  second.light = 0;
  r.series.Replace(1, second);
  return r;
}

TEST(JournalFile, AJournalReadsBackEveryValueExactly) {
  const ChamberRecord run = OddRun();
  const JournalContent content = Parse(FormatJournal(run));
  EXPECT_EQ(content.state, State::kWhole);
  const ChamberRecord& r = content.record;
  EXPECT_EQ(r.series, run.series);
  EXPECT_EQ(r.startYear, 2024);
  EXPECT_EQ(r.startMonth, 2);
  EXPECT_EQ(r.startDay, 29);
  EXPECT_EQ(r.startHour, 23);
  EXPECT_EQ(r.startMinute, 59);
  EXPECT_EQ(r.startSecond, 55);
  EXPECT_EQ(r.runInterval, run.runInterval);
  EXPECT_EQ(r.runTemperature, 30);
  EXPECT_EQ(r.runUnit, 2);
  EXPECT_EQ(r.stepTime, run.stepTime);
  EXPECT_EQ(r.stepLight, run.stepLight);
  // The chart top is widened for the pressures read, as a loaded file widens
  // it, and stops at 100 bar.
  EXPECT_EQ(content.maxPressure, 100000);
}

TEST(JournalFile, ASimulatedRunStaysSimulatedWhenRestored) {
  ChamberRecord run = OddRun();
  run.simulated = true;
  EXPECT_TRUE(Parse(FormatJournal(run)).record.simulated);
  EXPECT_FALSE(Parse(FormatJournal(OddRun())).record.simulated);
}

TEST(JournalFile, ACutOrZeroFilledEndGivesEveryCompleteSample) {
  const JournalContent cut = Parse(testing::DataBytes("journal_cut.journal"));
  EXPECT_EQ(cut.state, State::kCut);
  ASSERT_EQ(cut.record.series.Size(), 3);
  EXPECT_EQ(cut.record.series.At(2), (Sample{0, 0, 0, 2, 1010.5f, 1, 24.6000004f}));
  EXPECT_EQ(cut.record.series.Pressure()[1], 1012.10004f);

  const std::string whole = FormatJournal(OddRun());
  const JournalContent zeros = Parse(whole + std::string(4096, '\0'));
  EXPECT_EQ(zeros.state, State::kCut);
  EXPECT_EQ(zeros.record.series, OddRun().series);

  // A program killed before its first sample leaves an empty or partial header.
  EXPECT_EQ(Parse("").state, State::kWhole);
  EXPECT_TRUE(Parse("").record.series.Empty());
  EXPECT_EQ(Parse("Corvala3-Jour").state, State::kCut);
  const JournalContent header = Parse(whole.substr(0, whole.find("Messwerte:") + 4));
  EXPECT_EQ(header.state, State::kCut);
  EXPECT_TRUE(header.record.series.Empty());
  // A power cut between two header lines, before the first sample.
  EXPECT_EQ(Parse(whole.substr(0, whole.find("AnzahlProg"))).state, State::kCut);
}

TEST(JournalFile, DamageIsNamedAndTheSamplesBeforeItAreKept) {
  const JournalContent damaged = Parse(testing::DataBytes("journal_damaged.journal"));
  EXPECT_EQ(damaged.state, State::kDamaged);
  EXPECT_EQ(damaged.problem, "its sample row 3 cannot be read");
  ASSERT_EQ(damaged.record.series.Size(), 2);
  EXPECT_EQ(damaged.record.series.Pressure()[1], 8.5f);
  EXPECT_EQ(damaged.record.runUnit, 2);

  const JournalContent other = Parse("AnzahlMesswerte=3\r\nJahr=2024\r\n");
  EXPECT_EQ(other.state, State::kDamaged);
  EXPECT_EQ(other.problem, "it does not begin as a journal does");
  const JournalContent endless = Parse("Corvala3-Journal=1\r\nJahr=2024\r\nrow 1 2\r\n");
  EXPECT_EQ(endless.state, State::kDamaged);
  EXPECT_EQ(endless.problem, "its header has no end");
  // Rows out of range, not finite, or with fields missing or added are no rows.
  const std::string head = FormatJournalHeader(ChamberRecord{});
  for (const char* row : {"24 0 0 0 1 1 0", "0 60 0 0 1 1 0", "0 0 0 -5 1 1 0", "0 0 0 0 1 1 2",
                          "0 0 0 0 1 1", "0 0 0 0 1 1 0 0", "0 0 0 0 1,5 1 0", "0  0 0 0 1 1 0",
                          "0 0 0 0 nan 1 0", "0 0 0 0 1 inf 0", "0 0 0 0 -infinity 1 0"})
    EXPECT_EQ(Parse(head + row + "\r\n").state, State::kDamaged) << row;
}

// A row that lost its end (cut anywhere, line end included) runs into the
// next row; what is read is never a sample that is not in the journal, and the
// journal is named damaged there.
TEST(JournalFile, ARowCutAtAnyPositionGivesNoSampleThatIsNotInTheJournal) {
  ChamberRecord run = testing::GoldenRunAsRead();  // "23 ..." cut after "2" reads as hour 20
  const std::string journal = FormatJournal(run);
  size_t row = journal.find('\n', journal.find("Messwerte:")) + 1;
  for (size_t end = journal.find('\n', row); end + 1 < journal.size();
       row = end + 1, end = journal.find('\n', row)) {
    for (size_t cut = row + 1; cut <= end; ++cut) {
      const JournalContent read = Parse(journal.substr(0, cut) + journal.substr(end + 1));
      const std::string where = journal.substr(row, cut - row);
      EXPECT_EQ(read.state, State::kDamaged) << where;
      for (int32_t j = 0; j < read.record.series.Size(); ++j)
        EXPECT_EQ(read.record.series.At(j), run.series.At(j)) << where;
    }
  }
  // The same journal whole, and with a clock set by an hour that stays set.
  EXPECT_EQ(Parse(journal).record.series, run.series);
  for (int32_t j : {2, 3}) {
    Sample later = run.series.At(j);
    later.hour = 1;
    run.series.Replace(j, later);
  }
  const std::string summer = FormatJournal(run);
  EXPECT_EQ(Parse(summer).state, State::kWhole);
  EXPECT_EQ(Parse(summer).record.series, run.series);
  // A last row hours off cannot be told from one that ran into a lost row: it
  // is left out as a cut end.
  Sample off = run.series.At(3);
  off.hour = 10;
  const JournalContent last =
      Parse(summer.substr(0, summer.rfind('\n', summer.size() - 2) + 1) + FormatJournalRow(off));
  EXPECT_EQ(last.state, State::kCut);
  EXPECT_EQ(last.record.series.Size(), 3);
}

// A restored journal's series has room for its rows and no more (it grew to
// the next power of two before, and the rows were held twice on the way).
TEST(JournalFile, TheSamplesAreReadIntoRoomForExactlyTheRows) {
  const ChamberRecord run = OddRun();
  ASSERT_EQ(run.Samples(), 7);
  const JournalContent content = Parse(FormatJournal(run));
  EXPECT_EQ(content.record.Samples(), 7);
  EXPECT_EQ(content.record.series.Capacity(), 7u);
}

}  // namespace
}  // namespace corvala

#include "files/measurement_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "test_support/golden_run.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/c_format.h"
#include "util/key_value_text.h"

namespace corvala {
namespace {

using testing::DataBytes;
using testing::GoldenRun;
using testing::GoldenRunAsRead;

ChamberRecord Parse(std::string_view text) {
  return ParseMeasurementFile(text, MeasurementReadContext{}).record;
}

const std::string kRow = "  12   34   56      120  1013.25 23.5 1";

TEST(MeasurementFile, WriterGivesTheGoldenBytes) {
  const testing::TempFolder folder;
  ASSERT_TRUE(WriteMeasurementFile(GoldenRun(), folder / "run.cv3").Ok());
  EXPECT_EQ(testing::FileBytes(folder / "run.cv3"), DataBytes("measurement.cv3"));
  // A record without samples announces -1 rows and has none.
  const std::string empty = FormatMeasurementFile(ChamberRecord{});
  EXPECT_TRUE(empty.starts_with("AnzahlMesswerte=-1\r\n"));
  EXPECT_TRUE(empty.ends_with("AnzahlProg=0\r\n\r\n\r\nMesswerte:\r\n"));
}

TEST(MeasurementFile, GoldenFilesReadBackWithEitherLineEnd) {
  for (const char* name : {"measurement.cv3", "measurement_lf.cv3"}) {
    const MeasurementFileContent content = ParseMeasurementFile(DataBytes(name), {});
    EXPECT_EQ(content.announced, 3) << name;
    EXPECT_EQ(content.record, GoldenRunAsRead()) << name;
  }
  // A long run with varied values comes back as it was.
  ChamberRecord saved;
  for (int32_t k = 0; k < 120; ++k)
    AppendSample(saved, 1000.0f - static_cast<float>(k) * 0.25f,
                 20.0f + static_cast<float>(k % 10) * 0.5f, k % 7 < 3 ? 1 : 0,
                 LocalTime{2024, 2, 29, 23, k % 60, (k * 5) % 60}, k * 5);
  saved.saved = 1;
  EXPECT_EQ(Parse(FormatMeasurementFile(saved)), saved);
}

TEST(MeasurementFile, OnlyASimulatedRunCarriesTheSimulatedKey) {
  ChamberRecord simulated = GoldenRun();
  simulated.simulated = true;
  EXPECT_EQ(FormatMeasurementFile(simulated), DataBytes("measurement_simulated.cv3"));
  // A measured run keeps the bytes it always had.
  EXPECT_EQ(FormatMeasurementFile(GoldenRun()).find("Simuliert"), std::string::npos);

  const ChamberRecord read = Parse(DataBytes("measurement_simulated.cv3"));
  EXPECT_TRUE(read.simulated);
  // Every other value reads as without the key: a reader that does not know
  // it passes over it.
  ChamberRecord unmarked = read;
  unmarked.simulated = false;
  EXPECT_EQ(unmarked, GoldenRunAsRead());
  EXPECT_FALSE(Parse(DataBytes("measurement.cv3")).simulated);
}

TEST(MeasurementFile, TheSimulatedMarkCountsOnlyAsOneInTheHeader) {
  EXPECT_FALSE(
      Parse("AnzahlMesswerte=1\nSimuliert=0\nMesswerte:\n" + kRow + "\n" + kRow).simulated);
  EXPECT_FALSE(
      Parse("AnzahlMesswerte=1\nMesswerte:\n" + kRow + "\nSimuliert=1\n" + kRow).simulated);
  EXPECT_TRUE(Parse("Simuliert=1\nAnzahlMesswerte=1\nMesswerte:\n" + kRow + "\n" + kRow).simulated);
}

TEST(MeasurementFile, ShortRowLayoutKeysInAnyOrderAndDefaults) {
  const ChamberRecord r =
      ParseMeasurementFile(DataBytes("short_rows.cv3"), MeasurementReadContext{7, 33}).record;
  EXPECT_EQ(r.series.Pressure(), (std::vector<float>{101.5f, 99.2f, 98.0f}));
  EXPECT_EQ(r.series.Temperature(), (std::vector<float>{21.5f, 21.6f, 21.7f}));
  EXPECT_EQ(r.series.Light(), (std::vector<uint8_t>{0, 1, 1}));
  EXPECT_EQ(r.startYear, 2023);
  EXPECT_EQ(r.startMonth, 11);
  EXPECT_EQ(r.startDay, 5);
  EXPECT_EQ(r.startHour, -1);       // missing keys read as -1
  EXPECT_EQ(r.runInterval, 7);      // a missing interval is the station's
  EXPECT_EQ(r.runTemperature, 33);  // so is a missing set point
  EXPECT_EQ(r.runUnit, 2);
  EXPECT_EQ(r.stepTime, (std::vector<int32_t>{600, 1200}));
  EXPECT_EQ(r.stepLight, (std::vector<uint8_t>{0, 1}));

  EXPECT_EQ(Parse("AnzahlMesswerte=0\nMesswerte:\n" + kRow + "\n").Samples(), 0);
  const ChamberRecord one = Parse("AnzahlMesswerte=1\nMesswerte:\n" + kRow + "\n" + kRow);
  ASSERT_EQ(one.Samples(), 2);
  EXPECT_EQ(one.series.At(0), (Sample{12, 34, 56, 120, 1013.25f, 1, 23.5f}));
}

TEST(MeasurementFile, KeysMatchAsSubstringsAndTheFirstTokenWinsAlsoAfterTheMarker) {
  const ChamberRecord keys = Parse(
      "AnzahlMesswerte=1 XJahrY=1999 Jahr=2000 AnzahlProg=3 Delay00010=77 Licht0002=1 Einheit=5\n"
      "Messwerte: rest\n" +
      kRow + "\n   1    2    3        5\nDelay0003=8 Delay0003=9\n");
  EXPECT_EQ(keys.startYear, 1999);
  EXPECT_EQ(keys.stepTime, (std::vector<int32_t>{77, -1, 8}));
  EXPECT_EQ(keys.stepLight, (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(keys.runUnit, 1);  // only 2 is mg/l
  // The short second row and the line of keys hold no sample.
  EXPECT_EQ(keys.series.Elapsed(), (std::vector<int32_t>{120}));
}

TEST(MeasurementFile, HostileFileStaysBounded) {
  const auto start = std::chrono::steady_clock::now();
  const ChamberRecord r = Parse(DataBytes("measurement_hostile.cv3"));
  EXPECT_LT(std::chrono::steady_clock::now() - start,
            std::chrono::seconds(2));  // no loop over 2^31 rows
  // Rows: only the sample; neither the overlong row (all digits) nor the
  // binary bytes are a row in the station's layout.
  ASSERT_EQ(r.Samples(), 1);
  EXPECT_EQ(r.series.Hour()[0], 12);
  // A step key beyond 9999 adds no steps up to it; its digits also name step 1234.
  ASSERT_EQ(r.stepTime.size(), 9999u);
  ASSERT_EQ(r.stepLight.size(), 9999u);
  EXPECT_EQ(r.stepTime[0], -1);
  EXPECT_EQ(r.stepTime[2], 9);
  EXPECT_EQ(r.stepLight[1233], 1);
  EXPECT_EQ(r.stepLight[9998], 0);
  EXPECT_EQ(r.runUnit, 1);

  EXPECT_FALSE(ParseMeasurementFile("AnzahlMesswerte=-5\nMesswerte:\n" + kRow, {}).HasSamples());
  EXPECT_EQ(Parse("AnzahlMesswerte=3\n" + kRow).Samples(), 0);  // no marker, no rows
}

// Found by fuzzing: one key with a huge step number made the reader allocate
// every step up to it (here two million steps from a file of 80 bytes).
TEST(MeasurementFile, StepsBeyondTheStationsLimitNeedTheirKeys) {
  const std::string head = "AnzahlMesswerte=1\nAnzahlProg=2147483647\n";
  const std::string rows = "Messwerte:\n" + kRow + "\n";
  EXPECT_EQ(Parse(head + "Licht2000000=1\n" + rows).stepTime.size(), 9999u);
  std::string dense = head;
  for (int k = 10000; k <= 10002; ++k) dense += Format("Delay%d=%d\n", k, k);
  const ChamberRecord r = Parse(dense + "Licht10004=1\n" + rows);
  ASSERT_EQ(r.stepTime.size(), 10002u);
  EXPECT_EQ(r.stepTime.back(), 10002);
}

// Found by fuzzing: a value too wide for its columns pushes the later fields to
// the right, and the file the station wrote read back other values.
TEST(MeasurementFile, RowsWithValuesTooWideForTheirColumnsReadBackEqual) {
  ChamberRecord run;
  AppendSample(run, 123456.78f, 123.5f, 1, LocalTime{2024, 1, 2, 3, 4, 5}, 0);
  AppendSample(run, -98765.5f, -12.5f, 0, LocalTime{2024, 1, 2, 3, 4, 10}, 5);
  AppendSample(run, 1013.25f, 24.5f, 1, LocalTime{2024, 1, 2, 3, 4, 15}, 10);
  const std::string text = FormatMeasurementFile(run);
  EXPECT_NE(text.find("\r\n   3    4    5        0 123456.78 123.5 1\r\n"), std::string::npos);
  const ChamberRecord r = Parse(text);
  ASSERT_EQ(r.Samples(), 3);
  EXPECT_EQ(r.series.Pressure()[0], 123456.78f);
  EXPECT_EQ(r.series.Temperature()[0], 123.5f);
  EXPECT_EQ(r.series.Light()[0], 1);
  EXPECT_EQ(r.series.Pressure()[1], -98765.5f);
  EXPECT_EQ(r.series.Temperature()[1], -12.5f);
  EXPECT_EQ(r.series.Light()[1], 0);
  EXPECT_EQ(r.series.At(2), run.series.At(2));
  EXPECT_EQ(FormatMeasurementFile(r), text);
  // Read by its fields, a row with a value that is no finite number is still no sample.
  const ChamberRecord odd = Parse("AnzahlMesswerte=1\r\nMesswerte:\r\n" + kRow +
                                  "\r\n   1    2    3        4 -infinity 123.5 1\r\n");
  EXPECT_EQ(odd.Samples(), 1);
}

// A header announcing four rows, then one complete row and `rest`.
std::string FourRows(const std::string& rest) {
  return "AnzahlMesswerte=3\r\nEinheit=1\r\n\r\n\r\nMesswerte:\r\n" + kRow + "\r\n" + rest;
}

// A long-layout row with the pressure field given as text.
std::string RowWithPressure(int32_t elapsed, const char* pressure) {
  return Format("  12   34   56 %8d %8s 23.5 1\r\n", elapsed, pressure);
}

TEST(MeasurementFile, OnlyRowsHoldingAllTheirFieldsAreSamples) {
  // A stray blank line and a row cut after its elapsed time are no samples.
  const ChamberRecord cut =
      Parse(FourRows("\r\n   1    2    3        5\r\n" + RowWithPressure(125, "42.10")));
  EXPECT_EQ(cut.series.Pressure(), (std::vector<float>{1013.25f, 42.1f}));
  EXPECT_EQ(cut.series.Elapsed(), (std::vector<int32_t>{120, 125}));

  // The last row is read in the long layout although its line end is missing.
  const ChamberRecord last = Parse(FourRows("  12   34   57      130  1013.26 23.6 1"));
  EXPECT_EQ(last.series.Pressure(), (std::vector<float>{1013.25f, 1013.26f}));
  EXPECT_EQ(last.series.Temperature(), (std::vector<float>{23.5f, 23.6f}));
  EXPECT_EQ(last.series.Light(), (std::vector<uint8_t>{1, 1}));

  // Pressures that are no finite number make no sample and leave the chart top alone.
  const MeasurementFileContent odd =
      ParseMeasurementFile(FourRows(RowWithPressure(5, "inf") + RowWithPressure(10, "nan") +
                                    RowWithPressure(15, "1e+39") + RowWithPressure(20, "  abc")),
                           {});
  EXPECT_EQ(odd.record.series.Elapsed(), (std::vector<int32_t>{120}));
  EXPECT_EQ(odd.maxPressure, 1023);

  // The third row of the cut file ends inside its pressure.
  const MeasurementFileContent cutFile = ParseMeasurementFile(DataBytes("measurement_cut.cv3"), {});
  EXPECT_EQ(cutFile.announced, 3);
  ASSERT_EQ(cutFile.record.Samples(), 2);
  EXPECT_EQ(cutFile.record.series.At(0), GoldenRunAsRead().series.At(0));
  EXPECT_EQ(cutFile.record.series.At(1), GoldenRunAsRead().series.At(1));
}

// A row that lost its end (cut anywhere, line end included) runs into the next
// row; what is read is never a sample that is not in the file.
TEST(MeasurementFile, ARowCutAtAnyPositionGivesNoSampleThatIsNotInTheFile) {
  for (const char* name : {"measurement.cv3", "measurement_lf.cv3", "short_rows.cv3"}) {
    const std::string file = DataBytes(name);
    const ChamberRecord whole = Parse(file);
    size_t row = file.find('\n', file.find("Messwerte:")) + 1;
    for (size_t end = file.find('\n', row); end != std::string::npos;
         row = end + 1, end = file.find('\n', row)) {
      for (size_t cut = row + 1; cut <= end; ++cut) {
        const ChamberRecord read = Parse(file.substr(0, cut) + file.substr(end + 1));
        for (int32_t j = 0; j < read.series.Size(); ++j) {
          bool inFile = false;
          for (int32_t k = 0; k < whole.series.Size(); ++k)
            inFile = inFile || whole.series.At(k) == read.series.At(j);
          EXPECT_TRUE(inFile) << name << " cut at " << cut - row
                              << ": t=" << read.series.At(j).elapsed;
        }
        // At most the cut row and the row it ran into are lost.
        EXPECT_GE(read.Samples(), whole.Samples() - 2) << name << " cut at " << cut - row;
      }
    }
  }
}

// Numbers are decimal as the station writes them: no hexadecimal, no exponent,
// no inf or nan; such a row is no sample and leaves the chart top alone.
TEST(MeasurementFile, NumbersInAnotherNotationAreNoSamples) {
  for (const char* pressure :
       {"0x3e8p", "  0x3e8", "  1e3.00", " +1000.00", " 1000.5", "01000.00"}) {
    const MeasurementFileContent read =
        ParseMeasurementFile(FourRows(RowWithPressure(125, pressure)), {});
    EXPECT_EQ(read.record.series.Elapsed(), (std::vector<int32_t>{120})) << pressure;
    EXPECT_EQ(read.maxPressure, 1023) << pressure;
  }
}

TEST(MeasurementFile, StepsReadAreBoundedByTheStepKeysInTheFile) {
  auto steps = [](const std::string& header) {
    return Parse("AnzahlMesswerte=1\r\n" + header + "Messwerte:\r\n" + kRow + "\r\n").stepTime;
  };
  // One far step key does not make the reader fill every step below it.
  ASSERT_EQ(steps("AnzahlProg=50000000\r\nDelay50000000=5\r\n").size(), 9999u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(steps("AnzahlProg=2147483647\r\nDelay2147483647=5\r\n").size(), 9999u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // A long program whose steps are all in the file is read whole.
  std::string header = "AnzahlProg=12000\r\n";
  for (int32_t k = 1; k <= 12000; ++k)
    header += Format("Delay%s=%d\r\nLicht%s=1\r\n", FormatRowNumber(k).c_str(), k,
                     FormatRowNumber(k).c_str());
  const std::vector<int32_t> all = steps(header);
  ASSERT_EQ(all.size(), 12000u);
  EXPECT_EQ(all.back(), 12000);
}

TEST(MeasurementFile, ChartTopWidensToLoadedPressures) {
  EXPECT_EQ(WidenMaxPressure(-5, 0.5f, 1, 1, 1), -5);              // integer part 0
  EXPECT_EQ(WidenMaxPressure(300, 20.0f, 2, 210.0f, 8.23f), 520);  // 510.3 mbar
  EXPECT_EQ(WidenMaxPressure(300, 20.0f, 2, 210.0f, 0.0f), 300);
  EXPECT_EQ(WidenMaxPressure(300, 2e5f, 2, 210.0f, 8.23f), 100000);  // never an absurd top
  EXPECT_EQ(WidenMaxPressure(300, std::nanf(""), 1, 1, 1), 300);
}

// The title names the run in the analysis table: the name without folder and
// extension, in UTF-8 as the path was given, on every system.
TEST(MeasurementFile, TitleIsTheNameWithoutFolderAndExtension) {
  EXPECT_EQ(FileTitle("/d/run.1.cv3"), "run.1");
  EXPECT_EQ(FileTitle("d/Atmung – Bäume.cv3"), "Atmung – Bäume");
}

// The reader makes room for the announced rows at once (a week's columns grew
// to the next power of two before), but never for more rows than the file has
// lines, whatever it announces.
TEST(MeasurementFile, TheReaderReservesTheRowsButNeverBeyondTheFileSize) {
  ChamberRecord run = GoldenRun();
  AppendSample(run, 1000.5f, 24.0f, 1, LocalTime{2024, 3, 1, 0, 0, 15}, 20);
  ASSERT_EQ(run.Samples(), 5);
  const std::string text = FormatMeasurementFile(run);
  const ChamberRecord read = Parse(text);
  EXPECT_EQ(read.series.Elapsed(), run.series.Elapsed());
  EXPECT_EQ(read.series.Capacity(), 5u);

  std::string absurd = text;
  absurd.replace(0, absurd.find('\r'), "AnzahlMesswerte=2000000000");
  const ChamberRecord bounded = Parse(absurd);
  EXPECT_EQ(bounded.Samples(), 5);
  EXPECT_LE(bounded.series.Capacity(), 5u);
  // Rows announced but missing altogether: no room at all.
  const std::string noRows = absurd.substr(0, absurd.find("Messwerte:") + 12);
  EXPECT_EQ(Parse(noRows).series.Capacity(), 0u);
}

// Written a chunk of rows at a time, from the record or from its shared
// holder, the file has exactly the bytes of the whole text.
TEST(MeasurementFile, AFileWrittenInChunksHasTheBytesOfTheWholeText) {
  const testing::TempFolder folder;
  ChamberRecord run = GoldenRun();
  for (int32_t t = 0; t < 10000; ++t)
    AppendSample(run, 400.0f - 0.01f * static_cast<float>(t), 25.3f, (t / 600) % 2,
                 LocalTime{2024, 3, 1, t / 3600, (t / 60) % 60, t % 60}, 20 + t);
  ASSERT_TRUE(WriteMeasurementFile(run, folder / "record.cv3").Ok());
  SharedChamber shared;
  shared.Access([&](ChamberRecord& r) { r = run; });
  ASSERT_TRUE(WriteMeasurementFile(shared, folder / "shared.cv3").Ok());
  const std::string whole = FormatMeasurementFile(run);
  EXPECT_EQ(testing::FileBytes(folder / "record.cv3"), whole);
  EXPECT_EQ(testing::FileBytes(folder / "shared.cv3"), whole);
}

}  // namespace
}  // namespace corvala

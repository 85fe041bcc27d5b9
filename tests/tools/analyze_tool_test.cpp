// corvala3-analyze against the station itself: runs recorded from the device
// simulator's curves, saved by the station, analysed both ways.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/analysis_table.h"
#include "device/frame_parser.h"
#include "devsim/device_model.h"
#include "files/measurement_file.h"
#include "run/run_control.h"
#include "run/sampling.h"
#include "station/measurement_io.h"
#include "station/station_analysis.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/c_format.h"

namespace corvala {
namespace {

// Records chambers I and III from the simulated device: light on at 00:10:00,
// off at 00:40:00, end at 01:00:00, one sample every 5 s.
void RecordSimulatedRun(Station& station) {
  station.m_settings.m_sampleInterval = 5;
  station.m_program.AppendProgramStep(0, 10, 0, 5, kStepLightOn);
  station.m_program.AppendProgramStep(0, 40, 0, 5, kStepLightOff);
  station.m_program.AppendProgramStep(1, 0, 0, 5, kStepEnd);
  devsim::DeviceModel device(7);
  FrameParser parser(station.m_link, station.m_units, nullptr);
  ManualClock clock;
  SamplingScheduler scheduler(station, clock);
  StartRuns(station, {true, false, true});
  for (int second = 0; second < 4000 && (station.m_run[0].m_running || station.m_run[2].m_running);
       ++second) {
    CommandMailboxes& commands = station.m_link.commands;
    for (auto [mailbox, idle] : {std::pair{&commands.m_lightCommand, kLightIdle},
                                 std::pair{&commands.m_runCommand, kRunIdle}}) {
      const int32_t command = mailbox->exchange(idle);
      if (command > idle) device.Receive(static_cast<uint8_t>(command));
    }
    device.Advance(1.0);
    std::istringstream frame(device.Frame());
    for (std::string line; std::getline(frame, line, '\n');) parser.ParseLine(line);
    clock.Advance(1);
    scheduler.RunPass();
  }
}

using CsvRow = std::vector<std::string>;

// The fields of a line, split at its tabs or, without any, at its commas.
CsvRow Fields(const std::string& line) {
  const char separator = line.find('\t') != std::string::npos ? '\t' : ',';
  CsvRow row;
  size_t start = 0;
  for (size_t end; (end = line.find(separator, start)) != std::string::npos; start = end + 1)
    row.push_back(line.substr(start, end - start));
  row.push_back(line.substr(start));
  return row;
}

// The lines corvala3-analyze prints for `arguments`, split into fields.
std::vector<CsvRow> AnalyzeRows(const std::string& arguments, int* status = nullptr) {
  FILE* pipe = popen((std::string(CORVALA_ANALYZE) + " " + arguments).c_str(), "r");
  std::vector<CsvRow> rows;
  if (pipe == nullptr) return rows;
  for (char buffer[2048]; std::fgets(buffer, sizeof buffer, pipe);) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    rows.push_back(Fields(line));
  }
  const int s = pclose(pipe);
  if (status != nullptr) *status = WEXITSTATUS(s);
  return rows;
}

std::vector<CsvRow> AnalyzeCsv(const std::string& arguments) {
  return AnalyzeRows("--csv " + arguments);
}

// Twenty samples at 200 mbar: no analysis.
void WriteFlatRun(const std::string& path, bool simulated = false) {
  ChamberRecord flat;
  for (int k = 0; k < 20; ++k)
    AppendSample(flat, 200.0f, 25.0f, 0, LocalTime{2026, 1, 2, 3, 4, 5}, k);
  flat.simulated = simulated;
  ASSERT_TRUE(WriteMeasurementFile(flat, path).Ok());
}

TEST(AnalyzeTool, GivesTheStationsNumbersForSimulatedRuns) {
  const testing::TempFolder folder;
  Station recorded;
  RecordSimulatedRun(recorded);
  ASSERT_GT(recorded.m_chamber[0].Snapshot().Samples(), 700);

  // The station saves both runs.
  ScriptedPrompts prompts;
  prompts.filePaths.push_back(folder / "run.cv3");
  ASSERT_EQ(SaveMeasurementFiles(recorded, {1, 0, 1}, prompts, {}).written.size(), 2u);

  // The station loads each file and adds its row (button 1112).
  AnalysisTable atLoad;
  for (int c : {0, 2}) {
    Station loaded;
    const std::string path = folder / Format("run_%d.cv3", c + 1);
    ASSERT_EQ(LoadMeasurementInto(loaded, c, path, ConversionFactors{}, MeasurementLoadHooks{}),
              MeasurementLoadStatus::kLoaded);
    AddAnalysisRow(atLoad, loaded, c, FileTitle(path), AnalysisRowOptions{});
  }
  ASSERT_EQ(atLoad.RowCount(), 2u);

  const auto csv = AnalyzeCsv("--chamber 1 " + (folder / "run_1.cv3") + " && " + CORVALA_ANALYZE +
                              " --csv --chamber 3 " + (folder / "run_3.cv3"));
  ASSERT_EQ(csv.size(), 4u);  // a header line before each row
  EXPECT_EQ(csv[0][0], "name");
  for (size_t i = 0; i < 2; ++i) {
    const std::vector<std::string>& f = csv[2 * i + 1];
    ASSERT_EQ(f.size(), 12u);
    EXPECT_EQ(f[11], "0");  // recorded from a device, as far as the station knew
    const AnalysisRow row = atLoad.Row(i);
    EXPECT_EQ(f[0], Format("run_%d", row.chamber));
    EXPECT_EQ(f[1], row.date);
    EXPECT_EQ(f[2], row.time);
    EXPECT_EQ(ParseInt(f[3]), row.chamber);
    EXPECT_EQ(ParseInt(f[6]), row.delay1);
    EXPECT_EQ(ParseInt(f[7]), row.delay2);
    // "%.9g" carries a float exactly: the numbers are the station's, bit for bit.
    const std::pair<size_t, float> numbers[] = {
        {4, row.respiration}, {5, row.slope}, {8, row.maximumA}, {9, row.maximumM}, {10, row.kphA}};
    for (const auto& [field, value] : numbers)
      EXPECT_EQ(static_cast<float>(ParseFloat(f[field])), value) << "field " << field;
    // The simulated curves give a complete analysis.
    EXPECT_LT(row.respiration, 0.0f);
    EXPECT_GT(row.slope, 0.0f);
    EXPECT_GT(row.kphA, 0.0f);
  }
}

TEST(AnalyzeTool, ExitStatusAndIncompleteFiles) {
  const testing::TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteFlatRun(folder / "flat.cv3"));
  const auto csv = AnalyzeCsv(folder / "flat.cv3");
  ASSERT_EQ(csv.size(), 2u);
  EXPECT_EQ(csv[1][0], "flat");
  ASSERT_EQ(csv[1].size(), 12u);  // no analysis: the value fields stay empty
  for (size_t f = 4; f < 11; ++f) EXPECT_EQ(csv[1][f], "") << "field " << f;

  const std::pair<std::string, int> runs[] = {
      {folder / "flat.cv3", 0},
      {(folder / "flat.cv3") + " " + (folder / "missing.cv3"), 1},
      {"", 2},
      {"--chamber 7 x.cv3", 2}};
  for (const auto& [arguments, expected] : runs) {
    const std::string command = std::string(CORVALA_ANALYZE) + " " + arguments + " >/dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), expected) << arguments;
  }
}

TEST(AnalyzeTool, MarksARunRecordedFromTheSimulator) {
  const testing::TempFolder folder;
  ASSERT_NO_FATAL_FAILURE(WriteFlatRun(folder / "measured.cv3"));
  ASSERT_NO_FATAL_FAILURE(WriteFlatRun(folder / "simulated.cv3", true));
  const std::string files = (folder / "measured.cv3") + " " + (folder / "simulated.cv3");

  const auto csv = AnalyzeCsv(files);
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[0].back(), "simulated");
  EXPECT_EQ(csv[1].back(), "0");
  EXPECT_EQ(csv[2].back(), "1");
  EXPECT_EQ(csv[2].size(), csv[0].size());

  const std::string command =
      std::string(CORVALA_ANALYZE) + " " + files + " >" + (folder / "out") + " 2>/dev/null";
  ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
  std::istringstream text(testing::FileBytes(folder / "out"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[1].ends_with("no complete analysis")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with("no complete analysis\tsimulated")) << lines[2];
}

TEST(AnalyzeTool, RefusesFilesWithoutRowsAndWhatIsNoRegularFileOfSensibleSize) {
  const testing::TempFolder folder;
  std::ofstream(folder / "header.cv3", std::ios::binary) << "AnzahlMesswerte=5\r\nEinheit=1\r\n";
  ASSERT_EQ(mkfifo((folder / "fifo.cv3").c_str(), 0600), 0);
  std::ofstream(folder / "huge.cv3", std::ios::binary) << "AnzahlMesswerte=5\r\n";
  std::filesystem::resize_file(folder / "huge.cv3", (1ull << 30) + 1);  // sparse
  // Each run is bounded in time and memory, so a tool that waits or reads
  // without end fails instead of stalling the tests. The address sanitizer
  // reserves terabytes of address space, so under it only the time bound applies.
#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
  const std::string memoryBound;
#else
  const std::string memoryBound = "ulimit -v 600000; ";
#endif
  auto run = [&](const std::string& file, std::string& out, std::string& err) {
    const std::string command = "(" + memoryBound + "timeout 20 " + std::string(CORVALA_ANALYZE) +
                                " " + file + ") >" + (folder / "out") + " 2>" + (folder / "err");
    const int s = std::system(command.c_str());
    out = testing::FileBytes(folder / "out");
    err = testing::FileBytes(folder / "err");
    return WEXITSTATUS(s);
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {folder / "header.cv3", "holds no measurement values"},
      {folder / "fifo.cv3", "is not a regular file"},
      {"/dev/zero", "is not a regular file"},
      {folder / "huge.cv3", "is larger than 1 GB"}};
  for (const auto& [file, reason] : cases) {
    std::string out, err;
    EXPECT_EQ(run(file, out, err), 1) << file;
    EXPECT_NE(err.find(reason), std::string::npos) << file << ": " << err;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << file << ": only the heading line\n" << out;
  }
}

// --rates: the printed rows against the values NumPy computed for the same
// ranges (tests/data/rates/make_expected.py); %.9g keeps 9 digits.
std::vector<CsvRow> RatesRows(const std::string& arguments, int* status = nullptr) {
  return AnalyzeRows("--rates " + arguments, status);
}

void ExpectPrinted(const std::string& printed, const std::string& expected,
                   const std::string& what) {
  if (expected.empty()) {
    EXPECT_EQ(printed, "") << what;
    return;
  }
  ASSERT_FALSE(printed.empty()) << what;
  const double e = std::stod(expected);
  EXPECT_NEAR(std::stod(printed), e, std::max(std::fabs(e) * 1e-8, 1e-11)) << what;
}

TEST(AnalyzeTool, RatesOverARangeWithBlankAndAmount) {
  const std::string data = testing::DataPath("rates/");
  const std::vector<CsvRow> rows =
      RatesRows("--csv --range 0:495 --blank " + data + "blank.cv3 --volume-ml 250 --amount 2.5 " +
                data + "noisy.cv3");
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 17u);
  EXPECT_EQ(rows[0][0], "name");
  EXPECT_EQ(rows[0][16], "umol_per_h_per_amount");
  const CsvRow& range = rows.back();
  ASSERT_EQ(range.size(), 17u);
  EXPECT_EQ(range[0], "noisy");
  EXPECT_EQ(range[2], "range");
  EXPECT_EQ(range[3], "1");
  EXPECT_EQ(range[6], "100");
  // Expected: the first row of expected_ranges.csv (noisy.cv3 over 0..495 s).
  std::ifstream expectedFile(data + "expected_ranges.csv");
  std::string header, line;
  std::getline(expectedFile, header);
  std::getline(expectedFile, line);
  const CsvRow e = Fields(line);
  ASSERT_EQ(e.size(), 17u);
  const std::pair<int, int> columns[] = {{4, 4},  {5, 5},   {7, 6},   {8, 7},   {9, 8},
                                         {10, 9}, {11, 10}, {12, 14}, {13, 15}, {14, 16}};
  for (const auto& [printed, expected] : columns)
    ExpectPrinted(range[printed], e[expected], rows[0][printed]);
  // The amount of oxygen comes from the corrected rate: µmol/h = slope x V x
  // 360000 / (R T) at the range's mean temperature.
  const double kelvin = std::stod(e[11]) + 273.15;
  const double umol = std::stod(e[15]) * 250.0 * 360000.0 / (8.314462618 * kelvin);
  ExpectPrinted(range[15], Format("%.17g", umol), "umol_per_h");
  ExpectPrinted(range[16], Format("%.17g", umol / 2.5), "umol_per_h_per_amount");
}

TEST(AnalyzeTool, RatesOfTheMostLinearWindowsAndShortRanges) {
  const std::string data = testing::DataPath("rates/");
  const std::vector<CsvRow> rows = RatesRows("--window 25 " + data + "noisy.cv3");
  std::vector<CsvRow> autos;
  for (const CsvRow& row : rows)
    if (row.size() > 2 && row[2] == "auto") autos.push_back(row);
  ASSERT_EQ(autos.size(), 3u);  // the window is passed on: expected_auto.csv, window 25
  EXPECT_EQ(autos[0][4], "0");
  EXPECT_EQ(autos[0][5], "120");
  EXPECT_EQ(autos[2][3], "3");

  // Two samples: a slope but no error, R² or interval; values that do not vary: no R².
  const std::vector<CsvRow> shortRows = RatesRows("--csv --range 5:10 " + data + "three.cv3");
  ASSERT_EQ(shortRows.size(), 2u);
  ASSERT_EQ(shortRows[1].size(), 17u);
  EXPECT_EQ(shortRows[1][6], "2");
  ExpectPrinted(shortRows[1][7], "0.15", "slope of two");
  for (int c = 8; c < 17; ++c) EXPECT_EQ(shortRows[1][c], "") << c;
  const std::vector<CsvRow> flatRows = RatesRows("--csv --range 0:95 " + data + "flat.cv3");
  ASSERT_EQ(flatRows.size(), 2u);  // no window without an R², only the range
  ASSERT_EQ(flatRows[1].size(), 17u);
  EXPECT_EQ(flatRows[1][6], "20");
  EXPECT_EQ(flatRows[1][8], "0");
  EXPECT_EQ(flatRows[1][9], "");

  int status = 0;
  RatesRows("--window 2 " + data + "three.cv3 2>/dev/null", &status);
  EXPECT_EQ(status, 2);
  const std::string withoutRates =
      std::string(CORVALA_ANALYZE) + " --range 0:5 " + data + "three.cv3 >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(withoutRates.c_str())), 2);
}

}  // namespace
}  // namespace corvala

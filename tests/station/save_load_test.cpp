// Buttons 1041 and 1042 driven through the station with scripted prompts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/measurement_file.h"
#include "station/measurement_io.h"
#include "station/unit_switch.h"
#include "test_support/golden_run.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/c_format.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

ChamberRecord Recorded(float base) {
  ChamberRecord r;
  for (int32_t k = 0; k < 4; ++k)
    AppendSample(r, base + static_cast<float>(k), 25.0f, 0, LocalTime{2024, 1, 1}, k * 5);
  return r;
}

struct SaveLoad : ::testing::Test {
  void SetUp() override {
    for (int c = 0; c < 3; ++c)
      station.m_chamber[c].Access([&](ChamberRecord& r) {
        r = c == 1 ? testing::GoldenRun() : Recorded(100.0f * static_cast<float>(c + 1));
        r.chamberIndex = c;
        r.hasRun = 1;
      });
    hooks.addAnalysisRow = [this](int c, const std::string& name) {
      log.push_back(std::to_string(c) + ":" + name);
    };
    hooks.rewriteWorkingFile = [this] { log.push_back("rewrite"); };
  }
  std::string Path(const char* name) { return folder / name; }
  MeasurementSaveResult Save(std::array<uint8_t, 3> selected, const char* name) {
    prompts.filePaths = {Path(name)};
    return SaveMeasurementFiles(station, selected, prompts, hooks);
  }

  testing::TempFolder folder;
  Station station;
  ScriptedPrompts prompts;
  MeasurementSaveHooks hooks;
  Texts log;
};

TEST_F(SaveLoad, SaveNamesFilesAsksBeforeReplacingAndSkipsRunningChambers) {
  EXPECT_EQ(Save({0, 1, 0}, "run.cv3").written, Texts{Path("run.cv3")});
  EXPECT_EQ(testing::FileBytes(Path("run.cv3")), testing::DataBytes("measurement.cv3"));
  const ChamberRecord r = station.m_chamber[1].Snapshot();
  EXPECT_EQ(r.measurementName, Path("run.cv3"));
  EXPECT_EQ(r.saved, 1);
  EXPECT_EQ(log, (Texts{"1:run", "rewrite"}));
  EXPECT_TRUE(prompts.asked.empty());

  std::ofstream(Path("s_3.cv3")) << "old";
  log.clear();
  station.m_chamber[0].Access([](ChamberRecord& rec) { rec.hasRun = 0; });
  EXPECT_EQ(Save({1, 0, 1}, "s.cv3").written, (Texts{Path("s_1.cv3"), Path("s_3.cv3")}));
  EXPECT_EQ(prompts.asked, Texts{"Existing files will be overwritten!"});
  EXPECT_EQ(station.m_chamber[2].Snapshot().measurementName, "s_3.cv3");
  EXPECT_EQ(log, (Texts{"rewrite", "2:s_3.cv3", "rewrite"}));

  // Cancel, a running chamber, a folder that does not exist: nothing changes.
  station.m_chamber[1].Access([](ChamberRecord& rec) { rec.saved = 0; });
  prompts.answers = {false};
  EXPECT_TRUE(Save({0, 1, 0}, "run.cv3").written.empty());
  EXPECT_EQ(prompts.asked.back(), "Existing file will be overwritten!");
  station.m_run[0].m_running = 1;
  EXPECT_TRUE(Save({1, 0, 0}, "a.cv3").written.empty());
  EXPECT_FALSE(fs::exists(Path("a.cv3")));
  EXPECT_EQ(Save({0, 1, 0}, "missing/run.cv3").failed, Texts{Path("missing/run.cv3")});
  EXPECT_EQ(station.m_chamber[1].Snapshot().saved, 0);
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(SaveLoad, LoadReplacesTheFirstFreeSelectedChamberAndSwitchesTheUnit) {
  station.m_run[0].m_running = 1;
  station.m_run[1].m_normOffset = 5.0f;
  MeasurementLoadHooks loadHooks;
  loadHooks.beforeReplace = [&](int c) { log.push_back(Format("reset%d", c)); };
  loadHooks.confirmConfiguration = [&] {
    const UnitConfig units = station.m_units.Get();
    log.push_back(Format("unit %d factor2 %g", units.unit, static_cast<double>(units.effFactor2)));
  };
  loadHooks.refreshViews = [&](int c) {
    log.push_back(Format("refresh%d %g", c, static_cast<double>(station.m_units.Get().effFactor2)));
  };
  prompts.filePaths = {testing::DataPath("measurement.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station, {1, 1, 1}, prompts, {210.0f, 8.23f}, loadHooks),
            MeasurementLoadStatus::kLoaded);
  EXPECT_EQ(prompts.asked, Texts{"Existing measurements will be overwritten!"});
  // Chamber I measures in mbar: the mg/l file changes neither the unit in force
  // nor the device (no confirmation, no pair), so I's run goes on in mbar.
  EXPECT_EQ(log, (Texts{"reset1", "refresh1 1"}));
  EXPECT_EQ(station.m_units.Unit(), kUnitMbar);
  EXPECT_FALSE(station.m_link.commands.m_pairCommand.Busy());
  // With no chamber measuring the view follows the file's unit: the unit is set
  // before the configuration is confirmed, the factors after.
  station.m_run[0].m_running = 0;
  log.clear();
  EXPECT_EQ(LoadMeasurementInto(station, 1, testing::DataPath("measurement.cv3"), {210.0f, 8.23f},
                                loadHooks),
            MeasurementLoadStatus::kLoaded);
  EXPECT_EQ(log, (Texts{"reset1", "unit 2 factor2 1", "refresh1 8.23"}));
  station.m_run[0].m_running = 1;
  EXPECT_EQ(station.m_run[1].m_normOffset.load(), 0.0f);
  ChamberRecord r = station.m_chamber[1].Snapshot();
  EXPECT_EQ(r.measurementName, "measurement");
  EXPECT_EQ(r.chamberIndex, 1);
  EXPECT_EQ(r.hasRun, 1);  // the chamber's own run still awaits its analysis row
  r.measurementName.clear();
  r.chamberIndex = 0;
  r.hasRun = 0;
  EXPECT_EQ(r, testing::GoldenRunAsRead());  // the rest as in the file

  prompts.filePaths = {testing::DataPath("measurement.cv3")};
  EXPECT_EQ(LoadMeasurementFile(station, {1, 0, 0}, prompts, {}, {}),
            MeasurementLoadStatus::kNothing);  // only a running chamber
  EXPECT_EQ(LoadMeasurementInto(station, 2, Path("missing.cv3"), {}, {}),
            MeasurementLoadStatus::kNotOpened);
  EXPECT_EQ(LoadMeasurementInto(station, 2, folder.Path().string(), {}, {}),
            MeasurementLoadStatus::kNotOpened);

  // No samples: the data stays (AFileWithoutSampleRowsIsRefused...), the unit
  // follows the record all the same (no chamber measures).
  station.m_run[0].m_running = 0;
  ASSERT_TRUE(WriteMeasurementFile(ChamberRecord{}, Path("empty.cv3")).Ok());
  EXPECT_EQ(LoadMeasurementInto(station, 2, Path("empty.cv3"), {}, {}),
            MeasurementLoadStatus::kNoSamples);
  EXPECT_EQ(station.m_units.Unit(), 1);
  EXPECT_EQ(station.m_units.Get().effFactor1, 1.0f);
}

TEST_F(SaveLoad, AFileWithoutSampleRowsIsRefusedAndTheChamberKeepsItsData) {
  const ChamberRecord before = station.m_chamber[0].Snapshot();
  int n = 0;
  for (const std::string text :
       {"AnzahlMesswerte=5\r\nEinheit=1\r\n", "AnzahlMesswerte=5\r\n\r\n\r\nMesswerte:\r\n",
        "AnzahlMesswerte=5\r\n\r\n\r\nMesswerte:\r\n\r\n   1    2    3\r\n"}) {
    const std::string path = Path(Format("header%d.cv3", n++).c_str());
    std::ofstream(path, std::ios::binary) << text;
    prompts.filePaths = {path};
    prompts.asked.clear();
    EXPECT_EQ(LoadMeasurementFile(station, {1, 0, 0}, prompts, {}, {}),
              MeasurementLoadStatus::kNoSamples)
        << text;
    EXPECT_EQ(station.m_chamber[0].Snapshot(), before) << text;
    EXPECT_EQ(prompts.asked, (Texts{"Existing measurements will be overwritten!",
                                    "The file " + path +
                                        " holds no measured values; the chamber keeps its data."}));
  }
}

TEST_F(SaveLoad, LoadedPressuresWidenTheChartTopInTheRunsOwnUnit) {
  auto file = [this](int32_t unit, const char* pressure) {
    const std::string path = Path(Format("unit%d.cv3", unit).c_str());
    std::ofstream(path, std::ios::binary) << Format(
        "AnzahlMesswerte=1\r\nEinheit=%d\r\n\r\n\r\nMesswerte:\r\n"
        "   9    0    0        0 %8s 25.0 0\r\n   9    0    5        5 %8s 25.0 0\r\n",
        unit, pressure, pressure);
    return path;
  };
  // 19.6 mg/l are 500 mbar by the factors 210 and 8.23: the top (in mbar) takes 510.
  const ConversionFactors factors{210.0f, 8.23f};
  EXPECT_EQ(LoadMeasurementInto(station, 0, file(2, "19.60"), factors, {}),
            MeasurementLoadStatus::kLoaded);
  EXPECT_EQ(station.m_units.MaxPressure(), 510);
  // 520 mbar loaded while mg/l is shown: 530 mbar, not 520 mg/l turned into mbar.
  EXPECT_EQ(station.m_units.Unit(), 2);
  EXPECT_EQ(LoadMeasurementInto(station, 0, file(1, "520.00"), factors, {}),
            MeasurementLoadStatus::kLoaded);
  EXPECT_EQ(station.m_units.MaxPressure(), 530);
}

TEST_F(SaveLoad, AnMglRunLoadedWhileMbarIsShownStaysUnderTheChartTop) {
  // The configuration is confirmed as the window does it: in mbar at the
  // start, in the run's unit while it loads.
  UnitApplier applier;
  CommandMailboxes commands;
  StoredFactors stored;
  auto confirm = [&] {
    SwitchUnit(applier, station.m_units, commands, stored, false, station.m_units.Unit(), 210.0f,
               8.23f);
  };
  confirm();
  MeasurementLoadHooks loadHooks;
  loadHooks.confirmConfiguration = confirm;
  // Peak 20.50 mg/l = 523.1 mbar: the top widens to 533 mbar = 20.89 mg/l,
  // which a whole mg/l rounded down would cut to 20.
  EXPECT_EQ(LoadMeasurementInto(station, 0, testing::DataPath("measurement_mgl.cv3"),
                                {210.0f, 8.23f}, loadHooks),
            MeasurementLoadStatus::kLoaded);
  const UnitConfig u = station.m_units.Get();
  const double shownPerMgl = u.unit == kUnitMgl ? 1.0 : 210.0 / 8.23;
  EXPECT_GE(MaxPressureDisplay(u.maxPressure, u.effFactor1, u.effFactor2) / shownPerMgl, 20.5);
}

TEST_F(SaveLoad, WritingCountsItsRowsAndACancelLeavesTheFilesAsTheyWere) {
  // Run on the caller's thread, the writing counts every row it writes.
  Progress last;
  hooks.runSlow = [&](const SlowStep& step) {
    Progress progress;
    step(progress);
    last.done = progress.done.load();
    last.total = progress.total.load();
  };
  EXPECT_EQ(Save({1, 0, 1}, "p.cv3").written.size(), 2u);
  EXPECT_EQ(last.total.load(), 8);
  EXPECT_EQ(last.done.load(), 8);

  // Cancelled before the first file is finished: no file is written, the old
  // one stays, the chambers stay unsaved, and the user is told each file.
  std::ofstream(Path("c_1.cv3"), std::ios::binary) << "old";
  for (int c = 0; c < 3; ++c) station.m_chamber[c].Access([](ChamberRecord& r) { r.saved = 0; });
  hooks.runSlow = [](const SlowStep& step) {
    Progress progress;
    progress.cancel = true;
    step(progress);
  };
  log.clear();
  prompts.asked.clear();
  const MeasurementSaveResult cancelled = Save({1, 0, 1}, "c.cv3");
  EXPECT_TRUE(cancelled.written.empty());
  EXPECT_EQ(cancelled.failed, (Texts{Path("c_1.cv3"), Path("c_3.cv3")}));
  EXPECT_EQ(cancelled.failures,
            (Texts{"The file " + Path("c_1.cv3") + " was not saved: saving was cancelled.",
                   "The file " + Path("c_3.cv3") + " was not saved: saving was cancelled."}));
  EXPECT_EQ(testing::FileBytes(Path("c_1.cv3")), "old");
  EXPECT_FALSE(fs::exists(Path("c_3.cv3")));
  EXPECT_EQ(station.m_chamber[0].Snapshot().saved, 0);
  EXPECT_EQ(station.m_chamber[2].Snapshot().saved, 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(prompts.asked, Texts{"Existing files will be overwritten!"});

  // A run started in the chamber while its file was written is not the run
  // the file holds: it stays unsaved and gets no analysis row.
  hooks.runSlow = [this](const SlowStep& step) {
    Progress progress;
    step(progress);
    station.m_run[2].m_running = 1;
  };
  EXPECT_EQ(Save({0, 0, 1}, "r.cv3").written, Texts{Path("r.cv3")});
  EXPECT_EQ(station.m_chamber[2].Snapshot().saved, 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(SaveLoad, ACancelledLoadOrOneWhoseChamberStartedARunChangesNothing) {
  const ChamberRecord before = station.m_chamber[2].Snapshot();
  MeasurementLoadHooks loadHooks;
  loadHooks.beforeReplace = [&](int c) { log.push_back(Format("reset%d", c)); };
  loadHooks.refreshViews = [&](int c) { log.push_back(Format("refresh%d", c)); };
  loadHooks.runSlow = [](const SlowStep& step) {
    Progress progress;
    progress.cancel = true;
    step(progress);
  };
  const std::string path = testing::DataPath("measurement.cv3");
  EXPECT_EQ(LoadMeasurementInto(station, 2, path, {}, loadHooks), MeasurementLoadStatus::kNothing);
  EXPECT_EQ(station.m_chamber[2].Snapshot(), before);
  loadHooks.runSlow = [this](const SlowStep& step) {
    Progress progress;
    step(progress);
    station.m_run[2].m_running = 1;
  };
  EXPECT_EQ(LoadMeasurementInto(station, 2, path, {}, loadHooks),
            MeasurementLoadStatus::kRunStarted);
  EXPECT_EQ(station.m_chamber[2].Snapshot(), before);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace corvala

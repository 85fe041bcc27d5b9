// Long work does not freeze the window: exporting a day-long run shows its
// progress while the window paints and takes the sampler's rows; Cancel leaves
// no workbook behind. Loading and saving measurement files run the same way.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "files/measurement_file.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "test_support/window_app.h"

namespace corvala {
namespace {

// Counts the window's paint events.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  std::atomic<int> paints{0};
};

class LongWorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WindowTestApp();
    dlg_ = std::make_unique<CMeasureDlg>(testing::WindowAloneIn(folder_.Path()), &prompts_);
    dlg_->show();
  }
  void TearDown() override {
    prompts_.answers = {false, false, false};
    dlg_->close();
  }
  // A day at one sample a second in each chamber of `chambers`.
  void RecordADay(std::initializer_list<int> chambers) {
    for (int c : chambers) {
      WindowProbe(*dlg_).station().m_chamber[c].Access([c](ChamberRecord& r) {
        r.runInterval = 1;
        for (int32_t t = 0; t <= 86400; ++t)
          AppendSample(r, 150.0f + 40.0f * std::sin(t / 120.0f + c) + 30.0f * c, 25.0f,
                       (t / 1800) % 2, LocalTime{2026, 12, 6, t / 3600 % 24, t / 60 % 60, t % 60},
                       t);
      });
      WindowProbe(*dlg_).samplingEvents().SampleListed(c, 0, ListedSample{});  // the list follows
      static_cast<QAbstractButton*>(dlg_->Control(ctl::kChamberSelect[c]))->click();
    }
  }
  // A measurement file of `seconds` samples, one a second, in the test's folder.
  std::string LongFile(const char* name, int32_t seconds) {
    ChamberRecord r;
    r.runInterval = 1;
    for (int32_t t = 0; t <= seconds; ++t)
      AppendSample(r, 150.0f + 40.0f * std::sin(t / 120.0f), 25.0f, (t / 1800) % 2,
                   LocalTime{2026, 12, 6, t / 3600 % 24, t / 60 % 60, t % 60}, t);
    const std::string path = folder_ / name;
    EXPECT_TRUE(WriteMeasurementFile(r, path).Ok());
    return path;
  }
  void Click(int id) { static_cast<QAbstractButton*>(dlg_->Control(id))->click(); }

  testing::TempFolder folder_;
  ScriptedPrompts prompts_;
  std::unique_ptr<CMeasureDlg> dlg_;
};

TEST_F(LongWorkTest, ExportShowsProgressWhileTheWindowPaintsAndTakesSamples) {
  RecordADay({0});
  WindowProbe probe(*dlg_);
  PaintCounter counter;
  dlg_->installEventFilter(&counter);
  // The sampler goes on in chamber III while the export runs.
  std::atomic<bool> exporting{true};
  std::thread sampler([&] {
    for (int k = 0; exporting && k < 1000; ++k) {
      probe.station().m_chamber[2].Access(
          [k](ChamberRecord& r) { AppendSample(r, 100.0f, 25.0f, 0, LocalTime{}, k); });
      probe.samplingEvents().SampleListed(2, k, ListedSample{});
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  bool dialogShown = false;
  int paintsMeanwhile = 0;
  int rowsMeanwhile = 0;
  QTimer::singleShot(450, [&] {
    const auto* dialog = dlg_->findChild<QProgressDialog*>();
    dialogShown = dialog != nullptr && dialog->isVisible();
    paintsMeanwhile = counter.paints;
    rowsMeanwhile = probe.List(ctl::kValues3)->rowCount();
  });
  prompts_.filePaths.push_back(folder_ / "day.xls");
  static_cast<QAbstractButton*>(dlg_->Control(ctl::kExportMeasurement))->click();
  exporting = false;
  sampler.join();
  EXPECT_TRUE(dialogShown);
  EXPECT_GT(paintsMeanwhile, 0);
  EXPECT_GT(rowsMeanwhile, 0);
  EXPECT_GT(std::filesystem::file_size(folder_.Path() / "day.xls"), 1'000'000u);
  EXPECT_TRUE(prompts_.asked.empty());  // no notice
}

TEST_F(LongWorkTest, CancellingTheExportLeavesNoWorkbook) {
  RecordADay({0, 1, 2});
  QTimer::singleShot(300, [&] {
    if (auto* dialog = dlg_->findChild<QProgressDialog*>()) dialog->cancel();
  });
  prompts_.filePaths.push_back(folder_ / "days.xls");
  static_cast<QAbstractButton*>(dlg_->Control(ctl::kExportMeasurement))->click();
  for (const char* name : {"days_1.xls", "days_2.xls", "days_3.xls"})
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / name)) << name;
  EXPECT_TRUE(std::filesystem::is_empty(folder_.Path()));  // no temporary file either
  EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(LongWorkTest, ExportAndPrintTakeNoSecondClickWhileTheExportRuns) {
  RecordADay({0});
  auto* exportButton = static_cast<QAbstractButton*>(dlg_->Control(ctl::kExportMeasurement));
  bool exportEnabled = true;
  bool printEnabled = true;
  // Before the progress dialog shows, the window still takes clicks.
  QTimer::singleShot(100, [&] {
    exportEnabled = exportButton->isEnabled();
    printEnabled = dlg_->Control(ctl::kPrint)->isEnabled();
    exportButton->click();
  });
  prompts_.filePaths = {folder_ / "first.xls", folder_ / "second.xls"};
  exportButton->click();
  EXPECT_FALSE(exportEnabled);
  EXPECT_FALSE(printEnabled);
  EXPECT_EQ(prompts_.filePaths.size(), 1u);  // the second click chose no file
  EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "second.xls"));
  EXPECT_TRUE(std::filesystem::exists(folder_.Path() / "first.xls"));
  EXPECT_TRUE(exportButton->isEnabled());
  EXPECT_TRUE(dlg_->Control(ctl::kPrint)->isEnabled());
}

TEST_F(LongWorkTest, LoadingADayKeepsTheWindowTickingAndSwapsTheRunInWhole) {
  const std::string path = LongFile("day.cv3", 86400);
  WindowProbe probe(*dlg_);
  Click(ctl::kChamberSelect[0]);
  // The sampler goes on in chamber III while the file is read.
  std::atomic<bool> loading{true};
  std::thread sampler([&] {
    for (int k = 0; loading && k < 1000; ++k) {
      probe.station().m_chamber[2].Access(
          [k](ChamberRecord& r) { AppendSample(r, 100.0f, 25.0f, 0, LocalTime{}, k); });
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  // Each tick looks at chamber I: empty, or holding the whole file.
  int ticks = 0;
  std::vector<int32_t> seen;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++ticks;
    seen.push_back(
        probe.station().m_chamber[0].Access([](const ChamberRecord& r) { return r.Samples(); }));
  });
  ticker.start();
  prompts_.filePaths.push_back(path);
  Click(ctl::kLoadMeasurement);
  ticker.stop();
  loading = false;
  sampler.join();
  EXPECT_GE(ticks, 2);
  for (const int32_t samples : seen) EXPECT_TRUE(samples == 0 || samples == 86401) << samples;
  const ChamberRecord loaded = probe.station().m_chamber[0].Snapshot();
  EXPECT_EQ(loaded.Samples(), 86401);
  EXPECT_EQ(loaded.measurementName, "day");
  EXPECT_GT(probe.station().m_chamber[2].Snapshot().Samples(), 0);
  EXPECT_TRUE(prompts_.asked.empty());
  EXPECT_TRUE(dlg_->Control(ctl::kLoadMeasurement)->isEnabled());
}

TEST_F(LongWorkTest, CancellingTheSaveLeavesTheOldFileAndNoOtherBehind) {
  // A week, so that the writing is still under way when the Cancel arrives.
  WindowProbe probe(*dlg_);
  probe.station().m_chamber[0].Access([](ChamberRecord& r) {
    r.runInterval = 1;
    for (int32_t t = 0; t <= 7 * 86400; ++t)
      AppendSample(r, 150.0f, 25.0f, 0, LocalTime{2026, 12, 6, t / 3600 % 24, t / 60 % 60, t % 60},
                   t);
  });
  Click(ctl::kChamberSelect[0]);
  const std::string path = folder_ / "week.cv3";
  { std::ofstream(path, std::ios::binary) << "old"; }
  QTimer::singleShot(0, [&] {
    if (auto* dialog = dlg_->findChild<QProgressDialog*>()) dialog->cancel();
  });
  prompts_.filePaths.push_back(path);
  Click(ctl::kSaveMeasurement);
  EXPECT_TRUE(testing::FileBytes(path) == "old") << "the old file was replaced";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{
                                "Existing file will be overwritten!",
                                "The file " + path + " was not saved: saving was cancelled."}));
  EXPECT_EQ(probe.station().m_chamber[0].Snapshot().saved, 0);
  EXPECT_EQ(probe.analysisTable().RowCount(), 0u);
}

TEST_F(LongWorkTest, SaveAndLoadTakeNoSecondClickWhileASaveRuns) {
  RecordADay({0});
  bool loadEnabled = true;
  bool saveEnabled = true;
  bool exportEnabled = true;
  // Before the progress dialog shows, the window still takes clicks.
  QTimer::singleShot(0, [&] {
    loadEnabled = dlg_->Control(ctl::kLoadMeasurement)->isEnabled();
    saveEnabled = dlg_->Control(ctl::kSaveMeasurement)->isEnabled();
    exportEnabled = dlg_->Control(ctl::kExportMeasurement)->isEnabled();
    Click(ctl::kLoadMeasurement);
    Click(ctl::kSaveMeasurement);
    Click(ctl::kExportMeasurement);
  });
  prompts_.filePaths = {folder_ / "first.cv3", folder_ / "second.cv3"};
  Click(ctl::kSaveMeasurement);
  EXPECT_FALSE(loadEnabled);
  EXPECT_FALSE(saveEnabled);
  EXPECT_FALSE(exportEnabled);
  EXPECT_EQ(prompts_.filePaths.size(), 1u);  // no second click chose a file
  EXPECT_TRUE(std::filesystem::exists(folder_.Path() / "first.cv3"));
  EXPECT_TRUE(dlg_->Control(ctl::kLoadMeasurement)->isEnabled());
  EXPECT_TRUE(dlg_->Control(ctl::kSaveMeasurement)->isEnabled());
}

// The screen while a week-long file is read, for looking at (run under a virtual display).
TEST_F(LongWorkTest, ScreenshotOfAWeekLongLoadWhenRequested) {
  const char* dir = std::getenv("CORVALA_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "set CORVALA_SHOT_DIR to write a screenshot";
  const std::string path = LongFile("week.cv3", 7 * 86400);
  Click(ctl::kChamberSelect[0]);
  dlg_->move(0, 0);
  QTimer::singleShot(600, [&] {
    QApplication::primaryScreen()->grabWindow(0).save(QString("%1/load-progress.png").arg(dir));
  });
  prompts_.filePaths.push_back(path);
  Click(ctl::kLoadMeasurement);
}

// The screen during a day-long export, for looking at (run under a virtual display).
TEST_F(LongWorkTest, ScreenshotOfTheExportWhenRequested) {
  const char* dir = std::getenv("CORVALA_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "set CORVALA_SHOT_DIR to write a screenshot";
  RecordADay({0, 1});
  dlg_->move(0, 0);
  QTimer::singleShot(900, [&] {
    QApplication::primaryScreen()->grabWindow(0).save(QString("%1/export-progress.png").arg(dir));
  });
  prompts_.filePaths.push_back(folder_ / "day.xls");
  static_cast<QAbstractButton*>(dlg_->Control(ctl::kExportMeasurement))->click();
}

}  // namespace
}  // namespace corvala

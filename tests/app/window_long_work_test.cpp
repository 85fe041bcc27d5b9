// Long work does not freeze the window: exporting a day-long run shows its
// progress while the window paints and takes the sampler's rows; Cancel leaves
// no workbook behind.

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
#include <thread>

#include "app/control_ids.h"
#include "app/measure_dlg.h"
#include "app/window_probe.h"
#include "test_support/temp_folder.h"
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

#include "app/measure_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QSlider>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/report_list.h"
#include "util/c_format.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

QApplication& App() {
  static int argc = 1;
  static char name[] = "window_tests";
  static char* argv[] = {name, nullptr};
  // Left alive until the process ends: Qt's own statics go before it otherwise.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    folder_ = fs::temp_directory_path() /
              ("corvala_window_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::unique_ptr<CMeasureDlg> Open() {
    auto dlg =
        std::make_unique<CMeasureDlg>(StationOptions{folder_.string(), {}, false}, &prompts_);
    dlg->show();
    return dlg;
  }
  void WriteIni(const std::string& text) {
    std::ofstream(folder_ / "Corvala.ini", std::ios::binary) << text;
  }
  std::string ReadIni() {
    std::string bytes;
    ReadWholeFile((folder_ / "Corvala.ini").string(), bytes);
    return bytes;
  }
  void SetEdit(CMeasureDlg& dlg, int id, const char* text) {
    static_cast<QLineEdit*>(dlg.Control(id))->setText(text);
  }
  void Check(CMeasureDlg& dlg, int id, bool on) {
    static_cast<QCheckBox*>(dlg.Control(id))->setChecked(on);
  }
  void Insert(CMeasureDlg& dlg, const char* h, const char* m, const char* s, bool light,
              bool stop) {
    SetEdit(dlg, 1028, h);
    SetEdit(dlg, 1029, m);
    SetEdit(dlg, 1030, s);
    Check(dlg, 1031, light);
    Check(dlg, 1033, stop);
    dlg.InsertProgramStep();
  }

  // A run of chamber I with a complete analysis, saved as run.cv3.
  void SaveRecordedRun(CMeasureDlg& dlg) {
    dlg.m_station.m_chamber[0].Access([](ChamberRecord& r) {
      const float pressure[] = {20, 18, 16, 14, 13, 12, 14, 18, 22, 24, 24, 22, 18, 16, 15, 15};
      const uint8_t light[] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
      r.runInterval = 2;
      for (int k = 0; k < 16; ++k)
        AppendSample(r, pressure[k], 25.0f, light[k], LocalTime{2026, 12, 6, 9, 5, 7}, 2 * k);
      r.hasRun = 1;
    });
    dlg.OnChamberSelect(0);
    prompts_.filePaths.push_back((folder_ / "run.cv3").string());
    dlg.SaveMeasurementFiles();
  }

  fs::path folder_;
  ScriptedPrompts prompts_;
};

TEST_F(WindowTest, FreshStartAndCloseWritesEveryDefault) {
  auto dlg = Open();
  EXPECT_EQ(dlg->m_view, 1);
  EXPECT_EQ(dlg->m_station.m_temperature, 25);
  EXPECT_EQ(dlg->m_station.m_sampleInterval, 5);
  EXPECT_EQ(dlg->m_station.m_temperatureCommand, 25);  // the set point goes to the device once
  EXPECT_EQ(dlg->List(1026)->rowCount(), 0);
  dlg->close();
  EXPECT_EQ(
      ReadIni(),
      "Temperatur=25\r\nMaxDruck=300\r\nMessabstand=5\r\nZeitanzeige=450\r\nKalibrierwert=210\r\n"
      "Korrekturwert=0\r\nKorrekturan=0\r\nKomma=1\r\nBeep=0\r\nCOM=1\r\nEinheit=1\r\nDemomodus="
      "0\r\n"
      "Interpolation=0\r\nUmreFaktor1=210.000000\r\nUmreFaktor2=8.230000\r\nAnzProg=0\r\n");
}

TEST_F(WindowTest, StoredProgramRowsAppearInStoredOrderAndSurviveARestart) {
  WriteIni(
      "AnzProg=3\r\n"
      "Stunde0000=0\r\nMinute0000=10\r\nSekunde0000=0\r\nKammer1-0000=1\r\nKammer2-0000=0\r\n"
      "Kammer3-0000=0\r\nLicht0000=1\r\nEnde0000=0\r\n"
      "Stunde0001=0\r\nMinute0001=5\r\nSekunde0001=0\r\nKammer1-0001=0\r\nKammer2-0001=1\r\n"
      "Kammer3-0001=1\r\nLicht0001=0\r\nEnde0001=0\r\n"
      "Stunde0002=150\r\nMinute0002=0\r\nSekunde0002=0\r\nKammer1-0002=1\r\nKammer2-0002=0\r\n"
      "Kammer3-0002=1\r\nLicht0002=1\r\nEnde0002=1\r\n");
  auto dlg = Open();
  ReportList* list = dlg->List(1026);
  ASSERT_EQ(list->rowCount(), 3);
  const char* expected[3][4] = {
      {"00:10:00", "on", "", ""}, {"00:05:00", "", "off", "off"}, {"150:00:00", "---", "", "---"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(list->Text(r, c), expected[r][c]) << r << "," << c;
  EXPECT_EQ(dlg->m_chamberSelected, (std::array<uint8_t, 3>{0, 0, 0}));
  dlg->close();
  dlg.reset();
  auto again = Open();
  EXPECT_EQ(again->List(1026)->rowCount(), 3);
  EXPECT_EQ(again->List(1026)->Text(2, 0), "150:00:00");
}

TEST_F(WindowTest, ProgramEditorValidatesAndDeletes) {
  auto dlg = Open();
  Insert(*dlg, "0", "0", "0", true, false);  // no chamber selected: refused
  EXPECT_EQ(dlg->List(1026)->rowCount(), 0);
  dlg->OnChamberSelect(0);
  Insert(*dlg, "0", "60", "0", false, false);
  Insert(*dlg, "0", "0", "60", false, false);
  Insert(*dlg, "-1", "0", "0", false, false);
  EXPECT_EQ(dlg->List(1026)->rowCount(), 0);
  Insert(*dlg, "0", "0", "0", true, false);
  Insert(*dlg, "0", "10", "0", true, true);  // Stop wins over Light
  Insert(*dlg, "1", "2", "5", false, false);
  ReportList* list = dlg->List(1026);
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->Text(0, 0), "00:00:00");
  EXPECT_EQ(list->Text(0, 1), "on");
  EXPECT_EQ(list->Text(0, 2), "");
  EXPECT_EQ(list->Text(1, 1), "---");
  EXPECT_EQ(list->Text(2, 0), "01:02:05");

  list->SetSelectionMark(1);
  dlg->DeleteProgramStep();
  ASSERT_EQ(list->rowCount(), 2);
  const auto steps = dlg->m_station.m_program.Steps();
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].rowIndex, -1);
  EXPECT_EQ(steps[1].rowIndex, 0);
  EXPECT_EQ(steps[1].hours, 1);
  dlg->close();
  const std::string ini = ReadIni();
  EXPECT_NE(ini.find("AnzProg=2\r\n"), std::string::npos);
  EXPECT_NE(ini.find("Stunde0001=1\r\n"), std::string::npos);
  EXPECT_EQ(ini.find("0002"), std::string::npos);  // the deleted row is gone
}

TEST_F(WindowTest, ViewsShowTheirControlsOnly) {
  auto dlg = Open();
  auto check = [&](int view) {
    for (const ControlSpec& control : AllControls()) {
      bool untouched = false;
      const bool shown = ShownInView(control, view, untouched);
      if (untouched) continue;
      EXPECT_EQ(dlg->Control(control.id)->isVisible(), shown)
          << "control " << control.id << " in view " << view;
    }
  };
  check(1);
  EXPECT_FALSE(dlg->Control(1112)->isVisible());  // no chamber has a name yet
  dlg->OnViewAnalysis();
  check(3);
  dlg->OnViewConfiguration();
  check(2);
  dlg->OnViewMeasurement();
  check(1);
  EXPECT_FALSE(dlg->Control(1081)->isVisible());
}

TEST_F(WindowTest, ConfigurationViewResizesAndRestoresTheWindow) {
  auto dlg = Open();
  dlg->setGeometry(40, 30, 900, 600);
  const QRect before = dlg->frameGeometry();
  dlg->m_station.m_running[1] = 1;
  dlg->OnViewConfiguration();
  EXPECT_EQ(dlg->m_view, 1);  // refused while a chamber runs
  dlg->m_station.m_running[1] = 0;
  dlg->OnViewConfiguration();
  EXPECT_EQ(dlg->m_view, 2);
  EXPECT_EQ(dlg->frameGeometry().size(), QSize(715, 430));
  EXPECT_EQ(dlg->frameGeometry().topLeft(), before.topLeft());
  dlg->OnViewAnalysis();
  EXPECT_EQ(dlg->m_view, 3);
  EXPECT_EQ(dlg->frameGeometry(), before);
}

TEST_F(WindowTest, ChamberButtonsToggleTheirPictures) {
  auto dlg = Open();
  EXPECT_EQ(dlg->PictureOf(1035), 146);
  dlg->OnChamberSelect(0);
  EXPECT_EQ(dlg->PictureOf(1035), 143);
  EXPECT_EQ(dlg->m_chamberSelected[0], 1);
  dlg->OnChamberSelect(2);
  EXPECT_EQ(dlg->PictureOf(1037), 144);
  dlg->OnChamberSelect(0);
  EXPECT_EQ(dlg->PictureOf(1035), 146);
  EXPECT_EQ(dlg->m_chamberSelected, (std::array<uint8_t, 3>{0, 0, 1}));
  EXPECT_EQ(dlg->PictureOf(1044), 159);
  dlg->OnChamberShow(1);
  EXPECT_EQ(dlg->PictureOf(1044), 160);
  EXPECT_EQ(dlg->m_chamberShown, (std::array<uint8_t, 3>{1, 0, 1}));
}

TEST_F(WindowTest, SteppersKeepTheirRanges) {
  auto dlg = Open();
  for (int i = 0; i < 30; ++i) dlg->OnTemperatureUp();
  EXPECT_EQ(dlg->m_station.m_temperature, 45);
  for (int i = 0; i < 50; ++i) dlg->OnTemperatureDown();
  EXPECT_EQ(dlg->m_station.m_temperature, 5);
  EXPECT_EQ(static_cast<QLineEdit*>(dlg->Control(1004))->text(), "5");
  for (int i = 0; i < 10; ++i) dlg->OnIntervalDown();
  EXPECT_EQ(dlg->m_station.m_sampleInterval, 1);
  for (int i = 0; i < 120; ++i) dlg->OnIntervalUp();
  EXPECT_EQ(dlg->m_station.m_sampleInterval, 99);
  EXPECT_EQ(static_cast<QLineEdit*>(dlg->Control(1017))->text(), "99");
}

TEST_F(WindowTest, TickShowsLinkStateAndLiveReadings) {
  auto dlg = Open();
  auto text = [&](int id) {
    return static_cast<QLineEdit*>(dlg->Control(id))->text().toStdString();
  };
  // A check period lasts 2.5 sampling intervals: 50 ticks at 5 s.
  dlg->m_station.m_frameStartSeen = 0;
  for (int i = 0; i < 49; ++i) dlg->OnTimer();
  EXPECT_EQ(dlg->PictureOf(1038), 151);
  dlg->OnTimer();
  EXPECT_EQ(dlg->PictureOf(1038), 150);
  for (int i = 0; i < 50; ++i) dlg->OnTimer();  // no frame start in this period
  EXPECT_EQ(dlg->PictureOf(1038), 151);
  EXPECT_EQ(dlg->PictureOf(1040), 152);

  // A one-channel device shows its reading in all three edits; out of range shows 0.
  dlg->m_station.m_serviceArg = 1;
  dlg->m_station.m_lastReading[0] = 253.25f;
  dlg->OnTimer();
  EXPECT_EQ(text(1080), "253.2 mbar");
  EXPECT_EQ(text(1084), "253.2 mbar");
  dlg->m_station.m_lastReading[0] = 700.5f;
  dlg->OnTimer();
  EXPECT_EQ(text(1082), "0.0 mbar");
  EXPECT_EQ(dlg->m_station.m_lastReading[0].load(), 0.0f);
  dlg->m_station.m_serviceArg = 2;
  dlg->OnTimer();
  EXPECT_FALSE(dlg->Control(1084)->isVisible());
  dlg->m_station.m_deviceTemperature = 24.56f;
  dlg->OnTimer();
  EXPECT_EQ(text(1039), "24.6");
}

TEST_F(WindowTest, TickFollowsTrackbarsAndTheDevicesUnitOnce) {
  auto dlg = Open();
  static_cast<QSlider*>(dlg->Control(1055))->setValue(50);
  static_cast<QSlider*>(dlg->Control(1058))->setValue(10);
  dlg->OnTimer();
  EXPECT_EQ(dlg->m_station.m_maxPressure, 300);
  EXPECT_EQ(dlg->m_maxTime, 3600);
  EXPECT_EQ(static_cast<QLineEdit*>(dlg->Control(1057))->text(), "01:00");

  dlg->m_station.m_unitMismatch = 1;
  dlg->OnTimer();
  EXPECT_EQ(dlg->m_station.m_unitMismatch, 2);
  EXPECT_EQ(dlg->m_station.m_unit, 2);
  EXPECT_EQ(dlg->m_unitName, "mg/l");
  EXPECT_EQ(static_cast<QComboBox*>(dlg->Control(1050))->currentIndex(), 1);
  dlg->OnTimer();
  EXPECT_EQ(dlg->m_station.m_unit, 2);  // once only
}

TEST_F(WindowTest, LeavingTheConfigurationTakesItsValues) {
  auto dlg = Open();
  dlg->m_station.m_temperatureCommand = kTemperatureIdle;  // taken by the link
  dlg->OnViewConfiguration();
  static_cast<QComboBox*>(dlg->Control(1048))->setCurrentIndex(2);
  static_cast<QComboBox*>(dlg->Control(1050))->setCurrentIndex(1);
  SetEdit(*dlg, 1074, "250");
  Check(*dlg, 1107, true);
  dlg->OnViewMeasurement();
  EXPECT_EQ(dlg->m_station.m_comPort, 3);
  EXPECT_EQ(dlg->m_station.m_unit, 2);
  EXPECT_EQ(dlg->m_unitName, "mg/l");
  EXPECT_EQ(dlg->m_station.m_pairCommand.Peek(), std::make_pair(823, 21000));
  EXPECT_EQ(dlg->m_station.m_calibrationValue, 250);
  EXPECT_EQ(dlg->m_station.m_calibrationChanged, 1);
  EXPECT_EQ(dlg->m_station.m_temperatureCommand, 25);  // always on the first confirmation
  EXPECT_EQ(dlg->m_station.m_beepCommand, 1);

  // A negative first factor is a service command; port and unit are not taken.
  dlg->m_station.m_temperatureCommand = kTemperatureIdle;
  dlg->OnViewConfiguration();
  static_cast<QComboBox*>(dlg->Control(1048))->setCurrentIndex(0);
  SetEdit(*dlg, 1051, "-4");
  dlg->OnViewAnalysis();
  EXPECT_EQ(dlg->m_station.m_serviceCommand, 90);
  EXPECT_EQ(dlg->m_demoMode, 1);
  EXPECT_EQ(dlg->m_station.m_comPort, 3);
  EXPECT_EQ(dlg->m_station.m_temperatureCommand, kTemperatureIdle);  // unchanged set point
  dlg->OnViewConfiguration();
  SetEdit(*dlg, 1051, "-2.7");
  dlg->OnViewMeasurement();
  EXPECT_EQ(dlg->m_station.m_serviceCommand, 93);
  EXPECT_EQ(dlg->m_station.m_serviceArg, 2);
}

TEST_F(WindowTest, EnterAndEscapeLeaveTheWindowOpen) {
  auto dlg = Open();
  for (QWidget* target :
       {static_cast<QWidget*>(dlg.get()), dlg->Control(1028), dlg->Control(1021)}) {
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
    }
  }
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->result(), 0);
}

TEST_F(WindowTest, ChartAreaFollowsResizing) {
  auto dlg = Open();
  dlg->resize(700, 500);
  QApplication::processEvents();
  const ChartArea area = dlg->ChartRect();
  EXPECT_EQ(area.left, 100);
  EXPECT_EQ(area.right, 682);
  EXPECT_EQ(area.top, 41);
  EXPECT_EQ(area.bottom, 276);
}

TEST_F(WindowTest, SavingARunAddsItsAnalysisRowAndTheTableSurvivesARestart) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  EXPECT_TRUE(fs::exists(folder_ / "run.cv3"));
  ASSERT_EQ(dlg->List(1094)->rowCount(), 1);
  EXPECT_EQ(dlg->List(1094)->Text(0, 0), "run");
  EXPECT_EQ(dlg->List(1094)->Text(0, 1), "06.12.2026");
  EXPECT_EQ(dlg->List(1094)->Text(0, 3), "1");
  EXPECT_EQ(dlg->List(1094)->Text(0, 10), "---");
  EXPECT_TRUE(prompts_.asked.empty());
  dlg->ShowViewControls();
  EXPECT_TRUE(dlg->Control(1112)->isVisible());  // a chamber has a name now
  dlg->close();
  dlg.reset();

  auto again = Open();  // the working file brings the table back
  ASSERT_EQ(again->List(1094)->rowCount(), 1);
  EXPECT_EQ(again->List(1094)->Text(0, 0), "run");
}

TEST_F(WindowTest, AnalysisTableEditing) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  ReportList* list = dlg->List(1094);
  ASSERT_EQ(list->rowCount(), 1);
  list->SetSelectionMark(0);
  dlg->CycleDiagramGroup();
  EXPECT_EQ(list->Text(0, 10), "1");
  std::string working;
  ReadWholeFile((folder_ / "auswertung.tmp").string(), working);
  EXPECT_TRUE(working.ends_with("\r\n1\r\n"));  // the group reaches the working file at once

  const std::string saved = (folder_ / "table.cva").string();
  prompts_.filePaths.push_back(saved);
  dlg->SaveAnalysisFile();
  EXPECT_TRUE(fs::exists(saved));
  EXPECT_EQ(dlg->m_analysis.m_analysisDirty, 0);

  prompts_.answers = {false};
  dlg->DeleteAnalysisRow();
  EXPECT_EQ(list->rowCount(), 1);
  prompts_.answers = {true};
  dlg->DeleteAnalysisRow();
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_EQ(dlg->m_analysis.m_analysisDirty, 1);

  prompts_.answers = {true};
  dlg->ClearAnalysisTable();
  EXPECT_FALSE(fs::exists(folder_ / "auswertung.tmp"));
  prompts_.filePaths.push_back(saved);
  dlg->LoadAnalysisFile();
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->Text(0, 10), "1");
  EXPECT_EQ(dlg->m_analysis.m_diagramGroupMax, 1);
}

TEST_F(WindowTest, DiagramsFollowTheRadioButtonsAndTheReportPrints) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  dlg->List(1094)->SetSelectionMark(0);
  dlg->CycleDiagramGroup();
  dlg->OnViewAnalysis();
  static_cast<QAbstractButton*>(dlg->Control(1118))->click();  // KphA on the left
  EXPECT_EQ(dlg->m_diagramLeft, 6);
  static_cast<QAbstractButton*>(dlg->Control(1135))->click();  // Delay2 on the right
  EXPECT_EQ(dlg->m_diagramRight, 3);
  EXPECT_TRUE(dlg->DrawAnalysisDiagrams());
  // The diagrams stand inside the window.
  EXPECT_GE(dlg->height(), 650);

  const QString pdf = QString::fromStdString((folder_ / "report.pdf").string());
  QPdfWriter writer(pdf);
  EXPECT_TRUE(dlg->PrintReportTo(writer));
  EXPECT_GT(fs::file_size(folder_ / "report.pdf"), 1000u);
  dlg->OnViewMeasurement();
  EXPECT_FALSE(dlg->DrawAnalysisDiagrams());
}

TEST_F(WindowTest, DraggingAlongACurveMeasuresItsSlope) {
  auto dlg = Open();
  dlg->m_station.m_sampleInterval = 10;
  dlg->m_station.m_chamber[1].Access([](ChamberRecord& r) {
    for (int k = 0; k < 30; ++k) AppendSample(r, 100.0f + 2.0f * k, 25.0f, 0, LocalTime{}, 10 * k);
  });
  dlg->RefreshView();
  dlg->grab();  // draws the chart, which lays out the plot
  const PixelRect plot = dlg->PlotRect();
  ASSERT_GT(plot.Width(), 0);
  // The pixel of sample k: time 10 k s over the 450 s window, value on a 300 mbar scale.
  auto at = [&](int k) {
    const double x = plot.left + plot.Width() * (10.0 * k) / 450.0 + 1;
    const double y = plot.bottom - plot.Height() * (100.0 + 2.0 * k) / 300.0;
    return QPointF(x, y);
  };
  auto send = [&](QEvent::Type type, QPointF point) {
    QMouseEvent event(type, point, dlg->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &event);
  };
  send(QEvent::MouseButtonPress, at(20));
  send(QEvent::MouseMove, at(5));
  send(QEvent::MouseButtonRelease, at(5));
  EXPECT_FLOAT_EQ(dlg->m_selSlope, 0.2f);  // 2 mbar every 10 s, dragged right to left
  EXPECT_EQ(dlg->m_selStart, 5);
  EXPECT_EQ(dlg->m_selEnd, 20);
  EXPECT_EQ(dlg->m_selChamber, 1);

  // Releasing off the curve leaves no slope.
  send(QEvent::MouseButtonPress, at(5));
  send(QEvent::MouseButtonRelease, at(5) + QPointF(0, -40));
  EXPECT_EQ(dlg->m_selSlope, kNoValue);
}

TEST_F(WindowTest, ClosingOffersToSaveAChangedTable) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  ASSERT_TRUE(fs::exists(folder_ / "auswertung.tmp"));
  prompts_.answers = {true};
  prompts_.filePaths.push_back((folder_ / "table.xls").string());
  dlg->close();
  EXPECT_EQ(prompts_.asked.back(), "Save the analysis?");
  EXPECT_TRUE(fs::exists(folder_ / "table.xls"));
  EXPECT_FALSE(fs::exists(folder_ / "auswertung.tmp"));  // saved: the working file goes
  dlg.reset();

  // Yes, but the save dialog cancelled: the table stays in the working file.
  auto again = Open();
  SaveRecordedRun(*again);
  prompts_.answers = {true};
  again->close();
  EXPECT_TRUE(fs::exists(folder_ / "auswertung.tmp"));
  again.reset();

  // No: the table is let go.
  auto third = Open();
  prompts_.answers = {false};
  third->m_analysis.m_analysisDirty = 1;
  third->close();
  EXPECT_FALSE(fs::exists(folder_ / "auswertung.tmp"));
}

// Pictures of the three views for the README and for looking at, when asked for.
TEST_F(WindowTest, HandEditedExtremeSettingsOpenTickDrawAndScroll) {
  // Numbers no slider or list can show are taken as read; the arithmetic on
  // them must not overflow (the sanitizer build of the tests checks it).
  WriteIni("Zeitanzeige=-2147483648\r\nMaxDruck=-2147483648\r\nMessabstand=2147483647\r\n"
           "Einheit=-2147483648\r\nCOM=-2147483648\r\n");
  auto dlg = Open();
  EXPECT_EQ(dlg->m_maxTime, INT32_MIN);
  dlg->m_station.m_chamber[0].Access([](ChamberRecord& r) {
    for (int k = 0; k < 30; ++k) AppendSample(r, 100.0f + 2.0f * k, 25.0f, 0, LocalTime{}, 10 * k);
  });
  dlg->OnTimer();
  // The run reaches far beyond the (negative) window: the scroll bar ends
  // where its position in seconds still fits.
  auto* scroll = static_cast<QSlider*>(dlg->Control(1034));
  EXPECT_EQ(scroll->maximum(), INT32_MAX / 60);
  scroll->setValue(scroll->maximum());
  dlg->OnTimer();
  dlg->grab();
}

TEST_F(WindowTest, ScreenshotsWhenRequested) {
  const char* dir = std::getenv("CORVALA_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "set CORVALA_SHOT_DIR to write screenshots";
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  dlg->List(1094)->SetSelectionMark(0);
  dlg->CycleDiagramGroup();
  dlg->OnToggleAll();
  dlg->RefreshView();
  QApplication::processEvents();
  dlg->grab().save(QString("%1/view1.png").arg(dir));
  dlg->OnViewConfiguration();
  QApplication::processEvents();
  dlg->grab().save(QString("%1/view2.png").arg(dir));
  dlg->OnViewAnalysis();
  QApplication::processEvents();
  dlg->grab().save(QString("%1/view3.png").arg(dir));
}

}  // namespace
}  // namespace corvala

#include "app/measure_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QSlider>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "analysis/diagram.h"
#include "app/control_ids.h"
#include "app/report_list.h"
#include "app/window_probe.h"
#include "run/run_journal.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "test_support/window_app.h"
#include "util/file_io.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

using testing::DataBytes;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WindowTestApp(); }

  std::unique_ptr<CMeasureDlg> Open() {
    auto dlg = std::make_unique<CMeasureDlg>(testing::WindowAloneIn(folder_.Path()), &prompts_);
    dlg->show();
    return dlg;
  }
  void WriteIni(const std::string& text) {
    std::ofstream(folder_.Path() / "Corvala.ini", std::ios::binary) << text;
  }
  std::string ReadFile(const std::string& name) {
    const Expected<std::string> bytes = ReadWholeFile(folder_ / name);
    return bytes ? *bytes : std::string();
  }
  static void Click(CMeasureDlg& dlg, int id) {
    static_cast<QAbstractButton*>(dlg.Control(id))->click();
  }
  static void SetEdit(CMeasureDlg& dlg, int id, const char* text) {
    static_cast<QLineEdit*>(dlg.Control(id))->setText(text);
  }
  static std::string EditText(CMeasureDlg& dlg, int id) {
    return static_cast<QLineEdit*>(dlg.Control(id))->text().toStdString();
  }
  // Enters `text` in the configuration view and confirms it.
  static void Enter(CMeasureDlg& dlg, int id, const char* text) {
    Click(dlg, ctl::kConfigurationView);
    SetEdit(dlg, id, text);
    Click(dlg, ctl::kMeasurementView);
  }
  static void Choose(CMeasureDlg& dlg, int id, int index) {
    static_cast<QComboBox*>(dlg.Control(id))->setCurrentIndex(index);
  }
  static void Check(CMeasureDlg& dlg, int id, bool on) {
    static_cast<QCheckBox*>(dlg.Control(id))->setChecked(on);
  }
  static void ClickRow(CMeasureDlg& dlg, int id, int row) {
    ReportList* list = WindowProbe(dlg).List(id);
    // A click on a row that is not there would reach nothing and test nothing.
    ASSERT_LT(row, list->rowCount()) << "the list " << id << " has no row " << row;
    list->SetSelectionMark(row);
    emit list->clicked(list->model()->index(row, 0));
  }
  void Insert(CMeasureDlg& dlg, const char* h, const char* m, const char* s, bool light,
              bool stop) {
    SetEdit(dlg, ctl::kStepHours, h);
    SetEdit(dlg, ctl::kStepMinutes, m);
    SetEdit(dlg, ctl::kStepSeconds, s);
    Check(dlg, ctl::kStepLight, light);
    Check(dlg, ctl::kStepStop, stop);
    Click(dlg, ctl::kInsertStep);
  }

  // A run of chamber I with a complete analysis, saved as run.cv3.
  void SaveRecordedRun(CMeasureDlg& dlg) {
    WindowProbe(dlg).station().m_chamber[0].Access([](ChamberRecord& r) {
      const float pressure[] = {20, 18, 16, 14, 13, 12, 14, 18, 22, 24, 24, 22, 18, 16, 15, 15};
      const uint8_t light[] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
      r.runInterval = 2;
      for (int k = 0; k < 16; ++k)
        AppendSample(r, pressure[k], 25.0f, light[k], LocalTime{2026, 12, 6, 9, 5, 7}, 2 * k);
      r.hasRun = 1;
    });
    Click(dlg, ctl::kChamberSelect1);
    prompts_.filePaths.push_back(folder_ / "run.cv3");
    Click(dlg, ctl::kSaveMeasurement);
  }

  corvala::testing::TempFolder folder_;
  ScriptedPrompts prompts_;
};

TEST_F(WindowTest, FreshStartAndCloseWritesEveryDefault) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  EXPECT_EQ(probe.view(), View::kMeasurement);
  EXPECT_EQ(probe.station().m_settings.m_temperature, 25);
  EXPECT_EQ(probe.station().m_settings.m_sampleInterval, 5);
  // The set point goes to the device once after start.
  EXPECT_EQ(probe.station().m_link.commands.m_temperatureCommand, 25);
  EXPECT_EQ(probe.List(ctl::kProgram)->rowCount(), 0);
  dlg->close();
  EXPECT_EQ(ReadFile("Corvala.ini"), DataBytes("settings_defaults.ini"));
}

// The round trip through the file is SettingsFile's.
TEST_F(WindowTest, StoredProgramRowsAppearInStoredOrder) {
  WriteIni(DataBytes("settings_three_rows.ini"));
  auto dlg = Open();
  ReportList* list = WindowProbe(*dlg).List(ctl::kProgram);
  ASSERT_EQ(list->rowCount(), 3);
  const char* expected[3][4] = {
      {"00:10:00", "on", "", ""}, {"00:05:00", "", "off", "off"}, {"150:00:00", "---", "", "---"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(list->Text(r, c), expected[r][c]) << r << "," << c;
  EXPECT_EQ(WindowProbe(*dlg).chamberSelected(), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST_F(WindowTest, ProgramEditorValidatesAndDeletes) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  Insert(*dlg, "0", "0", "0", true, false);  // no chamber selected: refused
  EXPECT_EQ(probe.List(ctl::kProgram)->rowCount(), 0);
  Click(*dlg, ctl::kChamberSelect1);
  Insert(*dlg, "0", "60", "0", false, false);
  Insert(*dlg, "0", "0", "60", false, false);
  Insert(*dlg, "-1", "0", "0", false, false);
  EXPECT_EQ(probe.List(ctl::kProgram)->rowCount(), 0);
  Insert(*dlg, "0", "0", "0", true, false);
  Insert(*dlg, "0", "10", "0", true, true);  // Stop wins over Light
  Insert(*dlg, "1", "2", "5", false, false);
  ReportList* list = probe.List(ctl::kProgram);
  ASSERT_EQ(list->rowCount(), 3);
  EXPECT_EQ(list->Text(0, 0), "00:00:00");
  EXPECT_EQ(list->Text(0, 1), "on");
  EXPECT_EQ(list->Text(0, 2), "");
  EXPECT_EQ(list->Text(1, 1), "---");
  EXPECT_EQ(list->Text(2, 0), "01:02:05");

  list->SetSelectionMark(1);
  Click(*dlg, ctl::kDeleteStep);
  EXPECT_EQ(list->rowCount(), 2);
  dlg->close();
  const std::string ini = ReadFile("Corvala.ini");
  EXPECT_NE(ini.find("AnzProg=2\r\n"), std::string::npos);
  EXPECT_NE(ini.find("Minute0000=0\r\n"), std::string::npos);
  EXPECT_NE(ini.find("Stunde0001=1\r\n"), std::string::npos);
  EXPECT_EQ(ini.find("0002"), std::string::npos);  // the deleted row is gone
}

// The controls are laid out in dialog units of the 10-pixel dialog font; in a
// larger one their captions no longer fit ("Temperatur", "Ligh").
TEST_F(WindowTest, EveryControlHasTheDialogFontAndItsCaptionFits) {
  auto dlg = Open();
  for (const int id : {ctl::kTemperatureGroup, ctl::kStart, ctl::kStepLight}) {
    const QWidget* control = dlg->Control(id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->font().pixelSize(), 10) << id;
  }
  const QFontMetrics metrics(dlg->Control(ctl::kTemperatureGroup)->font());
  EXPECT_LT(metrics.horizontalAdvance("Temperature"),
            dlg->Control(ctl::kTemperatureGroup)->width() - 8);
}

TEST_F(WindowTest, ViewsShowTheirControlsOnly) {
  auto dlg = Open();
  auto check = [&](View view) {
    for (const ControlSpec& control : AllControls()) {
      const Visibility visibility = VisibilityInView(control, view);
      if (visibility == Visibility::kUntouched) continue;
      EXPECT_EQ(dlg->Control(control.id)->isVisible(), visibility == Visibility::kShown)
          << "control " << control.id << " in view " << static_cast<int>(view);
    }
  };
  check(View::kMeasurement);
  EXPECT_FALSE(dlg->Control(ctl::kAddAnalysisRows)->isVisible());  // no chamber has a name yet
  Click(*dlg, ctl::kAnalysisView);
  check(View::kAnalysis);
  Click(*dlg, ctl::kConfigurationView);
  check(View::kConfiguration);
  Click(*dlg, ctl::kMeasurementView);
  check(View::kMeasurement);
  EXPECT_FALSE(dlg->Control(ctl::kMeasuring1)->isVisible());
}

TEST_F(WindowTest, ConfigurationViewResizesAndRestoresTheWindow) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  dlg->setGeometry(40, 30, 900, 600);
  const QRect before = dlg->frameGeometry();
  probe.station().m_run[1].m_running = 1;
  Click(*dlg, ctl::kConfigurationView);
  EXPECT_EQ(probe.view(), View::kMeasurement);  // refused while a chamber runs
  probe.station().m_run[1].m_running = 0;
  Click(*dlg, ctl::kConfigurationView);
  EXPECT_EQ(probe.view(), View::kConfiguration);
  EXPECT_EQ(dlg->frameGeometry().width(), 715);
  // Taller than 430 by the rate settings below the device's configuration,
  // which the window shows whole.
  EXPECT_GT(dlg->frameGeometry().height(), 430);
  EXPECT_LE(dlg->Control(ctl::kRatesGroup)->geometry().bottom(), dlg->height());
  EXPECT_LE(dlg->Control(ctl::kRatesGroup)->geometry().right(), dlg->width());
  EXPECT_EQ(dlg->frameGeometry().topLeft(), before.topLeft());
  Click(*dlg, ctl::kAnalysisView);
  EXPECT_EQ(probe.view(), View::kAnalysis);
  EXPECT_EQ(dlg->frameGeometry(), before);
}

TEST_F(WindowTest, ChamberButtonsToggleTheirPictures) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  EXPECT_EQ(dlg->PictureOf(ctl::kChamberSelect1), 146);
  EXPECT_EQ(dlg->PictureOf(ctl::kChamberShow2), 159);
  // Each click in turn, and the picture it leaves.
  const std::pair<int, int> clicks[] = {{ctl::kChamberSelect1, 143},
                                        {ctl::kChamberSelect3, 144},
                                        {ctl::kChamberSelect1, 146},
                                        {ctl::kChamberShow2, 160}};
  for (const auto& [id, picture] : clicks) {
    Click(*dlg, id);
    EXPECT_EQ(dlg->PictureOf(id), picture) << "control " << id;
  }
  EXPECT_EQ(probe.chamberSelected(), (std::array<uint8_t, 3>{0, 0, 1}));
  EXPECT_EQ(probe.chamberShown(), (std::array<uint8_t, 3>{1, 0, 1}));
}

// The bounds themselves: Steppers.KeepTheirBounds.
TEST_F(WindowTest, SteppersChangeTheSettingAndItsEdit) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  Click(*dlg, ctl::kSetPointUp);
  EXPECT_EQ(probe.station().m_settings.m_temperature, 26);
  EXPECT_EQ(EditText(*dlg, ctl::kSetPoint), "26");
  Click(*dlg, ctl::kIntervalDown);
  EXPECT_EQ(probe.station().m_settings.m_sampleInterval, 4);
  EXPECT_EQ(EditText(*dlg, ctl::kInterval), "4");
}

// The tick's numbers are LinkCheck, LiveReadings and Trackbars; these check the wiring.
TEST_F(WindowTest, TheTickShowsTheDeviceAndFollowsTheControls) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  DeviceReport& report = probe.station().m_link.report;
  report.m_frameStartSeen = 0;
  for (int i = 0; i < 50; ++i) probe.Tick();  // a check period: 2.5 intervals of 5 s
  EXPECT_EQ(dlg->PictureOf(ctl::kDeviceConnection), 150);
  report.m_serviceArg = 1;
  report.m_lastReading[0] = 253.25f;
  probe.Tick();
  EXPECT_EQ(EditText(*dlg, ctl::kReading3), "253.2 mbar");  // one channel shows in all three
  report.m_lastReading[0] = 700.5f;
  report.m_deviceTemperature = 24.56f;
  probe.Tick();
  EXPECT_EQ(EditText(*dlg, ctl::kReading2), "0.0 mbar");
  EXPECT_EQ(report.m_lastReading[0].load(), 0.0f);
  EXPECT_EQ(EditText(*dlg, ctl::kDeviceTemperature), "24.6");

  static_cast<QSlider*>(dlg->Control(ctl::kMaxPressureBar))->setValue(50);
  static_cast<QSlider*>(dlg->Control(ctl::kMaxTimeBar))->setValue(10);
  probe.Tick();
  EXPECT_EQ(probe.station().m_units.MaxPressure(), 300);
  EXPECT_EQ(EditText(*dlg, ctl::kMaxTimeValue), "01:00");

  report.m_unitMismatch = 1;  // the device reports another unit: followed once
  probe.Tick();
  EXPECT_EQ(report.m_unitMismatch, 2);
  EXPECT_EQ(probe.unitName(), "mg/l");
  EXPECT_EQ(static_cast<QComboBox*>(dlg->Control(ctl::kUnit))->currentIndex(), 1);
  probe.Tick();
  EXPECT_EQ(probe.station().m_units.Unit(), 2);  // once only
}

// The confirmation's rules are ConfigurationTest's; this checks that the controls reach it.
TEST_F(WindowTest, LeavingTheConfigurationTakesItsValues) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  CommandMailboxes& commands = probe.station().m_link.commands;
  Click(*dlg, ctl::kConfigurationView);
  Choose(*dlg, ctl::kPort, 2);
  Choose(*dlg, ctl::kUnit, 1);
  SetEdit(*dlg, ctl::kCalibrationValue, "250");
  Check(*dlg, ctl::kSignal, true);
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_EQ(probe.settings().comPort, 3);
  EXPECT_EQ(probe.unitName(), "mg/l");
  EXPECT_EQ(commands.m_pairCommand.Peek(), std::make_pair(823, 21000));
  EXPECT_EQ(commands.m_calibrationValue, 250);
  EXPECT_EQ(commands.m_calibrationChanged, 1);
  EXPECT_EQ(commands.m_beepCommand, 1);
}

// After a service code the field kept "-4", and every later confirmation sent
// the service command again.
TEST_F(WindowTest, AServiceCodeIsSentOnceAndTheFieldShowsTheFactorInForceAgain) {
  auto dlg = Open();
  CommandMailboxes& commands = WindowProbe(*dlg).station().m_link.commands;
  Enter(*dlg, ctl::kFactor1, "-4");
  EXPECT_EQ(commands.m_serviceCommand.exchange(kServiceIdle), 90);
  EXPECT_EQ(WindowProbe(*dlg).settings().demoMode, 1);
  EXPECT_EQ(EditText(*dlg, ctl::kFactor1), "210.00");
  Click(*dlg, ctl::kConfigurationView);
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_EQ(commands.m_serviceCommand.load(), kServiceIdle);
  EXPECT_TRUE(prompts_.asked.empty());
}

// The device switched the unit at start: "max. Pressure" kept showing the
// chart top in the unit before.
TEST_F(WindowTest, AUnitSwitchByTheDeviceShowsTheChartTopInTheNewUnit) {
  WriteIni("Einheit=2\r\nMaxDruck=300\r\nUmreFaktor1=10.000000\r\nUmreFaktor2=1.000000\r\n");
  auto dlg = Open();
  WindowProbe probe(*dlg);
  EXPECT_EQ(EditText(*dlg, ctl::kMaxPressureValue), "30");
  probe.station().m_link.report.m_unitMismatch = 1;  // no chamber measures: followed
  probe.Tick();
  EXPECT_EQ(probe.unitName(), "mbar");
  EXPECT_EQ(EditText(*dlg, ctl::kMaxPressureValue),
            std::to_string(probe.station().m_units.MaxPressure()));
}

// While a chamber measures, a device in another unit is not followed: the
// pair in force goes out again, the window says so beside the live values and
// the live value carries the device's unit, not the one in force.
TEST_F(WindowTest, ADeviceInAnotherUnitWhileAChamberMeasuresIsShownNotFollowed) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  Station& station = probe.station();
  PairMailbox& pair = station.m_link.commands.m_pairCommand;
  station.m_run[0].m_running = 1;
  station.m_link.report.m_deviceUnit = 2;
  station.m_link.report.m_lastReading[0] = 9.5f;
  station.m_link.report.m_unitMismatch = 1;
  probe.Tick();
  EXPECT_EQ(probe.unitName(), "mbar");
  EXPECT_EQ(pair.Take(), std::make_pair(1, 1));
  EXPECT_EQ(probe.unitNotice(), "");  // the pair is on its way
  pair.Delivered();
  station.m_link.report.m_deviceUnit = 2;  // the device still reports mg/l
  probe.Tick();
  EXPECT_EQ(
      probe.unitNotice(),
      "The device reports mg/l, the station measures in mbar: the factor pair is sent again.");
  EXPECT_EQ(EditText(*dlg, ctl::kReading1), "9.50 mg/l");
  if (const char* dir = std::getenv("CORVALA_SHOT_DIR"))
    dlg->grab().save(QString("%1/unit_notice.png").arg(dir));
  station.m_link.report.m_deviceUnit = 1;
  probe.Tick();
  EXPECT_EQ(probe.unitNotice(), "");
  EXPECT_EQ(EditText(*dlg, ctl::kReading1), "9.5 mbar");
  station.m_run[0].m_running = 0;
}

TEST_F(WindowTest, ConfirmingNothingNewLeavesTheChartTopAndTheSettingsAsTheyWere) {
  for (int session = 0; session < 3; ++session) {
    auto dlg = Open();
    Click(*dlg, ctl::kConfigurationView);
    Click(*dlg, ctl::kMeasurementView);
    EXPECT_EQ(WindowProbe(*dlg).station().m_units.MaxPressure(), 300) << session;
    EXPECT_EQ(EditText(*dlg, ctl::kMaxPressureValue), "300") << session;
    dlg->close();
  }
  EXPECT_EQ(ReadFile("Corvala.ini"), DataBytes("settings_defaults.ini"));
}

TEST_F(WindowTest, TheConfirmationRefusesWhatTheDeviceCannotCarry) {
  WriteIni(DataBytes("settings_defaults.ini"));  // as a first confirmation leaves them
  auto dlg = Open();
  WindowProbe probe(*dlg);
  CommandMailboxes& sent = probe.station().m_link.commands;
  Click(*dlg, ctl::kConfigurationView);
  Click(*dlg, ctl::kMeasurementView);  // the first confirmation hands the set point over
  sent.m_pairCommand.Take();
  sent.m_pairCommand.Delivered();
  const std::pair<int, const char*> refused[] = {
      {ctl::kFactor1, "0"},     {ctl::kFactor1, "423.01"}, {ctl::kFactor1, "999999"},
      {ctl::kFactor2, "-8.23"}, {ctl::kFactor1, "abc"},    {ctl::kCalibrationValue, "30000"}};
  const std::map<int, std::string> inForce = {
      {ctl::kFactor1, "210.00"}, {ctl::kFactor2, "8.23"}, {ctl::kCalibrationValue, "210"}};
  size_t notices = 0;
  for (const auto& [field, text] : refused) {
    Enter(*dlg, field, text);
    EXPECT_EQ(prompts_.asked.size(), ++notices) << text;
    EXPECT_EQ(EditText(*dlg, field), inForce.at(field)) << text;
    EXPECT_FALSE(sent.m_pairCommand.Busy()) << text;
    EXPECT_EQ(sent.m_calibrationChanged, 0) << text;
  }
  EXPECT_EQ(probe.unitName(), "mbar");
  dlg->close();
  dlg.reset();
  EXPECT_EQ(ReadFile("Corvala.ini"), DataBytes("settings_defaults.ini"));

  // The largest factor goes out as 42300; a negative first factor is still a
  // service command.
  dlg = Open();
  WindowProbe third(*dlg);
  Click(*dlg, ctl::kConfigurationView);
  Choose(*dlg, ctl::kUnit, 1);
  SetEdit(*dlg, ctl::kFactor1, "423.00");
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_EQ(third.station().m_link.commands.m_pairCommand.Peek(), std::make_pair(823, 42300));
  Enter(*dlg, ctl::kFactor1, "-4");
  EXPECT_EQ(third.station().m_link.commands.m_serviceCommand, 90);
  EXPECT_EQ(third.settings().demoMode, 1);
  EXPECT_EQ(prompts_.asked.size(), notices);
}

TEST_F(WindowTest, ARunStoppedBeforeItsFirstSampleLeavesThePreviousRunToSave) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);  // chamber I selected; no device, so no reading comes
  Click(*dlg, ctl::kStart);
  Click(*dlg, ctl::kStop);
  prompts_.filePaths.push_back(folder_ / "again.cv3");
  Click(*dlg, ctl::kSaveMeasurement);
  const std::string saved = ReadFile("again.cv3");
  EXPECT_TRUE(saved.starts_with("AnzahlMesswerte=15\r\n")) << saved.substr(0, 40);
  EXPECT_EQ(saved, ReadFile("run.cv3"));
}

// A measurement that could not be saved is named with the reason.
TEST_F(WindowTest, AMeasurementThatCannotBeSavedIsNamedWithTheReason) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  const size_t asked = prompts_.asked.size();
  prompts_.filePaths.push_back(folder_ / "missing/run.cv3");
  Click(*dlg, ctl::kSaveMeasurement);
  ASSERT_EQ(prompts_.asked.size(), asked + 1);
  EXPECT_EQ(prompts_.asked.back(), "The file " + (folder_ / "missing/run.cv3") +
                                       " could not be written: No such file or directory.");
}

TEST_F(WindowTest, SettingsAtTheEdgesOfTheirNumbersOpenDrawAndConfirm) {
  std::string ini;
  for (const char* key : {"Temperatur", "MaxDruck", "Messabstand", "Zeitanzeige", "Kalibrierwert",
                          "Korrekturwert", "COM", "Einheit"})
    ini += std::string(key) + "=-2147483648\r\n";
  ini += "UmreFaktor1=-2147483648\r\nUmreFaktor2=1e39\r\n";
  WriteIni(ini);
  auto dlg = Open();
  WindowProbe probe(*dlg);
  EXPECT_EQ(probe.unitName(), "mbar");
  EXPECT_EQ(probe.station().m_settings.m_temperature, 25);
  EXPECT_EQ(probe.station().m_link.commands.m_calibrationValue, 210);
  EXPECT_EQ(probe.settings().factors.factor1, 210.0f);
  EXPECT_EQ(probe.settings().factors.factor2, 8.23f);
  EXPECT_EQ(static_cast<QComboBox*>(dlg->Control(ctl::kPort))->currentIndex(), -1);
  for (int i = 0; i < 3; ++i) probe.Tick();
  dlg->grab();
  Click(*dlg, ctl::kConfigurationView);
  Click(*dlg, ctl::kAnalysisView);
  EXPECT_TRUE(prompts_.asked.empty());
  dlg->close();
}

TEST_F(WindowTest, EnterAndEscapeLeaveTheWindowOpen) {
  auto dlg = Open();
  for (QWidget* target : {static_cast<QWidget*>(dlg.get()), dlg->Control(ctl::kStepHours),
                          dlg->Control(ctl::kStart)}) {
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(target, &press);
    }
  }
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->result(), 0);
}

TEST_F(WindowTest, SavingARunAddsItsAnalysisRowAndTheTableIsEdited) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  SaveRecordedRun(*dlg);
  ReportList* list = probe.List(ctl::kAnalysisTable);
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->Text(0, 0), "run");
  EXPECT_EQ(list->Text(0, 1), "06.12.2026");
  EXPECT_EQ(list->Text(0, 3), "1");
  EXPECT_EQ(list->Text(0, 10), "---");
  // The regression rates follow the eleven: the rise region 14, 18, 22 at 12..16 s.
  EXPECT_EQ(list->model()->columnCount(), kAnalysisTableColumns);
  EXPECT_EQ(list->Text(0, 11), "2 mbar/s");
  EXPECT_TRUE(prompts_.asked.empty());
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_TRUE(dlg->Control(ctl::kAddAnalysisRows)->isVisible());  // a chamber has a name now

  ClickRow(*dlg, ctl::kAnalysisTable, 0);
  EXPECT_EQ(list->Text(0, 10), "1");
  // The group reaches the working file at once.
  // The group is the row's twelfth line: 2 head lines, then 12 per row.
  std::istringstream working(ReadFile("auswertung.tmp"));
  std::string line;
  for (int i = 0; i < 14; ++i) std::getline(working, line);
  EXPECT_EQ(line, "1\r");

  const std::string saved = folder_ / "table.cva";
  prompts_.filePaths.push_back(saved);
  Click(*dlg, ctl::kSaveAnalysis);
  EXPECT_TRUE(fs::exists(saved));
  EXPECT_FALSE(probe.analysisTable().Dirty());

  Click(*dlg, ctl::kAnalysisView);
  prompts_.answers = {false};
  Click(*dlg, ctl::kDeleteRow);
  EXPECT_EQ(list->rowCount(), 1);
  prompts_.answers = {true};
  Click(*dlg, ctl::kDeleteRow);
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_TRUE(probe.analysisTable().Dirty());

  prompts_.answers = {true, false};  // delete the table, do not save it
  Click(*dlg, ctl::kNewTable);
  EXPECT_FALSE(fs::exists(folder_.Path() / "auswertung.tmp"));
  prompts_.filePaths.push_back(saved);
  Click(*dlg, ctl::kLoadAnalysis);
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->Text(0, 10), "1");
  EXPECT_EQ(probe.analysisTable().DiagramGroupMax(), 1);
}

TEST_F(WindowTest, TheAnalysisViewDrawsTheDiagramsAndPrintsTheReport) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  SaveRecordedRun(*dlg);
  ASSERT_EQ(probe.List(ctl::kAnalysisTable)->rowCount(), 1);
  ClickRow(*dlg, ctl::kAnalysisTable, 0);
  Click(*dlg, ctl::kAnalysisView);
  EXPECT_TRUE(probe.DrawAnalysisDiagrams());
  // The diagrams stand inside the window.
  EXPECT_GE(dlg->height(), 650);

  const QString pdf = QString::fromStdString(folder_ / "report.pdf");
  QPdfWriter writer(pdf);
  EXPECT_TRUE(probe.PrintReportTo(writer));
  EXPECT_GT(fs::file_size(folder_.Path() / "report.pdf"), 1000u);
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_FALSE(probe.DrawAnalysisDiagrams());
}

TEST_F(WindowTest, DraggingAlongACurveMeasuresItsSlope) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  probe.station().m_settings.m_sampleInterval = 10;
  probe.station().m_chamber[1].Access([](ChamberRecord& r) {
    for (int k = 0; k < 30; ++k) AppendSample(r, 100.0f + 2.0f * k, 25.0f, 0, LocalTime{}, 10 * k);
  });
  probe.RefreshView();
  dlg->grab();  // draws the chart, which lays out the plot
  const PixelRect plot = probe.plotRect();
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
  EXPECT_FLOAT_EQ(probe.selSlope(), 0.2f);  // 2 mbar every 10 s, dragged right to left
  EXPECT_EQ(probe.selStart(), 5);
  EXPECT_EQ(probe.selEnd(), 20);
  EXPECT_EQ(probe.selChamber(), 1);

  // Releasing off the curve leaves no slope.
  send(QEvent::MouseButtonPress, at(5));
  send(QEvent::MouseButtonRelease, at(5) + QPointF(0, -40));
  EXPECT_EQ(probe.selSlope(), kNoValue);
}

TEST_F(WindowTest, ValueListsShowEverySampleOnceWhateverTheOrderOfRefillAndSampler) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  ReportList* list = probe.List(ctl::kValues1);
  auto append = [&](int k) {
    probe.station().m_chamber[0].Access([k](ChamberRecord& r) {
      AppendSample(r, 100.0f + static_cast<float>(k), 25.0f, 0, LocalTime{}, 5 * k);
    });
    // The sampler tells the window after the append; the event waits in the queue.
    probe.samplingEvents().SampleListed(0, k, ListedSample{5 * k, 100.0f + k, 1, false});
  };
  for (int k = 0; k < 3; ++k) append(k);
  QApplication::processEvents();
  ASSERT_EQ(list->rowCount(), 3);
  append(3);
  // A refill (the normalisation button) runs before the sampler's event.
  Click(*dlg, ctl::kChamberSelect1);
  Click(*dlg, ctl::kNormalise);
  QApplication::processEvents();
  ASSERT_EQ(list->rowCount(), 4);
  EXPECT_EQ(list->Text(3, 0), "00:00:15");
  EXPECT_EQ(list->Text(3, 1), " 3.0");  // 103 minus the lowest pressure, 100
  Click(*dlg, ctl::kNormalise);
  EXPECT_EQ(list->Text(3, 1), "103.0");
}

// Scrolling a value list and the ticks of an idle station repaint the view
// from the kept chart; only a new sample draws it again.
TEST_F(WindowTest, ScrollingAValueListDrawsTheChartNoMore) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  probe.station().m_chamber[0].Access([](ChamberRecord& r) {
    for (int k = 0; k < 3000; ++k)
      AppendSample(r, 100.0f + static_cast<float>(k % 50), 25.0f, 0, LocalTime{}, 5 * k);
  });
  probe.FillValueList(0);
  probe.Tick();
  QApplication::processEvents();
  const int64_t paints = probe.chartPaints();
  const int64_t draws = probe.chartDraws();
  ASSERT_GT(draws, 0);
  ReportList* list = probe.List(ctl::kValues1);
  list->setFocus();
  for (int step = 0; step < 100; ++step) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(list, &press);
    if (step % 3 == 0) probe.Tick();
    QApplication::processEvents();
  }
  EXPECT_GT(probe.chartPaints(), paints + 30);  // the view was repainted
  EXPECT_EQ(probe.chartDraws(), draws);         // from the kept picture
  probe.station().m_chamber[0].Access(
      [](ChamberRecord& r) { AppendSample(r, 120.0f, 25.0f, 0, LocalTime{}, 15000); });
  probe.Tick();
  QApplication::processEvents();
  EXPECT_EQ(probe.chartDraws(), draws + 1);
}

TEST_F(WindowTest, ClosingOffersToSaveAChangedTable) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  ASSERT_TRUE(fs::exists(folder_.Path() / "auswertung.tmp"));
  prompts_.answers = {true};
  prompts_.filePaths.push_back(folder_ / "table.xls");
  dlg->close();
  EXPECT_EQ(prompts_.asked.back(), "Save the analysis?");
  EXPECT_TRUE(fs::exists(folder_.Path() / "table.xls"));
  EXPECT_FALSE(fs::exists(folder_.Path() / "auswertung.tmp"));  // saved: the working file goes
}

// SIGTERM or SIGINT: nothing asks, the changed table stays in its working file
// (offered at the next start's end) and a settings file that cannot be written
// is reported on standard error.
TEST_F(WindowTest, ClosingByASignalAsksNothingAndKeepsTheTable) {
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  const size_t asked = prompts_.asked.size();
  fs::create_directory(folder_.Path() / "Corvala.ini");
  ::testing::internal::CaptureStderr();
  dlg->CloseBySignal();
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(prompts_.asked.size(), asked);
  EXPECT_NE(errors.find("corvala3: The file " + (folder_ / "Corvala.ini") +
                        " could not be written: Is a directory."),
            std::string::npos)
      << errors;
  EXPECT_TRUE(fs::exists(folder_.Path() / "auswertung.tmp"));
  dlg.reset();

  fs::remove(folder_.Path() / "Corvala.ini");
  auto again = Open();
  ASSERT_EQ(WindowProbe(*again).List(ctl::kAnalysisTable)->rowCount(), 1);
  prompts_.answers = {false};
  again->close();
  EXPECT_EQ(prompts_.asked.back(), "Save the analysis?");
}

// A run that was not saved comes back at the next start when the user wants it.
TEST_F(WindowTest, AnUnsavedRunIsOfferedAtTheNextStart) {
  ChamberRecord run;
  run.runUnit = 2;
  for (int k = 0; k < 5; ++k)
    AppendSample(run, 8.0f + 0.25f * static_cast<float>(k), 25.0f, k > 2 ? 1 : 0,
                 LocalTime{2026, 1, 2, 3, 4, 5 + k}, k);
  ASSERT_TRUE(WriteFileAtomically(folder_ / "Kammer3.journal", FormatJournal(run)).Ok());
  WriteIni("Temperatur=30\r\n");
  prompts_.answers = {true};
  auto dlg = Open();
  WindowProbe probe(*dlg);
  // Switching to the run's unit keeps every other setting.
  EXPECT_EQ(EditText(*dlg, ctl::kSetPoint), "30");
  EXPECT_EQ(probe.station().m_link.m_temperatureShown, 30);
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"The measurement of Chamber III (5 samples, "
                                                     "started 02.01.2026 03:04:05) was not "
                                                     "saved. Restore it?"});
  EXPECT_EQ(probe.station().m_chamber[2].Snapshot().series, run.series);
  EXPECT_EQ(probe.unitName(), "mg/l");
  ASSERT_EQ(probe.List(ctl::kValues3)->rowCount(), 5);
  EXPECT_EQ(probe.List(ctl::kValues3)->Text(4, 1), "9.00");
  EXPECT_EQ(probe.List(ctl::kValues3)->Text(4, 2), "on");
  dlg->close();  // not saved: the journal stays
  dlg.reset();

  prompts_.asked.clear();
  prompts_.answers = {false};
  auto again = Open();
  EXPECT_EQ(prompts_.asked.size(), 1u);
  EXPECT_FALSE(fs::exists(folder_.Path() / "Kammer3.journal"));
  EXPECT_TRUE(WindowProbe(*again).station().m_chamber[2].Snapshot().series.Empty());
}

TEST_F(WindowTest, AnUnwritableFolderAskedForIsNamedAndItsSettingsAndJournalsOffered) {
  const testing::TempFolder asked;
  ChamberRecord run;
  for (int k = 0; k < 3; ++k)
    AppendSample(run, 100.0f, 25.0f, 0, LocalTime{2026, 1, 2, 3, 4, 5 + k}, k);
  ASSERT_TRUE(WriteFileAtomically(asked / "Kammer2.journal", FormatJournal(run)).Ok());
  ASSERT_TRUE(WriteFileAtomically(asked / "Corvala.ini", "Temperatur=31\r\n").Ok());
  StationOptions options = testing::WindowAloneIn(folder_.Path());
  options.unwritableFolder = asked.Path().string();
  prompts_.answers = {true};
  auto dlg = std::make_unique<CMeasureDlg>(options, &prompts_);
  ASSERT_EQ(prompts_.asked.size(), 2u);
  EXPECT_EQ(prompts_.asked[0], "The data folder " + asked.Path().string() +
                                   " cannot be written. Its settings and unsaved measurements "
                                   "are read from there; settings, the analysis table and new "
                                   "measurements are kept in " +
                                   folder_.Path().string() + ".");
  EXPECT_EQ(EditText(*dlg, ctl::kSetPoint), "31");
  EXPECT_EQ(WindowProbe(*dlg).station().m_chamber[1].Snapshot().series, run.series);
}

TEST_F(WindowTest, RestoredRowsAreOfferedForSavingAtEveryCloseUntilSaved) {
  fs::copy_file(testing::DataPath("analysis.cva"), folder_.Path() / "auswertung.tmp");
  auto dlg = Open();
  ASSERT_EQ(WindowProbe(*dlg).List(ctl::kAnalysisTable)->rowCount(), 2);
  prompts_.answers = {true};  // Yes, and the save dialog is cancelled
  dlg->close();
  EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Save the analysis?"});
  EXPECT_EQ(ReadFile("auswertung.tmp"), DataBytes("analysis.cva"));
  dlg.reset();

  auto again = Open();
  ASSERT_EQ(WindowProbe(*again).List(ctl::kAnalysisTable)->rowCount(), 2);
  prompts_.answers = {true};
  again->close();
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"Save the analysis?", "Save the analysis?"}));
  EXPECT_EQ(ReadFile("auswertung.tmp"), DataBytes("analysis.cva"));
}

TEST_F(WindowTest, AWorkingFileThatCannotBeWrittenIsShownOnceAndRetried) {
  fs::create_directory(folder_.Path() / "auswertung.tmp");  // a folder in its place
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  ASSERT_EQ(WindowProbe(*dlg).List(ctl::kAnalysisTable)->rowCount(), 1);
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_NE(prompts_.asked[0].find("auswertung.tmp could not be written"), std::string::npos)
      << prompts_.asked[0];
  ClickRow(*dlg, ctl::kAnalysisTable, 0);  // the next change tries again, without a new notice
  EXPECT_EQ(prompts_.asked.size(), 1u);
  fs::remove(folder_.Path() / "auswertung.tmp");
  ClickRow(*dlg, ctl::kAnalysisTable, 0);
  EXPECT_TRUE(ReadFile("auswertung.tmp").starts_with("1\r\n1\r\nrun\r\n"));
  EXPECT_EQ(prompts_.asked.size(), 1u);
  prompts_.answers = {false};
}

TEST_F(WindowTest, DiagramRadioButtonsKeepShowingWhatTheDiagramsShow) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  SaveRecordedRun(*dlg);
  Click(*dlg, ctl::kAnalysisView);
  Click(*dlg, ctl::kRightKphA);
  Click(*dlg, ctl::kLeftDelay1);
  ASSERT_EQ(probe.List(ctl::kAnalysisTable)->rowCount(), 1);
  ClickRow(*dlg, ctl::kAnalysisTable, 0);  // pushes every value to the controls
  auto checked = [&](int id) {
    return static_cast<QAbstractButton*>(dlg->Control(id))->isChecked();
  };
  EXPECT_TRUE(checked(ctl::kRightKphA));
  EXPECT_TRUE(checked(ctl::kLeftDelay1));
  EXPECT_EQ(probe.diagramRight(), kQuantityKphA);
  EXPECT_EQ(probe.diagramLeft(), kQuantityDelay1);
  prompts_.answers = {false};
}

TEST_F(WindowTest, HandEditedExtremeSettingsOpenTickDrawAndScroll) {
  // Numbers no slider or list can show are taken as read; the arithmetic on
  // them must not overflow (the sanitizer build of the tests checks it).
  WriteIni(
      "Zeitanzeige=-2147483648\r\nMaxDruck=-2147483648\r\nMessabstand=2147483647\r\n"
      "Einheit=-2147483648\r\nCOM=-2147483648\r\n");
  auto dlg = Open();
  WindowProbe probe(*dlg);
  EXPECT_EQ(probe.settings().maxTime, INT32_MIN);
  probe.station().m_chamber[0].Access([](ChamberRecord& r) {
    for (int k = 0; k < 30; ++k) AppendSample(r, 100.0f + 2.0f * k, 25.0f, 0, LocalTime{}, 10 * k);
  });
  probe.Tick();
  // The run reaches far beyond the (negative) window: the scroll bar ends
  // where its position in seconds still fits.
  auto* scroll = static_cast<QSlider*>(dlg->Control(ctl::kTimeScroll));
  EXPECT_EQ(scroll->maximum(), INT32_MAX / 60);
  scroll->setValue(scroll->maximum());
  probe.Tick();
  dlg->grab();
}

// Pictures of the three views for the README and for looking at, when asked for.
TEST_F(WindowTest, ScreenshotsWhenRequested) {
  const char* dir = std::getenv("CORVALA_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "set CORVALA_SHOT_DIR to write screenshots";
  auto dlg = Open();
  SaveRecordedRun(*dlg);
  ClickRow(*dlg, ctl::kAnalysisTable, 0);
  Click(*dlg, ctl::kShowAll);
  WindowProbe(*dlg).RefreshView();
  const int views[] = {ctl::kMeasurementView, ctl::kConfigurationView, ctl::kAnalysisView};
  for (int n = 0; n < 3; ++n) {
    if (n > 0) Click(*dlg, views[n]);
    QApplication::processEvents();
    dlg->grab().save(QString("%1/view%2.png").arg(dir).arg(n + 1));
  }
}

// The rates on the chart and in the table (set CORVALA_SHOT_DIR): a noisy day
// run in chamber I analysed with all markers, chamber II its blank.
TEST_F(WindowTest, RateScreenshotsWhenRequested) {
  const char* dir = std::getenv("CORVALA_SHOT_DIR");
  if (dir == nullptr) GTEST_SKIP() << "set CORVALA_SHOT_DIR to write screenshots";
  auto dlg = Open();
  WindowProbe probe(*dlg);
  probe.rateSettings().blankChamber = 1;
  probe.rateSettings().chambers[0] = ChamberOxygen{OxygenSettings{250.0, 2.5}, "g FW"};
  for (const auto& [select, file] : {std::pair{ctl::kChamberSelect2, "rates/blank.cv3"},
                                     std::pair{ctl::kChamberSelect1, "rates/noisy.cv3"}}) {
    Click(*dlg, select);
    prompts_.filePaths.push_back(testing::DataPath(file));
    Click(*dlg, ctl::kLoadMeasurement);
    Click(*dlg, select);
  }
  Click(*dlg, ctl::kChamberSelect1);
  Click(*dlg, ctl::kAddAnalysisRows);
  Click(*dlg, ctl::kConfigurationView);
  qobject_cast<QSlider*>(dlg->Control(ctl::kMaxTimeBar))->setValue(5);  // 35 minutes
  Click(*dlg, ctl::kMeasurementView);
  Click(*dlg, ctl::kShowAll);
  probe.Tick();
  probe.RefreshView();
  QApplication::processEvents();
  dlg->grab().save(QString("%1/i20-labels.png").arg(dir));
  Click(*dlg, ctl::kAnalysisView);
  ReportList* list = probe.List(ctl::kAnalysisTable);
  // The rate columns from the left edge on.
  list->scrollTo(list->model()->index(0, kAnalysisTableColumns - 1));
  list->scrollTo(list->model()->index(0, kRateListFirstColumn));
  QApplication::processEvents();
  dlg->grab().save(QString("%1/i20-table.png").arg(dir));
}

}  // namespace
}  // namespace corvala

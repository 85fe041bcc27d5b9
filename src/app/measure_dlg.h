#pragma once
// The station's main window. It owns the shared station state, the settings
// values, the program and the widgets; every handler takes the values from the
// controls, calls the core logic and puts the results back on the widgets.

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/range_selection.h"
#include "app/control_table.h"
#include "app/prompts.h"
#include "app/settings_file.h"
#include "chart/chart_model.h"
#include "device/apply_unit.h"
#include "device/port_names.h"
#include "files/spreadsheet_export.h"
#include "run/clock.h"
#include "run/station.h"

class QAbstractButton;
class QPagedPaintDevice;
class QButtonGroup;
class QComboBox;
class QLabel;
class QSlider;

namespace corvala {

class ReportList;
class SamplingThread;
class SerialLink;

struct StationOptions {
  std::string dataFolder;        // where Corvala.ini and the working file live
  PortNames ports;               // the device path of each port number
  bool startThreads = true;      // tests that drive the window alone leave the workers off
  const Clock* clock = nullptr;  // the sampling thread's clock; the system clock when null
};

class CMeasureDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMeasureDlg(StationOptions options, Prompts* prompts = nullptr,
                       QWidget* parent = nullptr);
  ~CMeasureDlg() override;

  // The widget of a control id (every control of the table exists).
  QWidget* Control(int id) const;
  ReportList* List(int id) const;
  // The picture currently set on a picture button, 0 when none.
  int PictureOf(int id) const;

  // Exchanges the listed members with their controls: true reads the controls.
  void UpdateData(bool saveAndValidate);
  void ShowViewControls();
  // The chart area of the client size, and the plot rectangle inside it.
  ChartArea ChartRect() const { return m_chart; }
  PixelRect PlotRect() const { return m_plot; }
  // Redraws the measurement view; false outside it.
  bool RefreshView();
  const std::string& AppFolder() const { return m_appFolder; }
  std::string SettingsPath() const;

  // Handlers (public so that tests and the command-line wiring can drive them).
  void OnViewMeasurement();              // 1053
  void OnViewAnalysis();                 // 1093
  void OnViewConfiguration();            // 1054
  void OnChamberSelect(int chamber);     // 1035..1037
  void OnChamberShow(int chamber);       // 1043..1045
  void InsertProgramStep();              // 1027
  void DeleteProgramStep();              // 1032
  void ConfirmConfiguration();           // 1049
  void OnTemperatureDown();              // 1005 "-"
  void OnTemperatureUp();                // 1006 "+"
  void OnIntervalDown();                 // 1016 "-"
  void OnIntervalUp();                   // 1015 "+"
  void OnStart();                        // 1021
  void OnStop();                         // 1022
  void OnLight();                        // 1024
  void OnCalibration();                  // 1023
  void OnStart2();                       // 1012 (hidden)
  void OnStart3();                       // 1013 (hidden)
  void OnCommand1002();                  // command 1002 (no control)
  void SaveMeasurementFiles();           // 1041
  void LoadMeasurementFile();            // 1042
  void OnAddAnalysisRows();              // 1112
  void OnRunAnalysis();                  // 1086
  void OnToggleMarker(uint8_t& toggle);  // 1087 "D", 1088 "M", 1089 "S", 1090 "R"
  void OnToggleAll();                    // 1091 "A"
  void ToggleNormalisation();            // 1077 "No"
  void DeleteAnalysisRow();              // 1102 "Zeile löschen"
  void ClearAnalysisTable();             // 1103 "Neu"
  void CycleDiagramGroup();              // click on list 1094
  void LoadAnalysisFile();               // 1047
  void SaveAnalysisFile();               // 1046
  void ExportMeasurement();              // 1076 "Ex"
  // 1104 "speichern", 1113 "Ex" and the Yes to "Save the analysis?"; true when written.
  bool SaveAnalysisToSpreadsheet();
  // At the end of the program and after "Neu": offers to save a changed table,
  // then removes the working file.
  void CloseAnalysisStore();
  void OnDiagramQuantity(bool left, int32_t quantity);  // radio buttons 1116..1127, 1134, 1135
  bool DrawAnalysisDiagrams();
  void OnPrint();  // 1137 "Drucken"
  // Prints the report's two pages on a printer or PDF writer; false when it failed.
  bool PrintReportTo(QPagedPaintDevice& device);
  bool FillValueList(int chamber);
  // Adds the analysis row of a chamber and shows it in list 1094.
  bool AddAnalysisRow(int chamber, const std::string& name);
  bool RunAnalysis();
  // Switches the display unit (toggle) or takes the configured one; returns true.
  bool ApplyUnit(bool toggle);
  // The time scroll bar's range follows the longest run shown.
  void UpdateTimeScrollRange();
  void ShowLiveReadings();
  std::string WorkingFilePath() const;
  void OnAbout();
  // The 250 ms display tick.
  void OnTimer();
  // Shutdown in order: analysis table, settings, threads, program. Runs once.
  void OnDestroy();

  // State. The station is shared with the worker threads.
  Station m_station;
  int32_t m_view = 1;
  std::array<uint8_t, 3> m_chamberSelected{0, 0, 0};
  std::array<uint8_t, 3> m_chamberShown{1, 1, 1};
  std::array<int32_t, 4> m_savedPlacement{0, 0, 0, 0};

  // Settings values that only the window uses (the others live in m_station).
  int32_t m_maxTime = 450;
  int32_t m_correctionTime = 0;
  uint8_t m_correctionOn = 0;
  uint8_t m_comma = 1;
  uint8_t m_beep = 0;
  int32_t m_demoMode = 0;
  float m_factor1 = 210.0f;
  float m_factor2 = 8.23f;
  float m_factor1Entered = 210.0f;
  float m_factor2Entered = 8.23f;
  std::string m_unitName = "mbar";

  // Values exchanged with the controls.
  QString m_stepHoursText, m_stepMinutesText, m_stepSecondsText;
  bool m_stepLight = false;
  bool m_stepStop = false;
  QString m_calibrationText;
  QString m_factor1Text, m_factor2Text;
  bool m_commaCheck = true;
  bool m_signalCheck = false;
  int32_t m_edit1073 = 0;
  int32_t m_diagramQuantity = 0;
  int32_t m_diagramRadio2 = 1;
  int32_t m_diagramLeft = 0;   // quantity code of the left diagram (Respiration)
  int32_t m_diagramRight = 1;  // of the right one (Slope)

  // Window members of other areas, with their start values.
  uint8_t m_showDelay = 0, m_showSlope = 0, m_showResp = 0, m_showMax = 0, m_showAll = 0;
  AnalysisTable m_analysis;  // with m_analysisDirty and m_diagramGroupMax
  float m_selSlope = kNoValue;
  float m_hoverValue = kNoValue;
  int32_t m_mouseX = 0, m_mouseY = 0;
  int32_t m_selDragX = 0, m_selDragY = 0;
  std::array<int32_t, 4> m_selPoints{0, 0, 0, 0};
  int32_t m_selStart = -1, m_selEnd = -1, m_selChamber = -1, m_selChamberHit = -1;
  int32_t m_hoverSample = -1;
  int32_t m_hoverChamber = -1;
  uint8_t m_selDragging = 0;
  int32_t m_corrDragX = -1;
  int32_t m_timeOffset = 0;
  int32_t m_timeSpan = 450;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnInitDialog();
  void CreateControls();
  void CreateListColumns();
  void ConnectHandlers();
  void SetPicture(int id, int pictureId);
  QRect DialogUnitsToPixels(int x, int y, int width, int height) const;
  void ReadSettings();
  void WriteSettings();
  Settings CollectSettings() const;
  void ApplySettings(const Settings& settings);
  void AddProgramRow(const ProgramStep& step);
  void SetWindowRect(const std::array<int32_t, 4>& rect);
  // Leaving the configuration view takes its values and gives the window its size back.
  void LeaveConfigurationView();
  std::array<int32_t, 4> WindowRect() const;
  void StartWorkers();
  void StopWorkers();
  void HideMeasuringLabels(const std::array<bool, 3>& hide);
  void ShowAnalysisRow(size_t row);
  void ShowAnalysisTable();
  void WriteWorkingFile();
  class SamplingEvents;

  template <class T>
  T* As(int id) const {
    return static_cast<T*>(Control(id));
  }

  StationOptions options_;
  std::unique_ptr<Prompts> ownedPrompts_;
  Prompts* prompts_ = nullptr;
  std::string m_appFolder;
  std::map<int, QWidget*> controls_;
  std::map<int, int> pictures_;
  QButtonGroup* leftDiagramGroup_ = nullptr;
  QButtonGroup* rightDiagramGroup_ = nullptr;
  QTimer* m_timer = nullptr;
  SystemClock systemClock_;
  std::unique_ptr<SamplingEvents> samplingEvents_;
  std::unique_ptr<SerialLink> m_serialThread;
  std::unique_ptr<SamplingThread> m_samplingThread;
  // Display tick: the link check and what the tick showed last.
  int32_t m_linkTimerMs = 0;
  uint8_t m_linkAlive = 0;
  uint8_t m_linkShown = 0;
  struct TickMemory {
    float deviceTemperature = 0.0f;
    int32_t channels = 0;
    std::array<float, 3> readings{0.0f, 0.0f, 0.0f};
    int blink = 0;
    int pressurePosition = 0;  // trackbars as last seen
    int timePosition = 0;
    int scrollPosition = 0;
    int32_t unit = -1;
    std::optional<int32_t> chartTop;
  } tick_;
  UnitApplier unitApplier_;
  QImage diagramLeft_, diagramRight_;
  ChartView MakeChartView() const;
  ExportOptions MakeExportOptions() const;
  SelectionGeometry MakeSelectionGeometry() const;
  PixelRect m_plot;           // plot rectangle of the last chart drawn (m_chartLeft..m_chartBottom)
  ChartGeometry chartDrawn_;  // what the last drawing left: correction handle
  LastPointMemory lastPoint_;    // the analysis view's two diagrams, redrawn every tick
  int32_t lastTemperature_ = 0;  // the set point last handed over by a confirmation
  ChartArea m_chart{0, 0, 0, 0};
  int baseUnitX_ = 6;
  int baseUnitY_ = 13;
  bool destroyed_ = false;
};

}  // namespace corvala

#pragma once
// The station's main window. It owns the shared station state and the widgets;
// every handler takes the values from the controls, calls the station's rules
// and workflows and puts the results back on the widgets.

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/range_selection.h"
#include "analysis/rate_settings.h"
#include "app/control_table.h"
#include "chart/chart_draw.h"
#include "chart/chart_model.h"
#include "device/port_names.h"
#include "files/spreadsheet_export.h"
#include "run/station.h"
#include "station/analysis_store.h"
#include "station/configuration.h"
#include "station/display_tick.h"
#include "station/measurement_io.h"
#include "station/prompts.h"
#include "station/station_settings.h"
#include "util/clock.h"

class QButtonGroup;
class QLabel;
class QMouseEvent;
class QPainter;
class QScrollArea;
class QPagedPaintDevice;
class QTimer;

namespace corvala {

class ReportList;
class ViewCanvas;
class ValueListModel;
class WindowQueue;
class SamplingThread;
class SerialLink;
class WindowProbe;

struct StationOptions {
  std::string dataFolder;        // where Corvala.ini and the working file live
  PortNames ports;               // the device path of each port number
  bool startThreads = true;      // tests that drive the window alone leave the workers off
  const Clock* clock = nullptr;  // the sampling thread's clock; the system clock when null
  // The serial adapters the system has; the real list when empty.
  std::function<std::vector<SerialAdapter>()> listAdapters;
  // The data folder asked for when it could not be written (dataFolder is then
  // the per-user folder): the window names it, and its settings and journals
  // are still read and offered.
  std::string unwritableFolder;
};

class CMeasureDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMeasureDlg(StationOptions options, Prompts* prompts = nullptr,
                       QWidget* parent = nullptr);
  ~CMeasureDlg() override;

  // The widget of a control id (every control of the table exists).
  QWidget* Control(int id) const;

  // Runs what the worker threads have handed over (see WindowQueue).
  Q_INVOKABLE void DrainWorkerQueue();
  // The picture currently set on a picture button, 0 when none.
  int PictureOf(int id) const;
  // SIGTERM or SIGINT ends the program: the window closes without asking
  // anything; changed tables and unsaved runs stay in their working files and
  // journals, and failures go to standard error.
  void CloseBySignal();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class WindowProbe;
  class SamplingEvents;

  // The widgets made from the control table.
  struct Widgets {
    std::map<int, QWidget*> controls;
    std::map<int, int> pictures;  // picture shown on each picture button
    QButtonGroup* leftDiagram = nullptr;
    QButtonGroup* rightDiagram = nullptr;
    QTimer* timer = nullptr;
    // Beside the live values: the device reports a unit other than the one in force.
    QLabel* unitNotice = nullptr;
    QScrollArea* scrollArea = nullptr;  // fills the window, scrolls the canvas
    ViewCanvas* canvas = nullptr;       // holds the controls, the chart and the diagrams
    bool fitted = false;                // fitted to the screen once shown
    int baseUnitX = 6;                  // dialog base units in pixels
    int baseUnitY = 13;
  };
  // The values exchanged with the controls by UpdateData.
  struct Entries {
    QString stepHours, stepMinutes, stepSeconds;
    bool stepLight = false;
    bool stepStop = false;
    QString calibration;
    QString factor1, factor2;
    bool comma = true;
    bool signal = false;
    int32_t modelDigit = 0;  // edit 1073
    int32_t leftRadio = 0;   // m_diagramQuantity
    int32_t rightRadio = 1;  // m_diagramRadio2
  };
  // The chambers the buttons act on and the chambers the chart shows.
  struct Chambers {
    std::array<uint8_t, 3> selected{0, 0, 0};
    std::array<uint8_t, 3> shown{1, 1, 1};
  };
  // The measurement chart: its span, markers, the mouse on it and what the last
  // drawing left.
  struct ChartState {
    int32_t timeOffset = 0;
    int32_t timeSpan = 450;
    uint8_t showDelay = 0, showSlope = 0, showResp = 0, showMax = 0, showAll = 0;
    float selSlope = kNoValue;
    float hoverValue = kNoValue;
    int32_t mouseX = 0, mouseY = 0;
    int32_t selDragX = 0, selDragY = 0;
    std::array<int32_t, 4> selPoints{0, 0, 0, 0};
    std::optional<RateFit> selFit;  // regression over the selected samples
    int32_t selStart = -1, selEnd = -1, selChamber = -1, selChamberHit = -1;
    int32_t hoverSample = -1, hoverChamber = -1;
    uint8_t selDragging = 0;
    int32_t corrDragX = -1;
    ChartArea area{0, 0, 0, 0};
    PixelRect plot;
    ChartGeometry drawn;
    ChartCache picture;  // the chart as last drawn
  };
  // The analysis view's two diagrams.
  struct Diagrams {
    int32_t left = 0;   // quantity code of the left diagram (Respiration)
    int32_t right = 1;  // of the right one (Slope)
    QImage leftImage, rightImage;
  };
  // What the display tick showed last.
  struct TickMemory {
    LinkCheck link;
    Blinker blink;
    float deviceTemperature = 0.0f;
    int32_t channels = 0;
    std::array<float, 3> readings{0.0f, 0.0f, 0.0f};
    int32_t readingUnit = 0;   // the unit the live readings were shown in
    std::string unitNotice;    // shown beside the live values, empty for none
    int pressurePosition = 0;  // trackbars as last seen
    int timePosition = 0;
    int scrollPosition = 0;
    int32_t unit = -1;
    std::optional<int32_t> chartTop;
    PortStatus port;                // as the serial link reported it last
    std::optional<bool> simulated;  // what the title says
  };
  struct Workers {
    SystemClock systemClock;
    std::unique_ptr<WindowQueue> queue;  // from the worker threads to the window thread
    std::unique_ptr<SamplingEvents> events;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<SamplingThread> sampling;
  };

  // Start-up and shutdown.
  void OnInitDialog();
  QFont SetUpFontAndDialogUnits();
  void CreateCanvasAndControls(const QFont& font);
  void OpenDataFolder();
  void StartDisplayTimer();
  void SetMemberDefaults();
  void RestoreAnalysisTable();
  void ApplyStoredSettings();
  void SetUpChartAndPictures();
  void EnterMeasurementView();
  void NoteUnwritableFolder();
  void StartLink();
  void CreateControls();
  void CreateListColumns();
  void ConnectHandlers();
  void ReadSettings();
  void WriteSettings();
  void StartWorkers();
  void StopWorkers();
  WindowQueue& WorkerQueue();
  void OnDestroy();
  void OnAbout();
  void RestoreJournals();

  // Controls.
  template <class T>
  T* As(int id) const {
    return static_cast<T*>(Control(id));
  }
  ReportList* List(int id) const;
  void SetPicture(int id, int pictureId);
  QRect DialogUnitsToPixels(int x, int y, int width, int height) const;
  // The window within the screen's free area `available`; the canvas in the size of its view.
  void FitToScreen(const QRect& available);
  QSize ContentSize() const;
  void FitCanvas();
  QPoint CanvasPoint(const QMouseEvent* event) const;
  void UpdateData(bool saveAndValidate);
  void ShowViewControls();
  std::array<int32_t, 4> WindowRect() const;
  void SetWindowRect(const std::array<int32_t, 4>& rect);
  std::string SettingsPath() const;

  // Views and chambers (1053, 1093, 1054; 1035..1037; 1043..1045).
  void OnViewMeasurement();
  void OnViewAnalysis();
  void OnViewConfiguration();
  void LeaveConfigurationView();
  void OnChamberSelect(int chamber);
  void OnChamberShow(int chamber);

  // Configuration (1049 and the steppers) and the serial adapters.
  void ConfirmConfiguration();
  std::vector<SerialAdapter> Adapters() const;
  std::string PortsFilePath() const;
  void LoadChosenAdapters();
  void OfferTheOnlyAdapter();
  void FillAdapterList(int comPort);
  void ShowAdapterPath();
  bool TakeChosenAdapter();
  // The rate fields of the configuration view and "Rates.ini".
  std::string RateSettingsPath() const;
  void LoadRateSettings();
  void ShowRateEntries();
  void TakeRateEntries();
  void ShowPortStatus(const PortStatus& status);
  PortStatus PortInForce() const;
  void ShowLinkStatus();
  void AfterUnitSwitch();
  void OnSetPointStep(int direction);
  void OnIntervalStep(int direction);

  // Run control and the program editor.
  void OnStart();
  void OnStop();
  void OnLight();
  void OnCalibration();
  void OnStart2();
  void OnStart3();
  void OnCommand1002();
  void HideMeasuringLabels(const std::array<bool, 3>& hide);
  void InsertProgramStep();
  void AddProgramRow(const ProgramStep& step);
  void DeleteProgramStep();

  // The display tick and the measurement chart.
  void OnTimer();
  void CheckLink();
  void FollowTrackbars();
  void ShowDeviceTemperature();
  void ShowLiveReadings();
  void ShowHoverValue();
  void BlinkMeasuringLabels();
  void FollowChartTop();
  void CheckDeviceUnit();
  void ShowDeviceUnitNotice();
  void ShowChartTop();
  void UpdateTimeScrollRange();
  bool RefreshView();
  void PaintView(QPainter& painter);
  bool FillValueList(int chamber);
  ChartView MakeChartView() const;
  SelectionGeometry MakeSelectionGeometry() const;

  // Measurements, analysis, table, diagrams and report.
  void SaveMeasurementFiles();
  void LoadMeasurementFile();
  MeasurementLoadHooks LoadHooks();
  void ExportMeasurement();
  void ToggleNormalisation();
  bool RunAnalysis();
  void OnToggleMarker(uint8_t& toggle);
  void OnToggleAll();
  bool AddAnalysisRow(int chamber, const std::string& name);
  void OnAddAnalysisRows();
  void ShowAnalysisRow(size_t row);
  void ShowAnalysisTable();
  void DeleteAnalysisRow();
  void ClearAnalysisTable();
  void CycleDiagramGroup();
  void LoadAnalysisFile();
  void SaveAnalysisFile();
  bool SaveAnalysisToSpreadsheet();
  void OnDiagramQuantity(bool left, int32_t quantity);
  bool DrawAnalysisDiagrams();
  void OnPrint();
  bool PrintReportTo(QPagedPaintDevice& device);
  // While an export, a print, a save or a load of measurements runs, their
  // buttons take no second click.
  void SetLongWorkRunning(bool running);
  // Runs a slow step of a save or a load on a thread of its own with the progress dialog.
  SlowStepRunner SlowStepsWithProgress(const QString& label);
  ExportOptions MakeExportOptions() const;
  int32_t Unit() const { return station_.m_units.Unit(); }

  StationOptions options_;
  std::unique_ptr<Prompts> ownedPrompts_;
  std::unique_ptr<SilenceablePrompts> silenceable_;
  Prompts* prompts_ = nullptr;  // silenceable_, in front of the given or owned prompts
  std::string appFolder_;
  Station station_;  // shared with the worker threads
  DisplaySettings settings_;
  StationConfiguration configuration_;
  std::unique_ptr<AnalysisStore> analysis_;
  // Blank chamber, volumes, amounts and window of the regression rates; only
  // the window thread reads and writes them.
  RateSettings rateSettings_;
  std::array<ValueListModel*, 3> valueLists_{};  // owned by the window
  Widgets widgets_;
  Entries entries_;
  Chambers chambers_;
  ChartState chart_;
  Diagrams diagrams_;
  TickMemory tick_;
  Workers workers_;
  View view_ = View::kMeasurement;
  PortStatus portStatus_;  // the link's last report, on the window's thread
  std::array<int32_t, 4> savedPlacement_{0, 0, 0, 0};
  bool destroyed_ = false;
  bool longWorkRunning_ = false;
};

}  // namespace corvala

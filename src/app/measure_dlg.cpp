#include "app/measure_dlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "analysis/diagram.h"

#include "app/about_dlg.h"
#include "app/icons.h"
#include "app/measure_dlg_internal.h"
#include "app/qt_prompts.h"
#include "app/value_list_model.h"
#include "app/view_canvas.h"
#include "app/window_fit.h"
#include "app/window_queue.h"
#include "device/serial_link.h"
#include "run/sampling_thread.h"
#include "station/journal_restore.h"
#include "station/own_files.h"
#include "station/rate_entries.h"
#include "util/c_format.h"
#include "util/file_io.h"
#include "util/time_format.h"

namespace corvala {
namespace {

// Picture of each picture button at start; the chamber buttons follow their state.
const std::map<int, int> kStartPictures = {{ctl::kLight, 163},
                                           {ctl::kMeasurementView, 167},
                                           {ctl::kAnalysisView, 173},
                                           {ctl::kConfigurationView, 168},
                                           {ctl::kSetPointUp, 169},
                                           {ctl::kIntervalUp, 169},
                                           {ctl::kSetPointDown, 170},
                                           {ctl::kIntervalDown, 170},
                                           {ctl::kNormalise, 171},
                                           {ctl::kExportMeasurement, 172},
                                           {ctl::kExportAnalysis, 172},
                                           {ctl::kAddAnalysisRows, 179},
                                           {ctl::kPrint, 180},
                                           {ctl::kDeviceConnection, 151},
                                           {ctl::kSetPointIndicator, 152},
                                           {ctl::kSaveMeasurement, 155},
                                           {ctl::kSaveAnalysis, 155},
                                           {ctl::kLoadMeasurement, 156},
                                           {ctl::kLoadAnalysis, 156},
                                           {ctl::kDeleteRow, 174},
                                           {ctl::kNewTable, 175},
                                           {ctl::kSaveAnalysisWorkbook, 176}};

// The diagram radio buttons, a row per label beside them (top to bottom, the
// order of the radio values): the left and the right button and the quantity
// both show.
struct DiagramRadioRow {
  int left;
  int right;
  int32_t quantity;
};
constexpr DiagramRadioRow kDiagramRadios[] = {
    {ctl::kLeftRespiration, ctl::kRightRespiration, kQuantityRespiration},
    {ctl::kLeftSlope, ctl::kRightSlope, kQuantitySlope},
    {ctl::kLeftKphA, ctl::kRightKphA, kQuantityKphA},
    {ctl::kLeftDelay1, ctl::kRightDelay1, kQuantityDelay1},
    {ctl::kLeftDelay2, ctl::kRightDelay2, kQuantityDelay2},
    {ctl::kLeftMaximumA, ctl::kRightMaximumA, kQuantityMaximumA},
    {ctl::kLeftMaximumM, ctl::kRightMaximumM, kQuantityMaximumM}};
static_assert(std::size(kDiagramRadios) == kDiagramQuantityCount);

}  // namespace

using namespace window;

CMeasureDlg::CMeasureDlg(StationOptions options, Prompts* prompts, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), prompts_(prompts) {
  if (prompts_ == nullptr) {
    ownedPrompts_ = std::make_unique<QtPrompts>(this);
    prompts_ = ownedPrompts_.get();
  }
  silenceable_ = std::make_unique<SilenceablePrompts>(*prompts_);
  prompts_ = silenceable_.get();
  setWindowTitle("Corvala3");
  setAccessibleName("Corvala3");
  OnInitDialog();
}

CMeasureDlg::~CMeasureDlg() {
  qApp->removeEventFilter(this);
  OnDestroy();
}

std::string CMeasureDlg::SettingsPath() const {
  return (std::filesystem::path(appFolder_) / kSettingsFileName).string();
}

QWidget* CMeasureDlg::Control(int id) const {
  const auto found = widgets_.controls.find(id);
  return found == widgets_.controls.end() ? nullptr : found->second;
}

ReportList* CMeasureDlg::List(int id) const {
  return qobject_cast<ReportList*>(Control(id));
}

int CMeasureDlg::PictureOf(int id) const {
  const auto found = widgets_.pictures.find(id);
  return found == widgets_.pictures.end() ? 0 : found->second;
}

void CMeasureDlg::FitToScreen(const QRect& available) {
  // Until the window manager has framed the window (it may do so after the
  // window is shown), a title bar is allowed for.
  QSize frame = frameGeometry().size() - geometry().size();
  if (frame.isNull()) frame = QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const FitSize room{available.width() - frame.width(), available.height() - frame.height()};
  const QSize content = ContentSize();
  const WindowFit fit = FitContent({content.width(), content.height()}, room,
                                   style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  // Small enough for any screen, large enough to see where one is.
  const QSize least = DialogUnitsToPixels(0, 0, 200, 120).size();
  setMinimumSize(least.boundedTo(QSize(room.width, room.height)));
  resize(fit.client.width, fit.client.height);
  if (isVisible()) {
    const auto r = KeepInside(
        WindowRect(), {available.left(), available.top(), available.left() + available.width(),
                       available.top() + available.height()});
    move(r[0], r[1]);
  }
}

QSize CMeasureDlg::ContentSize() const {
  const QSize laidOut = DialogUnitsToPixels(0, 0, kDialogWidthDu, kDialogHeightDu).size();
  if (view_ != View::kConfiguration) return laidOut;
  // The configuration view needs its own controls; a larger window shows more.
  int right = 0, bottom = 0;
  for (const ControlSpec& control : AllControls()) {
    if (control.view != ControlView::kConfiguration) continue;
    right = std::max(right, control.x + control.width);
    bottom = std::max(bottom, control.y + control.height);
  }
  return DialogUnitsToPixels(0, 0, right, bottom)
      .size()
      .expandedTo(widgets_.scrollArea->maximumViewportSize())
      .boundedTo(laidOut);
}

void CMeasureDlg::FitCanvas() {
  const QSize size = ContentSize();
  if (widgets_.canvas->size() != size) widgets_.canvas->resize(size);
  chart_.area = LayoutChart(size.width(), size.height());
}

QPoint CMeasureDlg::CanvasPoint(const QMouseEvent* event) const {
  return widgets_.canvas->mapFrom(this, event->position().toPoint());
}

QRect CMeasureDlg::DialogUnitsToPixels(int x, int y, int width, int height) const {
  auto px = [this](int du) { return (du * widgets_.baseUnitX + 2) / 4; };
  auto py = [this](int du) { return (du * widgets_.baseUnitY + 4) / 8; };
  return QRect(px(x), py(y), px(x + width) - px(x), py(y + height) - py(y));
}

// The start runs in steps; each needs what the ones before it made:
//  - the dialog font fixes the dialog units, by which every control is placed;
//  - the controls come before anything that shows a value in them;
//  - the data folder comes before the working file, the settings and the
//    journals, which are all read from it (half-written files left by a
//    program that ended while writing are cleared away first);
//  - the worker queue and the display timer are made before the steps that may
//    ask the user (the analysis table, the settings, the journals): a prompt
//    runs the event loop, so a tick may come before the start is done;
//  - the member defaults and the list columns come before the analysis table
//    is restored into its list;
//  - the settings come before the chart, the trackbars and the pictures, which
//    show what they hold (time span, chart top, unit, factors);
//  - the window is fitted to the screen once the measurement view is set, as
//    the view decides the size;
//  - the journals are restored with the factors from the settings, into the
//    chambers, before the workers start and use those chambers;
//  - the controls are filled and their handlers connected last, so that
//    filling them sets off no handler.
void CMeasureDlg::OnInitDialog() {
  const QFont font = SetUpFontAndDialogUnits();
  CreateCanvasAndControls(font);
  OpenDataFolder();
  StartDisplayTimer();
  SetMemberDefaults();
  RestoreAnalysisTable();
  ApplyStoredSettings();
  SetUpChartAndPictures();
  EnterMeasurementView();
  NoteUnwritableFolder();
  RestoreJournals();
  StartLink();
  UpdateData(false);
  ShowViewControls();
  ConnectHandlers();
}

// The dialog font and the dialog units that follow from it.
QFont CMeasureDlg::SetUpFontAndDialogUnits() {
  QFont font("Liberation Sans");
  font.setPixelSize(10);
  setFont(font);
  // Group box captions sit on the frame's top line, as the station's users know them.
  setStyleSheet(
      "QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: 0.5em; }"
      "QRadioButton::indicator { width: 10px; height: 10px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
      "QHeaderView::section { padding: 0px 2px; font-family: \"Liberation Sans\"; font-size: 10px; "
      "}");
  const QFontMetrics metrics(font);
  const int alphabet =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  widgets_.baseUnitX = (alphabet / 26 + 1) / 2;
  // The diagrams of the analysis view stand at fixed pixels (down to y = 650),
  // laid out for a 13-pixel dialog line; a shorter line would cut them off.
  widgets_.baseUnitY = std::max(metrics.height(), 13);
  return font;
}

void CMeasureDlg::CreateCanvasAndControls(const QFont& font) {
  // The controls lie on a canvas of the laid-out size in a scroll area that
  // fills the window: a window that the screen cannot hold whole scrolls.
  widgets_.scrollArea = new QScrollArea(this);
  widgets_.scrollArea->setFrameShape(QFrame::NoFrame);
  widgets_.scrollArea->setFocusPolicy(Qt::NoFocus);
  widgets_.scrollArea->setWidgetResizable(false);
  widgets_.canvas = new ViewCanvas;
  widgets_.canvas->paint = [this](QPainter& painter) { PaintView(painter); };
  widgets_.scrollArea->setWidget(widgets_.canvas);
  // Moves of the pointer reach the window through the canvas and the scroll area.
  for (QWidget* w : {static_cast<QWidget*>(widgets_.scrollArea), widgets_.scrollArea->viewport(),
                     static_cast<QWidget*>(widgets_.canvas)})
    w->setMouseTracking(true);
  CreateControls();
  qApp->installEventFilter(this);
  setWindowIcon(QIcon(DrawPicture(167, QSize(32, 32))));

  // Made after the controls, so it lies above them.
  widgets_.unitNotice = new QLabel(widgets_.canvas);
  widgets_.unitNotice->setFont(font);
  widgets_.unitNotice->setGeometry(DialogUnitsToPixels(219, 242, 437, 9));
  widgets_.unitNotice->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
  widgets_.unitNotice->hide();
}

// Program folder: settings, the analysis working file and the journals live here.
void CMeasureDlg::OpenDataFolder() {
  appFolder_ = options_.dataFolder;
  if (!appFolder_.empty()) {
    for (const std::string& removed : RemoveStaleDataFolderFiles(appFolder_))
      std::fprintf(stderr, "corvala3: removed %s, left by a program that ended while writing\n",
                   removed.c_str());
    station_.m_journal.SetFolder(appFolder_);
  }
  analysis_ = std::make_unique<AnalysisStore>(
      (std::filesystem::path(appFolder_) / kWorkingFileName).string(), *prompts_);
}

void CMeasureDlg::StartDisplayTimer() {
  workers_.queue = std::make_unique<WindowQueue>(this);
  widgets_.timer = new QTimer(this);
  widgets_.timer->setInterval(kDisplayTickMs);
  connect(widgets_.timer, &QTimer::timeout, this, &CMeasureDlg::OnTimer);
  widgets_.timer->start();
}

// Member defaults: the station starts with every mailbox idle, the chart
// with no markers and no selection.
void CMeasureDlg::SetMemberDefaults() {
  chart_ = ChartState{};
  entries_.leftRadio = 0;
  entries_.rightRadio = 1;
  As<QSlider>(ctl::kMaxPressureBar)->setRange(0, 100);
  CreateListColumns();
}

// The analysis table survives a crash in its working file.
void CMeasureDlg::RestoreAnalysisTable() {
  if (analysis_->Restore()) ShowAnalysisTable();
}

// The settings file, and what follows from it for the device, the unit and
// the configuration entries.
void CMeasureDlg::ApplyStoredSettings() {
  station_.m_program.FreeProgram();
  ReadSettings();
  LoadChosenAdapters();
  LoadRateSettings();

  entries_.calibration = Qs(Format("%d", station_.m_link.commands.m_calibrationValue.load()));
  station_.m_link.commands.m_calibrationChanged = 0;
  CommandSetPoint(station_.m_link.commands, station_.m_settings.m_temperature.load());

  configuration_.Start(settings_);
  entries_.factor1 = Qs(Format("%3.2f", static_cast<double>(configuration_.Factor1Entered())));
  entries_.factor2 = Qs(Format("%3.2f", static_cast<double>(configuration_.Factor2Entered())));

  const UnitConfig units = station_.m_units.Get();
  // A stored port outside COM1..COM9 shows no selection.
  const bool listedPort = settings_.comPort >= kFirstComPort && settings_.comPort <= kLastComPort;
  As<QComboBox>(ctl::kPort)->setCurrentIndex(listedPort ? settings_.comPort - kFirstComPort : -1);
  As<QComboBox>(ctl::kUnit)->setCurrentIndex(units.unit - 1);
  entries_.comma = settings_.comma != 0;
  entries_.signal = settings_.beep != 0;
  EffectiveFactorsAtStart(station_, settings_);
  station_.m_link.m_temperatureShown = station_.m_settings.m_temperature.load();
}

// The chart's time span and top, their trackbars and edits, and the button pictures.
void CMeasureDlg::SetUpChartAndPictures() {
  const UnitConfig units = station_.m_units.Get();
  chart_.timeOffset = 0;
  chart_.timeSpan = settings_.maxTime;
  As<QSlider>(ctl::kMaxTimeBar)->setRange(0, 58);
  As<QSlider>(ctl::kMaxTimeBar)->setValue(TrackbarOfMaxTime(settings_.maxTime));
  As<QSlider>(ctl::kMaxPressureBar)->setValue(TrackbarOfMaxPressure(units.maxPressure));
  tick_.pressurePosition = As<QSlider>(ctl::kMaxPressureBar)->value();
  tick_.timePosition = As<QSlider>(ctl::kMaxTimeBar)->value();
  ShowChartTop();
  As<QLineEdit>(ctl::kMaxTimeValue)->setText(Qs(FormatHm(settings_.maxTime)));
  As<QSlider>(ctl::kTimeScroll)
      ->setRange(0, TimeScrollMaximum(chart_.timeSpan, settings_.maxTime, chart_.timeOffset));

  for (const auto& [id, picture] : kStartPictures) SetPicture(id, picture);
  for (int c = 0; c < 3; ++c) {
    SetPicture(ctl::kChamberSelect[c],
               chambers_.selected[c] ? kPictureChamberSelected[c] : kPictureChamberUnselected[c]);
    SetPicture(ctl::kChamberShow[c],
               chambers_.shown[c] ? kPictureChamberShown[c] : kPictureChamberHidden[c]);
  }
}

void CMeasureDlg::EnterMeasurementView() {
  view_ = View::kMeasurement;
  FitCanvas();
  FitToScreen(screen()->availableGeometry());
  setMouseTracking(true);
}

void CMeasureDlg::NoteUnwritableFolder() {
  if (!options_.unwritableFolder.empty())
    prompts_->ShowNotice("The data folder " + options_.unwritableFolder +
                         " cannot be written. Its settings and unsaved measurements are read "
                         "from there; settings, the analysis table and new measurements are "
                         "kept in " +
                         appFolder_ + ".");
}

// The serial link and the sampler; tests that drive the window alone leave them off.
void CMeasureDlg::StartLink() {
  tick_.port = PortInForce();
  if (options_.startThreads) {
    OfferTheOnlyAdapter();
    StartWorkers();
  }
  ShowLinkStatus();
}

void CMeasureDlg::CreateControls() {
  QWidget* parent = widgets_.canvas;
  for (const ControlSpec& control : AllControls()) {
    const QString caption =
        QString::fromUtf8(control.caption.data(), static_cast<int>(control.caption.size()));
    QWidget* widget = nullptr;
    QRect rect = DialogUnitsToPixels(control.x, control.y, control.width, control.height);
    switch (control.kind) {
      case ControlKind::kList:
        widget = new ReportList(parent);
        break;
      case ControlKind::kButton: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
      }
      case ControlKind::kPictureButton: {
        auto* button = new QToolButton(parent);
        button->setIconSize(rect.size() - QSize(4, 4));
        button->setToolTip(
            QString::fromUtf8(control.role.data(), static_cast<int>(control.role.size())));
        widget = button;
        break;
      }
      case ControlKind::kEdit:
        widget = new QLineEdit(parent);
        break;
      case ControlKind::kReadOnlyEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(true);
        widget = edit;
        break;
      }
      case ControlKind::kCheckBox:
        widget = new QCheckBox(caption, parent);
        break;
      case ControlKind::kRadio:
        widget = new QRadioButton(parent);
        break;
      case ControlKind::kGroupBox:
        widget = new QGroupBox(caption, parent);
        break;
      case ControlKind::kStatic:
        widget = new QLabel(caption, parent);
        break;
      case ControlKind::kTrackbar:
        widget = new QSlider(Qt::Horizontal, parent);
        break;
      case ControlKind::kComboBox:
        widget = new QComboBox(parent);
        // The template's height is that of the dropped-down list.
        rect.setHeight(DialogUnitsToPixels(0, 0, 0, 12).height());
        break;
    }
    widget->setGeometry(rect);
    // The controls are laid out for the dialog font; under the window's style
    // sheet it does not pass through the scroll area by itself.
    widget->setFont(font());
    widget->setObjectName(QString("control%1").arg(control.id));
    widget->setAccessibleName(QString::fromUtf8(AccessibleName(control).data(),
                                                static_cast<int>(AccessibleName(control).size())));
    // Hidden until something shows them: the never-shown controls, the
    // "measuring" labels (run state) and the analysis-row button (chamber names).
    if (control.view == ControlView::kNever || control.view == ControlView::kRunState ||
        control.id == ctl::kAddAnalysisRows)
      widget->hide();
    widgets_.controls[control.id] = widget;
  }
  // Group boxes lie beneath the controls they frame.
  for (const ControlSpec& control : AllControls())
    if (control.kind == ControlKind::kGroupBox) widgets_.controls[control.id]->lower();

  auto* status = As<QLabel>(ctl::kLinkStatus);
  status->setWordWrap(true);
  status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* port = As<QComboBox>(ctl::kPort);
  for (int n = kFirstComPort; n <= kLastComPort; ++n) port->addItem(QString("COM%1").arg(n));
  auto* unit = As<QComboBox>(ctl::kUnit);
  unit->addItem("mbar");
  unit->addItem("mg/l");
  auto* blank = As<QComboBox>(ctl::kBlankChamber);
  for (const char* choice : kBlankChoices) blank->addItem(choice);
  for (int c = 0; c < 3; ++c) As<QLineEdit>(ctl::kAmountUnit[c])->setPlaceholderText("e.g. g FW");
  As<QLineEdit>(ctl::kRateWindow)->setPlaceholderText("auto");

  widgets_.leftDiagram = new QButtonGroup(this);
  widgets_.rightDiagram = new QButtonGroup(this);
  for (int i = 0; i < kDiagramQuantityCount; ++i) {
    widgets_.leftDiagram->addButton(As<QRadioButton>(kDiagramRadios[i].left), i);
    widgets_.rightDiagram->addButton(As<QRadioButton>(kDiagramRadios[i].right), i);
  }
}

void CMeasureDlg::CreateListColumns() {
  const Qt::Alignment centre = Qt::AlignHCenter, left = Qt::AlignLeft;
  for (size_t c = 0; c < 3; ++c) {
    valueLists_[c] = new ValueListModel(station_.m_chamber[c], station_.m_units, settings_.factors,
                                        station_.m_run[c].m_normOffset, this);
    ReportList* list = List(ctl::kValues[c]);
    list->ShowModel(valueLists_[c]);
    list->SetColumns({{"Time hh:mm:ss", centre, 84}, {"P-press", left, 51}, {"Light", left, 40}},
                     false);
  }
  List(ctl::kProgram)
      ->SetColumns({{"Time hh:mm:ss", centre, 84},
                    {"Chamber 1", left, 63},
                    {"Chamber 2", left, 63},
                    {"Chamber 3", left, 63}},
                   false);
  List(ctl::kAnalysisTable)
      ->SetColumns({{"Name", centre, 140},
                    {"Date", left, 70},
                    {"Time", left, 70},
                    {"Chamber", left, 60},
                    {"Respiration", left, 90},
                    {"Slope", left, 90},
                    {"Delay", left, 80},
                    {"Maximum-a", left, 80},
                    {"Maximum-m", left, 80},
                    {"KphA", left, 80},
                    {"Diagram", left, 59},
                    {"Slope fit", left, 120},
                    {"Slope ± SE", left, 100},
                    {"Slope R²", left, 70},
                    {"Slope corr.", left, 120},
                    {"Slope µmol/h", left, 100},
                    {"Slope µmol/h per amount", left, 150},
                    {"Resp. fit", left, 120},
                    {"Resp. ± SE", left, 100},
                    {"Resp. R²", left, 70},
                    {"Resp. corr.", left, 120},
                    {"Resp. µmol/h", left, 100},
                    {"Resp. µmol/h per amount", left, 150}},
                   true);
}

void CMeasureDlg::ConnectHandlers() {
  auto onClick = [this](int id, auto handler) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (button) connect(button, &QAbstractButton::clicked, this, handler);
  };
  onClick(ctl::kMeasurementView, [this] { OnViewMeasurement(); });
  onClick(ctl::kAnalysisView, [this] { OnViewAnalysis(); });
  onClick(ctl::kConfigurationView, [this] { OnViewConfiguration(); });
  for (int c = 0; c < 3; ++c) {
    onClick(ctl::kChamberSelect[c], [this, c] { OnChamberSelect(c); });
    onClick(ctl::kChamberShow[c], [this, c] { OnChamberShow(c); });
  }
  onClick(ctl::kInsertStep, [this] { InsertProgramStep(); });
  onClick(ctl::kDeleteStep, [this] { DeleteProgramStep(); });
  onClick(ctl::kConfirm, [this] { ConfirmConfiguration(); });
  connect(As<QComboBox>(ctl::kPort), &QComboBox::currentIndexChanged, this,
          [this](int index) { FillAdapterList(index + 1); });
  connect(As<QComboBox>(ctl::kAdapter), &QComboBox::currentIndexChanged, this,
          [this] { ShowAdapterPath(); });
  onClick(ctl::kSetPointDown, [this] { OnSetPointStep(-1); });
  onClick(ctl::kSetPointUp, [this] { OnSetPointStep(1); });
  onClick(ctl::kIntervalDown, [this] { OnIntervalStep(-1); });
  onClick(ctl::kIntervalUp, [this] { OnIntervalStep(1); });
  onClick(ctl::kStart, [this] { OnStart(); });
  onClick(ctl::kStop, [this] { OnStop(); });
  onClick(ctl::kLight, [this] { OnLight(); });
  onClick(ctl::kCalibration, [this] { OnCalibration(); });
  onClick(ctl::kStart2, [this] { OnStart2(); });
  onClick(ctl::kStart3, [this] { OnStart3(); });
  onClick(ctl::kExportMeasurement, [this] { ExportMeasurement(); });
  // The hidden step buttons move the device one step down or up.
  onClick(ctl::kStepDown, [this] { station_.m_link.commands.m_manualStep = -1; });
  onClick(ctl::kStepUp, [this] { station_.m_link.commands.m_manualStep = 1; });
  onClick(ctl::kSaveAnalysisWorkbook, [this] { SaveAnalysisToSpreadsheet(); });
  onClick(ctl::kExportAnalysis, [this] { SaveAnalysisToSpreadsheet(); });
  onClick(ctl::kSaveMeasurement, [this] { SaveMeasurementFiles(); });
  onClick(ctl::kLoadMeasurement, [this] { LoadMeasurementFile(); });
  onClick(ctl::kAddAnalysisRows, [this] { OnAddAnalysisRows(); });
  onClick(ctl::kRunAnalysis, [this] { RunAnalysis(); });
  onClick(ctl::kShowDelay, [this] { OnToggleMarker(chart_.showDelay); });
  onClick(ctl::kShowMax, [this] { OnToggleMarker(chart_.showMax); });
  onClick(ctl::kShowSlope, [this] { OnToggleMarker(chart_.showSlope); });
  onClick(ctl::kShowResp, [this] { OnToggleMarker(chart_.showResp); });
  onClick(ctl::kShowAll, [this] { OnToggleAll(); });
  onClick(ctl::kNormalise, [this] { ToggleNormalisation(); });
  onClick(ctl::kDeleteRow, [this] { DeleteAnalysisRow(); });
  onClick(ctl::kNewTable, [this] { ClearAnalysisTable(); });
  onClick(ctl::kLoadAnalysis, [this] { LoadAnalysisFile(); });
  onClick(ctl::kSaveAnalysis, [this] { SaveAnalysisFile(); });
  connect(List(ctl::kAnalysisTable), &QAbstractItemView::clicked, this,
          [this] { CycleDiagramGroup(); });
  onClick(ctl::kPrint, [this] { OnPrint(); });
  for (const DiagramRadioRow& row : kDiagramRadios) {
    onClick(row.left, [this, q = row.quantity] { OnDiagramQuantity(true, q); });
    onClick(row.right, [this, q = row.quantity] { OnDiagramQuantity(false, q); });
  }
}

void CMeasureDlg::SetPicture(int id, int pictureId) {
  auto* button = qobject_cast<QToolButton*>(Control(id));
  if (button == nullptr) return;
  button->setIcon(QIcon(DrawPicture(pictureId, button->iconSize())));
  widgets_.pictures[id] = pictureId;
}

void CMeasureDlg::UpdateData(bool saveAndValidate) {
  auto text = [this](int id) { return As<QLineEdit>(id)->text(); };
  auto setText = [this](int id, const QString& value) {
    if (As<QLineEdit>(id)->text() != value) As<QLineEdit>(id)->setText(value);
  };
  auto checked = [this](int id) { return As<QCheckBox>(id)->isChecked(); };
  auto setChecked = [this](int id, bool value) { As<QCheckBox>(id)->setChecked(value); };
  RunSettings& run = station_.m_settings;
  if (saveAndValidate) {
    // Read-only number fields only ever hold what the window wrote there.
    station_.m_link.m_temperatureShown = ParseInt(text(ctl::kSetPoint).toStdString());
    run.m_sampleInterval = std::clamp(ParseInt(text(ctl::kInterval).toStdString()), 1, 99);
    entries_.stepHours = text(ctl::kStepHours);
    entries_.stepMinutes = text(ctl::kStepMinutes);
    entries_.stepSeconds = text(ctl::kStepSeconds);
    entries_.stepLight = checked(ctl::kStepLight);
    entries_.stepStop = checked(ctl::kStepStop);
    entries_.calibration = text(ctl::kCalibrationValue);
    entries_.factor1 = text(ctl::kFactor1);
    entries_.factor2 = text(ctl::kFactor2);
    entries_.comma = checked(ctl::kComma);
    entries_.signal = checked(ctl::kSignal);
    run.m_interpolation = checked(ctl::kInterpolation) ? 1 : 0;
    settings_.demoMode = checked(ctl::kDemo) ? 1 : 0;
    entries_.modelDigit = ParseInt(text(ctl::kModelDigit).toStdString());
    entries_.leftRadio = widgets_.leftDiagram->checkedId();
    entries_.rightRadio = widgets_.rightDiagram->checkedId();
  } else {
    setText(ctl::kSetPoint, QString::number(station_.m_link.m_temperatureShown.load()));
    setText(ctl::kInterval, QString::number(run.m_sampleInterval.load()));
    setText(ctl::kStepHours, entries_.stepHours);
    setText(ctl::kStepMinutes, entries_.stepMinutes);
    setText(ctl::kStepSeconds, entries_.stepSeconds);
    setChecked(ctl::kStepLight, entries_.stepLight);
    setChecked(ctl::kStepStop, entries_.stepStop);
    setText(ctl::kCalibrationValue, entries_.calibration);
    setText(ctl::kFactor1, entries_.factor1);
    setText(ctl::kFactor2, entries_.factor2);
    setChecked(ctl::kComma, entries_.comma);
    setChecked(ctl::kSignal, entries_.signal);
    setChecked(ctl::kInterpolation, run.m_interpolation == 1);
    setChecked(ctl::kDemo, settings_.demoMode == 1);
    setText(ctl::kModelDigit, QString::number(entries_.modelDigit));
    if (auto* b = widgets_.leftDiagram->button(entries_.leftRadio)) b->setChecked(true);
    if (auto* b = widgets_.rightDiagram->button(entries_.rightRadio)) b->setChecked(true);
  }
}

void CMeasureDlg::ShowViewControls() {
  chart_.selSlope = kNoValue;
  FitCanvas();
  for (const ControlSpec& control : AllControls()) {
    const Visibility visibility = VisibilityInView(control, view_);
    if (control.id == ctl::kAddAnalysisRows && visibility == Visibility::kUntouched) {
      const bool named =
          std::any_of(station_.m_chamber.begin(), station_.m_chamber.end(), [](SharedChamber& c) {
            return c.Access([](const ChamberRecord& r) { return !r.measurementName.empty(); });
          });
      if (named) Control(control.id)->show();
      continue;
    }
    if (visibility == Visibility::kUntouched) continue;
    Control(control.id)->setVisible(visibility == Visibility::kShown);
  }
  if (widgets_.unitNotice)
    widgets_.unitNotice->setVisible(view_ == View::kMeasurement && !tick_.unitNotice.empty());
}

std::array<int32_t, 4> CMeasureDlg::WindowRect() const {
  const QRect r = frameGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CMeasureDlg::SetWindowRect(const std::array<int32_t, 4>& rect) {
  // The rectangle includes the frame; the client area is what remains inside it.
  const QSize frameExtra = frameGeometry().size() - geometry().size();
  move(rect[0], rect[1]);
  resize(rect[2] - rect[0] - frameExtra.width(), rect[3] - rect[1] - frameExtra.height());
}

void CMeasureDlg::LeaveConfigurationView() {
  if (view_ != View::kConfiguration) return;
  ConfirmConfiguration();
  SetWindowRect(savedPlacement_);
}

void CMeasureDlg::OnViewMeasurement() {
  LeaveConfigurationView();
  view_ = View::kMeasurement;
  ShowViewControls();
  update();
  RefreshView();
}

void CMeasureDlg::OnViewAnalysis() {
  LeaveConfigurationView();
  view_ = View::kAnalysis;
  ShowViewControls();
  DrawAnalysisDiagrams();
  update();
}

void CMeasureDlg::OnViewConfiguration() {
  if (RunningMask(station_) != 0 || view_ == View::kConfiguration) return;
  FillAdapterList(settings_.comPort);
  savedPlacement_ = WindowRect();
  auto rect = savedPlacement_;
  rect[2] = rect[0] + 715;
  // The rate settings lie below the device's configuration; the window grows by them.
  const ControlSpec& device = *FindControl(ctl::kConfigurationGroup);
  const ControlSpec& rates = *FindControl(ctl::kRatesGroup);
  rect[3] = rect[1] + 430 +
            DialogUnitsToPixels(0, device.y + device.height, 0,
                                rates.y + rates.height - device.y - device.height)
                .height();
  const QRect available = screen()->availableGeometry();
  SetWindowRect(
      KeepInside(rect, {available.left(), available.top(), available.left() + available.width(),
                        available.top() + available.height()}));
  view_ = View::kConfiguration;
  ShowViewControls();
  update();
}

void CMeasureDlg::OnChamberSelect(int c) {
  chambers_.selected[c] = chambers_.selected[c] ? 0 : 1;
  SetPicture(ctl::kChamberSelect[c],
             chambers_.selected[c] ? kPictureChamberSelected[c] : kPictureChamberUnselected[c]);
}

void CMeasureDlg::OnChamberShow(int c) {
  chambers_.shown[c] = chambers_.shown[c] ? 0 : 1;
  SetPicture(ctl::kChamberShow[c],
             chambers_.shown[c] ? kPictureChamberShown[c] : kPictureChamberHidden[c]);
  update();
}

void CMeasureDlg::ReadSettings() {
  // Settings the station cannot keep in the folder asked for are still read from there.
  std::string path = SettingsPath();
  std::error_code error;
  if (!options_.unwritableFolder.empty() && !std::filesystem::exists(path, error))
    path = (std::filesystem::path(options_.unwritableFolder) / kSettingsFileName).string();
  const SettingsReadResult read = corvala::ReadSettings(path);
  ApplySettings(read.settings, station_, settings_);
  // The stored rows are checked as the editor checks typed ones and go into the
  // program and its list at once; the editor is left holding the last row, as
  // if each row had been typed and inserted.
  station_.m_program.AppendProgramSteps(ProgramFromStoredRows(read.rows));
  std::vector<std::vector<QString>> texts;
  for (const ProgramStep& step : station_.m_program.Steps()) {
    std::vector<QString>& row = texts.emplace_back();
    for (const std::string& text : ProgramRowTexts(step)) row.push_back(Qs(text));
  }
  List(ctl::kProgram)->SetRows(std::move(texts));
  if (!read.rows.empty()) {
    const StoredProgramRow& last = read.rows.back();
    entries_.stepHours = QString::number(last.hours);
    entries_.stepMinutes = QString::number(last.minutes);
    entries_.stepSeconds = QString::number(last.seconds);
    entries_.stepLight = last.light == 1;
    entries_.stepStop = last.stop == 1;
    // The values go through the controls once, as an insert takes them.
    UpdateData(false);
    UpdateData(true);
  }
  // Rows without any stored key are read as empty rows, which the editor refuses;
  // the editor is left as such a row leaves it.
  if (read.announcedRows > 0 &&
      (read.rows.empty() || read.rows.back().index != read.announcedRows - 1)) {
    entries_.stepHours = entries_.stepMinutes = entries_.stepSeconds = "0";
    entries_.stepLight = entries_.stepStop = false;
  }
  chambers_.selected = {0, 0, 0};
  UpdateData(false);
}

void CMeasureDlg::WriteSettings() {
  const Result written = corvala::WriteSettings(
      SettingsPath(), CollectSettings(station_, settings_), station_.m_program.Steps());
  if (!written) prompts_->ShowNotice(written.Message());
}

void CMeasureDlg::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (widgets_.timer) widgets_.timer->stop();
  // Offer to save the analysis table, then write the settings, then stop the
  // threads. Unsaved runs keep their journals for the next start.
  if (prompts_->Silenced()) {
    analysis_->CloseWithoutAsking(Unit());
  } else {
    analysis_->Close(MakeExportOptions(), DefaultWorkbookFactory());
  }
  WriteSettings();
  StopWorkers();
  // With the sampler stopped, a journal that missed samples gets the whole run.
  for (const std::string& failure : RepairJournalsAtClose(station_)) {
    std::fprintf(stderr, "corvala3: %s\n", failure.c_str());
    if (!prompts_->Silenced()) prompts_->ShowNotice(failure);
  }
  station_.m_program.FreeProgram();
}

void CMeasureDlg::CloseBySignal() {
  silenceable_->Silence();
  close();
}

void CMeasureDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

bool CMeasureDlg::eventFilter(QObject* watched, QEvent* event) {
  // Enter and Escape never close the window, wherever the focus is.
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && (widget == this || isAncestorOf(widget))) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) return true;
      if (key == Qt::Key_F1) {
        OnAbout();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CMeasureDlg::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

void CMeasureDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  widgets_.scrollArea->setGeometry(rect());
  FitCanvas();
  update();
}

void CMeasureDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Now that the window has its frame, it is fitted again with the frame's true size.
  if (!event->spontaneous() && !widgets_.fitted) {
    widgets_.fitted = true;
    FitToScreen(screen()->availableGeometry());
  }
}

void CMeasureDlg::closeEvent(QCloseEvent* event) {
  OnDestroy();
  QDialog::closeEvent(event);
}

void CMeasureDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addSeparator();
  QAction* about = menu.addAction("Inf&o über Corvala3...");
  if (menu.exec(event->globalPos()) == about) OnAbout();
}

}  // namespace corvala

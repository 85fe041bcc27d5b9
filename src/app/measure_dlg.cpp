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
#include <QToolButton>

#include <filesystem>

#include "app/about_dlg.h"
#include "app/icons.h"
#include "app/measure_dlg_internal.h"
#include "app/qt_prompts.h"
#include "chart/time_format.h"
#include "device/serial_link.h"
#include "files/analysis_file.h"
#include "run/sampling_thread.h"
#include "util/c_format.h"

namespace corvala {
namespace {

constexpr int kTimerPeriodMs = 250;

// Picture of each picture button at start; the chamber buttons follow their state.
const std::map<int, int> kStartPictures = {
    {1024, 163}, {1053, 167}, {1093, 173}, {1054, 168}, {1006, 169}, {1015, 169},
    {1005, 170}, {1016, 170}, {1077, 171}, {1076, 172}, {1113, 172}, {1112, 179},
    {1137, 180}, {1038, 151}, {1040, 152}, {1041, 155}, {1046, 155}, {1042, 156},
    {1047, 156}, {1102, 174}, {1103, 175}, {1104, 176}};
}  // namespace

using namespace window;

CMeasureDlg::CMeasureDlg(StationOptions options, Prompts* prompts, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), prompts_(prompts) {
  if (prompts_ == nullptr) {
    ownedPrompts_ = std::make_unique<QtPrompts>(this);
    prompts_ = ownedPrompts_.get();
  }
  setWindowTitle("Corvala3");
  setAccessibleName("Corvala3");
  OnInitDialog();
}

CMeasureDlg::~CMeasureDlg() {
  qApp->removeEventFilter(this);
  OnDestroy();
}

std::string CMeasureDlg::SettingsPath() const {
  return (std::filesystem::path(m_appFolder) / kSettingsFileName).string();
}

QWidget* CMeasureDlg::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

ReportList* CMeasureDlg::List(int id) const {
  return qobject_cast<ReportList*>(Control(id));
}

int CMeasureDlg::PictureOf(int id) const {
  const auto found = pictures_.find(id);
  return found == pictures_.end() ? 0 : found->second;
}

QRect CMeasureDlg::DialogUnitsToPixels(int x, int y, int width, int height) const {
  auto px = [this](int du) { return (du * baseUnitX_ + 2) / 4; };
  auto py = [this](int du) { return (du * baseUnitY_ + 4) / 8; };
  return QRect(px(x), py(y), px(x + width) - px(x), py(y + height) - py(y));
}

void CMeasureDlg::OnInitDialog() {
  // The dialog font and the dialog units that follow from it.
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
  baseUnitX_ = (alphabet / 26 + 1) / 2;
  // The diagrams of the analysis view stand at fixed pixels (down to y = 650),
  // laid out for a 13-pixel dialog line; a shorter line would cut them off.
  baseUnitY_ = std::max(metrics.height(), 13);
  const QRect client = DialogUnitsToPixels(0, 0, kDialogWidthDu, kDialogHeightDu);
  resize(client.size());
  CreateControls();
  qApp->installEventFilter(this);
  setWindowIcon(QIcon(DrawPicture(167, QSize(32, 32))));

  // Program folder: settings and the analysis working file live here.
  m_appFolder = options_.dataFolder;

  m_timer = new QTimer(this);
  m_timer->setInterval(kTimerPeriodMs);
  connect(m_timer, &QTimer::timeout, this, &CMeasureDlg::OnTimer);
  m_timer->start();

  // Member defaults.
  m_showDelay = m_showSlope = m_showResp = m_showMax = m_showAll = 0;
  m_analysis.m_analysisDirty = 0;
  m_analysis.m_diagramGroupMax = 0;
  m_diagramQuantity = 0;
  m_diagramRadio2 = 1;
  m_selSlope = kNoValue;
  m_selDragging = 0;
  m_corrDragX = -1;
  m_station.m_runCommand = kRunIdle;
  m_station.m_lightCommand = kLightIdle;
  m_station.m_calibrationCommand = kCalibrationIdle;
  m_station.m_serviceCommand = kServiceIdle;
  m_station.m_serviceArg = 3;
  m_station.m_temperatureCommand = kTemperatureIdle;
  m_station.m_beepCommand = kBeepIdle;
  m_station.m_manualStep = kStepIdle;
  m_station.m_calibrationChanged = 0;
  m_station.m_tempIndicator = 2;
  m_station.m_frameStartSeen = -1;
  m_station.m_unitMismatch = 0;
  As<QSlider>(1055)->setRange(0, 100);

  CreateListColumns();

  // The analysis table survives a crash in its working file.
  if (ReadAnalysisFile(m_analysis, WorkingFilePath())) ShowAnalysisTable();

  for (int i = 0; i < 3; ++i) {
    m_station.m_running[i] = 0;
    m_station.m_readings[i].Reset();
    m_station.m_lastSampleTime[i] = 0;
    m_station.m_lightOn[i] = 0;
    m_station.m_normOffset[i] = 0.0f;
    m_station.m_chamber[i].Access([i](ChamberRecord& r) {
      r.chamberIndex = i;
      r.startDay = r.startMonth = r.startYear = 0;
      r.sampleCount = 0;
      r.hasRun = 0;
      r.saved = 1;
      r.measurementName.clear();
      r.runInterval = 5;
    });
  }
  m_station.m_program.FreeProgram();
  m_station.m_temperature = 25;
  m_station.m_sampleInterval = 5;

  ReadSettings();

  m_calibrationText = Qs(Format("%d", m_station.m_calibrationValue.load()));
  m_station.m_calibrationChanged = 0;
  m_station.m_temperatureCommand = m_station.m_temperature.load();

  m_factor1Entered = m_factor1;
  m_factor2Entered = m_factor2;
  m_factor1Text = Qs(Format("%3.2f", static_cast<double>(m_factor1Entered)));
  m_factor2Text = Qs(Format("%3.2f", static_cast<double>(m_factor2Entered)));

  // Settings are taken as read; a hand-edited number below 1 selects no entry.
  As<QComboBox>(1048)->setCurrentIndex(std::max<int32_t>(m_station.m_comPort, 0) - 1);
  As<QComboBox>(1050)->setCurrentIndex(std::max<int32_t>(m_station.m_unit, 0) - 1);
  m_commaCheck = m_comma != 0;
  m_signalCheck = m_beep != 0;

  if (m_station.m_unit == 2) {
    m_station.m_effFactor1 = m_factor1;
    m_station.m_effFactor2 = m_factor2;
  } else {
    m_station.m_effFactor1 = 1.0f;
    m_station.m_effFactor2 = 1.0f;
  }

  m_timeOffset = 0;
  m_timeSpan = m_maxTime;
  As<QSlider>(1058)->setRange(0, 58);
  // 64-bit: a hand-edited extreme value must not overflow; the slider clamps it.
  As<QSlider>(1058)->setValue(static_cast<int>((int64_t{m_maxTime} - 500) / 300));
  As<QSlider>(1055)->setValue(static_cast<int>((int64_t{m_station.m_maxPressure} - 100) / 4));
  tick_.pressurePosition = As<QSlider>(1055)->value();
  tick_.timePosition = As<QSlider>(1058)->value();
  As<QLineEdit>(1056)->setText(Qs(
      Format("%d", TruncToInt32(MaxPressureDisplay(m_station.m_maxPressure, m_station.m_effFactor1,
                                                   m_station.m_effFactor2)))));
  As<QLineEdit>(1057)->setText(Qs(FormatHm(m_maxTime)));

  m_unitName = m_station.m_unit == 2 ? "mg/l" : "mbar";

  As<QSlider>(1034)->setRange(0, std::max(0, (m_timeSpan - (m_maxTime - m_timeOffset)) / 60));

  for (const auto& [id, picture] : kStartPictures) SetPicture(id, picture);
  for (int c = 0; c < 3; ++c) {
    SetPicture(1035 + c,
               m_chamberSelected[c] ? kPictureChamberSelected[c] : kPictureChamberUnselected[c]);
    SetPicture(1043 + c, m_chamberShown[c] ? kPictureChamberShown[c] : kPictureChamberHidden[c]);
  }

  m_station.m_temperatureShown = m_station.m_temperature.load();
  m_view = 1;
  m_chart = LayoutChart(width(), height());
  setMouseTracking(true);

  if (options_.startThreads) StartWorkers();

  UpdateData(false);
  ShowViewControls();
  ConnectHandlers();
}

void CMeasureDlg::CreateControls() {
  for (const ControlSpec& control : AllControls()) {
    const QString caption =
        QString::fromUtf8(control.caption.data(), static_cast<int>(control.caption.size()));
    QWidget* widget = nullptr;
    QRect rect = DialogUnitsToPixels(control.x, control.y, control.width, control.height);
    switch (control.kind) {
      case ControlKind::kList:
        widget = new ReportList(this);
        break;
      case ControlKind::kButton: {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
      }
      case ControlKind::kPictureButton: {
        auto* button = new QToolButton(this);
        button->setIconSize(rect.size() - QSize(4, 4));
        button->setToolTip(
            QString::fromUtf8(control.role.data(), static_cast<int>(control.role.size())));
        widget = button;
        break;
      }
      case ControlKind::kEdit:
        widget = new QLineEdit(this);
        break;
      case ControlKind::kReadOnlyEdit: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        widget = edit;
        break;
      }
      case ControlKind::kCheckBox:
        widget = new QCheckBox(caption, this);
        break;
      case ControlKind::kRadio:
        widget = new QRadioButton(this);
        break;
      case ControlKind::kGroupBox:
        widget = new QGroupBox(caption, this);
        break;
      case ControlKind::kStatic:
        widget = new QLabel(caption, this);
        break;
      case ControlKind::kTrackbar:
        widget = new QSlider(Qt::Horizontal, this);
        break;
      case ControlKind::kComboBox:
        widget = new QComboBox(this);
        // The template's height is that of the dropped-down list.
        rect.setHeight(DialogUnitsToPixels(0, 0, 0, 12).height());
        break;
    }
    widget->setGeometry(rect);
    widget->setObjectName(QString("control%1").arg(control.id));
    widget->setAccessibleName(QString::fromUtf8(AccessibleName(control).data(),
                                                static_cast<int>(AccessibleName(control).size())));
    // Hidden until something shows them: the never-shown controls, the
    // "measuring" labels (run state) and the analysis-row button (chamber names).
    if (control.view == ControlView::kNever || control.view == ControlView::kRunState ||
        control.id == 1112)
      widget->hide();
    controls_[control.id] = widget;
  }
  // Group boxes lie beneath the controls they frame.
  for (const ControlSpec& control : AllControls())
    if (control.kind == ControlKind::kGroupBox) controls_[control.id]->lower();

  auto* port = As<QComboBox>(1048);
  for (int n = 1; n <= 9; ++n) port->addItem(QString("COM%1").arg(n));
  auto* unit = As<QComboBox>(1050);
  unit->addItem("mbar");
  unit->addItem("mg/l");

  leftDiagramGroup_ = new QButtonGroup(this);
  rightDiagramGroup_ = new QButtonGroup(this);
  const int left[] = {1116, 1117, 1118, 1119, 1134, 1120, 1121};
  const int right[] = {1122, 1123, 1124, 1125, 1135, 1126, 1127};
  for (int i = 0; i < 7; ++i) {
    leftDiagramGroup_->addButton(As<QRadioButton>(left[i]), i);
    rightDiagramGroup_->addButton(As<QRadioButton>(right[i]), i);
  }
}

void CMeasureDlg::CreateListColumns() {
  const Qt::Alignment centre = Qt::AlignHCenter, left = Qt::AlignLeft;
  for (int id : {1003, 1010, 1011})
    List(id)->SetColumns(
        {{"Time hh:mm:ss", centre, 84}, {"P-press", left, 51}, {"Light", left, 40}}, false);
  List(1026)->SetColumns({{"Time hh:mm:ss", centre, 84},
                          {"Chamber 1", left, 63},
                          {"Chamber 2", left, 63},
                          {"Chamber 3", left, 63}},
                         false);
  List(1094)->SetColumns({{"Name", centre, 140},
                          {"Date", left, 70},
                          {"Time", left, 70},
                          {"Chamber", left, 60},
                          {"Respiration", left, 90},
                          {"Slope", left, 90},
                          {"Delay", left, 80},
                          {"Maximum-a", left, 80},
                          {"Maximum-m", left, 80},
                          {"KphA", left, 80},
                          {"Diagram", left, 59}},
                         true);
}

void CMeasureDlg::ConnectHandlers() {
  auto onClick = [this](int id, auto handler) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (button) connect(button, &QAbstractButton::clicked, this, handler);
  };
  onClick(1053, [this] { OnViewMeasurement(); });
  onClick(1093, [this] { OnViewAnalysis(); });
  onClick(1054, [this] { OnViewConfiguration(); });
  for (int c = 0; c < 3; ++c) {
    onClick(1035 + c, [this, c] { OnChamberSelect(c); });
    onClick(1043 + c, [this, c] { OnChamberShow(c); });
  }
  onClick(1027, [this] { InsertProgramStep(); });
  onClick(1032, [this] { DeleteProgramStep(); });
  onClick(1049, [this] { ConfirmConfiguration(); });
  onClick(1005, [this] { OnTemperatureDown(); });
  onClick(1006, [this] { OnTemperatureUp(); });
  onClick(1016, [this] { OnIntervalDown(); });
  onClick(1015, [this] { OnIntervalUp(); });
  onClick(1021, [this] { this->OnStart(); });
  onClick(1022, [this] { this->OnStop(); });
  onClick(1024, [this] { this->OnLight(); });
  onClick(1023, [this] { this->OnCalibration(); });
  onClick(1012, [this] { this->OnStart2(); });
  onClick(1076, [this] { this->ExportMeasurement(); });
  // The hidden step buttons move the device one step down or up.
  onClick(1078, [this] { m_station.m_manualStep = -1; });
  onClick(1079, [this] { m_station.m_manualStep = 1; });
  onClick(1104, [this] { SaveAnalysisToSpreadsheet(); });
  onClick(1113, [this] { SaveAnalysisToSpreadsheet(); });
  onClick(1041, [this] { this->SaveMeasurementFiles(); });
  onClick(1042, [this] { this->LoadMeasurementFile(); });
  onClick(1112, [this] { OnAddAnalysisRows(); });
  onClick(1086, [this] { OnRunAnalysis(); });
  onClick(1087, [this] { OnToggleMarker(m_showDelay); });
  onClick(1088, [this] { OnToggleMarker(m_showMax); });
  onClick(1089, [this] { OnToggleMarker(m_showSlope); });
  onClick(1090, [this] { OnToggleMarker(m_showResp); });
  onClick(1091, [this] { OnToggleAll(); });
  onClick(1077, [this] { this->ToggleNormalisation(); });
  onClick(1102, [this] { DeleteAnalysisRow(); });
  onClick(1103, [this] { ClearAnalysisTable(); });
  onClick(1047, [this] { LoadAnalysisFile(); });
  onClick(1046, [this] { SaveAnalysisFile(); });
  connect(List(1094), &QAbstractItemView::clicked, this, [this] { CycleDiagramGroup(); });
  onClick(1137, [this] { OnPrint(); });
  // The radio buttons of the two diagrams, with the quantity each one shows.
  const std::pair<int, int32_t> leftRadios[] = {{1116, 0}, {1117, 1}, {1119, 2}, {1134, 3},
                                                {1120, 4}, {1121, 5}, {1118, 6}};
  const std::pair<int, int32_t> rightRadios[] = {{1122, 0}, {1123, 1}, {1125, 2}, {1135, 3},
                                                 {1126, 4}, {1127, 5}, {1124, 6}};
  for (const auto& [id, quantity] : leftRadios)
    onClick(id, [this, q = quantity] { OnDiagramQuantity(true, q); });
  for (const auto& [id, quantity] : rightRadios)
    onClick(id, [this, q = quantity] { OnDiagramQuantity(false, q); });
  onClick(1013, [this] { this->OnStart3(); });
}

void CMeasureDlg::SetPicture(int id, int pictureId) {
  auto* button = qobject_cast<QToolButton*>(Control(id));
  if (button == nullptr) return;
  button->setIcon(QIcon(DrawPicture(pictureId, button->iconSize())));
  pictures_[id] = pictureId;
}

void CMeasureDlg::UpdateData(bool saveAndValidate) {
  auto text = [this](int id) { return As<QLineEdit>(id)->text(); };
  auto setText = [this](int id, const QString& value) {
    if (As<QLineEdit>(id)->text() != value) As<QLineEdit>(id)->setText(value);
  };
  auto checked = [this](int id) { return As<QCheckBox>(id)->isChecked(); };
  auto setChecked = [this](int id, bool value) { As<QCheckBox>(id)->setChecked(value); };
  if (saveAndValidate) {
    // Read-only number fields only ever hold what the window wrote there.
    m_station.m_temperatureShown = ParseInt(text(1004).toStdString());
    m_station.m_sampleInterval = std::clamp(ParseInt(text(1017).toStdString()), 1, 99);
    m_stepHoursText = text(1028);
    m_stepMinutesText = text(1029);
    m_stepSecondsText = text(1030);
    m_stepLight = checked(1031);
    m_stepStop = checked(1033);
    m_calibrationText = text(1074);
    m_factor1Text = text(1051);
    m_factor2Text = text(1052);
    m_commaCheck = checked(1105);
    m_signalCheck = checked(1107);
    m_station.m_interpolation = checked(1138) ? 1 : 0;
    m_demoMode = checked(1072) ? 1 : 0;
    m_edit1073 = ParseInt(text(1073).toStdString());
    m_diagramQuantity = leftDiagramGroup_->checkedId();
    m_diagramRadio2 = rightDiagramGroup_->checkedId();
  } else {
    setText(1004, QString::number(m_station.m_temperatureShown.load()));
    setText(1017, QString::number(m_station.m_sampleInterval.load()));
    setText(1028, m_stepHoursText);
    setText(1029, m_stepMinutesText);
    setText(1030, m_stepSecondsText);
    setChecked(1031, m_stepLight);
    setChecked(1033, m_stepStop);
    setText(1074, m_calibrationText);
    setText(1051, m_factor1Text);
    setText(1052, m_factor2Text);
    setChecked(1105, m_commaCheck);
    setChecked(1107, m_signalCheck);
    setChecked(1138, m_station.m_interpolation == 1);
    setChecked(1072, m_demoMode == 1);
    setText(1073, QString::number(m_edit1073));
    if (auto* b = leftDiagramGroup_->button(m_diagramQuantity)) b->setChecked(true);
    if (auto* b = rightDiagramGroup_->button(m_diagramRadio2)) b->setChecked(true);
  }
}

void CMeasureDlg::ShowViewControls() {
  m_selSlope = kNoValue;
  for (const ControlSpec& control : AllControls()) {
    bool untouched = false;
    const bool shown = ShownInView(control, m_view, untouched);
    if (control.id == 1112 && untouched) {
      const bool named =
          std::any_of(m_station.m_chamber.begin(), m_station.m_chamber.end(), [](SharedChamber& c) {
            return c.Access([](const ChamberRecord& r) { return !r.measurementName.empty(); });
          });
      if (named) Control(control.id)->show();
      continue;
    }
    if (untouched) continue;
    Control(control.id)->setVisible(shown);
  }
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
  if (m_view != 2) return;
  ConfirmConfiguration();
  SetWindowRect(m_savedPlacement);
}

void CMeasureDlg::OnViewMeasurement() {
  LeaveConfigurationView();
  m_view = 1;
  ShowViewControls();
  update();
  RefreshView();
}

void CMeasureDlg::OnViewAnalysis() {
  LeaveConfigurationView();
  m_view = 3;
  ShowViewControls();
  DrawAnalysisDiagrams();
  update();
}

void CMeasureDlg::OnViewConfiguration() {
  const bool anyRunning = std::any_of(m_station.m_running.begin(), m_station.m_running.end(),
                                      [](const std::atomic<uint8_t>& r) { return r.load() != 0; });
  if (anyRunning || m_view == 2) return;
  m_savedPlacement = WindowRect();
  auto rect = m_savedPlacement;
  rect[2] = rect[0] + 715;
  rect[3] = rect[1] + 430;
  SetWindowRect(rect);
  m_view = 2;
  ShowViewControls();
  update();
}

void CMeasureDlg::OnChamberSelect(int c) {
  m_chamberSelected[c] = m_chamberSelected[c] ? 0 : 1;
  SetPicture(1035 + c,
             m_chamberSelected[c] ? kPictureChamberSelected[c] : kPictureChamberUnselected[c]);
}

void CMeasureDlg::OnChamberShow(int c) {
  m_chamberShown[c] = m_chamberShown[c] ? 0 : 1;
  SetPicture(1043 + c, m_chamberShown[c] ? kPictureChamberShown[c] : kPictureChamberHidden[c]);
  update();
}

Settings CMeasureDlg::CollectSettings() const {
  Settings s;
  s.m_temperature = m_station.m_temperature;
  s.m_maxPressure = m_station.m_maxPressure;
  s.m_sampleInterval = m_station.m_sampleInterval;
  s.m_maxTime = m_maxTime;
  s.m_calibrationValue = m_station.m_calibrationValue;
  s.m_correctionTime = m_correctionTime;
  s.m_correctionOn = m_correctionOn;
  s.m_comma = m_comma;
  s.m_beep = m_beep;
  s.m_comPort = m_station.m_comPort;
  s.m_unit = m_station.m_unit;
  s.m_demoMode = m_demoMode;
  s.m_interpolation = m_station.m_interpolation;
  s.m_factor1 = m_factor1;
  s.m_factor2 = m_factor2;
  return s;
}

void CMeasureDlg::ApplySettings(const Settings& s) {
  m_station.m_temperature = s.m_temperature;
  m_station.m_maxPressure = s.m_maxPressure;
  m_station.m_sampleInterval = s.m_sampleInterval;
  m_maxTime = s.m_maxTime;
  m_station.m_calibrationValue = s.m_calibrationValue;
  m_correctionTime = s.m_correctionTime;
  m_correctionOn = s.m_correctionOn;
  m_comma = s.m_comma;
  m_beep = s.m_beep;
  m_station.m_comPort = s.m_comPort;
  m_station.m_unit = s.m_unit;
  m_demoMode = s.m_demoMode;
  m_station.m_interpolation = s.m_interpolation;
  m_factor1 = s.m_factor1;
  m_factor2 = s.m_factor2;
}

void CMeasureDlg::ReadSettings() {
  const SettingsReadResult read = corvala::ReadSettings(SettingsPath());
  ApplySettings(read.settings);
  // Each stored row goes through the editor exactly as if typed and inserted.
  for (const StoredProgramRow& row : read.rows) {
    m_stepHoursText = QString::number(row.hours);
    m_stepMinutesText = QString::number(row.minutes);
    m_stepSecondsText = QString::number(row.seconds);
    for (int c = 0; c < 3; ++c) m_chamberSelected[c] = row.chamber[c];
    m_stepLight = row.light == 1;
    m_stepStop = row.stop == 1;
    UpdateData(false);
    InsertProgramStep();
  }
  // Rows without any stored key are read as empty rows, which the editor refuses;
  // the editor is left as such a row leaves it.
  if (read.announcedRows > 0 &&
      (read.rows.empty() || read.rows.back().index != read.announcedRows - 1)) {
    m_stepHoursText = m_stepMinutesText = m_stepSecondsText = "0";
    m_stepLight = m_stepStop = false;
  }
  m_chamberSelected = {0, 0, 0};
  UpdateData(false);
}

void CMeasureDlg::WriteSettings() {
  if (!corvala::WriteSettings(SettingsPath(), CollectSettings(), m_station.m_program.Steps()))
    prompts_->ShowNotice("The settings could not be written to " + SettingsPath() + ".");
}

void CMeasureDlg::OnDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (m_timer) m_timer->stop();
  // Offer to save the analysis table, then write the settings, then stop the threads.
  CloseAnalysisStore();
  WriteSettings();
  StopWorkers();
  m_station.m_program.FreeProgram();
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
  m_chart = LayoutChart(width(), height());
  update();
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

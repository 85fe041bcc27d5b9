// The configuration view: its confirmation and the steppers.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cstdio>
#include <filesystem>
#include <set>

#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "device/port_catalog.h"
#include "device/serial_link.h"
#include "files/port_map_file.h"
#include "files/rate_settings_file.h"
#include "station/port_choice.h"
#include "station/rate_entries.h"

namespace corvala {

using namespace window;

void CMeasureDlg::ConfirmConfiguration() {
  UpdateData(true);
  ConfigurationEntries entries;
  entries.comPortIndex = As<QComboBox>(ctl::kPort)->currentIndex();
  entries.unitIndex = As<QComboBox>(ctl::kUnit)->currentIndex();
  entries.factor1Text = entries_.factor1.toStdString();
  entries.factor2Text = entries_.factor2.toStdString();
  entries.calibrationText = entries_.calibration.toStdString();
  entries.comma = entries_.comma;
  entries.signal = entries_.signal;
  const ConfirmOutcome outcome = configuration_.Confirm(entries, station_, settings_, *prompts_);
  // A refused entry shows the value in force again, and so does the first
  // factor after a service code (it is sent once, not at every later confirm).
  if (outcome.factor1Refused || outcome.serviceCode != 0)
    entries_.factor1 = Qs(FactorText(settings_.factors.factor1));
  if (outcome.factor2Refused) entries_.factor2 = Qs(FactorText(settings_.factors.factor2));
  if (outcome.calibrationRefused)
    entries_.calibration = Qs(CalibrationText(station_.m_link.commands.m_calibrationValue));
  if (outcome.unitRefused)
    As<QComboBox>(ctl::kUnit)->setCurrentIndex(std::max<int32_t>(Unit(), 0) - 1);
  if (outcome.factor1Refused || outcome.factor2Refused || outcome.calibrationRefused ||
      outcome.serviceCode != 0)
    UpdateData(false);
  TakeRateEntries();
  const bool adapterChanged = outcome.serviceCode == 0 && TakeChosenAdapter();
  if ((outcome.restartLink || adapterChanged) && workers_.link) {
    workers_.link->SetPorts(options_.ports);
    workers_.link->Restart(settings_.comPort);
    tick_.port = PortInForce();
    ShowLinkStatus();
  }
  if (outcome.unitSwitched) AfterUnitSwitch();
}

std::vector<SerialAdapter> CMeasureDlg::Adapters() const {
#ifdef _WIN32
  return {};  // COMn stays COMn
#else
  return options_.listAdapters ? options_.listAdapters() : ListSerialAdapters();
#endif
}

std::string CMeasureDlg::PortsFilePath() const {
  return (std::filesystem::path(appFolder_) / kPortMapFileName).string();
}

void CMeasureDlg::LoadChosenAdapters() {
  const Result loaded = corvala::LoadChosenAdapters(PortsFilePath(), options_.ports);
  if (!loaded) prompts_->ShowNotice(loaded.Message());
}

std::string CMeasureDlg::RateSettingsPath() const {
  return (std::filesystem::path(appFolder_) / kRateSettingsFileName).string();
}

// At start, beside the settings; read from the folder asked for when the
// station cannot keep its files there.
void CMeasureDlg::LoadRateSettings() {
  std::string path = RateSettingsPath();
  std::error_code error;
  if (!options_.unwritableFolder.empty() && !std::filesystem::exists(path, error))
    path = (std::filesystem::path(options_.unwritableFolder) / kRateSettingsFileName).string();
  const Expected<RateSettings> read = ReadRateSettings(path);
  if (read)
    rateSettings_ = *read;
  else
    prompts_->ShowNotice(read.Message());
  ShowRateEntries();
}

void CMeasureDlg::ShowRateEntries() {
  const RateEntries entries = RateEntriesOf(rateSettings_);
  As<QComboBox>(ctl::kBlankChamber)->setCurrentIndex(entries.blankIndex);
  for (size_t c = 0; c < 3; ++c) {
    As<QLineEdit>(ctl::kVolume[c])->setText(Qs(entries.chambers[c].volume));
    As<QLineEdit>(ctl::kAmount[c])->setText(Qs(entries.chambers[c].amount));
    As<QLineEdit>(ctl::kAmountUnit[c])->setText(Qs(entries.chambers[c].amountUnit));
  }
  As<QLineEdit>(ctl::kRateWindow)->setText(Qs(entries.window));
}

// A rate field typed wrong is named in a notice and shows its value in force
// again; the fields typed right are taken and kept in "Rates.ini".
void CMeasureDlg::TakeRateEntries() {
  RateEntries entries;
  entries.blankIndex = As<QComboBox>(ctl::kBlankChamber)->currentIndex();
  for (size_t c = 0; c < 3; ++c) {
    entries.chambers[c].volume = As<QLineEdit>(ctl::kVolume[c])->text().toStdString();
    entries.chambers[c].amount = As<QLineEdit>(ctl::kAmount[c])->text().toStdString();
    entries.chambers[c].amountUnit = As<QLineEdit>(ctl::kAmountUnit[c])->text().toStdString();
  }
  entries.window = As<QLineEdit>(ctl::kRateWindow)->text().toStdString();
  ConfirmRateEntries(entries, rateSettings_, RateSettingsPath(), *prompts_);
  ShowRateEntries();
}

// At start: the configured port has no device, and exactly one USB adapter is there.
void CMeasureDlg::OfferTheOnlyAdapter() {
  const int port = settings_.comPort;
  const Expected<std::set<std::string>> declined = ReadDeclinedAdapters(PortsFilePath());
  const auto offer = AdapterToOffer(
      options_.ports, port, Adapters(),
      [](const std::string& path) {
        std::error_code error;
        return std::filesystem::exists(path, error);
      },
      declined ? *declined : std::set<std::string>{});
  if (!offer) return;
  // A No is remembered, so that adapter is not offered at every start.
  const bool taken = prompts_->AskYesNo(OfferQuestion(port, options_.ports.PathFor(port), *offer));
  const Result stored = taken
                            ? StoreChosenAdapter(PortsFilePath(), options_.ports, port, offer->path)
                            : StoreDeclinedAdapter(PortsFilePath(), options_.ports, offer->path);
  if (!stored) prompts_->ShowNotice(stored.Message());
}

// The adapter list of the configuration view, for the port chosen in it.
void CMeasureDlg::FillAdapterList(int comPort) {
  auto* list = As<QComboBox>(ctl::kAdapter);
  const QSignalBlocker quiet(list);
  list->clear();
  list->setToolTip(QString());
  if (comPort < kFirstComPort || comPort > kLastComPort) return;
  // Each entry keeps its path's own bytes beside the shown text, so a path
  // that is not UTF-8 is stored back as it was.
  if (options_.ports.IsOverridden(comPort)) {
    // "--port" (or the simulator) decides for this session.
    const std::string path = options_.ports.PathFor(comPort);
    list->addItem(Qs("this session - " + path), QByteArray::fromStdString(path));
    list->setItemData(0, Qs(path), Qt::ToolTipRole);
    list->setEnabled(false);
    ShowAdapterPath();
    return;
  }
  list->setEnabled(true);
  // The chosen path's state is its own: the link's report, else whether it exists.
  const auto stateOf = [this](const std::string& path) {
    if (portStatus_.state == PortState::kConnected && portStatus_.path == path)
      return PathState::kConnected;
    std::error_code error;
    return std::filesystem::exists(path, error) ? PathState::kPresent : PathState::kMissing;
  };
  size_t selected = 0;
  for (const AdapterEntry& entry :
       AdapterEntries(Adapters(), options_.ports, comPort, selected, stateOf)) {
    list->addItem(Qs(entry.text), QByteArray::fromStdString(entry.path));
    const std::string shown = entry.path.empty() ? PortNames::DefaultPath(comPort) : entry.path;
    list->setItemData(list->count() - 1, Qs(shown), Qt::ToolTipRole);
  }
  list->setCurrentIndex(static_cast<int>(selected));
  ShowAdapterPath();
}

// The adapter box's tooltip: the path of the entry shown.
void CMeasureDlg::ShowAdapterPath() {
  auto* list = As<QComboBox>(ctl::kAdapter);
  list->setToolTip(list->currentData(Qt::ToolTipRole).toString());
}

// The adapter chosen for the port in force; true when the choice changed.
bool CMeasureDlg::TakeChosenAdapter() {
  auto* list = As<QComboBox>(ctl::kAdapter);
  const int port = settings_.comPort;
  if (list->count() == 0 || !list->isEnabled() || options_.ports.IsOverridden(port)) return false;
  const std::string path = list->currentData().toByteArray().toStdString();
  if (path == options_.ports.Chosen(port)) return false;
  const Result stored = StoreChosenAdapter(PortsFilePath(), options_.ports, port, path);
  if (!stored) prompts_->ShowNotice(stored.Message());
  return true;
}

// The device indicator says which port and path the link uses and why it is
// not connected; each change also goes to standard error.
void CMeasureDlg::ShowPortStatus(const PortStatus& status) {
  portStatus_ = status;
  const std::string text = PortStatusText(status);
  QWidget* indicator = Control(ctl::kDeviceConnection);
  indicator->setToolTip(Qs(text));
  indicator->setAccessibleDescription(Qs(text));
  std::fprintf(stderr, "corvala3: %s\n", text.c_str());
  tick_.port = status;
  ShowLinkStatus();
}

// The port the link is started on, before it reports anything.
PortStatus CMeasureDlg::PortInForce() const {
  const int port = settings_.comPort;
  return PortStatus{port, options_.ports.PathFor(port), PortState::kUnknown, "",
                    options_.ports.IsSimulated(port)};
}

// The status line, the window's title and the chart say what the link is:
// which port and path, whether the device sends, and whether the simulator
// stands in for it.
void CMeasureDlg::ShowLinkStatus() {
  const bool simulated = station_.m_link.m_simulated.load();
  if (tick_.simulated != simulated) {
    tick_.simulated = simulated;
    const QString title = Qs(WindowTitle(simulated));
    setWindowTitle(title);
    setAccessibleName(title);
    RefreshView();
  }
  const QString line =
      Qs(LinkStatusLine(tick_.port, tick_.link.Alive(), RunningMask(station_) != 0));
  auto* label = As<QLabel>(ctl::kLinkStatus);
  if (label->text() != line) {
    label->setText(line);
    label->setToolTip(line);  // whole, should a long adapter name not fit
    label->setAccessibleDescription(line);
  }
}

// The unit in force may have changed: value lists, unit combo box and chart follow.
void CMeasureDlg::AfterUnitSwitch() {
  for (int c = 0; c < 3; ++c) FillValueList(c);
  As<QComboBox>(ctl::kUnit)->setCurrentIndex(std::max<int32_t>(Unit(), 0) - 1);
  ShowChartTop();  // edit 1056 in the unit now in force
  UpdateData(false);
  RefreshView();
}

void CMeasureDlg::OnSetPointStep(int direction) {
  const int32_t now = station_.m_settings.m_temperature;
  const int32_t next = direction < 0 ? SetPointDown(now) : SetPointUp(now);
  if (next == now) return;
  station_.m_settings.m_temperature = next;
  station_.m_link.m_temperatureShown = next;
  UpdateData(false);
}

void CMeasureDlg::OnIntervalStep(int direction) {
  const int32_t now = station_.m_settings.m_sampleInterval;
  station_.m_settings.m_sampleInterval = direction < 0 ? IntervalDown(now) : IntervalUp(now);
  UpdateData(false);
}

}  // namespace corvala

// The configuration view: its confirmation and the steppers.
#include <QComboBox>

#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "device/serial_link.h"

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
  // A refused entry shows the value in force again.
  if (outcome.factor1Refused) entries_.factor1 = Qs(FactorText(settings_.factors.factor1));
  if (outcome.factor2Refused) entries_.factor2 = Qs(FactorText(settings_.factors.factor2));
  if (outcome.calibrationRefused)
    entries_.calibration = Qs(CalibrationText(station_.m_link.commands.m_calibrationValue));
  if (outcome.factor1Refused || outcome.factor2Refused || outcome.calibrationRefused)
    UpdateData(false);
  if (outcome.restartLink && workers_.link) workers_.link->Restart(settings_.comPort);
  if (outcome.unitSwitched) AfterUnitSwitch();
}

// The unit in force may have changed: value lists, unit combo box and chart follow.
void CMeasureDlg::AfterUnitSwitch() {
  for (int c = 0; c < 3; ++c) {
    if (station_.m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples() > 0; }))
      FillValueList(c);
  }
  As<QComboBox>(ctl::kUnit)->setCurrentIndex(Unit() - 1);
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

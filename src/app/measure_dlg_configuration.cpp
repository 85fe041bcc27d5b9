// The configuration view: its confirmation and the steppers.
#include "app/measure_dlg.h"

#include <QComboBox>

#include "app/measure_dlg_internal.h"
#include "device/serial_link.h"
#include "util/c_format.h"

namespace corvala {

using namespace window;

void CMeasureDlg::ConfirmConfiguration() {
  UpdateData(true);
  m_comma = m_commaCheck ? 1 : 0;
  const uint8_t oldBeep = m_beep;
  m_beep = m_signalCheck ? 1 : 0;
  // The set point goes to the device when it changed, and on the first confirmation.
  if (m_station.m_temperature != lastTemperature_) {
    lastTemperature_ = m_station.m_temperature;
    m_station.m_temperatureCommand = lastTemperature_;
  }
  if (m_beep != oldBeep) m_station.m_beepCommand = m_beep ? 1 : 0;
  m_factor1Entered = static_cast<float>(ParseFloat(m_factor1Text.toStdString()));
  m_factor2Entered = static_cast<float>(ParseFloat(m_factor2Text.toStdString()));

  if (m_factor1Entered >= 0.0f) {
    // A combo box without a selection (a stored port or unit outside its list)
    // keeps the value in force rather than turning it into 0.
    const int oldPort = m_station.m_comPort;
    const int port = As<QComboBox>(1048)->currentIndex();
    if (port >= 0) m_station.m_comPort = port + 1;
    const int unit = As<QComboBox>(1050)->currentIndex();
    if (unit >= 0) m_station.m_unit = unit + 1;
    if (m_station.m_comPort != oldPort && m_serialThread)
      m_serialThread->Restart(m_station.m_comPort);
    const int32_t calibration = ParseInt(m_calibrationText.toStdString());
    if (calibration != m_station.m_calibrationValue) {
      m_station.m_calibrationValue = calibration;
      m_station.m_calibrationChanged = 1;
    }
    ApplyUnit(false);
    return;
  }

  // A negative first factor is a service command for the device.
  switch (TruncToInt32(m_factor1Entered)) {
    case -1:
      m_station.m_serviceCommand = 92;
      m_station.m_serviceArg = 1;
      break;
    case -2:
      m_station.m_serviceCommand = 93;
      m_station.m_serviceArg = 2;
      break;
    case -3:
      m_station.m_serviceCommand = 94;
      m_station.m_serviceArg = 3;
      break;
    case -4:
      m_station.m_serviceCommand = 90;
      m_demoMode = 1;
      break;
    case -5:
      m_station.m_serviceCommand = 91;
      m_demoMode = 0;
      break;
    case -6:
      m_station.m_serviceCommand = 95;
      m_station.m_serviceArg = 1;
      break;
    default:
      break;
  }
}

// The steppers keep the set point within 5..45 degrees and the interval within 1..99 s.
void CMeasureDlg::OnTemperatureDown() {
  if (m_station.m_temperature < 6) return;
  m_station.m_temperatureShown = --m_station.m_temperature;
  UpdateData(false);
}

void CMeasureDlg::OnTemperatureUp() {
  if (m_station.m_temperature >= 45) return;
  m_station.m_temperatureShown = ++m_station.m_temperature;
  UpdateData(false);
}

void CMeasureDlg::OnIntervalDown() {
  if (m_station.m_sampleInterval > 1) --m_station.m_sampleInterval;
  UpdateData(false);
}

void CMeasureDlg::OnIntervalUp() {
  if (m_station.m_sampleInterval < 99) ++m_station.m_sampleInterval;
  UpdateData(false);
}

}  // namespace corvala

// The display tick, the chart and the mouse on it.
#include "app/measure_dlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "app/icons.h"
#include "app/measure_dlg_internal.h"
#include "chart/chart_draw.h"
#include "chart/time_format.h"
#include "chart/value_list.h"
#include "util/c_format.h"

namespace corvala {

using namespace window;

ChartView CMeasureDlg::MakeChartView() const {
  ChartView view;
  view.timeOffset = m_timeOffset;
  view.maxTime = m_maxTime;
  view.scroll = As<QSlider>(1034)->value();
  view.maxPressure = m_station.m_maxPressure;
  view.unit = m_station.m_unit;
  view.unitName = m_unitName;
  view.factor1 = m_factor1;
  view.factor2 = m_factor2;
  view.effFactor1 = m_station.m_effFactor1;
  view.effFactor2 = m_station.m_effFactor2;
  view.sampleInterval = m_station.m_sampleInterval;
  for (size_t c = 0; c < 3; ++c) {
    view.chamberShown[c] = m_chamberShown[c] != 0;
    view.normOffset[c] = m_station.m_normOffset[c];
  }
  view.selSlope = m_selSlope;
  view.selChamber = m_selChamber;
  view.selStart = m_selStart;
  view.selEnd = m_selEnd;
  view.selChamberHit = m_selChamberHit;
  view.selPoints = m_selPoints;
  view.selDragging = m_selDragging != 0;
  view.selDragX = m_selDragX;
  view.selDragY = m_selDragY;
  view.correctionOn = m_correctionOn == 1;
  view.correctionTime = m_correctionTime;
  view.showDelay = m_showDelay != 0;
  view.showSlope = m_showSlope != 0;
  view.showResp = m_showResp != 0;
  view.showMax = m_showMax != 0;
  view.showAll = m_showAll != 0;
  view.hoverValue = m_hoverValue;
  view.hoverSample = m_hoverSample;
  view.hoverChamber = m_hoverChamber;
  view.mouseX = m_mouseX;
  view.mouseY = m_mouseY;
  return view;
}

bool CMeasureDlg::RefreshView() {
  if (m_view != 1) return false;
  // The chart is drawn in the next paint; repeated requests within one pass of
  // the event loop cost one drawing.
  m_chart = LayoutChart(width(), height());
  m_plot = PlotRectFor(m_chart.left, m_chart.top, m_chart.right - m_chart.left,
                       m_chart.bottom - m_chart.top);
  update(
      QRect(m_chart.left, m_chart.top, m_chart.right - m_chart.left, m_chart.bottom - m_chart.top));
  return true;
}

void CMeasureDlg::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  if (m_view == 1) {
    const PixelRect area{m_chart.left, m_chart.top, m_chart.right, m_chart.bottom};
    const ChartView view = MakeChartView();
    chartDrawn_ = WithChamberRecords(
        {&m_station.m_chamber[0], &m_station.m_chamber[1], &m_station.m_chamber[2]},
        [&](const ChartChambers& chambers) {
          return DrawMeasurementChart(painter, area, view, chambers);
        });
    m_plot = chartDrawn_.plot;
  }
  if (m_view == 3 && !diagramLeft_.isNull()) {
    painter.drawImage(kLeftDiagramAt, diagramLeft_);
    painter.drawImage(kRightDiagramAt, diagramRight_);
  }
}

SelectionGeometry CMeasureDlg::MakeSelectionGeometry() const {
  SelectionGeometry g;
  g.left = m_plot.left;
  g.top = m_plot.top;
  g.right = m_plot.right;
  g.bottom = m_plot.bottom;
  g.timeOffset = m_timeOffset;
  g.maxTime = m_maxTime;
  g.scrollMinutes = As<QSlider>(1034)->value();
  g.fullScale =
      MaxPressureDisplay(m_station.m_maxPressure, m_station.m_effFactor1, m_station.m_effFactor2);
  g.sampleInterval = m_station.m_sampleInterval;
  return g;
}

void CMeasureDlg::mousePressEvent(QMouseEvent* event) {
  const int32_t x = event->position().toPoint().x(), y = event->position().toPoint().y();
  if (event->button() == Qt::LeftButton) {
    const int32_t hx = chartDrawn_.corrHandleX, hy = chartDrawn_.corrHandleY;
    if (m_correctionOn == 1 && hx <= x && x <= hx + 44 && hy <= y && y <= hy + 20) {
      m_corrDragX = x;  // dragging the correction marker
    } else {
      m_selDragging = 1;
      m_selDragX = m_selPoints[0] = x;
      m_selDragY = m_selPoints[1] = y;
      m_selSlope = kNoValue;
    }
  }
  QDialog::mousePressEvent(event);
}

void CMeasureDlg::mouseMoveEvent(QMouseEvent* event) {
  const int32_t x = event->position().toPoint().x();
  m_mouseX = x;
  m_mouseY = event->position().toPoint().y();
  if (m_corrDragX != -1 && x != m_corrDragX) {
    if (const auto time = CorrectionTimeAt(x, MakeSelectionGeometry())) m_correctionTime = *time;
    m_corrDragX = std::max(x, 0);
  }
  if (m_selDragging || m_corrDragX != -1) RefreshView();
  QDialog::mouseMoveEvent(event);
}

void CMeasureDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_selDragging = 0;
    m_corrDragX = -1;
    m_hoverValue = kNoValue;
    m_selPoints[2] = event->position().toPoint().x();
    m_selPoints[3] = event->position().toPoint().y();
    UpdateData(true);
    const std::array<float, 3> offsets{m_station.m_normOffset[0], m_station.m_normOffset[1],
                                       m_station.m_normOffset[2]};
    const RangeSelection range = WithChamberRecords(
        {&m_station.m_chamber[0], &m_station.m_chamber[1], &m_station.m_chamber[2]},
        [&](const ChartChambers& chambers) {
          return RangeSlope(m_selPoints[0], m_selPoints[1], m_selPoints[2], m_selPoints[3],
                            MakeSelectionGeometry(), chambers, offsets);
        });
    if (range.chamber >= 0) {
      m_selChamberHit = range.chamber;
      m_selStart = range.start;
      m_selEnd = range.end;
      if (range.slope != kNoValue) m_selChamber = range.chamber;
    }
    m_selSlope = range.slope;
    RefreshView();
  }
  QDialog::mouseReleaseEvent(event);
}

bool CMeasureDlg::FillValueList(int chamber) {
  if (chamber < 0 || chamber > 2) return false;
  const float offset = m_station.m_normOffset[chamber];
  const int unit = m_station.m_unit;
  const auto rows = m_station.m_chamber[chamber].Access(
      [offset, unit](const ChamberRecord& r) { return ValueListRows(r, offset, unit); });
  std::vector<std::vector<QString>> texts;
  texts.reserve(rows.size());
  for (const ValueListRow& row : rows) texts.push_back({Qs(row[0]), Qs(row[1]), Qs(row[2])});
  List(kValueList[chamber])->SetRows(std::move(texts));
  return true;
}

void CMeasureDlg::UpdateTimeScrollRange() {
  m_timeSpan = m_maxTime;
  for (SharedChamber& chamber : m_station.m_chamber) {
    const int32_t last = chamber.Access([](const ChamberRecord& r) {
      const int32_t n = r.Samples();
      return n > 0 ? r.sampleElapsed[static_cast<size_t>(n - 1)] : -1;
    });
    if (last >= 0 && last + 60 > m_timeSpan) m_timeSpan = last + 60;
  }
  // 64-bit, and no scroll position whose seconds overflow: a hand-edited
  // negative time window would otherwise make the hidden part huge.
  const int64_t hidden = int64_t{m_timeSpan} - (int64_t{m_maxTime} - m_timeOffset);
  As<QSlider>(1034)->setMaximum(
      static_cast<int>(std::clamp<int64_t>(hidden / 60, 0, INT32_MAX / 60)));
}

bool CMeasureDlg::ApplyUnit(bool toggle) {
  if (toggle) UpdateData(true);
  UnitState state{m_station.m_unit, m_unitName, m_station.m_effFactor1, m_station.m_effFactor2,
                  m_factor1,        m_factor2,  m_station.m_maxPressure};
  const UnitSwitch change =
      unitApplier_.ApplyUnit(toggle, state, m_factor1Entered, m_factor2Entered);
  if (!change.applied) return true;
  m_station.m_unit = state.unit;
  m_unitName = state.unitName;
  m_station.m_effFactor1 = state.effFactor1;
  m_station.m_effFactor2 = state.effFactor2;
  m_factor1 = state.factor1;
  m_factor2 = state.factor2;
  m_station.m_maxPressure = state.maxPressure;
  if (change.pairToSend)
    m_station.m_pairCommand.Set(change.pairToSend->first, change.pairToSend->second);
  for (int c = 0; c < 3; ++c) {
    if (m_station.m_chamber[c].Access([](const ChamberRecord& r) { return r.Samples() > 0; }))
      FillValueList(c);
  }
  As<QComboBox>(1050)->setCurrentIndex(m_station.m_unit - 1);
  UpdateData(false);
  RefreshView();
  return true;
}

void CMeasureDlg::OnTimer() {
  RefreshView();
  UpdateTimeScrollRange();

  // Link check: the tick counts 100 ms per tick, so a check period lasts
  // 2.5 sampling intervals; a frame start within it means the link is alive.
  m_linkTimerMs += 100;
  if (m_linkTimerMs >= int64_t{m_station.m_sampleInterval} * 1000) {
    m_linkAlive = m_station.m_frameStartSeen.exchange(-1) != -1 ? 1 : 0;
    m_linkTimerMs = 0;
  }
  if (m_linkAlive != m_linkShown) {
    if (m_linkAlive) {
      SetPicture(1038, kPictureLinkAlive);
    } else {
      SetPicture(1038, kPictureLinkLost);
      SetPicture(1040, kPictureSetPointFar);
      m_station.m_tempIndicator = 2;
    }
    m_linkShown = m_linkAlive;
  }

  // Trackbars: time scroll, "max. Pressure" and "max. Time".
  const int scroll = As<QSlider>(1034)->value();
  if (scroll != tick_.scrollPosition) {
    tick_.scrollPosition = scroll;
    m_selSlope = kNoValue;
    m_hoverValue = kNoValue;
    if (m_view == 1) RefreshView();
  }
  const int pressurePosition = As<QSlider>(1055)->value();
  if (pressurePosition != tick_.pressurePosition) {
    tick_.pressurePosition = pressurePosition;
    m_station.m_maxPressure = 4 * pressurePosition + 100;
    As<QLineEdit>(1056)->setText(Qs(Format(
        "%d", TruncToInt32(MaxPressureDisplay(m_station.m_maxPressure, m_station.m_effFactor1,
                                              m_station.m_effFactor2)))));
  }
  const int timePosition = As<QSlider>(1058)->value();
  if (timePosition != tick_.timePosition) {
    tick_.timePosition = timePosition;
    m_maxTime = (5 * timePosition + 10) * 60;
    As<QLineEdit>(1057)->setText(Qs(FormatHm(m_maxTime)));
  }

  // Device temperature; values outside 0..99.9 are kept and shown as 0.
  float temperature = m_station.m_deviceTemperature;
  if (temperature != tick_.deviceTemperature) {
    if (temperature < 0.0f || temperature > 99.9f) {
      temperature = 0.0f;
      m_station.m_deviceTemperature = 0.0f;
    }
    tick_.deviceTemperature = temperature;
    As<QLineEdit>(1039)->setText(Qs(Format("%3.1f", static_cast<double>(temperature))));
  }

  if (m_view == 1) {
    ShowLiveReadings();
    // The value under the pointer, shown beside it by the chart.
    const ChartView view = MakeChartView();
    const auto hover = WithChamberRecords(
        {&m_station.m_chamber[0], &m_station.m_chamber[1], &m_station.m_chamber[2]},
        [&](const ChartChambers& chambers) {
          return SampleUnderMouse(view, chambers, m_plot.left, m_plot.top, m_plot.Width(),
                                  m_plot.Height());
        });
    m_hoverValue = hover ? hover->value : kNoValue;
    if (hover) {
      m_hoverSample = hover->sample;
      m_hoverChamber = hover->chamber;
    }
    // The "measuring" labels of running chambers blink: shown for 11 ticks, hidden for 10.
    tick_.blink = tick_.blink >= 20 ? 0 : tick_.blink + 1;
    for (int c = 0; c < 3; ++c)
      if (m_station.m_running[c]) Control(kMeasuringLabel[c])->setVisible(tick_.blink <= 10);
  }

  // Chart top: redrawn when it changes; a unit change starts afresh.
  if (m_station.m_unit != tick_.unit) {
    tick_.unit = m_station.m_unit;
    tick_.chartTop.reset();
  }
  if (tick_.chartTop != m_station.m_maxPressure.load()) {
    tick_.chartTop = m_station.m_maxPressure.load();
    if (m_view == 1) RefreshView();
  }

  // The device reports another unit: the display follows it once.
  if (m_station.m_unitMismatch == 1) {
    m_station.m_unitMismatch = 2;
    ApplyUnit(true);
  }
  RefreshView();
  DrawAnalysisDiagrams();
}

void CMeasureDlg::ShowLiveReadings() {
  // The live edits follow the device's channel count.
  const int32_t channels = m_station.m_serviceArg;
  if (channels != tick_.channels) {
    if (channels == 3 || channels < 2) {
      for (int id : {1080, 1082, 1084}) Control(id)->show();
    } else if (channels == 2) {
      Control(1080)->show();
      Control(1082)->show();
      Control(1084)->hide();
    }
    tick_.channels = channels;
  }

  // Readings as the device delivers them; values outside 0..700 show as 0.
  const int32_t unit = m_station.m_unit;
  auto readingText = [&](int c) {
    float value = m_station.m_lastReading[c];
    if (value < 0.0f || value > 700.0f) {
      value = 0.0f;
      m_station.m_lastReading[c] = 0.0f;
    }
    tick_.readings[c] = value;
    return Qs(unit == 2 ? Format("%4.2f mg/l", static_cast<double>(value))
                        : Format("%3.1f mbar", static_cast<double>(value)));
  };
  if (m_station.m_lastReading[0] != tick_.readings[0]) {
    const QString text = readingText(0);
    As<QLineEdit>(1080)->setText(text);
    if (channels < 2) {
      As<QLineEdit>(1082)->setText(text);
      As<QLineEdit>(1084)->setText(text);
    }
  }
  if (m_station.m_lastReading[1] != tick_.readings[1] && channels > 1)
    As<QLineEdit>(1082)->setText(readingText(1));
  if (m_station.m_lastReading[2] != tick_.readings[2] && channels >= 3)
    As<QLineEdit>(1084)->setText(readingText(2));
}

}  // namespace corvala

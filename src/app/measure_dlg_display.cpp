// The display tick, the chart and the mouse on it.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

#include <cstdio>

#include "app/icons.h"
#include "app/measure_dlg.h"
#include "app/measure_dlg_internal.h"
#include "app/view_canvas.h"
#include "chart/chart_draw.h"
#include "chart/value_list.h"
#include "device/frame_parser.h"
#include "util/c_format.h"
#include "util/time_format.h"

namespace corvala {

using namespace window;

ChartView CMeasureDlg::MakeChartView() const {
  const UnitConfig units = station_.m_units.Get();
  ChartView view;
  view.timeOffset = chart_.timeOffset;
  view.maxTime = settings_.maxTime;
  view.scroll = As<QSlider>(ctl::kTimeScroll)->value();
  view.maxPressure = units.maxPressure;
  view.unit = units.unit;
  view.unitName = UnitName(units.unit);
  view.factor1 = settings_.factors.factor1;
  view.factor2 = settings_.factors.factor2;
  view.effFactor1 = units.effFactor1;
  view.effFactor2 = units.effFactor2;
  view.sampleInterval = station_.m_settings.m_sampleInterval;
  for (size_t c = 0; c < 3; ++c) {
    view.chamberShown[c] = chambers_.shown[c] != 0;
    view.normOffset[c] = station_.m_run[c].m_normOffset;
  }
  view.selSlope = chart_.selSlope;
  view.selChamber = chart_.selChamber;
  view.selStart = chart_.selStart;
  view.selEnd = chart_.selEnd;
  view.selChamberHit = chart_.selChamberHit;
  view.selPoints = chart_.selPoints;
  view.selFit = chart_.selFit;
  view.selDragging = chart_.selDragging != 0;
  view.selDragX = chart_.selDragX;
  view.selDragY = chart_.selDragY;
  view.correctionOn = settings_.correctionOn == 1;
  view.correctionTime = settings_.correctionTime;
  view.showDelay = chart_.showDelay != 0;
  view.showSlope = chart_.showSlope != 0;
  view.showResp = chart_.showResp != 0;
  view.showMax = chart_.showMax != 0;
  view.showAll = chart_.showAll != 0;
  view.hoverValue = chart_.hoverValue;
  view.hoverSample = chart_.hoverSample;
  view.hoverChamber = chart_.hoverChamber;
  view.mouseX = chart_.mouseX;
  view.mouseY = chart_.mouseY;
  view.simulated = station_.m_link.m_simulated.load();
  return view;
}

bool CMeasureDlg::RefreshView() {
  if (view_ != View::kMeasurement) return false;
  // The chart is drawn in the next paint; repeated requests within one pass of
  // the event loop cost one drawing.
  FitCanvas();
  const ChartArea& a = chart_.area;
  chart_.plot = PlotRectFor(a.left, a.top, a.right - a.left, a.bottom - a.top);
  widgets_.canvas->update(QRect(a.left, a.top, a.right - a.left, a.bottom - a.top));
  return true;
}

void CMeasureDlg::PaintView(QPainter& painter) {
  if (view_ == View::kMeasurement) {
    const ChartArea& a = chart_.area;
    const PixelRect area{a.left, a.top, a.right, a.bottom};
    const ChartView view = MakeChartView();
    // Drawn afresh only when what it shows changed; otherwise the kept picture.
    chart_.drawn = chart_.picture.Paint(
        painter, area, view,
        {&station_.m_chamber[0], &station_.m_chamber[1], &station_.m_chamber[2]});
    chart_.plot = chart_.drawn.plot;
  }
  if (view_ == View::kAnalysis && !diagrams_.leftImage.isNull()) {
    painter.drawImage(kLeftDiagramAt, diagrams_.leftImage);
    painter.drawImage(kRightDiagramAt, diagrams_.rightImage);
  }
}

SelectionGeometry CMeasureDlg::MakeSelectionGeometry() const {
  const UnitConfig units = station_.m_units.Get();
  SelectionGeometry g;
  g.left = chart_.plot.left;
  g.top = chart_.plot.top;
  g.right = chart_.plot.right;
  g.bottom = chart_.plot.bottom;
  g.timeOffset = chart_.timeOffset;
  g.maxTime = settings_.maxTime;
  g.scrollMinutes = As<QSlider>(ctl::kTimeScroll)->value();
  g.fullScale = MaxPressureDisplay(units.maxPressure, units.effFactor1, units.effFactor2);
  g.sampleInterval = station_.m_settings.m_sampleInterval;
  g.unit = units.unit;
  g.pair = DisplayPair(units.unit, units.effFactor1, units.effFactor2, settings_.factors.factor1,
                       settings_.factors.factor2);
  return g;
}

void CMeasureDlg::mousePressEvent(QMouseEvent* event) {
  const int32_t x = CanvasPoint(event).x(), y = CanvasPoint(event).y();
  if (event->button() == Qt::LeftButton) {
    const int32_t hx = chart_.drawn.corrHandleX, hy = chart_.drawn.corrHandleY;
    if (settings_.correctionOn == 1 && hx <= x && x <= hx + 44 && hy <= y && y <= hy + 20) {
      chart_.corrDragX = x;  // dragging the correction marker
    } else {
      chart_.selDragging = 1;
      chart_.selDragX = chart_.selPoints[0] = x;
      chart_.selDragY = chart_.selPoints[1] = y;
      chart_.selSlope = kNoValue;
    }
  }
  QDialog::mousePressEvent(event);
}

void CMeasureDlg::mouseMoveEvent(QMouseEvent* event) {
  const int32_t x = CanvasPoint(event).x();
  chart_.mouseX = x;
  chart_.mouseY = CanvasPoint(event).y();
  if (chart_.corrDragX != -1 && x != chart_.corrDragX) {
    if (const auto time = CorrectionTimeAt(x, MakeSelectionGeometry()))
      settings_.correctionTime = *time;
    chart_.corrDragX = std::max(x, 0);
  }
  if (chart_.selDragging || chart_.corrDragX != -1) RefreshView();
  QDialog::mouseMoveEvent(event);
}

void CMeasureDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    chart_.selDragging = 0;
    chart_.corrDragX = -1;
    chart_.hoverValue = kNoValue;
    chart_.selPoints[2] = CanvasPoint(event).x();
    chart_.selPoints[3] = CanvasPoint(event).y();
    UpdateData(true);
    const std::array<float, 3> offsets{station_.m_run[0].m_normOffset,
                                       station_.m_run[1].m_normOffset,
                                       station_.m_run[2].m_normOffset};
    const auto& p = chart_.selPoints;
    const RangeSelection range = WithChamberRecords(
        {&station_.m_chamber[0], &station_.m_chamber[1], &station_.m_chamber[2]},
        [&](const ChartChambers& chambers) {
          return RangeSlope(p[0], p[1], p[2], p[3], MakeSelectionGeometry(), chambers, offsets);
        });
    if (range.chamber >= 0) {
      chart_.selChamberHit = range.chamber;
      chart_.selStart = range.start;
      chart_.selEnd = range.end;
      if (range.slope != kNoValue) chart_.selChamber = range.chamber;
    }
    chart_.selSlope = range.slope;
    chart_.selFit = range.fit;
    RefreshView();
  }
  QDialog::mouseReleaseEvent(event);
}

bool CMeasureDlg::FillValueList(int chamber) {
  if (chamber < 0 || chamber > 2) return false;
  valueLists_[static_cast<size_t>(chamber)]->Refresh();
  return true;
}

void CMeasureDlg::UpdateTimeScrollRange() {
  chart_.timeSpan = settings_.maxTime;
  for (SharedChamber& chamber : station_.m_chamber) {
    const int32_t last = chamber.Access([](const ChamberRecord& r) {
      const int32_t n = r.Samples();
      return n > 0 ? r.series.Elapsed()[static_cast<size_t>(n - 1)] : -1;
    });
    if (last >= 0 && last + 60 > chart_.timeSpan) chart_.timeSpan = last + 60;
  }
  As<QSlider>(ctl::kTimeScroll)
      ->setMaximum(TimeScrollMaximum(chart_.timeSpan, settings_.maxTime, chart_.timeOffset));
}

// Edit 1056: the chart top in the display unit.
void CMeasureDlg::ShowChartTop() {
  const UnitConfig units = station_.m_units.Get();
  As<QLineEdit>(ctl::kMaxPressureValue)
      ->setText(Qs(Format("%d", TruncToInt32(MaxPressureDisplay(units.maxPressure, units.effFactor1,
                                                                units.effFactor2)))));
}

// The display tick runs in steps, in this order:
//  - the chart is drawn anew first: that lays out the plot rectangle the hover
//    value is looked up in; the time scroll range then grows with the samples
//    added since the last tick, before the trackbars read the scroll position;
//  - the link check reads only what the serial link left;
//  - the trackbars come before the chart top, so a moved "max. Pressure" bar
//    changes the chart top that step compares and is redrawn in this tick;
//  - the device temperature and the live readings are shown; values out of
//    range are set to 0 in the device report as well, so the sampler takes 0
//    for the device temperature too;
//  - the live readings, the hover value and the blinking measuring labels
//    belong to the measurement view only;
//  - the device unit check comes after the chart top: a unit it follows is
//    redrawn at once, and the next tick's chart top check starts afresh with it;
//  - the unit notice comes after the unit check, so it knows whether a factor
//    pair is on its way;
//  - the chart and the analysis diagrams are drawn last, with all of the above.
void CMeasureDlg::OnTimer() {
  RefreshView();
  UpdateTimeScrollRange();
  CheckLink();
  FollowTrackbars();
  ShowDeviceTemperature();
  if (view_ == View::kMeasurement) {
    ShowLiveReadings();
    ShowHoverValue();
    BlinkMeasuringLabels();
  }
  FollowChartTop();
  CheckDeviceUnit();
  ShowDeviceUnitNotice();
  RefreshView();
  DrawAnalysisDiagrams();
}

// The link check: the connection picture, and the set point shown far off
// while the link is lost.
void CMeasureDlg::CheckLink() {
  DeviceReport& report = station_.m_link.report;
  if (const auto alive =
          tick_.link.Tick(station_.m_settings.m_sampleInterval, report.m_frameStartSeen)) {
    if (*alive) {
      SetPicture(ctl::kDeviceConnection, kPictureLinkAlive);
    } else {
      SetPicture(ctl::kDeviceConnection, kPictureLinkLost);
      SetPicture(ctl::kSetPointIndicator, kPictureSetPointFar);
      report.m_tempIndicator = 2;
    }
  }
  ShowLinkStatus();
}

// Trackbars: time scroll, "max. Pressure" and "max. Time".
void CMeasureDlg::FollowTrackbars() {
  const int scroll = As<QSlider>(ctl::kTimeScroll)->value();
  if (scroll != tick_.scrollPosition) {
    tick_.scrollPosition = scroll;
    chart_.selSlope = kNoValue;
    chart_.hoverValue = kNoValue;
    RefreshView();
  }
  const int pressurePosition = As<QSlider>(ctl::kMaxPressureBar)->value();
  if (pressurePosition != tick_.pressurePosition) {
    tick_.pressurePosition = pressurePosition;
    station_.m_units.Update(
        [&](UnitConfig& config) { config.maxPressure = MaxPressureOfTrackbar(pressurePosition); });
    ShowChartTop();
  }
  const int timePosition = As<QSlider>(ctl::kMaxTimeBar)->value();
  if (timePosition != tick_.timePosition) {
    tick_.timePosition = timePosition;
    settings_.maxTime = MaxTimeOfTrackbar(timePosition);
    As<QLineEdit>(ctl::kMaxTimeValue)->setText(Qs(FormatHm(settings_.maxTime)));
  }
}

// Device temperature; values outside 0..99.9 are kept and shown as 0.
void CMeasureDlg::ShowDeviceTemperature() {
  DeviceReport& report = station_.m_link.report;
  float temperature = report.m_deviceTemperature;
  if (temperature != tick_.deviceTemperature) {
    if (ShownTemperature(temperature) != temperature) {
      temperature = 0.0f;
      report.m_deviceTemperature = 0.0f;
    }
    tick_.deviceTemperature = temperature;
    As<QLineEdit>(ctl::kDeviceTemperature)
        ->setText(Qs(Format("%3.1f", static_cast<double>(temperature))));
  }
}

// The value under the pointer, shown beside it by the chart.
void CMeasureDlg::ShowHoverValue() {
  const ChartView view = MakeChartView();
  const auto hover = WithChamberRecords(
      {&station_.m_chamber[0], &station_.m_chamber[1], &station_.m_chamber[2]},
      [&](const ChartChambers& chambers) {
        return SampleUnderMouse(view, chambers, chart_.plot.left, chart_.plot.top,
                                chart_.plot.Width(), chart_.plot.Height());
      });
  chart_.hoverValue = hover ? hover->value : kNoValue;
  if (hover) {
    chart_.hoverSample = hover->sample;
    chart_.hoverChamber = hover->chamber;
  }
}

void CMeasureDlg::BlinkMeasuringLabels() {
  const bool labelsShown = tick_.blink.Tick();
  for (int c = 0; c < 3; ++c)
    if (station_.m_run[c].m_running) Control(ctl::kMeasuring[c])->setVisible(labelsShown);
}

// Chart top: redrawn when it changes; a unit change starts afresh.
void CMeasureDlg::FollowChartTop() {
  const UnitConfig units = station_.m_units.Get();
  if (units.unit != tick_.unit) {
    tick_.unit = units.unit;
    tick_.chartTop.reset();
  }
  if (tick_.chartTop != units.maxPressure) {
    tick_.chartTop = units.maxPressure;
    RefreshView();
  }
}

// The device reports another unit. With no chamber measuring the display
// follows it once; while one measures the run keeps its unit and the device
// is sent the pair in force again. Frames from before the device had a
// factor pair on its way do not count.
void CMeasureDlg::CheckDeviceUnit() {
  if (!TakeUnitMismatch(station_.m_link)) return;
  UpdateData(true);
  const UnitSwitch change = configuration_.FollowDeviceUnit(station_, settings_);
  if (change.applied) {
    AfterUnitSwitch();
  } else if (change.pairToSend) {
    const int32_t unit = Unit();
    std::fprintf(stderr,
                 "corvala3: the device reports %s while a chamber measures in %s; the factor "
                 "pair %d %d is sent again\n",
                 UnitName(unit == kUnitMbar ? kUnitMgl : kUnitMbar).c_str(), UnitName(unit).c_str(),
                 change.pairToSend->first, change.pairToSend->second);
  }
}

void CMeasureDlg::ShowLiveReadings() {
  DeviceReport& report = station_.m_link.report;
  // The live edits follow the device's channel count.
  const int32_t channels = report.m_serviceArg;
  if (channels != tick_.channels) {
    if (const auto edits = LiveEditsFor(channels)) {
      Control(ctl::kReading1)->setVisible(edits->chamber1);
      Control(ctl::kReading2)->setVisible(edits->chamber2);
      Control(ctl::kReading3)->setVisible(edits->chamber3);
    }
    tick_.channels = channels;
  }

  // Readings as the device delivers them, named with the unit the device
  // reported (which may differ from the unit in force for a moment); values
  // outside 0..700 show as 0.
  const int32_t unit = ReadingUnit(report.m_deviceUnit, Unit());
  if (unit != tick_.readingUnit) {
    tick_.readingUnit = unit;
    tick_.readings = {kNoValue, kNoValue, kNoValue};  // every text again
  }
  auto readingText = [&](int c) {
    float value = report.m_lastReading[c];
    if (ShownReading(value) != value) {
      value = 0.0f;
      report.m_lastReading[c] = 0.0f;
    }
    tick_.readings[c] = value;
    return Qs(ReadingText(value, unit));
  };
  if (report.m_lastReading[0] != tick_.readings[0]) {
    const QString text = readingText(0);
    As<QLineEdit>(ctl::kReading1)->setText(text);
    if (channels < 2) {
      As<QLineEdit>(ctl::kReading2)->setText(text);
      As<QLineEdit>(ctl::kReading3)->setText(text);
    }
  }
  if (report.m_lastReading[1] != tick_.readings[1] && channels > 1)
    As<QLineEdit>(ctl::kReading2)->setText(readingText(1));
  if (report.m_lastReading[2] != tick_.readings[2] && channels >= 3)
    As<QLineEdit>(ctl::kReading3)->setText(readingText(2));
}

// Beside the live values while the device reports a unit other than the one in
// force (and no factor pair is on its way to it).
void CMeasureDlg::ShowDeviceUnitNotice() {
  const DeviceLink& link = station_.m_link;
  const std::string notice = link.commands.m_pairCommand.Busy()
                                 ? std::string()
                                 : DeviceUnitNotice(link.report.m_deviceUnit, Unit());
  if (notice == tick_.unitNotice) return;
  tick_.unitNotice = notice;
  widgets_.unitNotice->setText(Qs(notice));
  widgets_.unitNotice->setToolTip(Qs(notice));
  widgets_.unitNotice->setVisible(view_ == View::kMeasurement && !notice.empty());
}

}  // namespace corvala

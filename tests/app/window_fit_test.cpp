// The window on a small screen: it fits the screen's available area and every
// control of a view can be scrolled into sight; and the value lists keep the
// place the user scrolled to while samples arrive.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "app/control_ids.h"
#include "app/control_table.h"
#include "app/measure_dlg.h"
#include "app/report_list.h"
#include "app/window_probe.h"
#include "test_support/temp_folder.h"
#include "test_support/window_app.h"

namespace corvala {
namespace {

class WindowFit : public ::testing::Test {
 protected:
  void SetUp() override { testing::WindowTestApp(); }
  std::unique_ptr<CMeasureDlg> Open() {
    auto dlg = std::make_unique<CMeasureDlg>(testing::WindowAloneIn(folder_.Path()), &prompts_);
    dlg->show();
    QApplication::processEvents();
    return dlg;
  }
  static void Click(CMeasureDlg& dlg, int id) {
    static_cast<QAbstractButton*>(dlg.Control(id))->click();
    QApplication::processEvents();
  }
  // Scrolls the control into sight, as a user would; true when it then lies
  // inside the window, or fills the window where it is larger.
  static bool Reachable(CMeasureDlg& dlg, QWidget* control) {
    QRect view = dlg.rect();
    if (auto* area = dlg.findChild<QScrollArea*>()) {
      // Its far corner first, then its near one, as a user scrolling to it would.
      const QRect on(control->mapTo(area->widget(), QPoint(0, 0)), control->size());
      area->ensureVisible(on.left() + on.width(), on.top() + on.height(), 0, 0);
      area->ensureVisible(on.left(), on.top(), 0, 0);
      view = QRect(area->viewport()->mapTo(&dlg, QPoint(0, 0)), area->viewport()->size());
    }
    const QRect at(control->mapTo(&dlg, QPoint(0, 0)), control->size());
    const QRect shown = at.intersected(view);
    return shown.width() == std::min(at.width(), view.width()) &&
           shown.height() == std::min(at.height(), view.height());
  }
  // Every control the view shows (the configuration view's window is given
  // in pixels and leaves the connection indicator beyond its right edge).
  static void ExpectEveryControlReachable(CMeasureDlg& dlg, View view) {
    for (const ControlSpec& control : AllControls()) {
      QWidget* widget = dlg.Control(control.id);
      if (!widget->isVisibleTo(&dlg)) continue;
      if (view == View::kConfiguration && control.id == ctl::kDeviceConnection) continue;
      EXPECT_TRUE(Reachable(dlg, widget))
          << "control " << control.id << " in view " << static_cast<int>(view);
    }
  }

  corvala::testing::TempFolder folder_;
  ScriptedPrompts prompts_;
};

TEST_F(WindowFit, TheWindowFitsTheScreenAndEveryControlCanBeReached) {
  auto dlg = Open();
  const QRect available = dlg->screen()->availableGeometry();
  EXPECT_TRUE(available.contains(dlg->frameGeometry()));
  ExpectEveryControlReachable(*dlg, View::kMeasurement);
  Click(*dlg, ctl::kAnalysisView);
  EXPECT_TRUE(available.contains(dlg->frameGeometry()));
  ExpectEveryControlReachable(*dlg, View::kAnalysis);
  Click(*dlg, ctl::kConfigurationView);
  EXPECT_TRUE(available.contains(dlg->frameGeometry()));
  ExpectEveryControlReachable(*dlg, View::kConfiguration);
  Click(*dlg, ctl::kMeasurementView);
  EXPECT_TRUE(available.contains(dlg->frameGeometry()));
  ExpectEveryControlReachable(*dlg, View::kMeasurement);
}

// Free areas of 1366 x 768 at 200 % and 150 %, 1920 x 1080 at 200 % and
// 1366 x 768 at 125 %, with a panel above.
TEST_F(WindowFit, OnSmallerScreensTheWindowShrinksAndScrolls) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  const QRect areas[] = {QRect(0, 24, 683, 360), QRect(0, 24, 910, 488), QRect(0, 24, 960, 516),
                         QRect(0, 24, 1093, 590)};
  for (const QRect& available : areas) {
    probe.FitToScreen(available);
    QApplication::processEvents();
    EXPECT_TRUE(available.contains(dlg->frameGeometry()))
        << available.width() << "x" << available.height();
    ExpectEveryControlReachable(*dlg, View::kMeasurement);
    // The least size fits the screen and still shows a good part of a view.
    EXPECT_LE(dlg->minimumWidth(), available.width());
    EXPECT_LE(dlg->minimumHeight(), available.height());
    EXPECT_GE(dlg->minimumWidth(), 200);
    EXPECT_GE(dlg->minimumHeight(), 150);
  }
  // Made larger, the window shows the whole layout; the chart stays clear of the controls.
  dlg->resize(1400, 900);
  QApplication::processEvents();
  const ChartArea chart = probe.chartArea();
  EXPECT_EQ(chart.right, LayoutChart(1005, 674).right);
  EXPECT_EQ(chart.bottom, LayoutChart(1005, 674).bottom);
}

// The chart is measured where it is drawn, however far the window is scrolled.
TEST_F(WindowFit, DraggingOnAScrolledChartMeasuresTheCurveUnderThePointer) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  probe.FitToScreen(QRect(0, 0, 683, 384));
  probe.station().m_settings.m_sampleInterval = 10;
  probe.station().m_chamber[1].Access([](ChamberRecord& r) {
    for (int k = 0; k < 30; ++k) AppendSample(r, 100.0f + 2.0f * k, 25.0f, 0, LocalTime{}, 10 * k);
  });
  probe.RefreshView();
  dlg->grab();
  auto* area = dlg->findChild<QScrollArea*>();
  ASSERT_NE(area, nullptr);
  area->horizontalScrollBar()->setValue(150);
  area->verticalScrollBar()->setValue(60);
  QApplication::processEvents();
  const PixelRect plot = probe.plotRect();
  auto at = [&](int k) {  // sample k on the canvas
    const double x = plot.left + plot.Width() * (10.0 * k) / 450.0 + 1;
    const double y = plot.bottom - plot.Height() * (100.0 + 2.0 * k) / 300.0;
    return QPointF(x, y);
  };
  QWidget* canvas = area->widget();
  auto send = [&](QEvent::Type type, QPointF point) {
    QMouseEvent event(type, point, canvas->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
  };
  send(QEvent::MouseButtonPress, at(20));
  send(QEvent::MouseMove, at(5));
  send(QEvent::MouseButtonRelease, at(5));
  EXPECT_FLOAT_EQ(probe.selSlope(), 0.2f);
  EXPECT_EQ(probe.selStart(), 5);
  EXPECT_EQ(probe.selEnd(), 20);
}

TEST_F(WindowFit, AValueListScrolledUpKeepsItsPlaceAndOneAtItsEndFollows) {
  auto dlg = Open();
  WindowProbe probe(*dlg);
  ReportList* list = probe.List(ctl::kValues1);
  QScrollBar* bar = list->verticalScrollBar();
  int k = 0;
  // The sampler appends and tells the window; the window takes its events in batches.
  auto sample = [&](int count) {
    for (int n = 0; n < count; ++n, ++k) {
      probe.station().m_chamber[0].Access(
          [k](ChamberRecord& r) { AppendSample(r, 100.0f, 25.0f, 0, LocalTime{}, 5 * k); });
      probe.samplingEvents().SampleListed(0, k, ListedSample{5 * k, 100.0f, 0, false});
    }
    QApplication::processEvents();
  };
  for (int n = 0; n < 12; ++n) sample(5);
  ASSERT_EQ(list->rowCount(), 60);
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());  // the list followed its end

  bar->setValue(3);  // the user scrolls up to read earlier rows
  sample(1);
  EXPECT_EQ(bar->value(), 3);
  sample(4);
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(list->rowCount(), 65);

  bar->setValue(bar->maximum());  // back at the end: the list follows again
  sample(1);
  EXPECT_EQ(bar->value(), bar->maximum());
  sample(3);
  EXPECT_EQ(bar->value(), bar->maximum());
  const QRect last = list->visualRect(list->model()->index(list->rowCount() - 1, 0));
  EXPECT_LE(last.bottom(), list->viewport()->height());
}

}  // namespace
}  // namespace corvala

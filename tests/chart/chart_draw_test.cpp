#include "chart/chart_draw.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <functional>
#include <optional>

#include "test_support/edit_sample.h"

namespace corvala {
namespace {

ChamberRecord Record(int32_t count, int32_t interval, float pressure, uint8_t light = 0) {
  ChamberRecord r;
  for (int32_t j = 0; j < count; ++j)
    AppendSample(r, pressure, 25.0f, light, LocalTime{2024, 4, 3, 9, 0, 0}, j * interval);
  return r;
}

int CountColor(const QImage& image, const QColor& color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == color;
  return n;
}

// Chart area 0,0 1005 x 571: plot 40,20 .. 978,542.
class ChartDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    // One application for the whole program; a static one would crash at exit.
    static int argc = 1;
    static char name[] = "chart_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app =
        (qputenv("QT_QPA_PLATFORM", "offscreen"), new QGuiApplication(argc, argv));
    (void)app;
  }
  ChartGeometry Draw(PixelRect area = {0, 0, 1005, 571}) {
    image_.fill(Qt::white);
    QPainter painter(&image_);
    return DrawMeasurementChart(painter, area, view_,
                                {rec_[0].get(), rec_[1].get(), rec_[2].get()});
  }
  QColor At(int x, int y) const { return image_.pixelColor(x, y); }
  ChartScale Scale() const { return MakeChartScale(view_, 40, 20, 938, 522); }
  QColor AtSample(int32_t t, float p) const {
    const ChartScale s = Scale();
    return At(s.X(t), s.Y(p, 0.0f));
  }
  static QImage White() {
    QImage image(1005, 571, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
  }
  // The curves of `r` alone, drawn by DrawCurves.
  QImage Curves(const ChamberRecord& r) const {
    QImage image = White();
    QPainter painter(&image);
    DrawCurves(painter, 40, 20, 938, 522, view_, {&r, nullptr, nullptr});
    painter.end();
    return image;
  }
  // Every visible segment of `r` drawn one by one, clipped to the plot with its
  // axes, in the colour `pen(index in the window, sample)` gives (none: left out).
  QImage Segments(const ChamberRecord& r,
                  const std::function<std::optional<QColor>(size_t, size_t)>& pen) const {
    QImage image = White();
    QPainter painter(&image);
    painter.setClipRect(QRect(40, 20, 939, 523));
    const ChartScale s = Scale();
    const VisibleRange range = VisibleSamples(r, s.timeStart, s.timeEnd);
    const auto& e = r.series.Elapsed();
    const auto& p = r.series.Pressure();
    for (auto k = static_cast<size_t>(range.first); k < static_cast<size_t>(range.end); ++k) {
      const std::optional<QColor> color = pen(k - static_cast<size_t>(range.first), k);
      if (!color) continue;
      painter.setPen(QPen(*color, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
      painter.drawLine(s.X(e[k - 1]), s.Y(p[k - 1], 0.0f), s.X(e[k]), s.Y(p[k], 0.0f));
    }
    painter.end();
    return image;
  }
  // Pixels that differ, or with `only`, where one image has that colour and the other not.
  static int Differing(const QImage& a, const QImage& b, std::optional<QColor> only = {}) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x)
        n += only ? (a.pixelColor(x, y) == *only) != (b.pixelColor(x, y) == *only)
                  : a.pixel(x, y) != b.pixel(x, y);
    return n;
  }

  QImage image_{1005, 571, QImage::Format_RGB32};
  ChartView view_;
  std::array<std::unique_ptr<ChamberRecord>, 3> rec_;
};

TEST_F(ChartDraw, FrameAxesAndCorrectionHandle) {
  view_.correctionOn = true;
  view_.correctionTime = 225;
  const ChartGeometry g = Draw();
  EXPECT_EQ(g.plot, (PixelRect{40, 20, 978, 542}));
  EXPECT_EQ(At(2, 2), QColor(159, 159, 159));
  EXPECT_EQ(At(40, 300), QColor(Qt::black));
  EXPECT_EQ(At(500, 542), QColor(Qt::black));
  EXPECT_EQ(g.corrHandleX, 487);  // marker at 40 + 938 / 2 = 509
  EXPECT_EQ(g.corrHandleY, 20);
  EXPECT_EQ(At(488, 21), QColor(255, 255, 0));
  EXPECT_EQ(At(509, 300), QColor(255, 255, 0));
  Draw({100, 50, 600, 400});  // nothing outside the chart area is touched
  EXPECT_EQ(At(99, 60), QColor(Qt::white));
  EXPECT_EQ(At(600, 200), QColor(Qt::white));
  EXPECT_EQ(At(100, 50), QColor(159, 159, 159));
}

TEST_F(ChartDraw, CurvesByLightChamberWindowAndOffset) {
  rec_[0] = std::make_unique<ChamberRecord>(Record(91, 5, 150.0f));
  for (int j = 45; j < 91; ++j) testing::EditSample(*rec_[0], j, [](Sample& s) { s.light = 1; });
  for (int32_t t = 455; t < 900; t += 5)  // after the 450 s window, at 250 mbar
    AppendSample(*rec_[0], 250.0f, 25.0f, 0, LocalTime{}, t);
  rec_[1] = std::make_unique<ChamberRecord>(Record(91, 5, 100.0f));
  rec_[2] = std::make_unique<ChamberRecord>(Record(91, 5, 60.0f, 1));
  view_.chamberShown[1] = false;
  Draw();
  EXPECT_EQ(AtSample(100, 150.0f), QColor(127, 0, 0));
  EXPECT_EQ(AtSample(350, 150.0f), QColor(255, 0, 0));
  EXPECT_EQ(AtSample(200, 60.0f), QColor(155, 203, 229));
  EXPECT_EQ(CountColor(image_, QColor(0, 127, 0)), 0);  // chamber 2 hidden
  const ChartScale s = Scale();
  EXPECT_EQ(At(s.X(200), s.Y(60.0f, 0.0f) + 2), QColor(Qt::white));  // two pixels thick
  EXPECT_EQ(At(s.X(200), s.Y(60.0f, 0.0f) - 2), QColor(Qt::white));
  const int y250 = s.Y(250.0f, 0.0f);
  for (int x = 0; x < 1005; ++x) ASSERT_NE(At(x, y250), QColor(127, 0, 0)) << x;

  view_.normOffset[0] = 50.0f;  // the 150 mbar curve drawn where 100 mbar is
  Draw();
  EXPECT_EQ(AtSample(200, 100.0f), QColor(127, 0, 0));
  view_.scroll = 20;  // the runs ended before the window
  Draw();
  EXPECT_EQ(CountColor(image_, QColor(127, 0, 0)), 0);
}

TEST_F(ChartDraw, AGapInTheTimeAxisBreaksTheCurveAndIsMarkedInsideThePlot) {
  rec_[0] = std::make_unique<ChamberRecord>(Record(21, 5, 150.0f));  // 0 .. 100
  for (int32_t t = 200; t <= 400; t += 5) AppendSample(*rec_[0], 150.0f, 25.0f, 0, LocalTime{}, t);
  AppendSample(*rec_[0], 150.0f, 25.0f, 0, LocalTime{}, 700);  // a gap beyond the window
  Draw();
  const ChartScale s = Scale();
  const QColor curve(127, 0, 0), hatch(190, 190, 190), edge(120, 120, 120);
  const int y = s.Y(150.0f, 0.0f);
  EXPECT_EQ(At(s.X(50), y), curve);
  EXPECT_EQ(At(s.X(300), y), curve);
  EXPECT_NE(At(s.X(150), y), curve);  // no line across the gap
  auto inColumn = [&](int x, const QColor& color) {
    int n = 0;
    for (int row = 0; row < image_.height(); ++row) n += At(x, row) == color;
    return n;
  };
  EXPECT_GT(inColumn(s.X(150), hatch), 0);
  EXPECT_GT(inColumn(s.X(200), edge), 0);
  EXPECT_GT(inColumn(977, hatch), 0);  // the gap after 400 s reaches the plot's right edge
  EXPECT_EQ(inColumn(990, hatch), 0);  // and no further
  for (int x = 0; x < image_.width(); ++x) {
    ASSERT_NE(At(x, 15), hatch) << x;   // above the plot
    ASSERT_NE(At(x, 542), hatch) << x;  // the time axis stays whole
  }
}

TEST_F(ChartDraw, SelectionRegionsLabelBoxes) {
  rec_[1] = std::make_unique<ChamberRecord>(Record(91, 5, 150.0f, 1));
  rec_[1]->analysis.m_fallRange = {80, 85};
  rec_[1]->analysis.m_fallRate = {-0.125f};
  view_.showResp = true;
  view_.selSlope = 0.5f;
  view_.selChamber = view_.selChamberHit = 1;
  view_.selStart = 20;
  view_.selEnd = 40;
  view_.selPoints = {0, 0, 600, 0};
  Draw();
  EXPECT_EQ(AtSample(150, 150.0f), QColor(Qt::black));  // selected
  EXPECT_EQ(AtSample(300, 150.0f), QColor(0, 255, 0));
  EXPECT_EQ(AtSample(410, 150.0f), QColor(Qt::black));  // shown fall region
  // Respiration box of chamber 2 at 50,86 .. 175,120 (rows 56 pixels apart, a
  // line more for the flat region's fit): frame, chamber colour inside.
  EXPECT_EQ(At(50, 91), QColor(Qt::black));
  EXPECT_EQ(At(51, 87), QColor(0, 255, 0));
  EXPECT_EQ(At(51, 118), QColor(0, 255, 0));
  EXPECT_EQ(At(60, 120), QColor(Qt::black));
  // "0.500 mbar/s" (12 characters) 40 px above sample 40 (y 281) at x 600.
  EXPECT_EQ(At(600, 261), QColor(Qt::black));
  EXPECT_EQ(At(600 - 47, 281 - 49), QColor(255, 255, 0));
  EXPECT_EQ(At(600 - 49, 281 - 40), QColor(Qt::black));
  // The regression's box stands on the first: "0.5 mbar/s, n 2" is 15 bytes.
  EXPECT_EQ(At(600 - 20, 281 - 40 - 22 - 9), QColor(Qt::white));
  RateFit fit;
  fit.n = 2;
  fit.slope = 0.5;
  view_.selFit = fit;
  Draw();
  EXPECT_EQ(At(600 - 4 * 15 + 1, 281 - 40 - 22 - 9), QColor(255, 255, 0));
  EXPECT_EQ(At(600 - 4 * 15 - 1, 281 - 40 - 22), QColor(Qt::black));
  EXPECT_EQ(At(600 - 47, 281 - 49), QColor(255, 255, 0));  // the first box stays
}

// Curves reaching below zero, above the chart top or in from before the
// visible window are cut at the plot's edges: the time and pressure labels and
// the unit name around the plot stay readable.
TEST_F(ChartDraw, CurvesStayInsideThePlot) {
  rec_[0] = std::make_unique<ChamberRecord>(Record(120, 5, -10.0f));  // on the time labels
  rec_[1] = std::make_unique<ChamberRecord>(Record(120, 5, 310.0f));  // chart top 300 mbar
  rec_[2] = std::make_unique<ChamberRecord>();
  for (int32_t j = 0; j < 120; ++j)  // from the plot's middle down to far below zero
    AppendSample(*rec_[2], 150.0f - 5.0f * static_cast<float>(j), 25.0f, 0, LocalTime{}, 5 * j);
  view_.scroll = 1;  // 60 .. 510 s: the first drawn segment comes from 55 s
  const ChartGeometry g = Draw();
  const PixelRect plot = g.plot;
  std::array<int, 3> inside{}, outside{};
  for (int y = 0; y < image_.height(); ++y) {
    for (int x = 0; x < image_.width(); ++x) {
      for (size_t c = 0; c < 3; ++c) {
        if (image_.pixelColor(x, y) != CurveColor(static_cast<int32_t>(c), false)) continue;
        const bool in = x >= plot.left && x <= plot.right && y >= plot.top && y <= plot.bottom;
        (in ? inside : outside)[c] += 1;
      }
    }
  }
  for (size_t c = 0; c < 3; ++c) EXPECT_EQ(outside[c], 0) << "chamber " << c + 1;
  EXPECT_GT(inside[2], 0);  // the part above zero is drawn
}

// Every segment drawn one by one with the same pens must give the same picture
// as the merged columns, for a dense noisy curve with pen changes.
TEST_F(ChartDraw, MergedColumnsLookLikeEverySegmentDrawn) {
  ChamberRecord r;
  float p = 120.0f;
  for (int32_t t = 0; t < 20000; ++t) {
    p += ((t / 700) % 2 ? 0.02f : -0.02f) + 0.8f * std::sin(static_cast<float>(t) * 1.3f);
    AppendSample(r, p, 25.0f, static_cast<uint8_t>((t / 333) % 2), LocalTime{}, t);
  }
  view_.maxTime = 18000;
  view_.scroll = 10;  // 600 .. 18600 s: cut at both ends
  view_.selSlope = 1.0f;
  view_.selChamber = 0;
  view_.selStart = 5000;
  view_.selEnd = 5017;
  const QImage merged = Curves(r);
  const ChartScale s = Scale();
  const auto pens = CurvePens(view_, r, 0, VisibleSamples(r, s.timeStart, s.timeEnd));
  const QColor colors[3] = {CurveColor(0, false), CurveColor(0, true), Qt::black};
  const QImage reference =
      Segments(r, [&](size_t i, size_t) { return colors[static_cast<size_t>(pens[i])]; });
  EXPECT_EQ(Differing(merged, reference), 0);
  EXPECT_GT(CountColor(merged, QColor(Qt::black)), 0);
}

// A window of many samples per pixel column is drawn column by column; with
// one pen it covers the very pixels of every segment drawn one by one, the
// segment coming in from before the window and the break at a gap included.
TEST_F(ChartDraw, ColumnsOfALongWindowCoverWhatEverySegmentCovers) {
  ChamberRecord r;
  r.runInterval = 1;
  float p = 150.0f;
  for (int32_t t = 0; t < 90000; ++t) {
    if (t >= 50000 && t < 52000) continue;  // a gap in the time axis
    p += ((t / 3000) % 2 ? 0.01f : -0.01f) + 2.0f * std::sin(static_cast<float>(t) * 0.37f);
    AppendSample(r, p, 25.0f, 0, LocalTime{}, t);
  }
  view_.maxTime = 86400;
  view_.scroll = 30;  // 1800 .. 88200 s: cut at both ends
  const QColor curve = CurveColor(0, false);
  const QImage columns = Curves(r);
  const auto& e = r.series.Elapsed();
  const QImage reference = Segments(r, [&](size_t, size_t k) -> std::optional<QColor> {
    if (IsTimeGap(e[k - 1], e[k], 1)) return std::nullopt;
    return curve;
  });
  EXPECT_EQ(Differing(columns, reference, curve), 0);  // gap marks aside
  EXPECT_GT(CountColor(columns, curve), 1000);
}

// Samples closer and farther apart than the run's interval (a column's end is
// then looked for away from where evenly spaced samples would put it): the
// columns still cover the pixels of every segment.
TEST_F(ChartDraw, ColumnsOfUnevenlySpacedSamplesCoverWhatEverySegmentCovers) {
  ChamberRecord r;
  r.runInterval = 2;
  float p = 150.0f;
  // Stretches of 1 s steps and of 2 to 4 s steps: none is a gap.
  auto step = [](int32_t j) { return (j / 9000) % 2 ? 1 : 2 + (j % 3 == 0) + (j % 11 == 0); };
  for (int32_t t = 0, j = 0; t < 200000; t += step(j), ++j) {
    p += ((t / 5000) % 2 ? 0.02f : -0.02f) + 2.0f * std::sin(static_cast<float>(t) * 0.37f);
    AppendSample(r, p, 25.0f, 0, LocalTime{}, t);
  }
  view_.maxTime = 180000;
  view_.scroll = 7;
  const QColor curve = CurveColor(0, false);
  const QImage columns = Curves(r);
  const auto& e = r.series.Elapsed();
  const QImage reference = Segments(r, [&](size_t, size_t k) -> std::optional<QColor> {
    if (IsTimeGap(e[k - 1], e[k], r.runInterval)) return std::nullopt;
    return curve;
  });
  EXPECT_EQ(Differing(columns, reference, curve), 0);
  EXPECT_GT(CountColor(columns, curve), 1000);
}

// A column of a long window holds several runs of each light pen: the highest
// pressure of a pen is drawn even when a later run of that pen stays lower.
TEST_F(ChartDraw, AColumnKeepsTheExtremesOfEveryRunOfAPen) {
  ChamberRecord r;
  r.runInterval = 1;
  constexpr int32_t kSpike = 45970;  // light off, in the first of two light-off runs of its column
  for (int32_t t = 0; t < 86400; ++t) {
    const auto light = static_cast<uint8_t>((t / 30) % 2);
    AppendSample(r, t == kSpike ? 250.0f : 150.0f, 25.0f, light, LocalTime{}, t);
  }
  view_.maxTime = 86400;
  const QImage image = Curves(r);
  const ChartScale s = Scale();
  const int32_t x = s.X(kSpike);
  ASSERT_EQ(s.X(kSpike - 6), x);   // the run is not the column's first sample
  ASSERT_EQ(s.X(kSpike + 80), x);  // and the column holds the next light-off run
  EXPECT_EQ(image.pixelColor(x, s.Y(250.0f, 0.0f)), CurveColor(0, false));
  EXPECT_EQ(image.pixelColor(x, s.Y(200.0f, 0.0f)), CurveColor(0, false));
}

}  // namespace
}  // namespace corvala

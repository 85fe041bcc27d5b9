#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <functional>
#include <future>
#include <thread>

#include "analysis/run_analysis.h"
#include "chart/chart_draw.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

// Two hours of one-second samples in all three chambers, the light switching
// every minute, so that a 450 s window holds many analysis markers.
ChamberRecord PhaseRecord(int32_t chamber) {
  ChamberRecord r;
  r.runInterval = 1;
  float p = 120.0f + 40.0f * static_cast<float>(chamber);
  for (int32_t t = 0; t < 7200; ++t) {
    const uint8_t light = (t / 60) % 2;
    p += light ? 0.2f : -0.2f;
    const float noise = 0.8f * std::sin(static_cast<float>(t) * 0.7f);
    AppendSample(r, p + noise, 25.0f, light, LocalTime{2024, 4, 3, 0, 0, 0}, t);
  }
  r.analysis = AnalyseChamber(r, false, 0);
  return r;
}

// The default 450 s window with every marker, a selection and the correction marker.
ChartView DefaultWindowView(int32_t scroll) {
  ChartView v;
  v.maxTime = 450;
  v.scroll = scroll;
  v.sampleInterval = 1;
  v.showAll = v.showDelay = v.showSlope = v.showResp = v.showMax = true;
  v.correctionOn = true;
  v.correctionTime = 60 * scroll + 120;
  v.selSlope = 0.05f;
  v.selChamber = v.selChamberHit = 1;
  v.selStart = 60 * scroll + 100;
  v.selEnd = 60 * scroll + 300;
  v.selPoints = {300, 200, 500, 180};
  return v;
}

constexpr PixelRect kArea{0, 0, 1005, 571};

int DifferentPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

class ChartCacheTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "chart_tests";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      new QGuiApplication(argc, argv);
    }
  }
  void SetUp() override {
    for (size_t c = 0; c < 3; ++c) {
      ChamberRecord r = PhaseRecord(static_cast<int32_t>(c));
      shared_[c].Access([&](ChamberRecord& rec) { rec = std::move(r); });
    }
  }
  ChartCache::Shared Shared() const { return {&shared_[0], &shared_[1], &shared_[2]}; }
  QImage Direct(const ChartView& view) {
    QImage image(1005, 571, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    WithChamberRecords(Shared(), [&](const ChartChambers& chambers) {
      return DrawMeasurementChart(painter, kArea, view, chambers);
    });
    return image;
  }
  QImage Cached(ChartCache& cache, const ChartView& view) {
    QImage image(1005, 571, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    cache.Paint(painter, kArea, view, Shared());
    return image;
  }
  void Append(size_t c, int32_t elapsed) {
    shared_[c].Access([&](ChamberRecord& r) {
      AppendSample(r, 150.0f, 25.0f, 0, LocalTime{2024, 4, 3, 2, 0, 0}, elapsed);
    });
  }

  std::array<SharedChamber, 3> shared_;
};

// The default window with every marker looks as it did when each segment and
// marker was drawn straight onto the screen (images drawn by that code; the
// rate boxes with their regression lines, and the label rows they space out,
// drawn since).
TEST_F(ChartCacheTest, TheDefaultWindowKeepsItsPixels) {
  for (const int32_t scroll : {0, 30}) {
    const QImage before(QString::fromStdString(
        testing::DataPath("chart_default_window_" + std::to_string(scroll) + ".png")));
    ASSERT_FALSE(before.isNull());
    const QImage after = Direct(DefaultWindowView(scroll)).convertToFormat(before.format());
    EXPECT_EQ(DifferentPixels(before, after), 0) << "scroll " << scroll;
  }
}

TEST_F(ChartCacheTest, TheKeptPictureShowsWhatADirectDrawingShows) {
  ChartView view = DefaultWindowView(30);
  view.hoverValue = 150.0f;
  view.hoverChamber = 1;
  view.hoverSample = 1900;
  view.mouseX = 400;
  view.mouseY = 300;
  ChartCache cache;
  EXPECT_EQ(DifferentPixels(Direct(view), Cached(cache, view)), 0);
  // Again from the kept picture, the pointer elsewhere.
  view.mouseX = 600;
  EXPECT_EQ(DifferentPixels(Direct(view), Cached(cache, view)), 0);
  EXPECT_EQ(cache.Draws(), 1);
}

TEST_F(ChartCacheTest, TheChartIsDrawnAgainOnlyWhenWhatItShowsChanged) {
  ChartView view = DefaultWindowView(0);
  ChartCache cache;
  Cached(cache, view);
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 1);
  view.mouseX = 500;  // the pointer and the hover label are overlays
  view.hoverValue = 140.0f;
  view.selDragging = true;
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 1);
  Append(2, 7200);  // a new sample
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 2);
  view.scroll = 1;
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 3);
  view.showMax = false;
  view.showAll = false;
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 4);
  // Reading a record does not count as a change.
  shared_[0].Access([](const ChamberRecord& r) { return r.Samples(); });
  Cached(cache, view);
  EXPECT_EQ(cache.Draws(), 4);
}

// A paint device that runs a probe whenever an image is drawn on it: the kept
// chart being copied to the screen.
class ProbeEngine : public QPaintEngine {
 public:
  std::function<void()> probe;
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState&) override {}
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
    if (probe) probe();
  }
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
  void drawTextItem(const QPointF&, const QTextItem&) override {}
  Type type() const override { return QPaintEngine::User; }
};
class ProbeDevice : public QPaintDevice {
 public:
  mutable ProbeEngine engine;
  QPaintEngine* paintEngine() const override { return &engine; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth:
        return 1005;
      case PdmHeight:
        return 571;
      case PdmWidthMM:
        return 266;
      case PdmHeightMM:
        return 151;
      case PdmDepth:
        return 32;
      case PdmNumColors:
        return INT_MAX;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 96;
    }
  }
};

// The sampling thread appends while the window paints: no record lock is held
// while the chart is put on the screen.
TEST_F(ChartCacheTest, TheSamplerAppendsWhileTheChartIsPainted) {
  ProbeDevice device;
  int probes = 0;
  bool appended = false;
  std::thread sampler;
  device.engine.probe = [&] {
    ++probes;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    sampler = std::thread([this, done = std::move(done)]() mutable {
      for (size_t c = 0; c < 3; ++c) Append(c, 8000);
      done.set_value();
    });
    appended = finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  };
  ChartCache cache;
  {
    QPainter painter(&device);
    cache.Paint(painter, kArea, DefaultWindowView(0), Shared());
  }
  // A sampler that had to wait gets the locks once the paint returned.
  if (sampler.joinable()) sampler.join();
  EXPECT_EQ(probes, 1);
  EXPECT_TRUE(appended);
}

}  // namespace
}  // namespace corvala

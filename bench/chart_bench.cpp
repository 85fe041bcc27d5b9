// Drawing the measurement chart with a day (and a week) of one-second samples
// in all three chambers, into an image of the window's chart size.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "analysis/run_analysis.h"
#include "chart/chart_draw.h"

namespace {

using namespace corvala;

// Light switching every 20 minutes: falls in the dark, rises in the light,
// with a little noise so that many samples share a pixel column unevenly.
// A run of one sample a second whose light switches every `phase` seconds;
// the pressure falls in the dark and rises in the light by `step` a second.
ChamberRecord SwitchingRecord(int32_t chamber, int32_t seconds, int32_t phase, float step) {
  ChamberRecord r;
  r.runInterval = 1;
  r.series.Reserve(static_cast<size_t>(seconds));
  float p = 150.0f + 20.0f * static_cast<float>(chamber);
  for (int32_t t = 0; t < seconds; ++t) {
    const uint8_t light = (t / phase) % 2;
    p += light ? step : -step;
    const float noise = 0.3f * std::sin(static_cast<float>(t) * 0.7f);
    AppendSample(r, p + noise, 25.0f, light, LocalTime{2024, 4, 3, 0, 0, 0}, t);
  }
  r.analysis = AnalyseChamber(r, false, 0);
  return r;
}

ChamberRecord DayRecord(int32_t chamber) {
  return SwitchingRecord(chamber, 86400, 1200, 0.05f);
}

struct Day {
  std::array<ChamberRecord, 3> records{DayRecord(0), DayRecord(1), DayRecord(2)};
  ChartChambers Chambers() const { return {&records[0], &records[1], &records[2]}; }
};

const Day& TheDay() {
  static const Day day;
  return day;
}

// The same day with chamber III recorded in mg/l (mbar / 210 x 8.23), drawn
// beside the mbar runs: its pressures are converted while they are drawn.
const Day& TheMixedDay() {
  static const Day day = [] {
    Day d;
    ChamberRecord& r = d.records[2];
    ChamberRecord mgl;
    mgl.runInterval = r.runInterval;
    mgl.runUnit = kUnitMgl;
    for (int32_t j = 0; j < r.Samples(); ++j) {
      Sample s = r.series.At(j);
      s.pressure =
          static_cast<float>(ConvertPressure(s.pressure, kUnitMbar, kUnitMgl, 210.0f, 8.23f));
      AppendSample(mgl, s.pressure, s.temperature, s.light, LocalTime{2024, 4, 3, 0, 0, 0},
                   s.elapsed);
    }
    mgl.analysis = AnalyseChamber(mgl, false, 0);
    r = std::move(mgl);
    return d;
  }();
  return day;
}

ChartView AllMarkers(int32_t maxTime) {
  ChartView v;
  v.maxTime = maxTime;
  v.showAll = v.showDelay = v.showSlope = v.showResp = v.showMax = true;
  v.correctionOn = true;
  v.correctionTime = 120;
  v.selSlope = 0.05f;
  v.selChamber = v.selChamberHit = 1;
  v.selStart = 100;
  v.selEnd = 300;
  v.selPoints = {300, 200, 500, 180};
  return v;
}

void DrawChart(benchmark::State& state, int32_t maxTime, int32_t scroll, bool mixed = false) {
  const Day& day = mixed ? TheMixedDay() : TheDay();
  ChartView view = AllMarkers(maxTime);
  view.scroll = scroll;
  if (mixed) {  // shown in mg/l
    view.unit = kUnitMgl;
    view.effFactor1 = 210.0f;
    view.effFactor2 = 8.23f;
  }
  QImage image(1005, 571, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    const ChartGeometry g =
        DrawMeasurementChart(painter, PixelRect{0, 0, 1005, 571}, view, day.Chambers());
    benchmark::DoNotOptimize(g);
  }
}

void BM_DefaultWindowAtStart(benchmark::State& state) {
  DrawChart(state, 450, 0);
}
void BM_DefaultWindowAtNoon(benchmark::State& state) {
  DrawChart(state, 450, 720);
}
void BM_FullDayWindow(benchmark::State& state) {
  DrawChart(state, 86400, 0);
}

void BM_FullDayWindowMixedUnits(benchmark::State& state) {
  DrawChart(state, 86400, 0, true);
}

BENCHMARK(BM_DefaultWindowAtStart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultWindowAtNoon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullDayWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullDayWindowMixedUnits)->Unit(benchmark::kMillisecond);

// A day and a week of one-second samples with the light switching every
// minute: the analysis finds a plateau, a bound and a minimum pair per phase.
ChamberRecord PhaseRecord(int32_t chamber, int32_t seconds) {
  return SwitchingRecord(chamber, seconds, 60, 0.1f);
}

constexpr int32_t kDay = 86400;
constexpr int32_t kWeek = 7 * 86400;

struct Phases {
  explicit Phases(int32_t seconds)
      : records{PhaseRecord(0, seconds), PhaseRecord(1, seconds), PhaseRecord(2, seconds)} {}
  std::array<ChamberRecord, 3> records;
  ChartChambers Chambers() const { return {&records[0], &records[1], &records[2]}; }
};
const Phases& ThePhases(int32_t seconds) {
  static const Phases day(kDay);
  static const Phases week(kWeek);
  return seconds == kDay ? day : week;
}

// The last `window` seconds of the data (a whole-data window when it is as
// long), as a running station shows them.
ChartView EndOfData(int32_t seconds, int32_t window, bool markers) {
  ChartView v = markers ? AllMarkers(window) : ChartView{};
  v.maxTime = window;
  v.sampleInterval = 1;
  v.scroll = (seconds - window) / 60;
  if (!markers) v.correctionOn = false;
  return v;
}

// Arguments: data length (seconds), window (seconds, 0 = the whole data), markers on.
void BM_PhaseChart(benchmark::State& state) {
  const auto seconds = static_cast<int32_t>(state.range(0));
  const auto window = state.range(1) == 0 ? seconds : static_cast<int32_t>(state.range(1));
  const ChartView view = EndOfData(seconds, window, state.range(2) != 0);
  const Phases& data = ThePhases(seconds);
  QImage image(1005, 571, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    const ChartGeometry g =
        DrawMeasurementChart(painter, PixelRect{0, 0, 1005, 571}, view, data.Chambers());
    benchmark::DoNotOptimize(g);
  }
}
BENCHMARK(BM_PhaseChart)
    ->ArgNames({"seconds", "window", "markers"})
    ->ArgsProduct({{kDay, kWeek}, {450, 18000, 0}, {0, 1}})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// What the display tick asks of the records besides the drawing: the sample
// under the pointer (here in the middle of the plot, off every curve, the
// longest search) and the visible samples of each chamber, with a 5 h window
// at the end of the data.
void BM_PhaseTick(benchmark::State& state) {
  const auto seconds = static_cast<int32_t>(state.range(0));
  ChartView view = EndOfData(seconds, 18000, false);
  view.mouseX = 40 + 469;
  view.mouseY = 20 + 10;
  const Phases& data = ThePhases(seconds);
  for (auto _ : state) {
    const auto hover = SampleUnderMouse(view, data.Chambers(), 40, 20, 938, 522);
    benchmark::DoNotOptimize(hover);
    for (const ChamberRecord& r : data.records) {
      const VisibleRange range = VisibleSamples(r, view.TimeStart(), view.TimeEnd());
      benchmark::DoNotOptimize(range);
    }
  }
}
BENCHMARK(BM_PhaseTick)
    ->ArgNames({"seconds"})
    ->Arg(kDay)
    ->Arg(kWeek)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "chart_bench";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

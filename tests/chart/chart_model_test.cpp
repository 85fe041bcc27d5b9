#include "chart/chart_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <thread>

#include "analysis/analysis_table.h"
#include "chart/value_list.h"
#include "test_support/edit_sample.h"

namespace corvala {
namespace {

using testing::EditSample;

ChamberRecord Record(int32_t count, int32_t interval, float pressure) {
  ChamberRecord r;
  for (int32_t j = 0; j < count; ++j)
    AppendSample(r, pressure, 25.0f, 0, LocalTime{2024, 4, 3, 9, 0, 0}, j * interval);
  return r;
}

using Texts = std::vector<std::string>;

TEST(ChartAxes, PlotRectangleAndTickTexts) {
  ChartView v;  // 0 .. 450 s
  EXPECT_EQ(TimeAxisTitle(v), "t - mm:ss");
  v.maxTime = 3000;
  v.scroll = 9;  // 540 .. 3540 s: still short
  EXPECT_EQ(TimeTickLabel(v, 10), "59:00");
  v.scroll = 10;  // tEnd 3600: hours on every label
  EXPECT_EQ(TimeTickLabel(v, 0), "00:10:00");
  EXPECT_EQ(TimeAxisTitle(v), "t - hh:mm:ss");
  EXPECT_EQ(PressureTickLabel(v, 3), "90.0");
  v.maxPressure = 104;  // the top tick carries the chart top itself
  EXPECT_EQ(PressureTickLabel(v, 10), "104.0");
  v.maxPressure = 300;
  v.unit = 2;  // 300 mbar / 210 x 8.23, the pair in force
  v.effFactor1 = 210.0f;
  v.effFactor2 = 8.23f;
  EXPECT_EQ(PressureTickLabel(v, 10), "11.8");
  // Typed factors not yet in force do not move the axis away from the curves.
  v.factor1 = 100.0f;
  EXPECT_EQ(PressureTickLabel(v, 10), "11.8");
}

TEST(ChartMarks, WhatIsNotMeasuredIsMarkedWhileItShows) {
  ChartView v;
  ChamberRecord measured = Record(3, 5, 100.0f);
  ChamberRecord simulated = Record(3, 5, 100.0f);
  simulated.simulated = true;
  EXPECT_EQ(SimulatedMarkText(v, {&measured, &measured, &measured}), "");
  EXPECT_EQ(SimulatedMarkText(v, {&measured, &simulated, nullptr}),
            "SIMULATED RUN - these values are not measured");
  v.chamberShown[1] = false;  // the simulated run is hidden
  EXPECT_EQ(SimulatedMarkText(v, {&measured, &simulated, nullptr}), "");
  v.simulated = true;  // the simulator stands in for the device, nothing recorded yet
  EXPECT_EQ(SimulatedMarkText(v, {nullptr, nullptr, nullptr}),
            "SIMULATED DEVICE - these values are not measured");
}

TEST(ChartScaleTest, BackwardTimesAndDegenerateScales) {
  ChamberRecord r = Record(200, 5, 10.0f);
  EditSample(r, 3, [](Sample& s) {
    s.elapsed = 2000;
  });  // times going back (an edited file): every sample is visited
  const VisibleRange range = VisibleSamples(r, 0, 450);
  EXPECT_FALSE(range.monotonic);
  EXPECT_EQ(range.end, 200);
  ChartView v;  // zero time span and chart top still give finite pixels
  v.maxTime = v.timeOffset;
  v.effFactor1 = 0.0f;
  EXPECT_EQ(MakeChartScale(v, 0, 0, 100, 100).X(1000000), 1 << 20);
  EXPECT_EQ(ToPixel(std::nan("")), 0);
}

TEST(ChartTimeGaps, MoreThanTwoIntervalsBetweenSamplesIsAGap) {
  EXPECT_FALSE(IsTimeGap(10, 20, 5));
  EXPECT_TRUE(IsTimeGap(10, 21, 5));
  EXPECT_TRUE(IsTimeGap(0, 3, 0));  // no interval counts as one second
  EXPECT_TRUE(IsTimeGap(INT32_MIN, INT32_MAX, INT32_MAX));

  ChamberRecord r = Record(4, 5, 50.0f);  // 0 .. 15, interval 5
  for (int32_t t : {26, 31, 41, 52}) AppendSample(r, 50.0f, 25.0f, 0, LocalTime{}, t);
  using Gaps = std::vector<TimeGap>;
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 0, 450)), (Gaps{{15, 26}, {41, 52}}));
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 20, 35)), (Gaps{{15, 26}}));  // leads into the window
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 0, 12)), (Gaps{}));
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 42, 45)), (Gaps{{41, 52}}));  // holds the window
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 60, 90)), (Gaps{}));          // after the run
  r.runInterval = 6;  // a gap is judged by the run's own interval
  EXPECT_EQ(TimeGaps(r, VisibleSamples(r, 0, 450)), (Gaps{}));
}

// Long series are passed over in blocks: a gap is found wherever it lies, and
// times going back (by as much as the whole range of times) are none.
TEST(ChartTimeGaps, EveryGapOfALongSeriesIsFound) {
  ChamberRecord r;
  r.runInterval = 1;
  std::vector<TimeGap> expected;
  int32_t t = 0;
  for (int32_t j = 0; j < 200; ++j) {
    const int32_t before = t;
    t += (j == 1 || j == 8 || j == 9 || j == 16 || j == 100 || j == 199) ? 10 : 1;
    if (j == 40) t -= 30;
    if (j == 60) t = INT32_MAX - 1;
    if (j == 61) t = INT32_MIN + 1;  // back by 2^32 - 2: its step modulo 2^32 is 2
    if (j == 62) t = INT32_MAX - 5;  // forward by almost 2^32
    if (j == 63) t = 0;
    if (j > 0 && IsTimeGap(before, t, 1)) expected.push_back(TimeGap{before, t});
    AppendSample(r, 50.0f, 25.0f, 0, LocalTime{}, t);
  }
  ASSERT_EQ(expected.size(), 8u);
  EXPECT_EQ(TimeGaps(r, VisibleRange{0, r.Samples(), false}), expected);
}

// The pens as runs are the pens of the samples: light values other than 0 and
// 1, runs shorter and longer than a block, highlights overlapping, reversed,
// reaching out of the window.
TEST(ChartPens, TheRunsHoldThePenOfEverySample) {
  ChamberRecord r;
  for (int32_t t = 0; t < 400; ++t) {
    const auto light = static_cast<uint8_t>(t < 200 ? (t / 13) % 3 : (t % 29 == 3 ? 1 : 0));
    AppendSample(r, 50.0f, 25.0f, light, LocalTime{}, t);
  }
  r.analysis.m_riseRange = {5, 40, 60, 50, 120, 160, 390, 500};
  r.analysis.m_fallRange = {30, 70, 150, 155, 161, 170};
  ChartView view;
  view.showAll = true;
  view.selSlope = 1.0f;
  view.selChamber = 0;
  view.selStart = 200;
  view.selEnd = 230;
  for (const auto& [from, to] : {std::pair{0, 450}, std::pair{35, 395}, std::pair{165, 300}}) {
    const VisibleRange range = VisibleSamples(r, from, to);
    const std::vector<PenRun> runs = CurvePenRuns(view, r, 0, range);
    std::vector<CurvePen> expanded;
    for (size_t i = 0; i < runs.size(); ++i) {
      const int32_t end = i + 1 < runs.size() ? runs[i + 1].first : range.end;
      EXPECT_LT(runs[i].first, end);
      if (i > 0) {
        EXPECT_NE(runs[i].pen, runs[i - 1].pen);
      }
      expanded.insert(expanded.end(), static_cast<size_t>(end - runs[i].first), runs[i].pen);
    }
    EXPECT_EQ(runs.front().first, range.first);
    EXPECT_EQ(expanded, CurvePens(view, r, 0, range));
  }
}

// Samples every 2 s at 50 mbar, analysis lists set by hand; plot 40,20 900 x 500.
struct MarkerCase {
  ChartView view;
  ChamberRecord rec = Record(16, 2, 50.0f);
  ChartScale scale;
  std::vector<ChartMarker> markers;
  Texts Labels(int32_t chamber = 0) {
    scale = MakeChartScale(view, 40, 20, 900, 500);
    markers = ChamberMarkers(view, scale, rec, chamber,
                             VisibleSamples(rec, view.TimeStart(), view.TimeEnd()));
    Texts texts;
    for (const auto& m : markers)
      if (m.kind == ChartMarker::Kind::kLabel) texts.push_back(m.text);
    return texts;
  }
  bool HasLine(int32_t sample, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
    for (const auto& m : markers)
      if (m.kind == ChartMarker::Kind::kLine && m.sample == sample && m.x1 == x1 && m.y1 == y1 &&
          m.x2 == x2 && m.y2 == y2)
        return true;
    return false;
  }
};

TEST(ChartMarkers, RateAndKphALabels) {
  MarkerCase m;
  auto& a = m.rec.analysis;
  a.m_riseRange = {5, 8};
  a.m_riseRate = {0.5f};
  a.m_fallRange = {12, 14};
  a.m_fallRate = {-0.25f};
  a.m_kphA = {1.5f, 2.0f};
  m.view.showAll = true;
  EXPECT_EQ(m.Labels(1), (Texts{"S2=0.500 mbar/s", "KphA2=1.500", "R2=-0.250 mbar/s", "D=0 s"}));

  m.view = ChartView{};
  m.view.showSlope = true;  // KphA needs both rate toggles
  m.view.unit = 2;
  EXPECT_EQ(m.Labels(), (Texts{"S1=0.500 mg/(l*s)"}));
  m.view.showResp = true;
  m.view.timeOffset = 12;  // the rise starts before the window: no Slope label
  m.view.maxTime = 462;
  EXPECT_EQ(m.Labels(), (Texts{"R1=-0.250 mg/(l*s)"}));
}

// Samples 5..8 (10..16 s) at 53, 54, 57, 58: slope 18/20, residuals 0.2,
// -0.6, 0.6, -0.2, SE sqrt(0.8 / 2 / 20), R² 18² / (20 * 17).
TEST(ChartMarkers, RateBoxesCarryTheRegressionOfTheirRegion) {
  MarkerCase m;
  const std::array<float, 4> rise{53, 54, 57, 58};
  for (int32_t k = 0; k < 4; ++k)
    EditSample(m.rec, 5 + k, [&](Sample& s) { s.pressure = rise[static_cast<size_t>(k)]; });
  auto& a = m.rec.analysis;
  a.m_riseRange = {5, 8};
  a.m_riseRate = {0.5f};
  a.m_fallRange = {12, 14};
  a.m_fallRate = {-0.25f};
  m.view.showSlope = m.view.showResp = true;
  ASSERT_EQ(m.Labels(), (Texts{"S1=0.500 mbar/s", "R1=-0.250 mbar/s"}));
  EXPECT_EQ(m.markers[0].moreLines, (Texts{"0.9 ± 0.14", "R² 0.9529"}));
  EXPECT_EQ(m.markers[1].moreLines, (Texts{"0 ± 0"}));  // flat: no R²
  EXPECT_EQ(m.markers[0].pitch, 56);
  EXPECT_EQ(LabelBox(m.scale, 1, 10, 135, 56, 3), (PixelRect{50, 86, 175, 134}));
  // A changed sample in the region gives a new fit, though the analysis is the same.
  EditSample(m.rec, 8, [](Sample& s) { s.pressure = 59.0f; });
  m.Labels();
  ASSERT_FALSE(m.markers[0].moreLines.empty());
  EXPECT_EQ(m.markers[0].moreLines[0], "1.05 ± 0.13");
  // Without the rate boxes the rows keep their pitch.
  m.view.showSlope = m.view.showResp = false;
  m.view.showMax = true;
  a.m_plateauRange = {8, 11};
  a.m_plateauLevel = {20.5f};
  m.Labels();
  ASSERT_FALSE(m.markers.empty());
  EXPECT_EQ(m.markers.back().pitch, 30);
}

TEST(ChartMarkers, PlateauLevelAndPeakMinusTheOffset) {
  MarkerCase m;
  auto& a = m.rec.analysis;
  a.m_plateauRange = {8, 11};
  a.m_plateauLevel = {20.5f};
  a.m_plateauPeak = {21.3f};
  a.m_plateauPeakPos = {9};
  m.view.showMax = true;
  m.view.normOffset[0] = 0.5f;
  EXPECT_EQ(m.Labels(), (Texts{"Ma1=20.0 mbar", "Mm1=20.8 mbar"}));
  const int32_t level = m.scale.Y(20.5f, 0.5f);
  const int32_t peak = m.scale.Y(21.3f, 0.5f);
  const int32_t x9 = m.scale.X(18);
  EXPECT_TRUE(m.HasLine(9, x9, peak - 2, x9, peak + 2));
  EXPECT_TRUE(m.HasLine(11, m.scale.X(14), level, m.scale.X(22), level));  // samples 7..11
  m.view.unit = 2;
  EXPECT_EQ(m.Labels(), (Texts{"Ma1=20.00 mg/l", "Mm1=20.80 mg/l"}));
}

// The markers kept sorted between drawings follow a new analysis of the same
// chamber and a window that cuts a plateau, as markers built afresh do.
TEST(ChartMarkers, KeptPositionsFollowTheAnalysisAndTheWindow) {
  MarkerCase m;
  auto& a = m.rec.analysis;
  a.m_plateauRange = {2, 5, 8, 11};
  a.m_plateauLevel = {40.0f, 45.0f};
  a.m_segmentBounds = {0, 6, 15};
  a.m_minPos = {1, 1, 7, 9};
  m.view.showMax = m.view.showDelay = true;
  m.Labels();
  const int32_t y40 = m.scale.Y(40.0f, 0.0f);
  EXPECT_TRUE(m.HasLine(5, m.scale.X(2), y40, m.scale.X(10), y40));
  a.m_plateauRange = {3, 7, 8, 11};  // analysed anew: the first plateau ends later
  m.Labels();
  EXPECT_FALSE(m.HasLine(5, m.scale.X(2), y40, m.scale.X(10), y40));
  EXPECT_TRUE(m.HasLine(7, m.scale.X(4), y40, m.scale.X(14), y40));
  m.view.maxTime = 18;  // samples 0..9: the second plateau's line ends at sample 9
  m.Labels();
  const int32_t y45 = m.scale.Y(45.0f, 0.0f);
  EXPECT_TRUE(m.HasLine(9, m.scale.X(14), y45, m.scale.X(18), y45));
  // The same markers from a thread that has drawn nothing before.
  auto key = [](const std::vector<ChartMarker>& list, bool labels = true) {
    std::vector<std::array<int32_t, 6>> keys;
    for (const auto& k : list)
      if (labels || k.kind == ChartMarker::Kind::kLine)
        keys.push_back({k.sample, k.x1, k.y1, k.x2, k.y2, k.column});
    return keys;
  };
  std::vector<ChartMarker> fresh;
  std::thread([&] {
    fresh = ChamberMarkers(m.view, m.scale, m.rec, 0,
                           VisibleSamples(m.rec, m.view.TimeStart(), m.view.TimeEnd()));
  }).join();
  EXPECT_EQ(key(m.markers), key(fresh));
  // Positions out of order in the lists are sorted as well: the same lines
  // (the delay box moves, it follows the order of the list).
  a.m_minPos = {7, 9, 1, 1};
  m.Labels();
  EXPECT_EQ(key(m.markers, false), key(fresh, false));
}

// Handed one by one, the marker lines are those of the list, in its order,
// and the list keeps only the boxes.
TEST(ChartMarkers, LinesHandedOnAreTheListedOnes) {
  MarkerCase m;
  auto& a = m.rec.analysis;
  a.m_plateauRange = {2, 5, 8, 11};
  a.m_plateauLevel = {40.0f, 45.0f};
  a.m_plateauPeakPos = {4, 9};
  a.m_plateauPeak = {41.0f, 46.0f};
  a.m_segmentBounds = {0, 6, 15};
  a.m_minPos = {1, 1, 7, 9};
  m.view.showAll = true;
  const Texts labels = m.Labels();
  std::vector<std::array<int32_t, 4>> listed, handed;
  for (const auto& k : m.markers)
    if (k.kind == ChartMarker::Kind::kLine) listed.push_back({k.x1, k.y1, k.x2, k.y2});
  const std::vector<ChartMarker> boxes =
      ChamberMarkers(m.view, m.scale, m.rec, 0, VisibleSamples(m.rec, 0, 450),
                     [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
                       handed.push_back({x1, y1, x2, y2});
                     });
  EXPECT_EQ(handed, listed);
  Texts texts;
  for (const auto& k : boxes) texts.push_back(k.text);
  EXPECT_EQ(texts, labels);
}

TEST(ChartMarkers, DelayLabels) {
  MarkerCase m;
  auto& a = m.rec.analysis;
  m.view.showDelay = true;
  a.m_segmentBounds = {0, 4, 15};  // light change after sample 4
  a.m_minPos = {0, 0, 6, 7};       // the next minimum runs from 6 to 7
  EXPECT_EQ(m.Labels(), (Texts{"D1=4/6 s"}));
  const int32_t y = m.scale.Y(50.0f, 0.0f);
  const int32_t xb = m.scale.X(8);
  EXPECT_TRUE(m.HasLine(4, xb, y - 40, xb, y));                  // up from the bound
  EXPECT_TRUE(m.HasLine(7, m.scale.X(14), y - 38, xb, y - 38));  // back to it

  a.m_minPos = {0, 0, 6, 6};  // a one-sample minimum
  EXPECT_EQ(m.Labels(), (Texts{"D1=4 s"}));
  a.m_minPos = {0, 0, 6, 99};  // a position past the series counts 0, as in the table
  EXPECT_EQ(m.Labels(2), (Texts{"D3=4/0 s"}));
  a.m_minPos = {0, 0};  // no minimum after the light change
  EXPECT_EQ(m.Labels(2), (Texts{"D=0 s"}));
  m.view.maxTime = 20;  // the last sample is not shown, nor its label
  EXPECT_TRUE(m.Labels().empty());
}

TEST(ChartMarkers, EachBoxShowsTheFirstResultsAsTheTableDoes) {
  // Dark, light, dark: two segments with a minimum each, two KphA values and two
  // plateaus. The table takes the first of each; so does every label box.
  MarkerCase m;
  auto& a = m.rec.analysis;
  a.m_segmentBounds = {0, 4, 10, 15};
  a.m_minPos = {0, 0, 6, 7, 12, 12};
  a.m_riseRange = {5, 8};
  a.m_riseRate = {0.5f};
  a.m_fallRange = {11, 14};
  a.m_fallRate = {-0.25f};
  a.m_kphA = {1.495f, 0.0f};
  a.m_plateauRange = {7, 9, 13, 14};
  a.m_plateauLevel = {60.0f, 55.0f};
  a.m_plateauPeak = {61.0f, 56.0f};
  a.m_plateauPeakPos = {8, 13};
  m.view.showAll = true;
  const auto [delay1, delay2] = FirstDelays(a, m.rec.series.Elapsed());
  EXPECT_EQ(DelayText(delay1, delay2), "4/6 s");
  EXPECT_EQ(m.Labels(), (Texts{"S1=0.500 mbar/s", "KphA1=1.495", "Ma1=60.0 mbar", "D1=4/6 s",
                               "Mm1=61.0 mbar", "R1=-0.250 mbar/s"}));
  // One box per column: a narrow delay box never lands on a wide one.
  int delayBoxes = 0;
  for (const ChartMarker& marker : m.markers)
    delayBoxes += marker.kind == ChartMarker::Kind::kLabel && marker.column == 383;
  EXPECT_EQ(delayBoxes, 1);
}

TEST(ChartMouse, AfterAGapInTheTimeAxisTheSamplesOffTheGridAreUnderTheMouse) {
  ChartView v;                             // 0 .. 450 s over 450 px, 300 mbar over 300 px
  ChamberRecord r = Record(4, 5, 100.0f);  // 0 .. 15
  for (int32_t t : {27, 32}) AppendSample(r, 100.0f, 25.0f, 0, LocalTime{}, t);
  const ChartChambers chambers{&r, nullptr, nullptr};
  v.mouseY = 200;
  v.mouseX = 26;  // snaps to 25: the sample at 27 s stands for it
  auto hit = SampleUnderMouse(v, chambers, 0, 0, 450, 300);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->sample, 4);
  v.mouseX = 21;  // 20 .. 24 s: no sample
  EXPECT_FALSE(SampleUnderMouse(v, chambers, 0, 0, 450, 300).has_value());
}

// The visible range and the hover search use binary search while the elapsed
// times never decrease; an edit that puts a time back and one that mends it
// are both noticed.
TEST(ChartScaleTest, EditedTimesSwitchBetweenSearchAndWalk) {
  ChamberRecord r = Record(200, 5, 10.0f);  // 0 .. 995 s
  EditSample(r, 3, [](Sample& s) { s.elapsed = 2000; });
  EditSample(r, 150, [](Sample& s) { s.elapsed = 0; });
  EXPECT_FALSE(VisibleSamples(r, 0, 450).monotonic);
  EditSample(r, 3, [](Sample& s) { s.elapsed = 15; });
  EXPECT_FALSE(VisibleSamples(r, 0, 450).monotonic);  // sample 150 still goes back
  EditSample(r, 150, [](Sample& s) { s.elapsed = 750; });
  const VisibleRange range = VisibleSamples(r, 100, 450);
  EXPECT_TRUE(range.monotonic);
  EXPECT_EQ(range.first, 20);
  EXPECT_EQ(range.end, 91);
  AppendSample(r, 10.0f, 25.0f, 0, LocalTime{}, 5);  // a time back at the end
  EXPECT_FALSE(VisibleSamples(r, 0, 450).monotonic);
}

TEST(ChartMouse, TheSampleUnderTheMouseIsFoundWhateverTheOrderOfTimes) {
  ChartView v;  // 0 .. 450 s over 450 px, 300 mbar over 300 px
  v.mouseY = 200;
  v.mouseX = 52;  // snaps to 50 s
  ChamberRecord r = Record(90, 5, 100.0f);
  // Two samples at 50 s: the first lies off the pointer, the second under it.
  EditSample(r, 9, [](Sample& s) {
    s.elapsed = 50;
    s.pressure = 30.0f;
  });
  const ChartChambers chambers{&r, nullptr, nullptr};
  auto hit = SampleUnderMouse(v, chambers, 0, 0, 450, 300);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->sample, 10);
  // With a time going back further on, every sample is still searched.
  EditSample(r, 80, [](Sample& s) { s.elapsed = 10; });
  EditSample(r, 10, [](Sample& s) { s.pressure = 30.0f; });
  EditSample(r, 85, [](Sample& s) { s.elapsed = 50; });
  hit = SampleUnderMouse(v, chambers, 0, 0, 450, 300);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->sample, 85);
}

TEST(ChartMouse, SampleUnderMouseSnapsAndKeepsTheTwoUnitBand) {
  ChartView v;  // 0 .. 450 s over 450 px, 300 mbar over 300 px
  ChamberRecord r0 = Record(90, 5, 100.0f);
  ChamberRecord r1 = Record(90, 5, 100.0f);
  EditSample(r1, 4, [](Sample& s) { s.pressure = 150.0f; });
  const ChartChambers chambers{&r0, &r1, nullptr};
  auto at = [&](int32_t x, int32_t y) {
    v.mouseX = x;
    v.mouseY = y;
    return SampleUnderMouse(v, chambers, 0, 0, 450, 300);
  };
  auto hit = at(23, 200);  // t 23 snaps to 20: sample 4 of both; the lower chamber wins
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->chamber, 0);
  EXPECT_EQ(hit->sample, 4);
  EXPECT_EQ(at(23, 150)->chamber, 1);
  v.maxPressure = 30;  // 0.1 mbar per pixel row
  EditSample(r0, 4, [](Sample& s) { s.pressure = 10.0f; });
  EditSample(r1, 4, [](Sample& s) { s.pressure = -50.0f; });
  EXPECT_TRUE(at(20, 181).has_value());   // d -1.9
  EXPECT_FALSE(at(20, 180).has_value());  // d -2.0
  EXPECT_TRUE(at(20, 219).has_value());   // d 1.9
  EXPECT_FALSE(at(20, 220).has_value());  // d 2.0
  v.normOffset[0] = 5.0f;
  EXPECT_FLOAT_EQ(at(20, 250)->value, 5.0f);
  v.chamberShown[0] = false;
  EXPECT_FALSE(at(20, 250).has_value());
  EXPECT_FALSE(SampleUnderMouse(v, chambers, 0, 0, 450, 0).has_value());
}

TEST(ChartMouse, LastPointRectangleAndItsMemory) {
  ChartView v;
  ChamberRecord r = Record(3, 5, 100.0f);
  EditSample(r, 2, [](Sample& s) { s.pressure = 120.0f; });
  EXPECT_EQ(LastPointRect(v, &r, 0, 0, 40, 20, 450, 300), (PixelRect{37, 217, 43, 223}));
  LastPointMemory memory;
  const ChartChambers chambers{&r, nullptr, nullptr};
  PixelRect rect;
  EXPECT_TRUE(LastPointChanged(memory, v, chambers, 0, -1, 40, 20, 450, 300, rect));
  EXPECT_EQ(rect, (PixelRect{42, 197, 53, 223}));
  EXPECT_FALSE(LastPointChanged(memory, v, chambers, 0, -1, 40, 20, 450, 300, rect));
  AppendSample(r, 120.0f, 25.0f, 0, LocalTime{}, 15);
  EXPECT_TRUE(LastPointChanged(memory, v, chambers, 0, -1, 40, 20, 450, 300, rect));
  EXPECT_FALSE(LastPointChanged(memory, v, chambers, 0, 4, 40, 20, 450, 300, rect));
  EXPECT_EQ(rect, PixelRect{});
  EXPECT_FALSE(LastPointChanged(memory, v, chambers, 1, -1, 40, 20, 450, 300, rect));
}

TEST(ChartOverlays, HoverAndSelectionTextsAndPlaces) {
  ChartView v;
  ChamberRecord r = Record(10, 2, 100.0f);
  const ChartChambers chambers{nullptr, &r, nullptr};
  v.hoverValue = 123.46f;
  v.hoverChamber = 1;
  v.hoverSample = 3;
  EXPECT_EQ(HoverValueText(v), "123.5 mbar");
  EXPECT_EQ(HoverSampleText(v, chambers), "Ch-2 - Mp:3 - 00:00:06");
  EXPECT_EQ(HoverOffset(v), -20);
  v.hoverValue = 250.0f;  // 250 + 50 reaches the top: the label goes below the pointer
  EXPECT_EQ(HoverOffset(v), 20);
  v.hoverSample = 10;
  EXPECT_EQ(HoverSampleText(v, chambers), "");
  v.unit = 2;
  EXPECT_EQ(HoverValueText(v), "250.00 mg/l");
  v.selSlope = -0.0125f;
  EXPECT_EQ(SelectionText(v, chambers), "-0.013 mg/(l*s)");

  const PixelRect plot{40, 20, 940, 320};
  v.selChamberHit = 1;
  v.selEnd = 9;
  EXPECT_EQ(PlaceSelectionLabel(v, chambers, plot, 500)->y, 220);
  EXPECT_EQ(PlaceSelectionLabel(v, chambers, plot, 500)->d, -40);
  EditSample(r, 9, [](Sample& s) { s.pressure = 400.0f; });  // 100 px above the plot's top
  EXPECT_EQ(PlaceSelectionLabel(v, chambers, plot, 500)->d, 40);
  v.selEnd = 10;  // one past the last sample
  EXPECT_FALSE(PlaceSelectionLabel(v, chambers, plot, 500).has_value());
}

TEST(ValueList, RowsShowElapsedTimePressureAndLight) {
  EXPECT_EQ(ValueListTexts(0, 13.25f, kUnitMbar, true), (ValueListRow{"00:00:00", "13.2", "on"}));
  EXPECT_EQ(ValueListTexts(3725, 0.5f, kUnitMbar, false),
            (ValueListRow{"01:02:05", " 0.5", "off"}));
  EXPECT_EQ(ValueListTexts(5, 1013.25f, kUnitMgl, false),
            (ValueListRow{"00:00:05", "1013.25", "off"}));
}

// An mbar run (247.64) and the same pressure in mg/l (247.64 / 210 x 8.23 =
// 9.7051) shown together: the other unit's run is converted, never relabelled.
TEST(MixedUnits, ARunInTheOtherUnitIsConvertedWhereverItsValuesShow) {
  MarkerCase m;
  m.view.unit = kUnitMgl;
  m.view.effFactor1 = 210.0f;
  m.view.effFactor2 = 8.23f;
  m.view.maxPressure = 320;  // 12.54 mg/l
  const ChamberRecord mbar = Record(10, 5, 247.64f);
  ChamberRecord mgl = Record(10, 5, 9.7051f);
  mgl.runUnit = kUnitMgl;
  auto rect = [&](const ChamberRecord& r) {
    return LastPointRect(m.view, &r, 0, -1, 40, 20, 450, 300);
  };
  EXPECT_EQ(rect(mbar), rect(mgl));
  // The pointer finds the converted curve: 9.71 of 12.54 mg/l is 232 of 300 px up.
  m.view.mouseX = 20;
  m.view.mouseY = 300 - 232;
  const ChartChambers chambers{&mbar, nullptr, nullptr};
  const auto hit = SampleUnderMouse(m.view, chambers, 0, 0, 450, 300);
  ASSERT_TRUE(hit.has_value());
  m.view.hoverValue = hit->value;
  EXPECT_EQ(HoverValueText(m.view), "9.71 mg/l");
  // Label boxes, the selected slope (held in mbar/s) and the list rows.
  m.rec = mbar;
  m.rec.analysis.m_fallRange = {2, 4};
  m.rec.analysis.m_fallRate = {-0.5f};
  m.rec.analysis.m_plateauRange = {5, 7};
  m.rec.analysis.m_plateauLevel = {247.64f};
  m.view.showResp = m.view.showMax = true;
  EXPECT_EQ(m.Labels(), (Texts{"R1=-0.020 mg/(l*s)", "Ma1=9.71 mg/l"}));
  m.view.selChamber = 0;
  m.view.selSlope = -0.5f;
  EXPECT_EQ(SelectionText(m.view, chambers), "-0.020 mg/(l*s)");
  EXPECT_EQ(SelectionFitText(m.view, chambers), "");
  RateFit fit;
  fit.n = 4;
  fit.slope = -0.5;
  fit.standardError = 0.01;
  fit.r2 = 0.99;
  m.view.selFit = fit;  // the regression converts like the slope: x 8.23 / 210
  EXPECT_EQ(SelectionFitText(m.view, chambers), "-0.0196 ± 0.00039 mg/(l*s), R² 0.9900, n 4");
  const FactorPair pair{210.0f, 8.23f};
  EXPECT_EQ(ValueListRowOf(mbar.series.At(0), 0.0f, kUnitMbar, kUnitMgl, pair)[1], "9.71");
  // Under mbar the mg/l run is converted the other way: 9.71 x 210 / 8.23 = 247.76.
  m.view.unit = kUnitMbar;
  m.view.effFactor1 = m.view.effFactor2 = 1.0f;
  EXPECT_EQ(rect(mgl), rect(mbar));
  EXPECT_EQ(ValueListRowOf(mgl.series.At(0), 0.0f, kUnitMgl, kUnitMbar, {210.0f, 8.23f})[1],
            "247.6");
}

}  // namespace
}  // namespace corvala

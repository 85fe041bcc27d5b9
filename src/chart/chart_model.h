#pragma once
// The measurement chart as plain values: what the window hands to the drawing,
// the pixel scale of samples, the texts of axes and labels, the analysis markers
// of a chamber, and the mouse helpers (sample under the pointer, rectangle of a
// chamber's newest segment). Nothing here paints, so all of it is testable
// without a screen.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/regression.h"
#include "run/chamber_record.h"
#include "util/units.h"

namespace corvala {

// Pixel rectangle with inclusive left/top and the right/bottom coordinates as
// stored by the window (right = left + width).
struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

// Everything the chart reads from the window, copied once per redraw.
struct ChartView {
  int32_t timeOffset = 0;     // seconds
  int32_t maxTime = 450;      // seconds
  int32_t scroll = 0;         // time scroll position, minutes
  int32_t maxPressure = 300;  // chart top, always mbar
  int32_t unit = 1;           // 1 mbar, 2 mg/l
  std::string unitName = "mbar";
  float factor1 = 210.0f;
  float factor2 = 8.23f;
  float effFactor1 = 1.0f;
  float effFactor2 = 1.0f;
  int32_t sampleInterval = 5;
  std::array<bool, 3> chamberShown{true, true, true};
  std::array<float, 3> normOffset{0.0f, 0.0f, 0.0f};
  // Selected range and its slope, in the unit of the selected chamber's run.
  float selSlope = kNoValue;
  int32_t selChamber = -1;
  int32_t selStart = -1;
  int32_t selEnd = -1;
  int32_t selChamberHit = -1;
  std::array<int32_t, 4> selPoints{0, 0, 0, 0};  // start x, start y, end x, end y
  std::optional<RateFit> selFit;                 // regression over the selected samples
  bool selDragging = false;
  int32_t selDragX = 0;
  int32_t selDragY = 0;
  // Correction marker.
  bool correctionOn = false;
  int32_t correctionTime = 0;
  // Marker toggles.
  bool showDelay = false;
  bool showSlope = false;
  bool showResp = false;
  bool showMax = false;
  bool showAll = false;
  // Hover value under the pointer and the pointer itself.
  float hoverValue = kNoValue;
  int32_t hoverSample = -1;
  int32_t hoverChamber = -1;
  int32_t mouseX = 0;
  int32_t mouseY = 0;
  // The built-in device simulator stands in for the device.
  bool simulated = false;

  bool operator==(const ChartView&) const = default;
  int32_t TimeStart() const { return timeOffset + 60 * scroll; }
  int32_t TimeEnd() const { return maxTime + 60 * scroll; }
  // The factor that turns pressures of a run in `runUnit` into the shown unit.
  double ValueScale(int32_t runUnit) const;
};

// The three chambers' records, read only during a drawing call; null = nothing to draw.
using ChartChambers = std::array<const ChamberRecord*, 3>;

// Runs f(ChartChambers) while holding the three records' locks, taken in chamber
// order. The sampling thread holds at most one of them at a time, so this cannot
// deadlock, and it waits at most one drawing call for its next append.
template <class F>
decltype(auto) WithChamberRecords(const std::array<const SharedChamber*, 3>& shared, F&& f) {
  return shared[0]->Access([&](const ChamberRecord& r0) -> decltype(auto) {
    return shared[1]->Access([&](const ChamberRecord& r1) -> decltype(auto) {
      return shared[2]->Access([&](const ChamberRecord& r2) -> decltype(auto) {
        return f(ChartChambers{&r0, &r1, &r2});
      });
    });
  });
}

// The chart top in the display unit.
float MaxPressureDisplay(const ChartView& view);

// What the axes drawing leaves for the mouse handlers.
struct ChartGeometry {
  PixelRect plot;           // plot rectangle (the window's m_chartLeft..m_chartBottom)
  PixelRect area;           // the chart area it was drawn in (m_prevChartRect)
  int32_t corrHandleX = 0;  // top-left of the correction handle, valid when corrHandleShown
  int32_t corrHandleY = 0;
  bool corrHandleShown = false;
};

// The plot rectangle inside a chart area at (x, y) of size w x h.
PixelRect PlotRectFor(int32_t x, int32_t y, int32_t w, int32_t h);

// Converts a pixel position computed in floating point to an integer coordinate:
// truncated toward zero, NaN as 0, kept within a range the painter handles
// (far beyond any screen, still well inside the painter's fixed-point range).
// Inline with the scale below: the chart maps every visible sample through them.
inline int32_t ToPixel(double value) {
  constexpr double kPixelLimit = 1 << 20;
  if (std::isnan(value)) return 0;
  return static_cast<int32_t>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

// Sample positions inside a plot rectangle.
struct ChartScale {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t timeStart = 0;
  int32_t timeEnd = 0;
  double timeSpan = 1.0;    // maxTime - timeOffset, never 0
  double topValue = 1.0;    // MaxPressureDisplay, never 0
  double valueScale = 1.0;  // turns the run's pressures into the shown unit

  int32_t X(int32_t elapsed) const {
    return ToPixel(left + width * (static_cast<double>(elapsed) - timeStart) / timeSpan);
  }
  // The pressure and offset are in the run's unit.
  int32_t Y(float pressure, float offset) const {
    return ToPixel(top + height -
                   height * (static_cast<double>(pressure - offset) * valueScale) / topValue);
  }
  // The same scale for a run in `runUnit`.
  ChartScale ForRun(const ChartView& view, int32_t runUnit) const;
};
ChartScale MakeChartScale(const ChartView& view, int32_t left, int32_t top, int32_t width,
                          int32_t height);

// Axis texts.
bool ShortTimeAxis(const ChartView& view);  // tEnd below one hour: mm:ss labels
std::string TimeTickLabel(const ChartView& view, int32_t k);
std::string PressureTickLabel(const ChartView& view, int32_t k);
std::string TimeAxisTitle(const ChartView& view);

// x of the correction marker line inside the plot.
double CorrectionMarkerX(const ChartView& view, const PixelRect& plot);

// Samples of a record that the chart visits: from `first` up to (excluding) `end`;
// inside, samples later than tEnd are skipped unless `monotonic` (then none are).
struct VisibleRange {
  int32_t first = 0;
  int32_t end = 0;
  bool monotonic = true;
  bool Empty() const { return first >= end; }
};
VisibleRange VisibleSamples(const ChamberRecord& record, int32_t timeStart, int32_t timeEnd);

// Pen of a curve segment.
enum class CurvePen : uint8_t { kLightOff = 0, kLightOn = 1, kHighlight = 2 };
// The pen of each sample of `range` (index j - range.first): the light pens, or
// the black one inside the selection and the shown rise and fall regions.
std::vector<CurvePen> CurvePens(const ChartView& view, const ChamberRecord& record, int32_t chamber,
                                const VisibleRange& range);
// The same pens as runs of samples of one pen, in sample order: each run starts
// at `first` and ends where the next one starts (the last one at range.end).
// A window of many samples per pixel column walks these instead of a pen per
// sample.
struct PenRun {
  int32_t first = 0;
  CurvePen pen = CurvePen::kLightOff;
  bool operator==(const PenRun&) const = default;
};
std::vector<PenRun> CurvePenRuns(const ChartView& view, const ChamberRecord& record,
                                 int32_t chamber, const VisibleRange& range);

// One analysis marker of a chamber: a black line or a label box, drawn once
// the curve has reached `sample`.
struct ChartMarker {
  enum class Kind { kLine, kLabel };
  Kind kind = Kind::kLine;
  int32_t sample = 0;
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line end points
  int32_t column = 0, columnEnd = 0;       // label box columns a and b
  std::string text;
  std::vector<std::string> moreLines;  // under the text: the regression of a rate box
  int32_t pitch = 30;                  // label rows, pixels apart (LabelRowPitch)
};

// Label box rows lie 30 pixels apart; while the rate boxes are shown they carry
// two lines of their region's regression more, and the rows lie further apart.
inline constexpr int32_t kLabelLineHeight = 13;
int32_t LabelRowPitch(const ChartView& view);

// The markers of chamber `chamber` in drawing order, for the samples of `range`;
// `scale` is the view's, the record's unit is taken into account here.
// Each label box appears at most once per chamber and shows the first results
// of the analysis, the values its analysis table row holds.
std::vector<ChartMarker> ChamberMarkers(const ChartView& view, const ChartScale& scale,
                                        const ChamberRecord& record, int32_t chamber,
                                        const VisibleRange& range);
// The same, with the marker lines handed to `lines` one by one, in drawing
// order, instead of being listed: a window of many samples per pixel column
// merges them as they come. The list holds the label boxes only.
using MarkerLineSink = std::function<void(int32_t x1, int32_t y1, int32_t x2, int32_t y2)>;
std::vector<ChartMarker> ChamberMarkers(const ChartView& view, const ChartScale& scale,
                                        const ChamberRecord& record, int32_t chamber,
                                        const VisibleRange& range, const MarkerLineSink& lines);

// The label box of a marker label: frame from (left + a, top + 10 + 30c) to
// (left + b, top + 32 + 30c), text at (left + a + 3, top + 12 + 30c); with
// another row pitch and more lines, 13 pixels lower for each further line.
PixelRect LabelBox(const ChartScale& scale, int32_t chamber, int32_t a, int32_t b,
                   int32_t pitch = 30, int32_t lines = 1);

// Hover label texts; the second is empty when the sample is not a valid one.
std::string HoverValueText(const ChartView& view);
std::string HoverSampleText(const ChartView& view, const ChartChambers& chambers);
int32_t HoverOffset(const ChartView& view);  // -20 (above the pointer) or +20

// The chart's mark while what it shows is not measured: the simulator stands
// in for the device, or a shown chamber holds a run recorded from it. Empty
// when everything shown is measured.
std::string SimulatedMarkText(const ChartView& view, const ChartChambers& chambers);

// The selected range's text, its slope (held in the selected run's unit)
// shown in the unit shown, and where its label goes.
std::string SelectionText(const ChartView& view, const ChartChambers& chambers);
// The regression over the selected range in the unit shown; empty without one.
std::string SelectionFitText(const ChartView& view, const ChartChambers& chambers);
struct SelectionLabelPlace {
  int32_t x = 0;
  int32_t y = 0;  // the curve point
  int32_t d = 0;  // +40 below, -40 above
};
std::optional<SelectionLabelPlace> PlaceSelectionLabel(const ChartView& view,
                                                       const ChartChambers& chambers,
                                                       const PixelRect& plot, int32_t x);

// The sample under the mouse pointer in the plot rectangle: at the grid time
// under it, or where none is there, within the interval after it.
struct HoverHit {
  float value = kNoValue;  // pressure minus the chamber's offset, in the shown unit
  int32_t sample = -1;
  int32_t chamber = -1;
};
std::optional<HoverHit> SampleUnderMouse(const ChartView& view, const ChartChambers& chambers,
                                         int32_t left, int32_t top, int32_t width, int32_t height);

// Screen rectangle of the segment ending at sample `index` (-1: the last one),
// widened by 3 pixels; zero when there is no such sample.
PixelRect LastPointRect(const ChartView& view, const ChamberRecord* record, int32_t chamber,
                        int32_t index, int32_t left, int32_t top, int32_t width, int32_t height);

// The window's memory of each chamber's last segment rectangle.
struct LastPointMemory {
  std::array<PixelRect, 3> rect{};
};
// Computes `rect` as LastPointRect does; true when the chamber is valid, a sample
// exists and the rectangle differs from the remembered one (which it then replaces).
bool LastPointChanged(LastPointMemory& memory, const ChartView& view, const ChartChambers& chambers,
                      int32_t chamber, int32_t index, int32_t left, int32_t top, int32_t width,
                      int32_t height, PixelRect& rect);

// A gap in a run's time axis: two consecutive samples more than two intervals
// apart (the device was silent, or the samples waited). The curve is broken
// there and the gap is marked.
bool IsTimeGap(int32_t before, int32_t after, int32_t interval);
struct TimeGap {
  int32_t before = 0;  // elapsed time of the sample before the gap
  int32_t after = 0;   // and of the sample after it
  bool operator==(const TimeGap&) const = default;
};
// The gaps of a record that reach into the samples of `range`, also one that
// leads into it or out of it, or that holds the whole window.
std::vector<TimeGap> TimeGaps(const ChamberRecord& record, const VisibleRange& range);

}  // namespace corvala

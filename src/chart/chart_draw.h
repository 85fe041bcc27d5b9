#pragma once
// Drawing of the measurement chart with a QPainter: frame and axes, the three
// curves with their analysis markers, and the overlays of the view refresh
// (hover label, rubber band, label of the selected range). The same calls draw
// to a screen image, a printer or a test image.

#include <QColor>
#include <QImage>
#include <QLine>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart_model.h"

class QPainter;

namespace corvala {

// Curve colour of chamber c (0..2) with the light on or off; label boxes use the
// light-on colour.
QColor CurveColor(int32_t chamber, bool lightOn);
QColor LabelColor(int32_t chamber);

// Background, white plot, axes, ticks and labels, the unit name and, when on, the
// correction marker with its handle. Returns the plot rectangle and handle.
ChartGeometry DrawAxes(QPainter& painter, int32_t x, int32_t y, int32_t w, int32_t h,
                       const ChartView& view);

// The shown chambers' curves inside the plot rectangle, with their markers.
void DrawCurves(QPainter& painter, int32_t left, int32_t top, int32_t width, int32_t height,
                const ChartView& view, const ChartChambers& chambers);

// The value (and sample) under the pointer, when there is one.
void DrawHoverLabel(QPainter& painter, const ChartView& view, const ChartChambers& chambers);

// The line from the press point to the pointer while a range is being dragged.
void DrawRubberBand(QPainter& painter, const ChartView& view);

// The yellow label of the selected range at x, attached to the range's end
// sample. False (and nothing drawn) when that sample does not exist.
bool DrawSelectionLabel(QPainter& painter, const ChartView& view, const ChartChambers& chambers,
                        const PixelRect& plot, int32_t x, const std::string& text);

// What the chart shows of the records, taken while their locks are held, so
// that painting it needs no record: per shown chamber the curve as lines per
// pen (a pixel column of many samples merged into one vertical line) and the
// markers in drawing order, the gap marks, and the texts taken from the records.
struct ChartScene {
  struct Step {
    bool marker = false;
    CurvePen pen = CurvePen::kLightOff;
    std::vector<QLine> lines;  // when not a marker
    ChartMarker mark;          // when a marker
  };
  struct Layer {
    int32_t chamber = 0;
    ChartScale scale;  // in the run's unit
    std::vector<Step> steps;
  };
  PixelRect area;
  ChartView view;
  ChartScale scale;  // the view's
  std::string simulatedMark;
  std::vector<std::pair<int32_t, int32_t>> gaps;  // x before and after each gap
  std::vector<Layer> layers;
};
// The overlays drawn over the chart: they change with the pointer.
struct ChartOverlay {
  ChartView view;
  std::string hoverSample;
  std::optional<SelectionLabelPlace> selection;
  std::string selectionText;
  std::string selectionFitText;  // a second box beyond the first; none when empty
};

ChartScene MakeChartScene(const PixelRect& chartArea, const ChartView& view,
                          const ChartChambers& chambers);
ChartOverlay MakeChartOverlay(const PixelRect& chartArea, const ChartView& view,
                              const ChartChambers& chambers);
// Axes, curves and markers inside the scene's area, clipped to it.
ChartGeometry PaintChartScene(QPainter& painter, const ChartScene& scene);
// Hover label, rubber band and selection label, clipped to the chart area.
void PaintChartOverlay(QPainter& painter, const PixelRect& chartArea, const ChartOverlay& overlay);

// The chart drawn once and kept as an image: a repaint that changes nothing
// the chart shows (a value list scrolled, the pointer moved) copies the image
// and draws only the overlays. What the records hold is copied under their
// locks; no record lock is held while painting.
class ChartCache {
 public:
  using Shared = std::array<const SharedChamber*, 3>;
  ChartGeometry Paint(QPainter& painter, const PixelRect& chartArea, const ChartView& view,
                      const Shared& shared);
  // How often the chart was painted, and how often of those drawn afresh.
  int64_t Paints() const { return paints_; }
  int64_t Draws() const { return draws_; }
  // The next Paint draws the chart afresh.
  void Invalidate() { valid_ = false; }

 private:
  struct Key {
    PixelRect area;
    ChartView view;  // without the overlays
    std::array<uint64_t, 3> revisions{};
    qreal pixelRatio = 1.0;
    bool operator==(const Key&) const = default;
  };
  QImage image_;
  Key key_;
  bool valid_ = false;
  ChartGeometry geometry_;
  int64_t paints_ = 0;
  int64_t draws_ = 0;
};

// The whole measurement view chart inside `chartArea`, clipped to it: axes,
// curves and markers, hover label, rubber band, selection label.
ChartGeometry DrawMeasurementChart(QPainter& painter, const PixelRect& chartArea,
                                   const ChartView& view, const ChartChambers& chambers);

}  // namespace corvala

#pragma once
// Drawing of the measurement chart with a QPainter: frame and axes, the three
// curves with their analysis markers, and the overlays of the view refresh
// (hover label, rubber band, label of the selected range). The same calls draw
// to a screen image, a printer or a test image.

#include <QColor>
#include <cstdint>
#include <string>

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

// The whole measurement view chart inside `chartArea`, clipped to it: axes,
// curves and markers, hover label, rubber band, selection label.
ChartGeometry DrawMeasurementChart(QPainter& painter, const PixelRect& chartArea,
                                   const ChartView& view, const ChartChambers& chambers);

}  // namespace corvala

#include "chart/chart_draw.h"

#include <QFont>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "util/time_format.h"

namespace corvala {
namespace {

const QColor kBackground(159, 159, 159);
const QColor kCorrection(255, 255, 0);
const QColor kGapMark(120, 120, 120);
const QColor kGapHatch(190, 190, 190);

// Label font: Arial, normal weight, with a line height of at most 14 pixels,
// the height the label rows and boxes are laid out for.
QFont LabelFont() {
  static const QFont font = [] {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setWeight(QFont::Normal);
    for (int px = 14; px > 6; --px) {
      f.setPixelSize(px);
      if (QFontMetrics(f).height() <= 14) break;
    }
    return f;
  }();
  return font;
}

// Text with its top-left corner at (x, y).
void TextAt(QPainter& painter, int32_t x, int32_t y, const std::string& text) {
  painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromStdString(text));
}

void PaintSelectionLabel(QPainter& painter, const SelectionLabelPlace& place,
                         const std::string& text, const std::string& fitText = {});

QPen WidePen(const QColor& color) {
  return QPen(color, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// Collects the segments of one curve into steps of one pen each. Each segment
// is its own line with square caps, as if drawn one by one; but where
// consecutive samples fall on one pixel column their segments are vertical and
// overlap, so they are merged into one line from the lowest to the highest of
// them. A column holding hundreds of samples then costs two lines: the one
// entering it and the vertical one, covering the same pixels.
class CurvePath {
 public:
  explicit CurvePath(std::vector<ChartScene::Step>& steps) : steps_(steps) {}

  void MoveTo(QPoint pt) {
    Flush();
    OpenColumn(pt);
  }

  void LineTo(QPoint pt, CurvePen pen) {
    if (pen != pen_) {
      Flush();
      pen_ = pen;
    }
    if (pt.x() == colX_) {
      colMin_ = std::min(colMin_, pt.y());
      colMax_ = std::max(colMax_, pt.y());
      colLastY_ = pt.y();
      ++colSegments_;
      return;
    }
    CloseColumn();
    lines_.emplace_back(colX_, colLastY_, pt.x(), pt.y());
    OpenColumn(pt);
  }

  // Ends the step collected; the next segment continues from the last point.
  void Flush() {
    CloseColumn();
    if (!lines_.empty()) {
      ChartScene::Step step;
      step.pen = pen_;
      step.lines = std::move(lines_);
      steps_.push_back(std::move(step));
      lines_.clear();
    }
    OpenColumn(QPoint(colX_, colLastY_));
  }

 private:
  void OpenColumn(QPoint pt) {
    colX_ = pt.x();
    colMin_ = colMax_ = colLastY_ = pt.y();
    colSegments_ = 0;
  }
  // The vertical segments inside the column so far, as one line.
  void CloseColumn() {
    if (colSegments_ > 0) lines_.emplace_back(colX_, colMin_, colX_, colMax_);
    colSegments_ = 0;
    colMin_ = colMax_ = colLastY_;
  }

  std::vector<ChartScene::Step>& steps_;
  std::vector<QLine> lines_;
  CurvePen pen_ = CurvePen::kLightOff;
  int colX_ = 0, colMin_ = 0, colMax_ = 0, colLastY_ = 0, colSegments_ = 0;
};

void DrawMarker(QPainter& painter, const ChartScale& scale, int32_t chamber,
                const ChartMarker& marker) {
  if (marker.kind == ChartMarker::Kind::kLine) {
    painter.setPen(WidePen(Qt::black));
    painter.drawLine(marker.x1, marker.y1, marker.x2, marker.y2);
    return;
  }
  const auto more = static_cast<int32_t>(marker.moreLines.size());
  const PixelRect box =
      LabelBox(scale, chamber, marker.column, marker.columnEnd, marker.pitch, 1 + more);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::white);
  painter.drawRect(QRect(box.left, box.top, box.Width() - 1, box.Height() - 1));
  painter.setBrush(Qt::NoBrush);
  painter.fillRect(QRect(box.left + 1, box.top + 1, marker.columnEnd - marker.column - 3,
                         19 + more * kLabelLineHeight),
                   LabelColor(chamber));
  TextAt(painter, box.left + 3, box.top + 2, marker.text);
  if (more == 0) return;
  // The regression lines stay inside the box.
  painter.save();
  painter.setClipRect(QRect(box.left + 1, box.top + 1, box.Width() - 3, box.Height() - 3),
                      Qt::IntersectClip);
  for (int32_t i = 0; i < more; ++i)
    TextAt(painter, box.left + 3, box.top + 2 + (i + 1) * kLabelLineHeight,
           marker.moreLines[static_cast<size_t>(i)]);
  painter.restore();
}

// The gaps in a record's time axis, as x before and after each.
void AddGaps(ChartScene& scene, const ChamberRecord& rec) {
  const ChartScale& scale = scene.scale;
  for (const TimeGap& gap : TimeGaps(rec, VisibleSamples(rec, scale.timeStart, scale.timeEnd)))
    scene.gaps.emplace_back(scale.X(gap.before), scale.X(gap.after));
}

// Marks the gaps: a hatched band between the samples around each gap, edged by
// dashed lines, kept inside the plot.
void PaintGapMarks(QPainter& painter, const ChartScene& scene) {
  if (scene.gaps.empty()) return;
  const ChartScale& scale = scene.scale;
  const int32_t top = scale.top;
  const int32_t bottom = scale.top + scale.height;
  painter.save();
  // Inside the axes, which lie on the plot's left and bottom edges.
  painter.setClipRect(QRect(scale.left + 1, top, scale.width - 1, scale.height), Qt::IntersectClip);
  for (const auto& [x0, x1] : scene.gaps) {
    painter.fillRect(QRect(QPoint(x0, top), QPoint(x1, bottom)),
                     QBrush(kGapHatch, Qt::BDiagPattern));
    painter.setPen(QPen(kGapMark, 1, Qt::DashLine));
    painter.drawLine(x0, top, x0, bottom);
    painter.drawLine(x1, top, x1, bottom);
  }
  painter.restore();
}

// A window holding many samples per pixel column (a day or more of one-second
// samples): the curve is drawn per column instead of per sample. Shorter
// windows keep the exact picture of every segment drawn in order.
constexpr int64_t kSamplesPerColumn = 32;
bool ManySamplesPerColumn(const VisibleRange& range, const ChartScale& scale) {
  return range.monotonic && int64_t{range.end} - range.first >
                                kSamplesPerColumn * int64_t{std::max<int32_t>(scale.width, 1)};
}

// Marker lines of a long window, gathered as the markers are built: the short
// ones inside the plot merged into one vertical line per column, the rest kept.
class MarkerColumns {
 public:
  explicit MarkerColumns(const ChartScale& scale)
      : firstColumn_(scale.left - 1),
        columns_(static_cast<size_t>(std::max<int32_t>(scale.width, 0)) + 3,
                 {INT32_MAX, INT32_MIN}) {}

  void Add(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const bool inside = x1 >= firstColumn_ && x2 >= firstColumn_ &&
                        x1 - firstColumn_ < static_cast<int32_t>(columns_.size()) &&
                        x2 - firstColumn_ < static_cast<int32_t>(columns_.size());
    if (std::abs(x2 - x1) > 1 || !inside) {
      lines_.emplace_back(x1, y1, x2, y2);
      return;
    }
    const int32_t top = std::min(y1, y2);
    const int32_t bottom = std::max(y1, y2);
    Extend(x1, top, bottom);
    if (x2 != x1) Extend(x2, top, bottom);
  }

  // The lines in the black pen of the marker lines, after the curve.
  void AddTo(ChartScene::Layer& layer) {
    Settle();
    for (size_t i = 0; i < columns_.size(); ++i)
      if (columns_[i].first <= columns_[i].second)
        lines_.emplace_back(firstColumn_ + static_cast<int32_t>(i), columns_[i].first,
                            firstColumn_ + static_cast<int32_t>(i), columns_[i].second);
    if (lines_.empty()) return;
    ChartScene::Step& step = layer.steps.emplace_back();
    step.pen = CurvePen::kHighlight;
    step.lines = std::move(lines_);
  }

 private:
  // The lines come column by column: the one being filled is kept at hand.
  void Extend(int32_t x, int32_t top, int32_t bottom) {
    if (!open_ || x != openX_) {
      Settle();
      open_ = true;
      openX_ = x;
      openTop_ = top;
      openBottom_ = bottom;
      return;
    }
    openTop_ = std::min(openTop_, top);
    openBottom_ = std::max(openBottom_, bottom);
  }
  void Settle() {
    if (!open_) return;
    auto& [top, bottom] = columns_[static_cast<size_t>(openX_ - firstColumn_)];
    top = std::min(top, openTop_);
    bottom = std::max(bottom, openBottom_);
    open_ = false;
  }

  int32_t firstColumn_;
  std::vector<std::pair<int32_t, int32_t>> columns_;  // lowest, highest
  bool open_ = false;
  int32_t openX_ = 0, openTop_ = 0, openBottom_ = 0;
  std::vector<QLine> lines_;
};

// The end of the pixel column x that sample j falls on, in the samples before
// `end`: the first sample right of it. X never decreases with the elapsed
// time, so the column ends at the first time right of it, taken from the
// scale's inverse and nudged onto the exact pixel; the samples are then found
// near j rather than by a search over the whole window.
int32_t ColumnEnd(const ChartScale& scale, const int32_t* elapsed, int32_t runInterval, int32_t j,
                  int32_t end, int32_t x) {
  const int64_t from = elapsed[j];
  const int64_t last = elapsed[end - 1];
  if (scale.X(static_cast<int32_t>(last)) <= x) return end;
  const double inverse =
      std::ceil(scale.timeStart + (x + 1.0 - scale.left) * scale.timeSpan / scale.width);
  int64_t t = last;
  if (std::isfinite(inverse))
    t = static_cast<int64_t>(
        std::clamp(inverse, static_cast<double>(from + 1), static_cast<double>(last)));
  // From here on X(t) > x >= X(t - 1) once settled; X(from) is x and X(last) beyond it.
  bool settled = false;
  for (int step = 0; step < 8 && !settled; ++step) {
    if (scale.X(static_cast<int32_t>(t)) <= x)
      ++t;
    else if (t - 1 > from && scale.X(static_cast<int32_t>(t - 1)) > x)
      --t;
    else
      settled = true;
  }
  if (!settled)
    return static_cast<int32_t>(std::partition_point(elapsed + j, elapsed + end,
                                                     [&](int32_t e) { return scale.X(e) <= x; }) -
                                elapsed);
  // The first sample at t or later, after j: where evenly spaced samples put
  // it, then widening steps from there and a search in the last one.
  const int64_t interval = std::max<int32_t>(1, runInterval);
  const auto expected =
      static_cast<int32_t>(std::clamp<int64_t>(j + (t - from) / interval, j + 1, end));
  int32_t lo = j;    // elapsed[lo] < t
  int32_t hi = end;  // elapsed[hi] >= t, or the end
  if (expected < end && elapsed[expected] < t) {
    lo = expected;
    int32_t step = 1;
    while (lo + step < end && elapsed[lo + step] < t) {
      lo += step;
      step *= 2;
    }
    hi = std::min(end, lo + step);
  } else {
    hi = expected;
    int32_t step = 1;
    while (hi - step > j && elapsed[hi - step] >= t) {
      hi -= step;
      step *= 2;
    }
    lo = std::max(j, hi - step);
  }
  return static_cast<int32_t>(
      std::lower_bound(elapsed + lo + 1, elapsed + hi, static_cast<int32_t>(t)) - elapsed);
}

// The curve of a long window, column by column: the samples falling on one
// pixel column are drawn as one vertical line per pen, from the lowest to the
// highest of them, joined to the last point of the column before (unless a gap
// in the time axis lies between). The marker lines are gathered the same way:
// the short ones of a column as one vertical line, the longer ones as they are,
// all over the curve, and the label boxes over them.
void AddColumns(ChartScene::Layer& layer, const ChamberRecord& rec, const std::vector<PenRun>& runs,
                const std::vector<ChartMarker>& markers, MarkerColumns& lineColumns,
                const VisibleRange& range, float offset) {
  const ChartScale& scale = layer.scale;
  const int32_t* elapsed = rec.series.Elapsed().data();
  const float* pressure = rec.series.Pressure().data();
  std::array<std::vector<QLine>, 3> lines;
  for (auto& pen : lines) pen.reserve(2 * static_cast<size_t>(std::max<int32_t>(scale.width, 0)));
  auto y = [&](float p) { return scale.Y(p, offset); };
  // The run holding sample k ends where the next one starts.
  size_t run = 0;
  auto runEnd = [&](size_t r) { return r + 1 < runs.size() ? runs[r + 1].first : range.end; };
  int32_t j = range.first;
  bool joined = false;
  int32_t lastX = 0, lastY = 0;
  while (j < range.end) {
    const int32_t x = scale.X(elapsed[j]);
    const int32_t end = ColumnEnd(scale, elapsed, rec.runInterval, j, range.end, x);
    while (runEnd(run) <= j) ++run;
    const auto firstPen = static_cast<size_t>(runs[run].pen);
    std::array<float, 3> lo{}, hi{};
    std::array<bool, 3> seen{false, false, false};
    // Run by run of one pen, so that the inner loop only compares pressures.
    for (int32_t k = j; k < end;) {
      while (runEnd(run) <= k) ++run;
      const auto pen = static_cast<size_t>(runs[run].pen);
      const int32_t stop = std::min(end, runEnd(run));
      if (!seen[pen]) {
        seen[pen] = true;
        lo[pen] = hi[pen] = pressure[k++];
      }
      float l = lo[pen], h = hi[pen];
      for (; k < stop; ++k) {
        l = std::min(l, pressure[k]);
        h = std::max(h, pressure[k]);
      }
      lo[pen] = l;
      hi[pen] = h;
    }
    const bool afterGap = j > 0 && IsTimeGap(elapsed[j - 1], elapsed[j], rec.runInterval);
    const int32_t firstY = y(pressure[j]);
    if (j > 0 && !afterGap) {
      if (!joined) {  // the segment coming in from before the window
        lastX = scale.X(elapsed[j - 1]);
        lastY = y(pressure[j - 1]);
      }
      lines[firstPen].emplace_back(lastX, lastY, x, firstY);
    }
    for (size_t pen = 0; pen < 3; ++pen)
      if (seen[pen]) lines[pen].emplace_back(x, y(hi[pen]), x, y(lo[pen]));
    joined = true;
    lastX = x;
    lastY = y(pressure[end - 1]);
    j = end;
  }
  for (size_t pen = 0; pen < 3; ++pen) {
    if (lines[pen].empty()) continue;
    ChartScene::Step& step = layer.steps.emplace_back();
    step.pen = static_cast<CurvePen>(pen);
    step.lines = std::move(lines[pen]);
  }

  lineColumns.AddTo(layer);
  for (const ChartMarker& m : markers) {
    if (m.kind != ChartMarker::Kind::kLabel) continue;
    ChartScene::Step& step = layer.steps.emplace_back();
    step.marker = true;
    step.mark = m;
  }
}

void AddChamber(ChartScene& scene, const ChamberRecord& rec, int32_t c) {
  const ChartScale& viewScale = scene.scale;
  const ChartView& view = scene.view;
  const VisibleRange range = VisibleSamples(rec, viewScale.timeStart, viewScale.timeEnd);
  if (range.Empty()) return;
  ChartScene::Layer& layer = scene.layers.emplace_back();
  layer.chamber = c;
  // The run's pressures are turned into the shown unit as they are mapped to pixels.
  layer.scale = viewScale.ForRun(view, rec.runUnit);
  const ChartScale& scale = layer.scale;
  const float offset = view.normOffset[static_cast<size_t>(c)];
  const int32_t* elapsed = rec.series.Elapsed().data();
  const float* pressure = rec.series.Pressure().data();
  if (ManySamplesPerColumn(range, scale)) {
    // The marker lines go straight into their columns: tens of thousands of
    // them merge into a few hundred lines, so none is kept as a marker.
    MarkerColumns lineColumns(scale);
    const std::vector<ChartMarker> labels = ChamberMarkers(
        view, viewScale, rec, c, range,
        [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) { lineColumns.Add(x1, y1, x2, y2); });
    AddColumns(layer, rec, CurvePenRuns(view, rec, c, range), labels, lineColumns, range, offset);
    return;
  }
  const std::vector<CurvePen> pens = CurvePens(view, rec, c, range);
  const std::vector<ChartMarker> markers = ChamberMarkers(view, viewScale, rec, c, range);
  auto point = [&](int32_t j) { return QPoint(scale.X(elapsed[j]), scale.Y(pressure[j], offset)); };

  CurvePath path(layer.steps);
  size_t next = 0;
  bool previousDrawn = false;
  for (int32_t j = range.first; j < range.end; ++j) {
    if (!range.monotonic && elapsed[j] > scale.timeEnd) {
      previousDrawn = false;
      continue;
    }
    const QPoint pt = point(j);
    // No line across a gap in the time axis: the curve starts afresh after it.
    const bool afterGap = j > 0 && IsTimeGap(elapsed[j - 1], elapsed[j], rec.runInterval);
    if (!previousDrawn || afterGap) path.MoveTo(j > 0 && !afterGap ? point(j - 1) : pt);
    previousDrawn = true;
    path.LineTo(pt, pens[static_cast<size_t>(j - range.first)]);
    if (next < markers.size() && markers[next].sample == j) {
      path.Flush();
      for (; next < markers.size() && markers[next].sample == j; ++next) {
        ChartScene::Step& step = layer.steps.emplace_back();
        step.marker = true;
        step.mark = markers[next];
      }
    }
  }
  path.Flush();
}

void PaintLayer(QPainter& painter, const ChartScene::Layer& layer) {
  const int32_t c = layer.chamber;
  const std::array<QPen, 3> qpens{WidePen(CurveColor(c, false)), WidePen(CurveColor(c, true)),
                                  WidePen(Qt::black)};
  for (const ChartScene::Step& step : layer.steps) {
    if (step.marker) {
      DrawMarker(painter, layer.scale, c, step.mark);
    } else {
      painter.setPen(qpens[static_cast<size_t>(step.pen)]);
      painter.drawLines(step.lines.data(), static_cast<int>(step.lines.size()));
    }
  }
}

// Curves and markers inside the plot of the scene's scale.
void PaintCurves(QPainter& painter, const ChartScene& scene) {
  const ChartScale& s = scene.scale;
  painter.save();
  // Curves and markers stay on the plot, axes included: values below zero or
  // above the chart top, and the segment coming in from before the window,
  // would otherwise cover the tick labels and the unit name.
  painter.setClipRect(QRect(s.left, s.top, s.width + 1, s.height + 1), Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(LabelFont());
  // The gap marks first: every curve lies over them.
  PaintGapMarks(painter, scene);
  for (const ChartScene::Layer& layer : scene.layers) PaintLayer(painter, layer);
  painter.restore();
}

// The curves part of a scene: gaps and layers of the shown chambers.
void AddCurves(ChartScene& scene, const ChartChambers& chambers) {
  // Chamber by chamber, so that its series is read while still at hand.
  for (size_t c = 0; c < 3; ++c) {
    if (chambers[c] == nullptr || !scene.view.chamberShown[c]) continue;
    AddGaps(scene, *chambers[c]);
    AddChamber(scene, *chambers[c], static_cast<int32_t>(c));
  }
}

}  // namespace

QColor CurveColor(int32_t chamber, bool lightOn) {
  static const QColor off[3] = {QColor(127, 0, 0), QColor(0, 127, 0), QColor(0, 0, 255)};
  static const QColor on[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(155, 203, 229)};
  const auto c = static_cast<size_t>(std::clamp(chamber, 0, 2));
  return lightOn ? on[c] : off[c];
}

QColor LabelColor(int32_t chamber) {
  return CurveColor(chamber, true);
}

ChartGeometry DrawAxes(QPainter& painter, int32_t x, int32_t y, int32_t w, int32_t h,
                       const ChartView& view) {
  ChartGeometry g;
  g.area = {x, y, x + w, y + h};
  g.plot = PlotRectFor(x, y, w, h);
  const int32_t px = g.plot.left;
  const int32_t py = g.plot.top;
  const int32_t pw = g.plot.Width();
  const int32_t ph = g.plot.Height();

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(LabelFont());
  painter.fillRect(QRect(x, y, w, h), kBackground);
  painter.fillRect(QRect(px, py, pw, ph), Qt::white);
  const QPen thin(Qt::black, 1);
  painter.setPen(thin);
  painter.drawLine(px, py, px, py + ph);
  painter.drawLine(px, py + ph, px + pw, py + ph);

  if (view.correctionOn) {
    const double xm = CorrectionMarkerX(view, g.plot);
    painter.setPen(QPen(kCorrection, 2));
    painter.drawLine(ToPixel(xm), py, ToPixel(xm), py + ph);
    g.corrHandleX = ToPixel(xm - 22);
    g.corrHandleY = py;
    g.corrHandleShown = true;
    painter.fillRect(QRect(g.corrHandleX, py, 44, 20), kCorrection);
    painter.setPen(thin);
    const double textX = view.correctionTime < 3600 ? xm - 14 : xm - 21;
    TextAt(painter, ToPixel(textX), py + 4, FormatMs(view.correctionTime));
  }

  const bool shortAxis = ShortTimeAxis(view);
  for (int32_t k = 0; k <= 10; ++k) {
    const int32_t xk = px + (pw / 10) * k;
    painter.drawLine(xk, py + ph - 5, xk, py + ph + 5);
    TextAt(painter, xk - pw / 30 + (shortAxis ? 13 : 5), py + ph + 10, TimeTickLabel(view, k));
    const int32_t yk = (py + ph) - (ph / 10) * k;
    painter.drawLine(px - 5, yk, px + 5, yk);
    TextAt(painter, px - pw / 25, yk - 7, PressureTickLabel(view, k));
  }
  TextAt(painter, px + (pw / 10) * 5 - pw / 20, py + ph + 35, TimeAxisTitle(view));
  TextAt(painter, px - pw / 35, py - 20, view.unitName);
  painter.restore();
  return g;
}

void DrawCurves(QPainter& painter, int32_t left, int32_t top, int32_t width, int32_t height,
                const ChartView& view, const ChartChambers& chambers) {
  ChartScene scene;
  scene.view = view;
  scene.scale = MakeChartScale(view, left, top, width, height);
  AddCurves(scene, chambers);
  PaintCurves(painter, scene);
}

void DrawHoverLabel(QPainter& painter, const ChartView& view, const ChartChambers& chambers) {
  if (view.hoverValue == kNoValue) return;
  const int32_t d = HoverOffset(view);
  painter.save();
  painter.setFont(LabelFont());
  painter.setPen(QPen(Qt::black, 1));
  TextAt(painter, view.mouseX, view.mouseY + d, HoverValueText(view));
  const std::string sample = HoverSampleText(view, chambers);
  if (!sample.empty()) TextAt(painter, view.mouseX - 35, view.mouseY - 20 + d, sample);
  painter.restore();
}

void DrawRubberBand(QPainter& painter, const ChartView& view) {
  if (!view.selDragging) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(view.selDragX, view.selDragY, view.mouseX, view.mouseY);
  painter.restore();
}

bool DrawSelectionLabel(QPainter& painter, const ChartView& view, const ChartChambers& chambers,
                        const PixelRect& plot, int32_t x, const std::string& text) {
  const auto place = PlaceSelectionLabel(view, chambers, plot, x);
  if (!place) return false;
  PaintSelectionLabel(painter, *place, text);
  return true;
}

namespace {

void PaintSelectionLabel(QPainter& painter, const SelectionLabelPlace& place,
                         const std::string& text, const std::string& fitText) {
  const int32_t x = place.x;
  const int32_t y = place.y;
  const int32_t d = place.d;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(LabelFont());
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(x, y, x, y + d);
  // A box centred on x at height yc, 8 pixels per byte of its text, the text's
  // top at yc + textTop.
  auto box = [&](int32_t yc, int32_t textTop, const std::string& line) {
    const auto n = static_cast<int32_t>(std::min<size_t>(line.size(), 1000));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(x - 4 * n - 1, yc - 11, 8 * n + 1, 21));
    painter.fillRect(QRect(x - 4 * n, yc - 10, 8 * n, 20), kCorrection);
    TextAt(painter, x - 4 * n + 10, yc + textTop, line);
  };
  box(y + d, d > 0 ? 8 : -8, text);
  // The regression's box lies beyond the first, away from the curve.
  if (!fitText.empty()) box(d > 0 ? y + d + 22 : y + d - 22, -8, fitText);
  painter.restore();
}

// The mark of values that are not measured, at the top of the plot in bold
// red, beneath the curves so that it hides none of them.
void DrawSimulatedMark(QPainter& painter, const PixelRect& plot, const std::string& text) {
  if (text.empty()) return;
  QFont font = LabelFont();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(200, 0, 0));
  painter.drawText(QRect(plot.left, plot.top + 4, plot.Width(), QFontMetrics(font).height()),
                   Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(text));
}

}  // namespace

ChartScene MakeChartScene(const PixelRect& chartArea, const ChartView& view,
                          const ChartChambers& chambers) {
  ChartScene scene;
  scene.area = chartArea;
  scene.view = view;
  const PixelRect plot =
      PlotRectFor(chartArea.left, chartArea.top, chartArea.Width(), chartArea.Height());
  scene.scale = MakeChartScale(view, plot.left, plot.top, plot.Width(), plot.Height());
  scene.simulatedMark = SimulatedMarkText(view, chambers);
  AddCurves(scene, chambers);
  return scene;
}

ChartOverlay MakeChartOverlay(const PixelRect& chartArea, const ChartView& view,
                              const ChartChambers& chambers) {
  ChartOverlay overlay;
  overlay.view = view;
  if (view.hoverValue != kNoValue) overlay.hoverSample = HoverSampleText(view, chambers);
  if (view.selSlope != kNoValue) {
    const PixelRect plot =
        PlotRectFor(chartArea.left, chartArea.top, chartArea.Width(), chartArea.Height());
    const int32_t x = std::max(view.selPoints[0], view.selPoints[2]);
    overlay.selection = PlaceSelectionLabel(view, chambers, plot, x);
    overlay.selectionText = SelectionText(view, chambers);
    overlay.selectionFitText = SelectionFitText(view, chambers);
  }
  return overlay;
}

ChartGeometry PaintChartScene(QPainter& painter, const ChartScene& scene) {
  const PixelRect& area = scene.area;
  painter.save();
  painter.setClipRect(QRect(area.left, area.top, area.Width(), area.Height()));
  const ChartGeometry g =
      DrawAxes(painter, area.left, area.top, area.Width(), area.Height(), scene.view);
  DrawSimulatedMark(painter, g.plot, scene.simulatedMark);
  PaintCurves(painter, scene);
  painter.restore();
  return g;
}

void PaintChartOverlay(QPainter& painter, const PixelRect& chartArea, const ChartOverlay& overlay) {
  const ChartView& view = overlay.view;
  painter.save();
  painter.setClipRect(QRect(chartArea.left, chartArea.top, chartArea.Width(), chartArea.Height()));
  if (view.hoverValue != kNoValue) {
    const int32_t d = HoverOffset(view);
    painter.save();
    painter.setFont(LabelFont());
    painter.setPen(QPen(Qt::black, 1));
    TextAt(painter, view.mouseX, view.mouseY + d, HoverValueText(view));
    if (!overlay.hoverSample.empty())
      TextAt(painter, view.mouseX - 35, view.mouseY - 20 + d, overlay.hoverSample);
    painter.restore();
  }
  DrawRubberBand(painter, view);
  if (overlay.selection)
    PaintSelectionLabel(painter, *overlay.selection, overlay.selectionText,
                        overlay.selectionFitText);
  painter.restore();
}

namespace {

// The view as the kept chart sees it: the overlays set apart.
ChartView WithoutOverlays(ChartView view) {
  const ChartView none;
  view.hoverValue = none.hoverValue;
  view.hoverSample = none.hoverSample;
  view.hoverChamber = none.hoverChamber;
  view.mouseX = none.mouseX;
  view.mouseY = none.mouseY;
  view.selDragging = none.selDragging;
  view.selDragX = none.selDragX;
  view.selDragY = none.selDragY;
  view.selPoints = none.selPoints;
  view.selChamberHit = none.selChamberHit;
  view.selFit = none.selFit;
  return view;
}

}  // namespace

ChartGeometry ChartCache::Paint(QPainter& painter, const PixelRect& chartArea,
                                const ChartView& view, const Shared& shared) {
  ++paints_;
  Key key;
  key.area = chartArea;
  key.view = WithoutOverlays(view);
  // Read before the records: a change made meanwhile is drawn at the next paint.
  for (size_t c = 0; c < 3; ++c) key.revisions[c] = shared[c]->Revision();
  key.pixelRatio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  const bool redraw = !valid_ || !(key == key_);
  std::optional<ChartScene> scene;
  const ChartOverlay overlay = WithChamberRecords(shared, [&](const ChartChambers& chambers) {
    if (redraw) scene = MakeChartScene(chartArea, key.view, chambers);
    return MakeChartOverlay(chartArea, view, chambers);
  });
  if (scene && (chartArea.Width() <= 0 || chartArea.Height() <= 0)) {
    geometry_ = ChartGeometry{chartArea, PlotRectFor(chartArea.left, chartArea.top,
                                                     chartArea.Width(), chartArea.Height())};
    return geometry_;
  }
  if (scene) {
    const QSize size(ToPixel(chartArea.Width() * key.pixelRatio),
                     ToPixel(chartArea.Height() * key.pixelRatio));
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGB32);
    image_.setDevicePixelRatio(key.pixelRatio);
    QPainter picture(&image_);
    picture.translate(-chartArea.left, -chartArea.top);
    geometry_ = PaintChartScene(picture, *scene);
    key_ = key;
    valid_ = true;
    ++draws_;
  }
  painter.drawImage(QPoint(chartArea.left, chartArea.top), image_);
  PaintChartOverlay(painter, chartArea, overlay);
  return geometry_;
}

ChartGeometry DrawMeasurementChart(QPainter& painter, const PixelRect& chartArea,
                                   const ChartView& view, const ChartChambers& chambers) {
  const ChartGeometry g = PaintChartScene(painter, MakeChartScene(chartArea, view, chambers));
  PaintChartOverlay(painter, chartArea, MakeChartOverlay(chartArea, view, chambers));
  return g;
}

}  // namespace corvala

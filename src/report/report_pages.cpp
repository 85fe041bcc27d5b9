#include "report/report_pages.h"

#include <QFontMetrics>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <array>

#include "report/diagram_draw.h"
#include "util/c_format.h"

namespace corvala {
namespace {

constexpr int32_t kTitleFont = 130;
constexpr int32_t kHeadingFont = 100;
constexpr int32_t kBodyFont = 70;

struct TableColumn {
  const char* heading;
  double pitches;  // x in column pitches; column 0 sits at w/80 instead
};
constexpr std::array<TableColumn, kAnalysisListColumns> kColumns{{
    {"Name", 0.0},
    {"Date", 1.15},
    {"Time", 1.85},
    {"Chamber", 2.4},
    {"Respiration", 3.3},
    {"Slope", 4.5},
    {"Delay", 5.5},
    {"Maximum-a", 6.2},
    {"Maximum-m", 7.2},
    {"KphA", 8.4},
    {"Diagram", 9.0},
}};

void TextAt(QPainter& painter, int32_t x, int32_t y, const std::string& text) {
  painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromStdString(text));
}

}  // namespace

QRect PrintChartRect(int32_t quantity, QSize resolution) {
  const int32_t m = std::max(0, std::min(resolution.width(), resolution.height()));
  const double f = m / 2.5;
  const double g = f / 4.0 * 3.0;
  const int32_t column = quantity % 2;
  const int32_t row = quantity / 2;
  const int32_t x =
      column == 0 ? TruncToInt32(g / 8) : TruncToInt32(TruncToInt32(m / 10 + f) + g / 8);
  const int32_t y = TruncToInt32(TruncToInt32(row * (g + g / 6) + g / 8) + g / 16);
  return QRect(x, y, TruncToInt32(f), TruncToInt32(g));
}

bool PrintTablePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit) {
  if (!painter.isActive()) return false;
  const int32_t w = std::min(resolution.width(), resolution.height());
  const int32_t h = std::max(resolution.width(), resolution.height());
  if (w <= 0 || h <= 0) return false;
  // Black text on white: one byte per pixel keeps a 600 dpi page near 35 MB.
  QImage page(w, h, QImage::Format_Grayscale8);
  if (page.isNull()) return false;
  page.fill(Qt::white);
  {
    QPainter canvas(&page);
    canvas.setPen(Qt::black);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.drawLine(0, h / 11, w - 1, h / 11);

    canvas.setFont(ArialOfCellHeight(kTitleFont));
    TextAt(canvas, 50, 50, "Messauswertung");

    const double pitch = w / 10;
    const double rowPitch = h / 50;
    std::array<int32_t, kAnalysisListColumns> x{};
    x[0] = w / 80;
    for (size_t c = 1; c < kColumns.size(); ++c) x[c] = TruncToInt32(pitch * kColumns[c].pitches);

    canvas.setFont(ArialOfCellHeight(kHeadingFont));
    for (size_t c = 0; c < kColumns.size(); ++c) TextAt(canvas, x[c], h / 15, kColumns[c].heading);

    canvas.setFont(ArialOfCellHeight(kBodyFont));
    for (size_t i = 0; i < table.RowCount(); ++i) {
      const int32_t y = TruncToInt32(h / 10 + static_cast<double>(i) * rowPitch);
      if (y >= h) break;  // the rest is cut off with the page
      const AnalysisListTexts texts = LoadedRowTexts(table.Row(i), unit);
      for (size_t c = 0; c < kColumns.size(); ++c) TextAt(canvas, x[c], y, texts[c]);
    }
  }
  painter.drawImage(QRect(0, 0, w, h), page);
  return true;
}

bool DrawDiagramsForPrint(QPainter& painter, QSize resolution, const AnalysisTable& table,
                          int32_t unit, const std::string& unitName) {
  if (!painter.isActive()) return false;
  for (int32_t q = 0; q < kDiagramQuantityCount; ++q) {
    const QRect target = PrintChartRect(q, resolution);
    if (target.isEmpty()) continue;
    painter.drawImage(target, RenderDiagram(q, table, unit, unitName));
  }
  return true;
}

bool PrintReport(QPagedPaintDevice& device, const AnalysisTable& table, int32_t unit,
                 const std::string& unitName, bool analysisView) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const QSize resolution(device.width(), device.height());
  if (analysisView) PrintTablePage(painter, resolution, table, unit);
  bool ok = device.newPage();
  if (ok && analysisView) DrawDiagramsForPrint(painter, resolution, table, unit, unitName);
  return painter.end() && ok;
}

}  // namespace corvala

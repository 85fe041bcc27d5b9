#include "report/report_pages.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/rate_figures.h"
#include "report/diagram_draw.h"
#include "util/c_format.h"

namespace corvala {
namespace {

// Font cell heights in logical pixels.
constexpr int32_t kTitleFont = 130;
constexpr int32_t kHeadingFont = 100;
constexpr int32_t kBodyFont = 70;
// Height of the chart grid in units of M: three row steps of 0.35 M, the
// offsets 0.0375 M and 0.01875 M, and the last chart's 0.3 M.
constexpr double kChartGridHeight = 1.40625;

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

// The rate columns' left edges in column pitches (w/10); the name sits at w/80.
constexpr std::array<std::pair<const char*, double>, kRateColumns> kRateColumnPitches{{
    {"Name", 0.0},
    {"Chamber", 1.9},
    {"Region", 2.75},
    {"Slope \u00B1 SE", 3.45},
    {"R\u00B2", 5.0},
    {"Corrected", 5.75},
    {"\u00B5mol/h", 6.95},
    {"\u00B5mol/h per amount", 8.05},
}};
// Clear room between a column's longest text and the next column.
constexpr int32_t kRateColumnGap = 40;
constexpr const char* kMissing = "---";

// Decimals that show a standard error to two significant digits.
int DecimalsForError(double standardError) {
  const int magnitude = static_cast<int>(std::floor(std::log10(standardError)));
  return std::clamp(1 - magnitude, 0, 12);
}

bool UsableError(const std::optional<double>& standardError) {
  return standardError && std::isfinite(*standardError) && *standardError > 0.0;
}

std::string Significant(const std::optional<double>& value) {
  return value ? Format("%.4g", *value) : std::string(kMissing);
}

// Text cut to `width` logical pixels in the painter's font.
std::string Fitted(const QPainter& painter, const std::string& text, int32_t width) {
  return painter.fontMetrics()
      .elidedText(QString::fromStdString(text), Qt::ElideRight, std::max(width, 0))
      .toStdString();
}

}  // namespace

TablePageLayout LayoutTablePages(QSize resolution) {
  TablePageLayout layout;
  const int32_t shortSide = std::min(resolution.width(), resolution.height());
  const int32_t longSide = std::max(resolution.width(), resolution.height());
  if (shortSide <= 0) return layout;
  layout.scale = static_cast<double>(shortSide) / kReportShortSide;
  layout.width = kReportShortSide;
  layout.height = TruncToInt32(longSide / layout.scale);
  layout.pageHeight = TruncToInt32(resolution.height() / layout.scale);
  layout.firstRowY = layout.height / 10;
  layout.rowPitch = layout.height / 50;
  // A row must end on its page: its pitch holds the body font's line.
  const int32_t room = layout.pageHeight - layout.firstRowY;
  layout.rowsPerPage = std::max(1, layout.rowPitch > 0 ? room / layout.rowPitch : 1);
  return layout;
}

int32_t TablePageLayout::Pages(size_t rows) const {
  const size_t perPage = static_cast<size_t>(std::max(rowsPerPage, 1));
  return static_cast<int32_t>(std::max<size_t>(1, (rows + perPage - 1) / perPage));
}

QRect PrintChartRect(int32_t quantity, QSize resolution) {
  int32_t m = std::max(0, std::min(resolution.width(), resolution.height()));
  // The four chart rows reach down to 1.40625 M: on a page less tall than that
  // (landscape paper) the charts shrink until the last row fits.
  m = std::min(m, std::max(0, TruncToInt32(resolution.height() / kChartGridHeight)));
  const double f = m / 2.5;
  const double g = f / 4.0 * 3.0;
  const int32_t column = quantity % 2;
  const int32_t row = quantity / 2;
  const int32_t x =
      column == 0 ? TruncToInt32(g / 8) : TruncToInt32(TruncToInt32(m / 10 + f) + g / 8);
  const int32_t y = TruncToInt32(TruncToInt32(row * (g + g / 6) + g / 8) + g / 16);
  return QRect(x, y, TruncToInt32(f), TruncToInt32(g));
}

namespace {

// A white table page in logical pixels with its title and the rule under it;
// the caller restores the painter when the page is done. Fonts and positions
// keep their proportions at any printer resolution, and nothing is rendered at
// the device's full resolution first.
void BeginTablePage(QPainter& painter, QSize resolution, const TablePageLayout& layout,
                    const char* title) {
  painter.save();
  painter.fillRect(QRect(QPoint(0, 0), resolution), Qt::white);
  painter.scale(layout.scale, layout.scale);
  painter.setPen(Qt::black);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.drawLine(0, layout.height / 11, layout.width - 1, layout.height / 11);
  painter.setFont(ArialOfCellHeight(kTitleFont));
  TextAt(painter, 50, 50, title);
}

}  // namespace

bool PrintTablePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit,
                    int32_t page) {
  if (!painter.isActive()) return false;
  const TablePageLayout layout = LayoutTablePages(resolution);
  if (layout.scale <= 0.0) return false;
  BeginTablePage(painter, resolution, layout, "Messauswertung");
  const int32_t w = layout.width;
  const int32_t h = layout.height;

  const double pitch = w / 10;
  std::array<int32_t, kAnalysisListColumns> x{};
  x[0] = w / 80;
  for (size_t c = 1; c < kColumns.size(); ++c) x[c] = TruncToInt32(pitch * kColumns[c].pitches);

  painter.setFont(ArialOfCellHeight(kHeadingFont));
  for (size_t c = 0; c < kColumns.size(); ++c) TextAt(painter, x[c], h / 15, kColumns[c].heading);

  // The rows of this page; the rest continue on the next page.
  painter.setFont(ArialOfCellHeight(kBodyFont));
  const size_t first = static_cast<size_t>(std::max(page, 0)) * layout.rowsPerPage;
  for (size_t i = first; i < table.RowCount() && i - first < size_t(layout.rowsPerPage); ++i) {
    const int32_t y = layout.firstRowY + static_cast<int32_t>(i - first) * layout.rowPitch;
    const AnalysisListTexts texts = LoadedRowTexts(table.Row(i), unit);
    for (size_t c = 0; c < kColumns.size(); ++c) TextAt(painter, x[c], y, texts[c]);
  }
  painter.restore();
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

std::array<RateColumn, kRateColumns> RatePageColumns() {
  constexpr int32_t w = kReportShortSide;
  const double pitch = w / 10;
  std::array<RateColumn, kRateColumns> columns{};
  for (size_t c = 0; c < columns.size(); ++c) {
    columns[c].heading = kRateColumnPitches[c].first;
    columns[c].x = c == 0 ? w / 80 : TruncToInt32(pitch * kRateColumnPitches[c].second);
  }
  for (size_t c = 0; c < columns.size(); ++c) {
    const int32_t end = c + 1 < columns.size() ? columns[c + 1].x - kRateColumnGap : w - w / 80;
    columns[c].width = end - columns[c].x;
  }
  return columns;
}

std::string SlopeWithErrorText(const std::optional<double>& slope,
                               const std::optional<double>& standardError) {
  if (!slope) return kMissing;
  if (!UsableError(standardError)) return Significant(slope);
  const int decimals = DecimalsForError(*standardError);
  return Format("%.*f \u00B1 %.*f", decimals, *slope, decimals, *standardError);
}

RateLineTexts RateLine(const AnalysisRow& row, bool fall) {
  const RowRate& rate = fall ? row.rates.fall : row.rates.rise;
  RateLineTexts texts;
  if (!fall) {
    texts[0] = row.name;
    texts[1] = Format("%d", row.chamber);
  }
  texts[2] = fall ? "Fall" : "Rise";
  texts[3] = SlopeWithErrorText(rate.slope, rate.standardError);
  texts[4] = rate.r2 ? Format("%.4f", *rate.r2) : kMissing;
  // The corrected slope to the decimals of the slope it was made from.
  texts[5] = rate.correctedSlope && UsableError(rate.standardError)
                 ? Format("%.*f", DecimalsForError(*rate.standardError), *rate.correctedSlope)
                 : Significant(rate.correctedSlope);
  texts[6] = Significant(rate.micromolPerHour);
  texts[7] = Significant(rate.micromolPerHourPerAmount);
  if (rate.micromolPerHourPerAmount && !row.rates.amountUnit.empty())
    texts[7] += " /" + row.rates.amountUnit;
  return texts;
}

int32_t RatePageCount(QSize resolution, const AnalysisTable& table) {
  if (!AnyRowHasRates(table)) return 0;
  const TablePageLayout layout = LayoutTablePages(resolution);
  if (layout.scale <= 0.0) return 0;
  // Two lines a row.
  const size_t perPage = static_cast<size_t>(std::max(layout.rowsPerPage / 2, 1));
  return static_cast<int32_t>((table.RowCount() + perPage - 1) / perPage);
}

bool PrintRatePage(QPainter& painter, QSize resolution, const AnalysisTable& table, int32_t unit,
                   int32_t page) {
  if (!painter.isActive()) return false;
  const TablePageLayout layout = LayoutTablePages(resolution);
  if (layout.scale <= 0.0) return false;
  BeginTablePage(painter, resolution, layout, "Rates");
  const int32_t w = layout.width;
  const int32_t h = layout.height;
  painter.setFont(ArialOfCellHeight(kBodyFont));
  const char* perSecond = unit == 2 ? "mg/(l*s)" : "mbar/s";
  TextAt(painter, 50, 50 + kTitleFont + kBodyFont,
         Fitted(painter,
                Format("Least squares: rise over the region of the Slope, fall over the region of "
                       "the Respiration; slopes in %s, corrected by the blank.",
                       perSecond),
                w - 100));

  const std::array<RateColumn, kRateColumns> columns = RatePageColumns();
  painter.setFont(ArialOfCellHeight(kHeadingFont));
  for (const RateColumn& column : columns)
    TextAt(painter, column.x, h / 15, Fitted(painter, column.heading, column.width));

  painter.setFont(ArialOfCellHeight(kBodyFont));
  const size_t perPage = static_cast<size_t>(std::max(layout.rowsPerPage / 2, 1));
  const size_t first = static_cast<size_t>(std::max(page, 0)) * perPage;
  for (size_t i = first; i < table.RowCount() && i - first < perPage; ++i) {
    for (int line = 0; line < 2; ++line) {
      const int32_t y =
          layout.firstRowY + static_cast<int32_t>(2 * (i - first) + line) * layout.rowPitch;
      const RateLineTexts texts = RateLine(table.Row(i), line == 1);
      for (size_t c = 0; c < columns.size(); ++c)
        TextAt(painter, columns[c].x, y, Fitted(painter, texts[c], columns[c].width));
    }
  }
  painter.restore();
  return true;
}

bool PrintReport(QPagedPaintDevice& device, const AnalysisTable& table, int32_t unit,
                 const std::string& unitName, bool analysisView, Progress* progress) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const QSize resolution(device.width(), device.height());
  const int32_t tablePages =
      analysisView ? LayoutTablePages(resolution).Pages(table.RowCount()) : 1;
  const int32_t ratePages = analysisView ? RatePageCount(resolution, table) : 0;
  if (progress != nullptr) progress->total = tablePages + 1 + ratePages;
  auto cancelled = [progress] {
    if (progress == nullptr) return false;
    progress->done.fetch_add(1);
    return progress->cancel.load();
  };
  bool ok = true;
  for (int32_t page = 0; page < tablePages && ok; ++page) {
    if (page > 0) ok = device.newPage();
    if (ok && analysisView) PrintTablePage(painter, resolution, table, unit, page);
    if (cancelled()) return painter.end() && false;
  }
  if (ok) ok = device.newPage();
  if (ok && analysisView) DrawDiagramsForPrint(painter, resolution, table, unit, unitName);
  // A cancel after the last page has nothing left to stop.
  if (cancelled() && ratePages > 0) return painter.end() && false;
  for (int32_t page = 0; page < ratePages && ok; ++page) {
    ok = device.newPage();
    if (ok) PrintRatePage(painter, resolution, table, unit, page);
    if (cancelled() && page + 1 < ratePages) return painter.end() && false;
  }
  return painter.end() && ok;
}

}  // namespace corvala

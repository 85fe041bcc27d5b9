#include "analysis/diagram.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "report/diagram_draw.h"
#include "report/report_pages.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"
#include "util/c_format.h"

namespace corvala {
namespace {

// Created once and never deleted: a static one would outlive Qt's own statics.
void EnsureGuiApp() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "diagram_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

// Rows carrying `value` in every quantity (delays truncated), each in its group;
// the highest group in use is the highest group of the rows, as after reading a file.
AnalysisTable TableOf(const std::vector<std::pair<int32_t, float>>& groupAndValue) {
  AnalysisTable table;
  for (const auto& [group, value] : groupAndValue) {
    AnalysisRow row;
    row.respiration = row.slope = row.maximumA = row.maximumM = row.kphA = value;
    row.delay1 = row.delay2 = TruncToInt32(value);  // 3e38 must not be undefined
    row.diagramGroup = group;
    table.Append(row, AnalysisListTexts{});
  }
  table.ResetDiagramGroupMax();
  return table;
}

TEST(GroupStats, MeansDeviationsAndFullScale) {
  // Group 1: 1, 2, 3 (sd 1); group 2 a gap; group 3 one row (no deviation);
  // rows of group 0 are ignored.
  const AnalysisTable table = TableOf({{1, 1.0f}, {3, 5.0f}, {1, 2.0f}, {0, 100.0f}, {1, 3.0f}});
  const DiagramStats stats = ComputeGroupStats(table, kQuantitySlope);
  ASSERT_EQ(stats.groups.size(), 3u);
  EXPECT_EQ(stats.groups[0], (GroupStat{6.0f, 3, 1.0f}));
  EXPECT_EQ(stats.groups[1], (GroupStat{}));
  EXPECT_EQ(stats.groups[2], (GroupStat{5.0f, 1, 0.0f}));
  EXPECT_FLOAT_EQ(stats.fullScale, 5.0f + 1.0f);
  EXPECT_EQ(ComputeGroupStats(TableOf({{1, 2.9f}}), kQuantityDelay2).groups[0].sum, 2.0f);

  // Negative means give a negative scale. With both signs the mean farthest
  // from zero sets it, whatever the order, so no bar overshoots the chart.
  const float root2 = std::sqrt(2.0f);
  EXPECT_FLOAT_EQ(ComputeGroupStats(TableOf({{1, -1.0f}, {1, -3.0f}, {2, -0.5f}}), 0).fullScale,
                  -2.0f - root2);
  EXPECT_FLOAT_EQ(ComputeGroupStats(TableOf({{1, -5.0f}, {2, 0.1f}}), 0).fullScale, -5.0f);
  EXPECT_FLOAT_EQ(ComputeGroupStats(TableOf({{1, 0.1f}, {2, -5.0f}}), 0).fullScale, -5.0f);
}

TEST(GroupStats, EqualValuesAndDamagedTables) {
  // Each leaves n * sum of squares a little below sum * sum in single precision.
  for (auto [v, n] : {std::pair{1.7f, 3}, {123.456f, 3}, {0.1f, 9}, {2.1f, 5}}) {
    const AnalysisTable table = TableOf(std::vector(n, std::pair{1, v}));
    EXPECT_EQ(ComputeGroupStats(table, kQuantityKphA).groups[0].sd, 0.0f) << v;
  }
  EXPECT_EQ(ComputeGroupStats(TableOf({{1, 2.0f}}), -1).fullScale, 0.0f);
  // An absurd group number allocates a bounded number of slots; sums that
  // overflow single precision leave no scale.
  const DiagramStats huge =
      ComputeGroupStats(TableOf({{2000000000, 1.0f}, {3, 3e38f}, {3, 3e38f}}), kQuantitySlope);
  EXPECT_EQ(huge.groups.size(), static_cast<size_t>(kMaxDiagramGroups));
  EXPECT_EQ(huge.fullScale, 0.0f);
}

TEST(GroupStats, ScaleLabelMantissaAndExponent) {
  const auto expect = [](float v, float mantissa, int32_t exponent) {
    const DiagramScale scale = ScaleLabel(v);  // must return, never loop for ever
    EXPECT_NEAR(scale.mantissa, mantissa, 1e-5f) << v;
    EXPECT_EQ(scale.exponent, exponent) << v;
  };
  expect(0.045f, 4.95f, -2);
  expect(-0.045f, -4.95f, -2);
  expect(100.0f, 1.1f, 2);
  expect(1e-40f, 1.1f, -40);
  for (float v : {0.0f, INFINITY, NAN}) expect(v, 0.0f, 0);
}

TEST(DiagramDrawing, BarsErrorBarsAndFrame) {
  EnsureGuiApp();
  const auto at = [](const QImage& image, int x, int y) { return image.pixelColor(x, y); };
  const QColor black(0, 0, 0), white(255, 255, 255), green(0, 255, 0);
  // Group 1: 1 and 3 (mean 2, sd 1.414); group 2: 1. Scale 3.756 over 200
  // pixels up from y 250; slots 167 pixels wide from x 33.
  const QImage image =
      RenderDiagram(kQuantitySlope, TableOf({{1, 1.0f}, {1, 3.0f}, {2, 1.0f}}), 1, "mbar");
  ASSERT_EQ(image.size(), QSize(400, 300));
  EXPECT_EQ(at(image, 4, 150), black);
  EXPECT_EQ(at(image, 5, 150), white);
  EXPECT_EQ(at(image, 395, 294), black);
  EXPECT_EQ(at(image, 33, 150), black);   // y axis
  EXPECT_EQ(at(image, 200, 250), black);  // x axis between the bars
  // Bar 1: x 58..173, 106 high; error bar at x 116 from y 218 to 68, whiskers.
  EXPECT_EQ(at(image, 58, 144), green);
  EXPECT_EQ(at(image, 173, 249), green);
  EXPECT_EQ(at(image, 174, 150), white);
  EXPECT_EQ(at(image, 60, 143), white);
  EXPECT_EQ(at(image, 116, 100), black);
  EXPECT_EQ(at(image, 120, 68), black);
  EXPECT_EQ(at(image, 116, 66), white);
  // Bar 2: 53 high, no error bar.
  EXPECT_EQ(at(image, 230, 197), green);
  EXPECT_EQ(at(image, 230, 196), white);

  // A negative mean rises from the axis too: 2 / 2.2 * 200 = 181 pixels.
  const QImage negative = RenderDiagram(kQuantityRespiration, TableOf({{1, -2.0f}}), 1, "mbar");
  EXPECT_EQ(at(negative, 100, 69), green);
  EXPECT_EQ(at(negative, 100, 68), white);
  // A gap in the numbering keeps its slot but gets no bar, nor does a mean of 0.
  const QImage gap = RenderDiagram(kQuantitySlope, TableOf({{2, 0.0f}}), 1, "mbar");
  for (int y = 0; y < gap.height(); ++y)
    for (int x = 0; x < gap.width(); ++x) ASSERT_NE(at(gap, x, y), green) << x << "," << y;
}

// Rows of pixels darker than mid grey between y0 and y1 (exclusive).
int InkRows(const QImage& image, int y0, int y1) {
  int rows = 0;
  for (int y = std::max(y0, 0); y < std::min(y1, image.height()); ++y) {
    bool ink = false;
    for (int x = 0; x < image.width() && !ink; ++x) ink = image.pixelColor(x, y).lightness() < 128;
    rows += ink;
  }
  return rows;
}

int PdfPages(const std::string& path) {
  const std::string pdf = testing::FileBytes(path);
  int pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1))
    pages += pdf.compare(at, 12, "/Type /Pages") != 0;
  return pages;
}

TEST(ReportLayout, ChartsFitThePageInEitherOrientation) {
  for (QSize page : {QSize(1000, 1414), QSize(1414, 1000), QSize(4958, 7016), QSize(7016, 4958)}) {
    for (int32_t q = 0; q < kDiagramQuantityCount; ++q) {
      const QRect chart = PrintChartRect(q, page);
      EXPECT_FALSE(chart.isEmpty()) << q;
      EXPECT_TRUE(QRect(QPoint(0, 0), page).contains(chart))
          << "chart " << q << " on " << page.width() << "x" << page.height();
    }
  }
  // M = 1000: charts 400 x 300 in two columns by quantity, rows 350 apart from 55.
  for (QSize resolution : {QSize(1000, 1414), QSize(1000, 2000)}) {
    EXPECT_EQ(PrintChartRect(0, resolution), QRect(37, 55, 400, 300));
    EXPECT_EQ(PrintChartRect(1, resolution), QRect(537, 55, 400, 300));
    EXPECT_EQ(PrintChartRect(2, resolution), QRect(37, 405, 400, 300));
    EXPECT_EQ(PrintChartRect(6, resolution), QRect(37, 1105, 400, 300));
  }
  // Fractions are cut: 399.6 x 299.7, right column at 99 + 399.6 cut, plus 37.46.
  EXPECT_EQ(PrintChartRect(1, QSize(999, 1500)), QRect(535, 55, 399, 299));
}

// A table page drawn on a grey image.
QImage TablePage(QSize size, const AnalysisTable& table, int32_t page = 0) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  EXPECT_TRUE(PrintTablePage(painter, size, table, 1, page));
  painter.end();
  return image;
}

AnalysisTable SixtyRows() {
  return TableOf(std::vector(60, std::pair{1, -0.5f}));
}

// Prints the report to a PDF on A4; returns whether the printing went through.
bool PrintPdf(const std::string& path, const AnalysisTable& table, int resolution = 150,
              QPageLayout::Orientation orientation = QPageLayout::Portrait,
              Progress* progress = nullptr, int32_t unit = 1, const char* unitName = "mbar") {
  QPdfWriter writer(QString::fromStdString(path));
  writer.setResolution(resolution);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageOrientation(orientation);
  return PrintReport(writer, table, unit, unitName, true, progress);
}

TEST(ReportLayout, TablePageKeepsItsProportionsAndCutsNoRow) {
  EnsureGuiApp();
  // The same page at 150 and at 300 dots per inch: the title takes the same
  // share of the page height.
  const QImage coarse = TablePage(QSize(1240, 1754), SixtyRows());
  const QImage fine = TablePage(QSize(2480, 3508), SixtyRows());
  const int coarseTitle = InkRows(coarse, 0, 1754 / 15);
  const int fineTitle = InkRows(fine, 0, 3508 / 15);
  EXPECT_GT(coarseTitle, 0);
  EXPECT_NEAR(fineTitle, 2 * coarseTitle, 3);
  // No row runs over the page's bottom edge.
  for (const QImage* page : {&coarse, &fine}) {
    EXPECT_EQ(InkRows(*page, page->height() - 8, page->height()), 0);
    EXPECT_EQ(page->pixelColor(page->width() - 1, page->height() - 1), QColor(Qt::white));
  }
}

TEST(ReportLayout, TableRowsContinueOnFurtherPagesAndEndOnTheirPage) {
  for (QSize page : {QSize(1650, 2200), QSize(2200, 1650), QSize(4958, 7016), QSize(7016, 4958)}) {
    const TablePageLayout layout = LayoutTablePages(page);
    // The last row of a page ends above its bottom, with no room for another.
    EXPECT_LE(layout.firstRowY + layout.rowsPerPage * layout.rowPitch, layout.pageHeight);
    EXPECT_GT(layout.firstRowY + (layout.rowsPerPage + 1) * layout.rowPitch, layout.pageHeight);
    EXPECT_GE(layout.rowPitch, 70);  // a body line fits its pitch
  }
  const TablePageLayout portrait = LayoutTablePages(QSize(1650, 2200));
  EXPECT_EQ(portrait.rowsPerPage, 45);
  EXPECT_EQ(LayoutTablePages(QSize(2200, 1650)).rowsPerPage, 32);
  EXPECT_EQ(portrait.Pages(0), 1);  // title and headings
  EXPECT_EQ(portrait.Pages(45), 1);
  EXPECT_EQ(portrait.Pages(46), 2);

  // Page 2 of 60 rows holds the last 15, below the same headings.
  EnsureGuiApp();
  const QImage second = TablePage(QSize(1650, 2200), SixtyRows(), 1);
  auto device = [&](int32_t logical) { return static_cast<int>(logical * portrait.scale); };
  const int firstRow = device(portrait.firstRowY);
  const int afterLast = device(portrait.firstRowY + 15 * portrait.rowPitch);
  EXPECT_GT(InkRows(second, device(portrait.height / 15), device(portrait.height / 11)), 0);
  EXPECT_GT(InkRows(second, firstRow, firstRow + device(portrait.rowPitch)), 0);
  EXPECT_GT(InkRows(second, afterLast - device(portrait.rowPitch), afterLast), 0);
  EXPECT_EQ(InkRows(second, afterLast, 2200), 0);
}

TEST(ReportPrinting, SixtyRowsContinueOnAFurtherPageInEitherOrientation) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  for (QPageLayout::Orientation orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
    ASSERT_TRUE(PrintPdf(folder / "report.pdf", SixtyRows(), 150, orientation));
    EXPECT_EQ(PdfPages(folder / "report.pdf"), 3) << orientation;  // two table pages, the charts
  }
}

TEST(ReportPrinting, ProgressCountsPagesAndACancelEndsTheReport) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  Progress whole;
  ASSERT_TRUE(PrintPdf(folder / "whole.pdf", SixtyRows(), 150, QPageLayout::Portrait, &whole));
  EXPECT_EQ(whole.total.load(), 3);
  EXPECT_EQ(whole.done.load(), 3);
  Progress cancelled;
  cancelled.cancel = true;
  EXPECT_FALSE(
      PrintPdf(folder / "cancelled.pdf", SixtyRows(), 150, QPageLayout::Portrait, &cancelled));
  EXPECT_EQ(cancelled.done.load(), 1);  // the first page, then no more
}

TEST(ReportPrinting, PdfHoldsTwoPages) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  const std::string path = folder / "report.pdf";
  const AnalysisTable table = TableOf({{1, -0.5f}, {2, 1.0f}, {2, 3.0f}});
  ASSERT_TRUE(PrintPdf(path, table, 72, QPageLayout::Portrait, nullptr, 2, "mg/l"));
  EXPECT_EQ(testing::FileBytes(path).substr(0, 4), "%PDF");
  EXPECT_EQ(PdfPages(path), 2);
}

// `count` rows, each with a full rise and a fall that has a slope and µmol/h only.
AnalysisTable RowsWithRates(size_t count, const std::string& name = "a") {
  AnalysisTable table;
  for (size_t i = 0; i < count; ++i) {
    AnalysisRow row;
    row.name = name;
    row.chamber = 2;
    row.rates.rise = {-0.0123456, 0.000123, 0.99871, -0.0119, 0.8123456, 0.40617};
    row.rates.fall = {0.0045, std::nullopt, std::nullopt, std::nullopt, -0.35, std::nullopt};
    row.rates.amountUnit = "g FW";
    table.Append(row, AnalysisListTexts{});
  }
  return table;
}

TEST(RatePages, ErrorsGovernTheDecimalsAndMissingFiguresShowAsDashes) {
  EXPECT_EQ(SlopeWithErrorText(12.345, 0.96), "12.35 \u00B1 0.96");
  EXPECT_EQ(SlopeWithErrorText(1234.5, 56.0), "1234 \u00B1 56");
  EXPECT_EQ(SlopeWithErrorText(-0.0123456, 0.0), "-0.01235");  // a perfect line
  EXPECT_EQ(SlopeWithErrorText(std::nullopt, 0.1), "---");
  const AnalysisTable table = RowsWithRates(1);
  const RateLineTexts rise = RateLine(table.Row(0), false);
  EXPECT_EQ(rise, (RateLineTexts{"a", "2", "Rise", "-0.01235 \u00B1 0.00012", "0.9987", "-0.01190",
                                 "0.8123", "0.4062 /g FW"}));
  const RateLineTexts fall = RateLine(table.Row(0), true);
  EXPECT_EQ(fall, (RateLineTexts{"", "", "Fall", "0.0045", "---", "---", "-0.35", "---"}));
}

TEST(RatePages, HeadingsAndWideFiguresFitTheirColumnsAndLongTextsAreCut) {
  EnsureGuiApp();
  const auto columns = RatePageColumns();
  const QFontMetrics heading(ArialOfCellHeight(100));
  for (const RateColumn& column : columns)
    EXPECT_LE(heading.horizontalAdvance(QString::fromUtf8(column.heading)), column.width);
  AnalysisRow wide = RowsWithRates(1).Row(0);
  wide.rates.rise = {-123.456789, 0.0000123, 0.12345, -123.456789, -12345.678, -1234.5678};
  const QFontMetrics body(ArialOfCellHeight(70));
  const RateLineTexts texts = RateLine(wide, false);
  for (size_t c = 0; c < texts.size(); ++c)
    EXPECT_LE(body.horizontalAdvance(QString::fromStdString(texts[c])), columns[c].width) << c;

  // A long name stops short of the chamber's column.
  const QSize size(1240, 1754);
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  ASSERT_TRUE(PrintRatePage(painter, size, RowsWithRates(1, std::string(80, 'W')), 1));
  painter.end();
  const TablePageLayout layout = LayoutTablePages(size);
  const double s = layout.scale;
  int ink = 0;
  for (int y = TruncToInt32(layout.firstRowY * s); y < (layout.firstRowY + layout.rowPitch) * s;
       ++y)
    for (int x = TruncToInt32((columns[1].x - 30) * s) + 1; x < columns[1].x * s; ++x)
      ink += image.pixelColor(x, y).lightness() < 128;
  EXPECT_EQ(ink, 0);
}

TEST(RatePages, FollowTheChartsOnlyWhenRowsCarryRates) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  // 60 rows: two table pages, the charts, and at 22 rows a page three rate pages.
  Progress progress;
  ASSERT_TRUE(
      PrintPdf(folder / "rates.pdf", RowsWithRates(60), 150, QPageLayout::Portrait, &progress));
  EXPECT_EQ(PdfPages(folder / "rates.pdf"), 6);
  EXPECT_EQ(progress.total.load(), 6);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), RowsWithRates(22)), 1);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), RowsWithRates(23)), 2);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), SixtyRows()), 0);  // no rates
}

}  // namespace
}  // namespace corvala

// The rate pages of the printed report: their texts, that they fit their
// columns, and where they come in the print job.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdlib>

#include "report/diagram_draw.h"
#include "report/report_pages.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

namespace corvala {
namespace {

void EnsureGuiApp() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "rate_pages_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

// A row with a full rise and a fall that has a slope and µmol/h only.
AnalysisRow RowWithRates(const std::string& name, int32_t chamber) {
  AnalysisRow row;
  row.name = name;
  row.chamber = chamber;
  row.rates.rise = {
      -0.0123456, 0.000123, 0.99871, -0.0119, 0.8123456, 0.40617,
  };
  row.rates.fall = {0.0045, std::nullopt, std::nullopt, std::nullopt, -0.35, std::nullopt};
  row.rates.amountUnit = "g FW";
  return row;
}

AnalysisTable Rows(size_t count, bool rates) {
  AnalysisTable table;
  for (size_t i = 0; i < count; ++i) {
    AnalysisRow row = RowWithRates("run " + std::to_string(i), 1 + static_cast<int32_t>(i % 3));
    if (!rates) row.rates = {};
    table.Append(row, AnalysisListTexts{});
  }
  return table;
}

int PdfPages(const std::string& path) {
  const std::string pdf = testing::FileBytes(path);
  int pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1))
    pages += pdf.compare(at, 12, "/Type /Pages") != 0;
  return pages;
}

bool PrintPdf(const std::string& path, const AnalysisTable& table, Progress* progress = nullptr) {
  QPdfWriter writer(QString::fromStdString(path));
  writer.setResolution(150);
  writer.setPageSize(QPageSize(QPageSize::A4));
  return PrintReport(writer, table, 1, "mbar", true, progress);
}

TEST(RateTexts, ErrorsGovernTheDecimalsAndMissingFiguresShowAsDashes) {
  EXPECT_EQ(SlopeWithErrorText(-0.0123456, 0.000123), "-0.01235 \u00B1 0.00012");
  EXPECT_EQ(SlopeWithErrorText(12.345, 0.96), "12.35 \u00B1 0.96");
  EXPECT_EQ(SlopeWithErrorText(1234.5, 56.0), "1234 \u00B1 56");
  EXPECT_EQ(SlopeWithErrorText(-0.0123456, std::nullopt), "-0.01235");
  EXPECT_EQ(SlopeWithErrorText(-0.0123456, 0.0), "-0.01235");  // a perfect line
  EXPECT_EQ(SlopeWithErrorText(std::nullopt, 0.1), "---");

  const AnalysisRow row = RowWithRates("a", 2);
  const RateLineTexts rise = RateLine(row, false);
  EXPECT_EQ(rise[0], "a");
  EXPECT_EQ(rise[1], "2");
  EXPECT_EQ(rise[2], "Rise");
  EXPECT_EQ(rise[3], "-0.01235 \u00B1 0.00012");
  EXPECT_EQ(rise[4], "0.9987");
  EXPECT_EQ(rise[5], "-0.01190");  // as many decimals as its slope
  EXPECT_EQ(rise[6], "0.8123");
  EXPECT_EQ(rise[7], "0.4062 /g FW");
  const RateLineTexts fall = RateLine(row, true);
  EXPECT_EQ(fall[0], "");
  EXPECT_EQ(fall[1], "");
  EXPECT_EQ(fall[2], "Fall");
  EXPECT_EQ(fall[3], "0.0045");
  EXPECT_EQ(fall[4], "---");
  EXPECT_EQ(fall[5], "---");
  EXPECT_EQ(fall[6], "-0.35");
  EXPECT_EQ(fall[7], "---");  // no amount: no unit either
}

TEST(RatePageLayout, HeadingsAndWideFiguresFitTheirColumns) {
  EnsureGuiApp();
  const auto columns = RatePageColumns();
  EXPECT_LE(columns.back().x + columns.back().width, kReportShortSide);
  const QFontMetrics heading(ArialOfCellHeight(100));
  for (const RateColumn& column : columns)
    EXPECT_LE(heading.horizontalAdvance(QString::fromUtf8(column.heading)), column.width)
        << column.heading;
  // Wide but plausible figures are shown whole, not cut.
  AnalysisRow row = RowWithRates("station 3 leaf 12", 3);
  row.rates.rise = {-123.456789, 0.0000123, 0.12345, -123.456789, -12345.678, -1234.5678};
  row.rates.amountUnit = "mg DW";
  const QFontMetrics body(ArialOfCellHeight(70));
  const RateLineTexts texts = RateLine(row, false);
  for (size_t c = 0; c < texts.size(); ++c)
    EXPECT_LE(body.horizontalAdvance(QString::fromStdString(texts[c])), columns[c].width)
        << texts[c];
}

// Whether any pixel darker than mid grey lies in the rectangle.
bool Ink(const QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y).lightness() < 128) return true;
  return false;
}

TEST(RatePageLayout, LongTextsAreCutBeforeTheNextColumn) {
  EnsureGuiApp();
  const QSize size(1240, 1754);
  AnalysisTable table;
  AnalysisRow row = RowWithRates(std::string(80, 'W'), 1);
  row.rates.amountUnit = std::string(80, 'W');
  table.Append(row, AnalysisListTexts{});
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  ASSERT_TRUE(PrintRatePage(painter, size, table, 1));
  painter.end();

  const TablePageLayout layout = LayoutTablePages(size);
  auto device = [&](int32_t logical) { return static_cast<int>(logical * layout.scale); };
  const auto columns = RatePageColumns();
  const int top = device(layout.firstRowY);
  const int bottom = device(layout.firstRowY + layout.rowPitch) - 1;
  // The name and the unit run up to their columns' ends and no further.
  EXPECT_TRUE(Ink(image, QRect(QPoint(device(columns[0].x + columns[0].width) - 20, top),
                               QPoint(device(columns[0].x + columns[0].width), bottom))));
  EXPECT_FALSE(Ink(image, QRect(QPoint(device(columns[1].x - 30) + 2, top),
                                QPoint(device(columns[1].x) - 1, bottom))));
  EXPECT_FALSE(Ink(image, QRect(QPoint(device(columns[7].x + columns[7].width) + 2, top),
                                QPoint(size.width() - 1, bottom))));
  // Second line: the fall.
  EXPECT_TRUE(Ink(image, QRect(QPoint(device(columns[2].x), bottom + 1),
                               QPoint(device(columns[3].x) - 1,
                                      device(layout.firstRowY + 2 * layout.rowPitch) - 1))));
}

TEST(RatePrinting, RatePagesFollowTheChartsOnlyWhenRowsCarryRates) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  // 60 rows: two table pages, the charts, and at 22 rows a page three rate pages.
  ASSERT_TRUE(PrintPdf(folder / "plain.pdf", Rows(60, false)));
  EXPECT_EQ(PdfPages(folder / "plain.pdf"), 3);
  Progress progress;
  ASSERT_TRUE(PrintPdf(folder / "rates.pdf", Rows(60, true), &progress));
  EXPECT_EQ(PdfPages(folder / "rates.pdf"), 6);
  EXPECT_EQ(progress.total.load(), 6);
  EXPECT_EQ(progress.done.load(), 6);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), Rows(22, true)), 1);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), Rows(23, true)), 2);
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), Rows(23, false)), 0);

  // One row with a single figure is enough for the rates to be printed.
  AnalysisTable one = Rows(3, false);
  AnalysisRow row = one.Row(1);
  row.rates.fall.micromolPerHour = 1.5;
  one.Append(row, AnalysisListTexts{});
  EXPECT_EQ(RatePageCount(QSize(1240, 1754), one), 1);
}

}  // namespace
}  // namespace corvala

#include "analysis/diagram.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <utility>
#include <vector>

#include "report/diagram_draw.h"
#include "util/c_format.h"
#include "report/report_pages.h"
#include "test_support/temp_folder.h"
#include "test_support/test_data.h"

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

TEST(ReportLayout, ChartsFillTwoColumnsByQuantity) {
  // M = 1000: charts 400 x 300, columns at 37 and 537, rows 350 apart from 55.
  for (QSize resolution : {QSize(1000, 1400), QSize(1400, 1000)}) {
    EXPECT_EQ(PrintChartRect(0, resolution), QRect(37, 55, 400, 300));
    EXPECT_EQ(PrintChartRect(1, resolution), QRect(537, 55, 400, 300));
    EXPECT_EQ(PrintChartRect(2, resolution), QRect(37, 405, 400, 300));
    EXPECT_EQ(PrintChartRect(6, resolution), QRect(37, 1105, 400, 300));
  }
  // Fractions are cut: 399.6 x 299.7, right column at 99 + 399.6 cut, plus 37.46.
  EXPECT_EQ(PrintChartRect(1, QSize(999, 999)), QRect(535, 55, 399, 299));
}

TEST(ReportLayout, TablePageIsUprightAndCutAtThePageEnd) {
  EnsureGuiApp();
  const AnalysisTable table = TableOf(std::vector(60, std::pair{1, -0.5f}));
  auto render = [&](QSize resolution) {
    QImage image(2400, 2400, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    EXPECT_TRUE(PrintTablePage(painter, resolution, table, 1));
    return image;
  };
  // w = 1650, h = 2200: rule at y 200, rows 44 apart from y 220, 45 of them.
  const QImage portrait = render(QSize(1650, 2200));
  EXPECT_EQ(portrait, render(QSize(2200, 1650)));
  EXPECT_EQ(portrait.pixelColor(5, 200), QColor(Qt::black));
  EXPECT_EQ(portrait.pixelColor(5, 201), QColor(Qt::white));
  EXPECT_EQ(portrait.pixelColor(1700, 200), QColor(Qt::gray));
  EXPECT_EQ(portrait.pixelColor(1600, 2250), QColor(Qt::gray));
  bool inkNearBottom = false;
  for (int y = 2160; y < 2200; ++y)
    for (int x = 0; x < 600; ++x) inkNearBottom |= portrait.pixelColor(x, y).lightness() < 128;
  EXPECT_TRUE(inkNearBottom);
}

TEST(ReportPrinting, PdfHoldsTwoPages) {
  EnsureGuiApp();
  const testing::TempFolder folder;
  const std::string path = folder / "report.pdf";
  {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setResolution(72);
    ASSERT_TRUE(PrintReport(writer, TableOf({{1, -0.5f}, {2, 1.0f}, {2, 3.0f}}), 2, "mg/l"));
  }
  const std::string pdf = testing::FileBytes(path);
  EXPECT_EQ(pdf.substr(0, 4), "%PDF");
  int pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1))
    pages += pdf.compare(at, 12, "/Type /Pages") != 0;
  EXPECT_EQ(pages, 2);
}

}  // namespace
}  // namespace corvala

#include "report/diagram_draw.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "util/c_format.h"

namespace corvala {
namespace {

constexpr int32_t kW = kDiagramWidth;
constexpr int32_t kH = kDiagramHeight;
constexpr int32_t kUnit = kH / 12;               // 25
constexpr int32_t kAxisX = kW / 12;              // 33
constexpr int32_t kAxisTop = 2 * kUnit;          // 50
constexpr int32_t kBaseY = kH - 2 * kUnit;       // 250
constexpr int32_t kAxisHeight = kH - 4 * kUnit;  // 200
constexpr int32_t kAxisWidth = kW - kW / 6;      // 334
constexpr int32_t kFontHeight = 14;

// Text with its top-left corner at (x, y).
void TextAt(QPainter& painter, int32_t x, int32_t y, const std::string& text) {
  painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromStdString(text));
}

// A horizontal or vertical line that stops one pixel short of its end point,
// so that joined lines do not paint their corners twice.
void LineTo(QPainter& painter, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) return;
  const int32_t ex = x2 - (x2 > x1) + (x2 < x1);
  const int32_t ey = y2 - (y2 > y1) + (y2 < y1);
  painter.drawLine(x1, y1, ex, ey);
}

void PrepareCanvas(QPainter& painter) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(ArialOfCellHeight(kFontHeight));
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.setBackgroundMode(Qt::TransparentMode);
}

// x of the position f (in group slotCount) along the axis.
int32_t SlotX(int32_t slotWidth, double f) {
  return TruncToInt32(kAxisX + slotWidth * f);
}

}  // namespace

QFont ArialOfCellHeight(int32_t cellHeight) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  const int32_t target = std::max(cellHeight, 1);
  font.setPixelSize(target);
  const int32_t height = QFontMetrics(font).height();
  if (height > target) {
    // Start near the fitting size, then step down to the first one that fits.
    int32_t px = std::max(1, static_cast<int32_t>(int64_t{target} * target / height) + 1);
    for (; px > 1; --px) {
      font.setPixelSize(px);
      if (QFontMetrics(font).height() <= target) break;
    }
    font.setPixelSize(px);
  }
  return font;
}

void DrawDiagramFrame(QPainter& painter, float fullScale, const std::string& title,
                      int32_t quantity, int32_t unit, const std::string& unitName,
                      int32_t groupMax) {
  painter.save();
  PrepareCanvas(painter);
  painter.fillRect(0, 0, kW, kH, QColor(0, 0, 0));
  painter.fillRect(5, 5, kW - 10, kH - 10, QColor(255, 255, 255));

  LineTo(painter, kAxisX, kAxisTop, kAxisX, kBaseY);
  LineTo(painter, kAxisX, kBaseY, kW - kAxisX, kBaseY);

  const DiagramScale scale = ScaleLabel(fullScale);
  for (int32_t i = 1; i <= 10; ++i) {
    const int32_t y = kBaseY - (kAxisHeight / 10) * i;
    LineTo(painter, kAxisX, y, kAxisX + 3, y);
    TextAt(painter, kAxisX - 25, y - 7,
           Format("%3.2f", static_cast<double>((scale.mantissa / 10.0f) * static_cast<float>(i))));
  }

  const std::string unitText = DiagramUnitText(quantity, unit, unitName);
  if (scale.exponent != 0) {
    TextAt(painter, kAxisX - 25, kUnit, Format("10      %s", unitText.c_str()));
    TextAt(painter, kAxisX - 10, kUnit - 5, Format("%d", scale.exponent));
  } else {
    TextAt(painter, kAxisX - 25, kUnit, unitText);
  }

  TextAt(painter, kW / 2 - 15, kUnit / 2, title);
  TextAt(painter, kAxisX - 15, kBaseY - 7, "0");

  const int32_t groups = std::clamp(groupMax, 0, kMaxDiagramGroups);
  if (groups > 0) {
    const int32_t slotWidth = kAxisWidth / groups;
    for (int32_t g = 0; g < groups; ++g)
      TextAt(painter, SlotX(slotWidth, g + 0.5), kBaseY + 10, Format("%d", g + 1));
  }
  painter.restore();
}

void DrawDiagramBars(QPainter& painter, float fullScale, const std::vector<GroupStat>& groups) {
  if (fullScale == 0.0f || !std::isfinite(fullScale) || groups.empty()) return;
  const size_t slotCount = std::min(groups.size(), static_cast<size_t>(kMaxDiagramGroups));
  painter.save();
  PrepareCanvas(painter);
  const float s = std::fabs(fullScale + fullScale / 10.0f);
  const int32_t slotWidth = kAxisWidth / static_cast<int32_t>(slotCount);
  // Pixels above the base line for a value; the bars always grow upwards.
  const auto rise = [&](float value) {
    return static_cast<double>(value) / static_cast<double>(s) * kAxisHeight;
  };

  for (size_t index = 0; index < slotCount; ++index) {
    const GroupStat& stat = groups[index];
    if (stat.count <= 0) continue;
    const double g = static_cast<double>(index);
    const float mean = stat.sum / static_cast<float>(stat.count);
    const float a = std::fabs(mean);

    const int32_t left = SlotX(slotWidth, g + 0.15);
    const int32_t right = SlotX(slotWidth, g + 0.85);
    const int32_t top = kBaseY - TruncToInt32(rise(a));
    painter.fillRect(left, top, right - left, kBaseY - top, QColor(0, 255, 0));

    const int32_t centre = SlotX(slotWidth, g + 0.5);
    TextAt(painter, centre - 15, kBaseY - 15, Format("%5.4f", static_cast<double>(mean)));

    if (stat.sd != 0.0f) {
      const int32_t high = TruncToInt32(kBaseY - rise(a + stat.sd));
      const int32_t low = TruncToInt32(kBaseY - rise(a - stat.sd));
      TextAt(painter, centre - 15, high - 15, Format("%5.4f", static_cast<double>(stat.sd)));
      LineTo(painter, centre, low, centre, high);
      const int32_t whiskerRight = SlotX(slotWidth, g + 0.6);
      const int32_t whiskerLeft = SlotX(slotWidth, g + 0.4);
      LineTo(painter, whiskerRight, low, whiskerLeft, low);
      LineTo(painter, whiskerRight, high, whiskerLeft, high);
    }
  }
  painter.restore();
}

QImage RenderDiagram(int32_t quantity, const AnalysisTable& table, int32_t unit,
                     const std::string& unitName) {
  QImage image(kW, kH, QImage::Format_RGB32);
  image.fill(Qt::white);
  const DiagramStats stats = ComputeGroupStats(table, quantity);
  QPainter painter(&image);
  DrawDiagramFrame(painter, stats.fullScale, DiagramTitle(quantity), quantity, unit, unitName,
                   static_cast<int32_t>(stats.groups.size()));
  DrawDiagramBars(painter, stats.fullScale, stats.groups);
  return image;
}

}  // namespace corvala

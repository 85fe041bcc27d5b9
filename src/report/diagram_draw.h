#pragma once
// Drawing of one analysis chart on its 400 x 300 canvas: frame, axes, scale,
// title and group numbers, then the group bars with their error bars. The
// canvas is the painter's (0, 0)..(400, 300); translate or scale the painter to
// place it elsewhere.

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/diagram.h"

class QPainter;

namespace corvala {

inline constexpr int32_t kDiagramWidth = 400;
inline constexpr int32_t kDiagramHeight = 300;

// "Arial", normal weight, sized so that a text line (ascent plus descent) is at
// most cellHeight pixels high.
QFont ArialOfCellHeight(int32_t cellHeight);

// Black border, white inset, axes, the ten ticks with their labels, the unit
// (with the exponent of the scale), the title, "0" and the numbers of groupMax
// group slots.
void DrawDiagramFrame(QPainter& painter, float fullScale, const std::string& title,
                      int32_t quantity, int32_t unit, const std::string& unitName,
                      int32_t groupMax);

// A green bar per group with rows, its mean as text and, when the group has a
// deviation, the error bar with its whiskers and the deviation as text.
void DrawDiagramBars(QPainter& painter, float fullScale, const std::vector<GroupStat>& groups);

// One chart of quantity 0..6 from the current table, ready to show.
QImage RenderDiagram(int32_t quantity, const AnalysisTable& table, int32_t unit,
                     const std::string& unitName);

}  // namespace corvala

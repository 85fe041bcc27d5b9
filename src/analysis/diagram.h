#pragma once
// Statistics behind the analysis diagram: per diagram group the mean and the
// sample standard deviation of one quantity of the analysis table, and the
// full-scale value the chart is scaled to.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"

namespace corvala {

// Quantity codes of the diagram, in the order of the printed report.
enum DiagramQuantity : int32_t {
  kQuantityRespiration = 0,
  kQuantitySlope = 1,
  kQuantityDelay1 = 2,
  kQuantityDelay2 = 3,
  kQuantityMaximumA = 4,
  kQuantityMaximumM = 5,
  kQuantityKphA = 6,
};
inline constexpr int32_t kDiagramQuantityCount = 7;

// At most one slot per pixel of the 334-pixel axis: a damaged analysis file with
// an absurd group number must not make the diagram allocate millions of slots.
inline constexpr int32_t kMaxDiagramGroups = 334;

struct GroupStat {
  float sum = 0.0f;   // sum of the quantity over the group's rows
  int32_t count = 0;  // rows in the group
  float sd = 0.0f;    // sample standard deviation, 0 below two rows
  bool operator==(const GroupStat&) const = default;
};

struct DiagramStats {
  std::vector<GroupStat> groups;  // index 0 is group 1
  float fullScale = 0.0f;         // V: extreme mean plus the largest deviation
};

// Chart title of a quantity code ("" for an unknown code).
std::string DiagramTitle(int32_t quantity);
// Axis unit text of a quantity code for display unit 1 (mbar) or 2 (mg/l).
std::string DiagramUnitText(int32_t quantity, int32_t unit, const std::string& unitName);
// The table value of a quantity in row i (delays as float); 0 for an unknown code.
float DiagramValue(const AnalysisTable& table, size_t row, int32_t quantity);

// Groups 1..m_diagramGroupMax (capped at kMaxDiagramGroups) of one quantity.
// Rows outside those groups are ignored. A negative or unknown code, or a
// full scale that is not a finite number, gives a full scale of 0.
DiagramStats ComputeGroupStats(const AnalysisTable& table, int32_t quantity);

// The tick scale of a chart: the full scale plus ten per cent, brought to a
// mantissa below 9 (positive) or at least 1 in magnitude, times 10^exponent.
struct DiagramScale {
  float mantissa = 0.0f;
  int32_t exponent = 0;
};
DiagramScale ScaleLabel(float fullScale);

}  // namespace corvala

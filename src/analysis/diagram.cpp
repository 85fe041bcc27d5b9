#include "analysis/diagram.h"

#include <algorithm>
#include <cmath>

namespace corvala {

std::string DiagramTitle(int32_t quantity) {
  switch (quantity) {
    case kQuantityRespiration:
      return "Respiration";
    case kQuantitySlope:
      return "Slope";
    case kQuantityDelay1:
      return "Delay1";
    case kQuantityDelay2:
      return "Delay2";
    case kQuantityMaximumA:
      return "Maximum Avg.";
    case kQuantityMaximumM:
      return "Maximum M";
    case kQuantityKphA:
      return "KphA";
    default:
      return "";
  }
}

std::string DiagramUnitText(int32_t quantity, int32_t unit, const std::string& unitName) {
  switch (quantity) {
    case kQuantityRespiration:
    case kQuantitySlope:
      if (unit == 1) return "mbar/s";
      if (unit == 2) return "mg/(l*s)";
      return "";
    case kQuantityDelay1:
    case kQuantityDelay2:
      return "s";
    case kQuantityMaximumA:
    case kQuantityMaximumM:
      return unitName;
    default:
      return "";
  }
}

float DiagramValue(const AnalysisTable& table, size_t row, int32_t quantity) {
  switch (quantity) {
    case kQuantityRespiration:
      return table.Row(row).respiration;
    case kQuantitySlope:
      return table.Row(row).slope;
    case kQuantityDelay1:
      return static_cast<float>(table.Row(row).delay1);
    case kQuantityDelay2:
      return static_cast<float>(table.Row(row).delay2);
    case kQuantityMaximumA:
      return table.Row(row).maximumA;
    case kQuantityMaximumM:
      return table.Row(row).maximumM;
    case kQuantityKphA:
      return table.Row(row).kphA;
    default:
      return 0.0f;
  }
}

DiagramStats ComputeGroupStats(const AnalysisTable& table, int32_t quantity) {
  DiagramStats result;
  if (quantity < 0 || quantity >= kDiagramQuantityCount) return result;
  const int32_t groupCount = std::clamp(table.DiagramGroupMax(), 0, kMaxDiagramGroups);
  result.groups.assign(static_cast<size_t>(groupCount), GroupStat{});
  std::vector<float> sumOfSquares(static_cast<size_t>(groupCount), 0.0f);

  for (size_t i = 0; i < table.RowCount(); ++i) {
    const int32_t group = table.Row(i).diagramGroup;
    if (group <= 0 || group > groupCount) continue;
    const float x = DiagramValue(table, i, quantity);
    GroupStat& stat = result.groups[static_cast<size_t>(group - 1)];
    stat.sum += x;
    ++stat.count;
    sumOfSquares[static_cast<size_t>(group - 1)] += x * x;
  }

  // E: the group mean farthest from zero, with its sign; D: the largest
  // deviation. Comparing magnitudes keeps every bar inside the chart when
  // means of both signs meet in one quantity.
  float extreme = 0.0f;
  float largestDeviation = 0.0f;
  for (size_t g = 0; g < result.groups.size(); ++g) {
    GroupStat& stat = result.groups[g];
    if (stat.count > 0) {
      const float mean = stat.sum / static_cast<float>(stat.count);
      if (std::fabs(mean) > std::fabs(extreme)) extreme = mean;
    }
    if (stat.count > 1) {
      const float n = static_cast<float>(stat.count);
      const float spread = n * sumOfSquares[g] - stat.sum * stat.sum;
      // Equal values can leave a tiny negative spread after rounding: no spread.
      const double variance = spread > 0.0f ? spread / n / (n - 1.0) : 0.0;
      stat.sd = static_cast<float>(std::sqrt(variance));
      if (stat.sd > largestDeviation) largestDeviation = stat.sd;
    }
  }
  const float fullScale = extreme <= 0.0f ? extreme - largestDeviation : extreme + largestDeviation;
  result.fullScale = std::isfinite(fullScale) ? fullScale : 0.0f;
  return result;
}

DiagramScale ScaleLabel(float fullScale) {
  DiagramScale scale;
  float s = fullScale + fullScale / 10.0f;
  if (!std::isfinite(s)) return scale;
  int32_t exponent = 0;
  while (s > -1.0f && s < 1.0f && s != 0.0f) {
    s *= 10.0f;
    --exponent;
  }
  while (s > 9.0f) {
    s /= 10.0f;
    ++exponent;
  }
  scale.mantissa = s;
  scale.exponent = exponent;
  return scale;
}

}  // namespace corvala

#include "util/units.h"

#include <cmath>
#include <limits>

namespace corvala {

std::string UnitName(int32_t unit) {
  return unit == kUnitMgl ? "mg/l" : "mbar";
}

float MaxPressureDisplay(int32_t maxPressure, float effFactor1, float effFactor2) {
  return static_cast<float>(maxPressure) / effFactor1 * effFactor2;
}

double PressureScale(int32_t fromUnit, int32_t toUnit, float factor1, float factor2) {
  const bool fromMgl = fromUnit == kUnitMgl;
  const bool toMgl = toUnit == kUnitMgl;
  if (fromMgl == toMgl) return 1.0;
  const double ratio = static_cast<double>(factor1) / static_cast<double>(factor2);
  if (!std::isfinite(ratio) || ratio == 0.0) return 1.0;
  return fromMgl ? ratio : 1.0 / ratio;
}

double ConvertPressure(double value, int32_t fromUnit, int32_t toUnit, float factor1,
                       float factor2) {
  return value * PressureScale(fromUnit, toUnit, factor1, factor2);
}

FactorPair DisplayPair(int32_t shownUnit, float effFactor1, float effFactor2, float factor1,
                       float factor2) {
  return shownUnit == kUnitMgl ? FactorPair{effFactor1, effFactor2} : FactorPair{factor1, factor2};
}

int32_t ChartTopInWholeUnits(int32_t maxPressure, float effFactor1, float effFactor2) {
  // mbar per display unit
  const double perUnit = static_cast<double>(effFactor1) / static_cast<double>(effFactor2);
  if (!std::isfinite(perUnit) || perUnit <= 0.0) return maxPressure;
  auto inMbar = [&](double whole) { return std::ceil(whole * perUnit); };
  double whole = std::floor(maxPressure / perUnit);
  // Beyond whole numbers a double counts exactly, there is nothing to round.
  if (!(std::fabs(whole) < 1e12)) return maxPressure;
  // Rounding in the division may leave the whole number one off either way.
  while (whole > 0.0 && inMbar(whole - 1.0) >= maxPressure) whole -= 1.0;
  while (inMbar(whole) < maxPressure) whole += 1.0;
  const double top = inMbar(whole);
  if (top > std::numeric_limits<int32_t>::max()) return maxPressure;
  return static_cast<int32_t>(top);
}

}  // namespace corvala

#include "util/units.h"

namespace corvala {

std::string UnitName(int32_t unit) {
  return unit == kUnitMgl ? "mg/l" : "mbar";
}

float MaxPressureDisplay(int32_t maxPressure, float effFactor1, float effFactor2) {
  return static_cast<float>(maxPressure) / effFactor1 * effFactor2;
}

}  // namespace corvala

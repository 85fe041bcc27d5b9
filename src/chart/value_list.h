#pragma once
// The texts of a row of a chamber's value list: elapsed time, pressure and light.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/chamber_record.h"
#include "util/units.h"

namespace corvala {

using ValueListRow = std::array<std::string, 3>;

// FormatHms(elapsed), the pressure with one decimal (mbar) or two (mg/l), "on" or "off".
ValueListRow ValueListTexts(int32_t elapsed, double pressure, int32_t unit, bool lightOn);

// The row of a sample of a run in `runUnit`, listed in `shownUnit`: its pressure
// minus the chamber's offset (both in the run's unit), converted with `pair`
// (DisplayPair of the unit configuration in force).
ValueListRow ValueListRowOf(const Sample& sample, float offset, int32_t runUnit, int32_t shownUnit,
                            FactorPair pair);

}  // namespace corvala

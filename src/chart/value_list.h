#pragma once
// The texts of a row of a chamber's value list: elapsed time, pressure and light.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/chamber_record.h"

namespace corvala {

using ValueListRow = std::array<std::string, 3>;

// FormatHms(elapsed), the pressure with one decimal (mbar) or two (mg/l), "on" or "off".
ValueListRow ValueListTexts(int32_t elapsed, float pressure, int32_t unit, bool lightOn);

}  // namespace corvala

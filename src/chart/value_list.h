#pragma once
// The rows of a chamber's value list: elapsed time, pressure and light, as the
// sampling thread adds them one by one and as a refill shows them all.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "run/chamber_record.h"

namespace corvala {

using ValueListRow = std::array<std::string, 3>;

// FormatHms(elapsed), the pressure with one decimal (mbar) or two (mg/l), "on" or "off".
ValueListRow ValueListTexts(int32_t elapsed, float pressure, int32_t unit, bool lightOn);

// Every row of a record's list, pressures shown minus the normalisation offset.
std::vector<ValueListRow> ValueListRows(const ChamberRecord& record, float normOffset,
                                        int32_t unit);

}  // namespace corvala

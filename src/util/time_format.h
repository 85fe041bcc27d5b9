#pragma once
// Time and date texts shared by lists, chart, files and exports.

#include <cstdint>
#include <string>

namespace corvala {

// hh:mm:ss, each part at least two digits ("01:02:05"; 150 hours give "150:00:00").
std::string FormatHms(int32_t seconds);
// mm:ss, or hh:mm:ss when the hours are above 0.
std::string FormatMs(int32_t seconds);
// hh:mm, seconds dropped.
std::string FormatHm(int32_t seconds);
// dd.mm.yyyy
std::string FormatDate(int32_t day, int32_t month, int32_t year);

}  // namespace corvala

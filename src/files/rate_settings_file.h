#pragma once
// "Rates.ini" in the data folder: the blank chamber, each chamber's volume,
// sample amount and amount unit, and the most linear window of the rates, one
// "key=value" line each with CR LF line ends. It lives beside "Corvala.ini" so
// that file keeps its bytes:
//   Blank=2            chamber 1..3 measured as the blank, 0 for none
//   Volume1=1.5        ml, empty for none (then Volume2, Volume3)
//   Amount1=0.25       empty for none
//   AmountUnit1=g FW   the user's text, UTF-8
//   Window=0           samples, 0 for a tenth of the segment
// A missing file, a missing key and a line that is unknown or out of range
// leave the default (no blank, no volume, no amount, no unit, window 0).

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/rate_settings.h"
#include "util/result.h"

namespace corvala {

inline constexpr const char* kRateSettingsFileName = "Rates.ini";

// What a rate setting may hold, for the file and for what the user types.
inline constexpr double kMaxVolumeMl = 1.0e6;  // a cubic metre
inline constexpr double kMaxAmount = 1.0e9;
inline constexpr size_t kMaxAmountUnitBytes = 64;
inline constexpr int32_t kMinRateWindow = 3;  // a fit needs three samples for its error
inline constexpr int32_t kMaxRateWindow = 100000;

// A volume (ml) or amount: finite, above 0 and up to its maximum.
bool VolumeAllowed(double volumeMl);
bool AmountAllowed(double amount);
// One line of text: no control characters, at most kMaxAmountUnitBytes bytes.
bool AmountUnitAllowed(std::string_view unit);
// 0 (the default) or kMinRateWindow .. kMaxRateWindow.
bool RateWindowAllowed(int64_t window);

// A volume or amount as the file and the configuration view write it: the
// shorter of "%.15g" and "%.17g" that reads back as the same number, so a
// typed "0.1" stays "0.1".
std::string RateNumberText(double value);

RateSettings ParseRateSettings(std::string_view text);
// Values that are not allowed are written as the default.
std::string FormatRateSettings(const RateSettings& settings);

// A missing file holds the defaults.
Expected<RateSettings> ReadRateSettings(const std::string& path);
Result WriteRateSettings(const std::string& path, const RateSettings& settings);

}  // namespace corvala

#pragma once
// What the rates as amounts of oxygen need besides the curves: the chamber
// measured as the blank, each chamber's volume and sample amount, and the
// length of the most linear window. Kept by the window's configuration view.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/regression.h"

namespace corvala {

struct ChamberOxygen {
  OxygenSettings oxygen;   // volume in ml and the sample's amount
  std::string amountUnit;  // the user's text for the amount, e.g. "g FW"
  bool operator==(const ChamberOxygen&) const = default;
};

struct RateSettings {
  std::optional<int32_t> blankChamber;  // 0..2, nothing: no blank correction
  std::array<ChamberOxygen, 3> chambers;
  int32_t window = 0;  // samples of the most linear window; 0: a tenth of the segment
  bool operator==(const RateSettings&) const = default;
};

// A regression rate of one region of a row's run with what follows from it;
// every figure is empty when it could not be computed.
struct RowRate {
  std::optional<double> slope;  // run's unit per second
  std::optional<double> standardError;
  std::optional<double> r2;
  std::optional<double> correctedSlope;  // minus the blank's over the same time
  std::optional<double> micromolPerHour;
  std::optional<double> micromolPerHourPerAmount;
  bool operator==(const RowRate&) const = default;
};

// The rates kept with an analysis table row: the regression over the region
// its Slope comes from (the first accepted rise) and over the region its
// Respiration comes from (the first accepted fall).
struct RowRates {
  RowRate rise;
  RowRate fall;
  std::string amountUnit;
  bool operator==(const RowRates&) const = default;
};

}  // namespace corvala

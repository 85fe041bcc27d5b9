#pragma once
// The rate fixtures of tests/data/rates: the measurement files' samples and the
// rates NumPy computed from them (make_expected.py beside them).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/regression.h"
#include "test_support/test_data.h"

namespace corvala::testing {

using Row = std::map<std::string, std::string>;

inline std::vector<Row> ReadCsv(const std::string& name) {
  std::ifstream in(DataPath("rates/" + name));
  std::vector<std::string> header;
  std::vector<Row> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    if (header.empty()) {
      header = fields;
      continue;
    }
    Row& row = rows.emplace_back();
    for (size_t i = 0; i < header.size() && i < fields.size(); ++i) row[header[i]] = fields[i];
  }
  EXPECT_FALSE(rows.empty()) << name;
  return rows;
}

// The sample rows of a measurement file: time of day, elapsed, value,
// temperature, light.
inline RateSeries ReadSeries(const std::string& name) {
  std::ifstream in(DataPath("rates/" + name));
  RateSeries series;
  bool rows = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Messwerte:", 0) == 0) {
      rows = true;
      continue;
    }
    std::istringstream fields(line);
    int h = 0, m = 0, s = 0, elapsed = 0, light = 0;
    float value = 0, temperature = 0;
    if (!rows || !(fields >> h >> m >> s >> elapsed >> value >> temperature >> light)) continue;
    series.elapsed.push_back(elapsed);
    series.values.push_back(value);
    series.temperature.push_back(temperature);
    series.light.push_back(static_cast<uint8_t>(light));
  }
  EXPECT_FALSE(series.elapsed.empty()) << name;
  return series;
}

// Relative 1e-9; values that are zero but for rounding (a flat curve) to 1e-11.
inline void ExpectValue(const std::optional<double>& actual, const std::string& expected,
                        const std::string& what) {
  if (expected.empty()) {
    EXPECT_FALSE(actual.has_value()) << what;
    return;
  }
  ASSERT_TRUE(actual.has_value()) << what;
  const double e = std::stod(expected);
  const double tolerance = std::max(std::fabs(e) * 1e-9, 1e-11);
  EXPECT_NEAR(*actual, e, tolerance) << what;
}

}  // namespace corvala::testing

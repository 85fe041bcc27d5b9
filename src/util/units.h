#pragma once
// Pressure units and the unit configuration in force. Pressures are stored as
// the device delivers them, in the unit of their run; the chart top is held in
// mbar and shown in the display unit through the effective factor pair.

#include <cstdint>
#include <mutex>
#include <string>

namespace corvala {

inline constexpr int32_t kUnitMbar = 1;
inline constexpr int32_t kUnitMgl = 2;

// "No value" for slopes and hover values; compared exactly.
inline constexpr float kNoValue = -999999.875f;

// "mbar" for unit 1, "mg/l" for unit 2.
std::string UnitName(int32_t unit);

// The chart top in the display unit.
float MaxPressureDisplay(int32_t maxPressure, float effFactor1, float effFactor2);

// The factor by which a pressure in `fromUnit` is multiplied to be in `toUnit`,
// with mbar = mg/l x factor1 / factor2: 1 for the same unit, factor1 / factor2
// from mg/l to mbar, factor2 / factor1 from mbar to mg/l. Any unit but mg/l
// counts as mbar. A pair that cannot convert (a factor 0, not finite) gives 1,
// so that values stay finite.
double PressureScale(int32_t fromUnit, int32_t toUnit, float factor1, float factor2);
// A pressure in `fromUnit` in `toUnit`.
double ConvertPressure(double value, int32_t fromUnit, int32_t toUnit, float factor1,
                       float factor2);

// The pair that converts runs into the shown unit: in mg/l the pair in force,
// the one the chart top is shown with; in mbar, where the pair in force is 1:1,
// the configured pair (m_factor1, m_factor2), which the mg/l runs are read with.
struct FactorPair {
  float factor1 = 1.0f;
  float factor2 = 1.0f;
};
FactorPair DisplayPair(int32_t shownUnit, float effFactor1, float effFactor2, float factor1,
                       float factor2);

// The smallest whole number in the shown unit that, held as the chart top in
// whole mbar (rounded up), is not below `maxPressure`; returned in mbar. A top
// switched into another unit stays a round number there and never drops below
// what it covered. A pair that cannot convert leaves the top as it is.
int32_t ChartTopInWholeUnits(int32_t maxPressure, float effFactor1, float effFactor2);

// The unit in force with the values that belong to it. They are only ever
// read and written together, so no reader sees a unit with the other unit's factors.
struct UnitConfig {
  int32_t unit = kUnitMbar;
  float effFactor1 = 1.0f;  // the factor pair the display converts with
  float effFactor2 = 1.0f;
  int32_t maxPressure = 300;  // chart top in mbar
  bool operator==(const UnitConfig&) const = default;
};

// The unit configuration shared by the window (which changes it), the
// sampling thread (which raises the chart top) and the serial link (which
// compares the device's unit with it). Every access is one consistent snapshot.
class SharedUnitConfig {
 public:
  UnitConfig Get() const {
    std::lock_guard lock(mutex_);
    return config_;
  }
  void Set(const UnitConfig& config) {
    std::lock_guard lock(mutex_);
    config_ = config;
  }
  // Changes the configuration in one step: f(UnitConfig&) runs under the lock.
  template <class F>
  decltype(auto) Update(F&& f) {
    std::lock_guard lock(mutex_);
    return f(config_);
  }
  int32_t Unit() const { return Get().unit; }
  int32_t MaxPressure() const { return Get().maxPressure; }

 private:
  mutable std::mutex mutex_;
  UnitConfig config_;
};

}  // namespace corvala

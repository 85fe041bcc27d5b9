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

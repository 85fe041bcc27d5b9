#pragma once
// The state that the window thread, the serial link thread and the sampling
// thread share: command mailboxes, the values the device reports, the per-chamber
// run state and the three chamber records. Single words are atomics; the reading
// sums, the factor pair and the records carry their own locks.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

#include "run/chamber_record.h"
#include "run/measurement_program.h"

namespace corvala {

// Idle values of the mailboxes: a mailbox holding its idle value has nothing to send.
inline constexpr int32_t kCalibrationIdle = 59;
inline constexpr int32_t kLightIdle = 69;
inline constexpr int32_t kLightAllOff = 77;
inline constexpr int32_t kRunIdle = 79;
inline constexpr int32_t kRunNone = 87;
inline constexpr int32_t kServiceIdle = 89;
inline constexpr int32_t kTemperatureIdle = -1;
inline constexpr int32_t kBeepIdle = -1;
inline constexpr int32_t kStepIdle = 0;

// "No value" for slopes and hover values; compared exactly.
inline constexpr float kNoValue = -999999.875f;

// Readings of one chamber summed by the serial link until the sampling thread
// turns them into a sample. Add and Take share one lock, so no reading is lost
// between the sampler's read and its reset.
class ReadingAccumulator {
 public:
  struct Sum {
    float sum = 0.0f;
    int32_t count = 0;
  };
  void Add(float value) {
    std::lock_guard lock(mutex_);
    sum_.sum += value;
    ++sum_.count;
  }
  Sum Peek() const {
    std::lock_guard lock(mutex_);
    return sum_;
  }
  Sum Take() {
    std::lock_guard lock(mutex_);
    Sum taken = sum_;
    sum_ = Sum{};
    return taken;
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    sum_ = Sum{};
  }

 private:
  mutable std::mutex mutex_;
  Sum sum_;
};

// The two values of the conversion factor pair waiting to be sent; -1 = nothing.
class PairMailbox {
 public:
  void Set(int32_t first, int32_t second) {
    std::lock_guard lock(mutex_);
    pair_ = {first, second};
  }
  // The pending pair, reset to (-1, -1); nothing when the first value is negative.
  std::optional<std::pair<int32_t, int32_t>> Take() {
    std::lock_guard lock(mutex_);
    if (pair_.first < 0) return std::nullopt;
    auto taken = pair_;
    pair_ = {-1, -1};
    return taken;
  }
  std::pair<int32_t, int32_t> Peek() const {
    std::lock_guard lock(mutex_);
    return pair_;
  }

 private:
  mutable std::mutex mutex_;
  std::pair<int32_t, int32_t> pair_{-1, -1};
};

struct Station {
  Station() {
    for (int i = 0; i < 3; ++i) m_chamber[i].Access([i](ChamberRecord& r) { r.chamberIndex = i; });
  }
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Settings values that the worker threads read.
  std::atomic<int32_t> m_temperature{25};
  std::atomic<int32_t> m_sampleInterval{5};
  std::atomic<int32_t> m_maxPressure{300};  // chart top in mbar; the sampler raises it
  std::atomic<int32_t> m_unit{1};
  std::atomic<int32_t> m_interpolation{0};
  std::atomic<int32_t> m_comPort{1};
  std::atomic<int32_t> m_calibrationValue{210};
  std::atomic<int32_t> m_temperatureShown{25};
  std::atomic<float> m_effFactor1{1.0f};
  std::atomic<float> m_effFactor2{1.0f};

  // Mailboxes: written by the window and the sampler, taken by the serial link.
  std::atomic<int32_t> m_runCommand{kRunIdle};
  std::atomic<int32_t> m_lightCommand{kLightIdle};
  std::atomic<int32_t> m_calibrationCommand{kCalibrationIdle};
  std::atomic<int32_t> m_serviceCommand{kServiceIdle};
  std::atomic<int32_t> m_temperatureCommand{kTemperatureIdle};
  std::atomic<int32_t> m_beepCommand{kBeepIdle};
  std::atomic<int32_t> m_manualStep{kStepIdle};
  std::atomic<uint8_t> m_calibrationChanged{0};
  PairMailbox m_pairCommand;

  // What the device reports, written by the serial link.
  std::atomic<int32_t> m_serviceArg{3};  // channel count
  std::atomic<float> m_deviceTemperature{0.0f};
  std::atomic<int32_t> m_tempIndicator{2};
  std::atomic<int32_t> m_frameStartSeen{-1};
  std::atomic<int32_t> m_unitMismatch{0};

  // Per chamber.
  std::array<std::atomic<uint8_t>, 3> m_running{};
  std::array<std::atomic<uint8_t>, 3> m_lightOn{};
  std::array<ReadingAccumulator, 3> m_readings;  // m_readingSum and m_readingCount
  std::array<std::atomic<float>, 3> m_lastReading{};
  std::array<std::atomic<float>, 3> m_chamberTemperature{};
  std::array<std::atomic<int32_t>, 3> m_elapsed{};
  std::array<std::atomic<int64_t>, 3> m_lastSampleTime{};
  std::array<std::atomic<float>, 3> m_normOffset{};
  std::array<SharedChamber, 3> m_chamber;

  MeasurementProgram m_program;
};

}  // namespace corvala

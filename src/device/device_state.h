#pragma once
// What the serial link shares with the rest of the station: the command
// mailboxes it takes from, and what the device reports. Single words are
// atomics; the reading sums and the factor pair carry their own locks.
//
// Writers and readers:
//  - CommandMailboxes: written by the window (buttons, configuration) and the
//    sampling thread (program steps, run ends); taken by the serial link with a
//    get-and-reset to the idle value. m_commanded keeps what the commands said.
//  - DeviceReport: written by the serial link from the device's frames; read by
//    the sampling thread (readings, temperatures) and the display tick, which
//    also resets the link check and the unit mismatch, sets the temperature
//    indicator to far off when the link is lost, and sets the device
//    temperature and a chamber's last reading to 0 when they are out of the
//    range it shows (so the sampler takes 0 then). Each of these is one atomic
//    store; a value the serial link stores between the tick's read and its
//    store is overwritten, and the next frame brings it again.
//  - m_temperatureShown: the set point shown in the window, written by the
//    window; the serial link compares the device temperature with it.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

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

// The conversion factor pair on its way to the device. The window sets it, the
// serial link takes it and reports when the block's last byte has gone out.
// Until then the device may still report the previous unit, so Busy() tells
// the unit check to wait.
class PairMailbox {
 public:
  // A pair to send; it becomes the pair in force.
  void Set(int32_t first, int32_t second) {
    std::lock_guard lock(mutex_);
    pair_ = {first, second};
    inForce_ = pair_;
    ++queued_;
  }
  // The pair the device is meant to hold, without sending it now (the unit in
  // force at start, or a unit the device switched to by itself).
  void SetInForce(int32_t first, int32_t second) {
    std::lock_guard lock(mutex_);
    inForce_ = {first, second};
  }
  std::pair<int32_t, int32_t> InForce() const {
    std::lock_guard lock(mutex_);
    return inForce_;
  }
  // For the greeting: the pair waiting, else the pair in force, taken as Take
  // takes a pair. A device that was switched off knows no pair, so it is sent
  // on every connection.
  std::pair<int32_t, int32_t> TakeForGreeting() {
    std::lock_guard lock(mutex_);
    taken_ = pair_.first >= 0 ? pair_ : inForce_;
    pair_ = {-1, -1};
    inFlight_ = queued_;
    return taken_;
  }
  // The pending pair, reset to (-1, -1); nothing when the first value is negative.
  std::optional<std::pair<int32_t, int32_t>> Take() {
    std::lock_guard lock(mutex_);
    if (pair_.first < 0) return std::nullopt;
    auto taken = pair_;
    pair_ = {-1, -1};
    inFlight_ = queued_;
    taken_ = taken;
    return taken;
  }
  std::pair<int32_t, int32_t> Peek() const {
    std::lock_guard lock(mutex_);
    return pair_;
  }
  // The pair taken last has gone out whole (or could not be sent at all).
  void Delivered() {
    std::lock_guard lock(mutex_);
    delivered_ = inFlight_;
  }
  // The link was lost before the pair taken last had gone out whole: it waits
  // again, unless a newer pair waits already.
  void Interrupted() {
    std::lock_guard lock(mutex_);
    if (delivered_ != inFlight_ && pair_.first < 0) pair_ = taken_;
  }
  // True from Set until that pair has gone out whole.
  bool Busy() const {
    std::lock_guard lock(mutex_);
    return delivered_ != queued_;
  }

 private:
  mutable std::mutex mutex_;
  std::pair<int32_t, int32_t> pair_{-1, -1};
  std::pair<int32_t, int32_t> taken_{-1, -1};
  std::pair<int32_t, int32_t> inForce_{1, 1};  // a device starts in mbar
  uint64_t queued_ = 0;                        // pairs set so far
  uint64_t inFlight_ = 0;                      // the count at the last Take
  uint64_t delivered_ = 0;                     // the count whose pair has gone out
};

// What the station last decided for the device. Light and run commands are
// made whole from it, so a command still waiting in its mailbox (device
// unplugged, a long pair block going out) is replaced, never added to; the
// greeting after a reconnection restores it. The run layer changes it together
// with the chambers' flags under its command lock.
struct CommandedState {
  std::atomic<int32_t> m_lightMask{0};  // chambers whose light is on (I 1, II 2, III 4)
  std::atomic<int32_t> m_runMask{0};    // chambers that run
  std::atomic<int32_t> m_setPoint{kTemperatureIdle};  // set point in force, -1 none yet
};

// Commands waiting for the serial link.
struct CommandMailboxes {
  std::atomic<int32_t> m_runCommand{kRunIdle};
  std::atomic<int32_t> m_lightCommand{kLightIdle};
  std::atomic<int32_t> m_calibrationCommand{kCalibrationIdle};
  std::atomic<int32_t> m_serviceCommand{kServiceIdle};
  std::atomic<int32_t> m_temperatureCommand{kTemperatureIdle};
  std::atomic<int32_t> m_beepCommand{kBeepIdle};
  std::atomic<int32_t> m_manualStep{kStepIdle};
  // The calibration value in force; sent as a block when m_calibrationChanged is set.
  std::atomic<int32_t> m_calibrationValue{210};
  std::atomic<uint8_t> m_calibrationChanged{0};
  PairMailbox m_pairCommand;
  CommandedState m_commanded;
};

// What the device reports.
struct DeviceReport {
  std::array<ReadingAccumulator, 3> m_readings;  // m_readingSum and m_readingCount
  std::array<std::atomic<float>, 3> m_lastReading{};
  std::array<std::atomic<float>, 3> m_chamberTemperature{};
  std::atomic<float> m_deviceTemperature{0.0f};
  std::atomic<int32_t> m_serviceArg{3};  // the device's channel count
  std::atomic<int32_t> m_tempIndicator{2};
  std::atomic<int32_t> m_frameStartSeen{-1};
  std::atomic<int32_t> m_unitMismatch{0};
  // The unit the device reported last (field 9): 1 mbar, 2 mg/l, 0 none yet.
  std::atomic<int32_t> m_deviceUnit{0};
};

struct DeviceLink {
  CommandMailboxes commands;
  DeviceReport report;
  std::atomic<int32_t> m_temperatureShown{25};
  // The port in force is the built-in device simulator: what it reports is not
  // measured. Written by the serial link when it starts on a port; read by the
  // sampler (a run's first sample) and the window.
  std::atomic<bool> m_simulated{false};
};

}  // namespace corvala

#pragma once
// Wall-clock time in whole seconds with its local date and time, and beside it
// a monotonic side that only moves forward at a steady pace. The station reads
// time only through this interface so that tests can drive it by hand.
//
// The wall clock gives the time of day of samples and the start of a run; the
// monotonic side measures how long things take (a run's elapsed time, the
// sampling interval), so setting the computer's clock changes neither.

#include <atomic>
#include <cstdint>

namespace corvala {

struct LocalTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock seconds since the epoch.
  virtual int64_t Now() const = 0;
  // Whole seconds on the monotonic side, from an origin of the clock's own.
  virtual int64_t Monotonic() const = 0;
  virtual LocalTime ToLocal(int64_t seconds) const = 0;
};

// The system clock in the local time zone. Its monotonic seconds start at the
// wall clock's seconds when it is made and tick with them, so samples taken on
// a monotonic second keep regular times of day until the wall clock is set.
class SystemClock : public Clock {
 public:
  SystemClock();
  int64_t Now() const override;
  int64_t Monotonic() const override;
  LocalTime ToLocal(int64_t seconds) const override;

 private:
  int64_t offsetNs_;  // wall minus steady clock, in nanoseconds, when made
};

// A clock that moves only when told; local time is UTC so tests are reproducible.
// Both sides start at `start`; Advance moves both, Set only the wall clock (the
// computer's clock is set), SetMonotonic only the monotonic side.
class ManualClock : public Clock {
 public:
  explicit ManualClock(int64_t start = 1'700'000'000) : now_(start), monotonic_(start) {}
  int64_t Now() const override { return now_.load(); }
  int64_t Monotonic() const override { return monotonic_.load(); }
  LocalTime ToLocal(int64_t seconds) const override;
  void Set(int64_t seconds) { now_.store(seconds); }
  void SetMonotonic(int64_t seconds) { monotonic_.store(seconds); }
  void Advance(int64_t seconds) {
    now_.fetch_add(seconds);
    monotonic_.fetch_add(seconds);
  }

 private:
  std::atomic<int64_t> now_;
  std::atomic<int64_t> monotonic_;
};

}  // namespace corvala

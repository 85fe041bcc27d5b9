#pragma once
// Wall-clock time in whole seconds with its local date and time. The station
// reads time only through this interface so that tests can drive it by hand.

#include <atomic>
#include <cstdint>

namespace corvala {

struct LocalTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since the epoch.
  virtual int64_t Now() const = 0;
  virtual LocalTime ToLocal(int64_t seconds) const = 0;
};

// The system clock in the local time zone.
class SystemClock : public Clock {
 public:
  int64_t Now() const override;
  LocalTime ToLocal(int64_t seconds) const override;
};

// A clock that moves only when told; local time is UTC so tests are reproducible.
class ManualClock : public Clock {
 public:
  explicit ManualClock(int64_t start = 1'700'000'000) : now_(start) {}
  int64_t Now() const override { return now_.load(); }
  LocalTime ToLocal(int64_t seconds) const override;
  void Set(int64_t seconds) { now_.store(seconds); }
  void Advance(int64_t seconds) { now_.fetch_add(seconds); }

 private:
  std::atomic<int64_t> now_;
};

}  // namespace corvala

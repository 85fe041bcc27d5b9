#pragma once
// The sampling thread: a scheduler pass every 50 ms until Stop(). Stop wakes the
// thread from its wait, so it ends within one pass (see util/stop_signal.h for
// why the wait does not use the thread's stop token).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "run/sampling.h"
#include "util/stop_signal.h"

namespace corvala {

class SamplingThread {
 public:
  static constexpr std::chrono::milliseconds kPassPeriod{50};

  SamplingThread(Station& station, const Clock& clock, SamplingObserver* observer = nullptr,
                 std::chrono::milliseconds period = kPassPeriod)
      : scheduler_(station, clock, observer), period_(period) {}
  ~SamplingThread() { Stop(); }
  SamplingThread(const SamplingThread&) = delete;
  SamplingThread& operator=(const SamplingThread&) = delete;

  // Starts the thread; does nothing when it already runs.
  void Start();
  // Asks the thread to end and waits for it.
  void Stop();
  // Passes made so far.
  uint64_t Passes() const { return passes_.load(); }

 private:
  void Loop();

  SamplingScheduler scheduler_;
  std::chrono::milliseconds period_;
  StopSignal stop_;
  std::atomic<uint64_t> passes_{0};
  std::jthread thread_;
};

}  // namespace corvala

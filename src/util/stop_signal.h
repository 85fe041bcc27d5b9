#pragma once
// A stop request for a thread that waits between rounds of work: a flag set
// under the mutex the waits use, then a notify, so a request made at any moment
// ends the wait at once, whatever its length.
//
// Waiting with a std::stop_token instead (condition_variable_any::wait_for with
// a token) registers a std::stop_callback, and the waiting thread, woken by the
// stop request, must wait for that callback to finish before it can go on. With
// MinGW's libstdc++ (no futex on Windows) that last wait can miss its wake-up
// and never end: the thread was woken and still never returns.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace corvala {

class StopSignal {
 public:
  // Waits up to period; true when a stop was requested (before or during the wait).
  template <class Rep, class Period>
  bool WaitFor(std::chrono::duration<Rep, Period> period) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, period, [this] { return stop_; });
  }
  // Ends every wait, now and to come, until Reset.
  void Request() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
  }
  // Later waits last their full period again, until the next Request.
  void Reset() {
    std::lock_guard lock(mutex_);
    stop_ = false;
  }
  bool Requested() const {
    std::lock_guard lock(mutex_);
    return stop_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
};

}  // namespace corvala

#pragma once
// Records what the sampling thread tells the window, as "event chamber" texts.

#include <mutex>
#include <string>
#include <vector>

#include "app/prompts.h"
#include "run/run_control.h"
#include "run/sampling_thread.h"

namespace corvala {

class RecordingObserver : public SamplingObserver {
 public:
  void RunInitialised(int c) override { Add("init", c); }
  void FirstSampleTaken(int c) override { Add("first", c); }
  void SampleListed(int c, int row, const std::array<std::string, 3>& t) override {
    Add("row " + std::to_string(row) + " " + t[0] + "|" + t[1] + "|" + t[2], c);
  }
  void MeasuringLabelsHidden(std::array<bool, 3> h) override {
    Add("hide", h[0] + 2 * h[1] + 4 * h[2]);
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Add(const std::string& event, int c) {
    std::lock_guard lock(mutex_);
    events_.push_back(event + " " + std::to_string(c));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

// A chamber mask from three per-chamber flags.
inline int Mask(const std::array<std::atomic<uint8_t>, 3>& flags) {
  return flags[0] + 2 * flags[1] + 4 * flags[2];
}

}  // namespace corvala

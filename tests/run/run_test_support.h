#pragma once
// A station driven by hand: manual clock, scheduler and an observer that
// records what the window would be told.

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "app/prompts.h"
#include "run/run_control.h"
#include "run/sampling.h"

namespace corvala {

class RecordingObserver : public SamplingObserver {
 public:
  void RunInitialised(int c) override { Add("init " + std::to_string(c)); }
  void FirstSampleTaken(int c) override { Add("first " + std::to_string(c)); }
  void SampleListed(int c, int row, const std::array<std::string, 3>& t) override {
    Add("row " + std::to_string(c) + " " + std::to_string(row) + " " + t[0] + "|" + t[1] + "|" +
        t[2]);
  }
  void MeasuringLabelsHidden(std::array<bool, 3> h) override {
    Add(std::string("hide ") + (h[0] ? "1" : "0") + (h[1] ? "1" : "0") + (h[2] ? "1" : "0"));
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Add(std::string e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

inline ChamberSelection Only(int c) {
  ChamberSelection s{};
  s[static_cast<size_t>(c)] = true;
  return s;
}

}  // namespace corvala

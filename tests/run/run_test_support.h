#pragma once
// Records what the sampling thread tells the window, as texts:
// "init c", "first c", "row c/r: <elapsed> s <pressure> unit <unit> <on|off>", "hide <flags I II
// III>".

#include <mutex>
#include <string>
#include <vector>

#include "run/run_control.h"
#include "run/sampling_thread.h"
#include "util/c_format.h"

namespace corvala {

class RecordingObserver : public SamplingObserver {
 public:
  void RunInitialised(int c) override { Add(Format("init %d", c)); }
  void FirstSampleTaken(int c) override { Add(Format("first %d", c)); }
  void SampleListed(int c, int row, const ListedSample& s) override {
    Add(Format("row %d/%d: %d s %g unit %d %s", c, row, s.elapsed, static_cast<double>(s.pressure),
               s.unit, s.lightOn ? "on" : "off"));
  }
  void MeasuringLabelsHidden(std::array<bool, 3> h) override {
    Add(Format("hide %d%d%d", h[0], h[1], h[2]));
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace corvala

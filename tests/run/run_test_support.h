#pragma once
// Records what the sampling thread tells the window, as texts:
// "init c", "first c", "row c/r: <elapsed> s <pressure> unit <unit> <on|off>", "hide <flags I II
// III>"; journal failures apart, as "c: <message>".

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "run/run_control.h"
#include "run/sampling.h"
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
  void JournalFailed(int c, const std::string& message) override {
    std::lock_guard lock(mutex_);
    failures_.push_back(std::to_string(c) + ": " + message);
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> Failures() {
    std::lock_guard lock(mutex_);
    return failures_;
  }

 private:
  void Add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  std::mutex mutex_;
  std::vector<std::string> events_, failures_;
};

// A station sampled pass by pass on a clock the test moves.
class SamplingTest : public ::testing::Test {
 protected:
  // Advances the clock, gives every chamber two readings and runs one pass.
  void Pass(int seconds, float value = 100.0f) {
    clock.Advance(seconds);
    for (auto& r : station.m_link.report.m_readings) r.Add(value), r.Add(value);
    scheduler.RunPass();
  }
  ChamberRecord Record(int c) { return station.m_chamber[c].Snapshot(); }

  Station station;
  ManualClock clock{1'700'000'000};  // 22:13:20 UTC
  RecordingObserver observer;
  SamplingScheduler scheduler{station, clock, &observer};
};

}  // namespace corvala

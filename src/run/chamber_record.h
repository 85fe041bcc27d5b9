#pragma once
// One chamber's measurement run: start time, run stage, the sample series, the
// run's unit, interval and set point, its program copy and its analysis results.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "util/clock.h"

namespace corvala {

// The chamber's numeral as the station names it: "I" for chamber 0; chambers
// outside 0..2 are named by the nearest one.
inline const char* ChamberNumeral(int chamber) {
  static constexpr const char* kNumerals[3] = {"I", "II", "III"};
  return kNumerals[chamber < 0 ? 0 : (chamber > 2 ? 2 : chamber)];
}

// The analysis results of one chamber, recomputed whole by RunAnalysis.
struct AnalysisBlock {
  std::vector<int32_t> m_minPos;         // pairs: first and last position of a segment's minimum
  std::vector<int32_t> m_maxPos;         // pairs: first and last position of a segment's maximum
  std::vector<int32_t> m_segmentBounds;  // 0, the last sample before each light change, the end
  std::vector<int32_t> m_riseSteepPos;
  std::vector<float> m_riseSteepRate;
  std::vector<int32_t> m_riseRange;  // pairs
  std::vector<float> m_riseRate;     // Slope
  std::vector<int32_t> m_fallSteepPos;
  std::vector<float> m_fallSteepRate;
  std::vector<int32_t> m_fallRange;     // pairs
  std::vector<float> m_fallRate;        // Respiration
  std::vector<int32_t> m_plateauRange;  // pairs
  std::vector<int32_t> m_plateauPeakPos;
  std::vector<float> m_plateauLevel;  // Maximum-a, raw pressure
  std::vector<float> m_plateauPeak;   // Maximum-m, raw pressure
  std::vector<float> m_kphA;

  void Clear();
  bool operator==(const AnalysisBlock&) const = default;
};

// One sample of a run.
struct Sample {
  int32_t hour = 0, minute = 0, second = 0;  // local time of day it was taken
  int32_t elapsed = 0;                       // seconds since the run's first sample
  float pressure = 0.0f;                     // in the run's unit
  uint8_t light = 0;                         // 1: the chamber's light was on
  float temperature = 0.0f;
  bool operator==(const Sample&) const = default;
};

// The samples of a run, held column by column so that the chart and the
// analysis walk one quantity quickly. The columns are private and grow only
// together, so they always have the same length.
class SampleSeries {
 public:
  void Append(const Sample& sample);
  // Replaces sample i, 0 <= i < Size() (an edited or repaired run).
  void Replace(int32_t i, const Sample& sample);
  void Clear();
  void Reserve(size_t count);
  // Keeps the first count samples (count <= Size()).
  void Truncate(int32_t count);
  // The samples the columns hold room for without growing.
  size_t Capacity() const { return elapsed_.capacity(); }
  int32_t Size() const { return static_cast<int32_t>(elapsed_.size()); }
  bool Empty() const { return elapsed_.empty(); }
  // Sample i, 0 <= i < Size().
  Sample At(int32_t i) const;

  const std::vector<int32_t>& Hour() const { return hour_; }
  const std::vector<int32_t>& Minute() const { return minute_; }
  const std::vector<int32_t>& Second() const { return second_; }
  const std::vector<int32_t>& Elapsed() const { return elapsed_; }
  const std::vector<float>& Pressure() const { return pressure_; }
  const std::vector<uint8_t>& Light() const { return light_; }
  const std::vector<float>& Temperature() const { return temperature_; }
  // Elapsed times never decrease (as in every run the station records), so a
  // time is found by binary search; kept up to date by Append and Replace.
  bool ElapsedSorted() const { return descents_ == 0; }

  bool operator==(const SampleSeries&) const = default;

 private:
  int32_t descents_ = 0;  // samples whose elapsed time is below the one before
  std::vector<int32_t> hour_, minute_, second_, elapsed_;
  std::vector<float> pressure_;
  std::vector<uint8_t> light_;
  std::vector<float> temperature_;
};

// A run that the sampling thread has initialised and that has not taken its
// first sample yet: its settings are applied with that sample.
struct PendingRun {
  int32_t unit = 1;
  int32_t interval = 5;
  int32_t temperature = 25;
  std::vector<int32_t> stepTime;
  std::vector<uint8_t> stepLight;
  bool operator==(const PendingRun&) const = default;
};

struct ChamberRecord {
  int32_t chamberIndex = 0;
  int32_t startDay = 0;
  int32_t startMonth = 0;
  int32_t startYear = 0;
  int32_t startHour = 0;
  int32_t startMinute = 0;
  int32_t startSecond = 0;
  // Start was pressed; the sampling thread has not yet initialised the run.
  bool runRequested = false;
  // The run is initialised and its first sample not yet taken. Until then the
  // record holds the previous run whole (series, unit, interval, program copy,
  // analysis), which is still shown, listed, analysed and saved.
  std::optional<PendingRun> pendingRun;
  uint8_t hasRun = 0;  // a run was initialised here and its analysis row is not yet added
  uint8_t saved = 1;   // 1: nothing unsaved
  SampleSeries series;
  std::string measurementName;
  int32_t runUnit = 1;
  int32_t runInterval = 5;
  int32_t runTemperature = 25;
  // The run's samples came from the built-in device simulator, not a device;
  // set at the run's first sample and kept with the run in files and journals.
  bool simulated = false;
  std::vector<int32_t> stepTime;
  std::vector<uint8_t> stepLight;
  AnalysisBlock analysis;

  // The samples the record holds: the previous run's until a new run takes its
  // first sample.
  int32_t Samples() const { return series.Size(); }
  // The samples of the run in progress: none while a new run is requested or
  // waits for its first sample.
  int32_t SamplesOfNewRun() const;
  bool operator==(const ChamberRecord&) const = default;
};

// Adds one sample. On the first sample of a run the pending run's settings are
// applied, the start time is taken from sampleTime and the old series, its
// analysis bounds and the name are cleared. Returns true.
bool AppendSample(ChamberRecord& record, float pressure, float temperature, uint8_t light,
                  const LocalTime& sampleTime, int32_t elapsed);

// A chamber record shared between the sampling thread (which appends) and the
// window thread (which draws, analyses, saves and loads). Every access holds the
// record's mutex; long readers take a Snapshot and work on the copy.
class SharedChamber {
 public:
  template <class F>
  decltype(auto) Access(F&& f) {
    std::lock_guard lock(mutex_);
    // A caller that may change the record counts as a change.
    if constexpr (!std::is_invocable_v<F&, const ChamberRecord&>)
      revision_.fetch_add(1, std::memory_order_relaxed);
    return f(record_);
  }
  template <class F>
  decltype(auto) Access(F&& f) const {
    std::lock_guard lock(mutex_);
    return f(static_cast<const ChamberRecord&>(record_));
  }
  ChamberRecord Snapshot() const {
    std::lock_guard lock(mutex_);
    return record_;
  }
  // Grows with every access that may have changed the record: a reader that
  // keeps what it made of the record redoes it only when this moved on.
  uint64_t Revision() const { return revision_.load(std::memory_order_relaxed); }

 private:
  std::atomic<uint64_t> revision_{0};
  mutable std::mutex mutex_;
  ChamberRecord record_;
};

}  // namespace corvala

#pragma once
// One chamber's measurement run: start time, flags, the seven parallel sample
// series, the run's unit, interval and set point, its program copy and its
// analysis results.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "run/clock.h"

namespace corvala {

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

struct ChamberRecord {
  int32_t chamberIndex = 0;
  int32_t startDay = 0;
  int32_t startMonth = 0;
  int32_t startYear = 0;
  int32_t startHour = 0;
  int32_t startMinute = 0;
  int32_t startSecond = 0;
  int32_t sampleCount = 0;  // -1: a new run was requested and is not yet initialised
  uint8_t hasRun = 0;       // a run was initialised here and its analysis row is not yet added
  uint8_t saved = 1;        // 1: nothing unsaved
  std::vector<int32_t> sampleHour;
  std::vector<int32_t> sampleMinute;
  std::vector<int32_t> sampleSecond;
  std::vector<int32_t> sampleElapsed;
  std::vector<float> samplePressure;
  std::vector<uint8_t> sampleLight;
  std::vector<float> sampleTemperature;
  std::string measurementName;
  int32_t runUnit = 1;
  int32_t runInterval = 5;
  int32_t runTemperature = 25;
  std::vector<int32_t> stepTime;
  std::vector<uint8_t> stepLight;
  AnalysisBlock analysis;

  // Number of complete samples: sampleCount, but never more than the series hold.
  int32_t Samples() const;
  void ClearSeries();
  bool operator==(const ChamberRecord&) const = default;
};

// Adds one sample. On the first sample of a run (sampleCount 0) the start time
// is taken from sampleTime, the old series and the name are cleared. Returns true.
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

 private:
  mutable std::mutex mutex_;
  ChamberRecord record_;
};

}  // namespace corvala

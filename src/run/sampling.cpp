#include "run/sampling.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "util/c_format.h"

namespace corvala {
namespace {

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The measuring interval in force. A value below one second would make every
// pass take a sample without time moving on, so it counts as one second.
int32_t SampleInterval(const Station& station) {
  return std::max<int32_t>(1, station.m_settings.m_sampleInterval.load());
}

// Commands the lights of the running chambers. The flag of a chamber that no
// longer runs follows what the device is told: its light goes off. Callers hold
// the command lock.
void CommandLightsOfRunningChambers(Station& station) {
  int32_t mask = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (!station.m_run[i].m_lightOn.load()) continue;
    if (station.m_run[i].m_running.load()) {
      mask |= 1 << i;
    } else {
      station.m_run[i].m_lightOn.store(0);
    }
  }
  CommandLights(station.m_link.commands, mask);
}

}  // namespace

float ReadingSmoother::SmoothReading(float value, int32_t count, int chamberNumber, float threshold,
                                     bool interpolation) {
  if (!interpolation || chamberNumber < 1 || chamberNumber > 3) return value;
  State& s = state_[static_cast<size_t>(chamberNumber - 1)];
  float out = value;
  if (count > 2 && std::fabs(s.lastRaw - value) > threshold) out = s.newer - (s.older - s.newer);
  s.older = s.newer;
  s.newer = out;
  s.lastRaw = value;
  return out;
}

void InitialiseRun(Station& station, int chamber, SamplingObserver* observer) {
  if (chamber < 0 || chamber > 2) return;
  const auto i = static_cast<size_t>(chamber);
  {
    // A light that the previous run left on (an end step does not switch it)
    // is switched off at the device too: the new run's samples record it as off.
    std::lock_guard lock(station.m_commandLock);
    if (station.m_run[i].m_lightOn.exchange(0) != 0) CommandLightsOfRunningChambers(station);
  }
  const int32_t interval = SampleInterval(station);
  station.m_run[i].m_elapsed.store(-interval);

  // The chamber's rows of the program, in list order; each starts not done.
  std::vector<int32_t> stepTime;
  std::vector<uint8_t> stepLight;
  station.m_program.Walk([&](ProgramStep& step) {
    if (!step.chamber[i]) return;
    stepTime.push_back(ClampToInt32(step.OffsetSeconds()));
    stepLight.push_back(step.light);
    step.done[i] = 0;
  });

  // The new run's settings wait for its first sample; until then the record
  // holds the previous run whole.
  PendingRun run;
  run.unit = station.m_units.Unit();
  run.interval = interval;
  run.temperature = station.m_settings.m_temperature.load();
  run.stepTime = std::move(stepTime);
  run.stepLight = std::move(stepLight);
  station.m_chamber[i].Access([&](ChamberRecord& r) {
    r.runRequested = false;
    r.pendingRun = std::move(run);
  });
  // The previous run's journal stays until the new run's first sample: a run
  // stopped before it leaves the previous run unsaved on screen.
  if (observer != nullptr) observer->RunInitialised(chamber);
}

void SamplingScheduler::RunPass() {
  const int64_t now = clock_.Now();
  const int64_t monotonic = clock_.Monotonic();
  // Steps only while no light request waits for the serial link; they fire in a
  // later pass otherwise.
  if (station_.m_link.commands.m_lightCommand.load() == kLightIdle) RunProgramSteps(monotonic);
  // While a factor pair is on its way the readings may still be in the unit
  // before it; the link drops them once the device has the pair.
  if (station_.m_link.commands.m_pairCommand.Busy()) return;
  SampleChambers(now, monotonic);
}

void SamplingScheduler::RunProgramSteps(int64_t monotonic) {
  // The readings of the three chambers, read together before any record is
  // locked. Every device frame brings a reading for each chamber, so whether
  // readings flow is decided for the device as a whole: a chamber whose sum was
  // taken a frame later than another's, or a frame read half, must not keep one
  // chamber out of a step that the others take.
  std::array<int32_t, 3> counts{};
  for (size_t i = 0; i < 3; ++i) counts[i] = station_.m_link.report.m_readings[i].Peek().count;
  // A chamber takes part when its run has begun: before the run is initialised
  // its elapsed time and done flags still belong to the previous run and must
  // not fire anything.
  std::array<bool, 3> eligible{};
  bool flowing = false;
  for (size_t i = 0; i < 3; ++i) {
    if (station_.m_run[i].m_running.load() != 1) continue;
    if (monotonic < station_.m_run[i].m_lastSampleTime.load()) continue;
    eligible[i] =
        station_.m_chamber[i].Access([](const ChamberRecord& r) { return !r.runRequested; });
    flowing = flowing || (eligible[i] && counts[i] >= 2);
  }
  if (!flowing) return;

  std::lock_guard lock(station_.m_commandLock);
  std::array<uint8_t, 3> lightBefore{};
  for (size_t i = 0; i < 3; ++i) lightBefore[i] = station_.m_run[i].m_lightOn.load();
  bool runEnded = false;
  station_.m_program.Walk([&](ProgramStep& step) {
    const int64_t t = step.OffsetSeconds();
    for (size_t i = 0; i < 3; ++i) {
      if (!eligible[i] || station_.m_run[i].m_running.load() != 1) continue;
      if (step.done[i] || !step.chamber[i] || t > station_.m_run[i].m_elapsed.load()) continue;
      // A row whose time has come is done for the chamber, also when the light
      // is already as it says (switched by hand): it must not fire later and
      // undo a later row.
      step.done[i] = 1;
      if (step.end) {
        station_.m_run[i].m_running.store(0);
        runEnded = true;
        continue;  // a stopped chamber takes no light step
      }
      station_.m_run[i].m_lightOn.store(step.light);
    }
  });

  bool lightChanged = false;
  for (size_t i = 0; i < 3; ++i)
    lightChanged = lightChanged || station_.m_run[i].m_lightOn.load() != lightBefore[i];
  if (lightChanged) CommandLightsOfRunningChambers(station_);
  if (runEnded) {
    int32_t mask = 0;
    std::array<bool, 3> hide{};
    for (size_t i = 0; i < 3; ++i) {
      if (station_.m_run[i].m_running.load()) {
        mask |= 1 << i;
      } else {
        hide[i] = true;
      }
    }
    CommandRuns(station_.m_link.commands, mask);
    if (observer_ != nullptr) observer_->MeasuringLabelsHidden(hide);
  }
}

// Writes the sample to the chamber's journal outside the record's lock. A
// journal that missed a sample is rewritten whole from a copy of the record.
void SamplingScheduler::JournalSample(int chamber, const Sample& sample,
                                      const ChamberRecord* first) {
  RunJournal& journal = station_.m_journal;
  const auto now = std::chrono::steady_clock::now();
  // The run's first sample replaces the previous run's journal with its own.
  if (first != nullptr) {
    if (const Result begun = journal.Begin(chamber); !begun) {
      if (observer_ != nullptr && journal.FirstReportOfFailure(chamber))
        observer_->JournalFailed(chamber, begun.Message());
      return;
    }
  }
  const Result written =
      journal.RewriteDue(chamber, now)
          ? journal.Rewrite(chamber, station_.m_chamber[static_cast<size_t>(chamber)].Snapshot(),
                            true, now)
          : journal.Append(chamber, sample, first, now);
  if (!written && observer_ != nullptr && journal.FirstReportOfFailure(chamber))
    observer_->JournalFailed(chamber, written.Message());
}

void SamplingScheduler::SampleChambers(int64_t now, int64_t monotonic) {
  const int32_t interval = SampleInterval(station_);
  std::array<bool, 3> due{};
  for (size_t i = 0; i < 3; ++i) {
    if (station_.m_run[i].m_running.load() != 1) continue;
    const ReadingAccumulator::Sum pending = station_.m_link.report.m_readings[i].Peek();
    // No readings yet, or the device marks the chamber as absent (negative sum).
    if (pending.count <= 0 || !(pending.sum >= 0.0f)) continue;
    // At most one sample per interval, measured on the monotonic side.
    if (monotonic < station_.m_run[i].m_lastSampleTime.load() + interval) continue;
    const bool requested =
        station_.m_chamber[i].Access([](const ChamberRecord& r) { return r.runRequested; });
    if (requested) {
      // The first due pass only starts the run; the first sample follows in the
      // next pass with elapsed time 0.
      InitialiseRun(station_, static_cast<int>(i), observer_);
      continue;
    }
    due[i] = true;
  }
  // The sums are taken together, with no record locked in between: a window
  // holding a record must not put one chamber's sum a frame behind another's.
  // Taking a sum resets it in the same step, so no reading is lost in between.
  std::array<ReadingAccumulator::Sum, 3> taken{};
  for (size_t i = 0; i < 3; ++i)
    if (due[i]) taken[i] = station_.m_link.report.m_readings[i].Take();
  for (size_t i = 0; i < 3; ++i)
    if (due[i]) AppendTaken(static_cast<int>(i), taken[i], now, monotonic);
}

void SamplingScheduler::AppendTaken(int chamber, const ReadingAccumulator::Sum& taken, int64_t now,
                                    int64_t monotonic) {
  const auto i = static_cast<size_t>(chamber);
  if (taken.count <= 0) return;  // Start emptied the readings meanwhile
  const UnitConfig units = station_.m_units.Get();
  const int32_t unit = units.unit;
  const float mean = taken.sum / static_cast<float>(taken.count);
  const float threshold = unit == 2 ? kSmoothThresholdMgl : kSmoothThresholdMbar;
  const bool interpolation = station_.m_settings.m_interpolation.load() != 0;
  const float temperature = station_.m_link.report.m_serviceArg.load() == 0
                                ? station_.m_link.report.m_chamberTemperature[i].load()
                                : station_.m_link.report.m_deviceTemperature.load();
  const uint8_t light = station_.m_run[i].m_lightOn.load();
  const LocalTime local = clock_.ToLocal(now);

  int32_t elapsed = 0;
  int32_t row = -1;
  float pressure = 0.0f;
  bool first = false;
  Sample sample;
  std::optional<ChamberRecord> firstRecord;  // the journal's header comes with the first sample
  const bool appended = station_.m_chamber[i].Access([&](ChamberRecord& r) {
    // Start and Stop change the flags before the record, under this lock: a run
    // requested or stopped meanwhile takes no sample, and the previous run's
    // series gets none either.
    if (r.runRequested || station_.m_run[i].m_running.load() != 1) return false;
    const int32_t count = r.SamplesOfNewRun();
    // The real time since the run's first sample, in whole seconds.
    if (count == 0) station_.m_run[i].m_firstSampleTime.store(monotonic);
    elapsed = ClampToInt32(monotonic - station_.m_run[i].m_firstSampleTime.load());
    station_.m_run[i].m_elapsed.store(elapsed);
    station_.m_run[i].m_lastSampleTime.store(monotonic);
    pressure = smoother_.SmoothReading(mean, count, chamber + 1, threshold, interpolation);
    first = count == 0;
    // The previous run's normalisation goes with its series.
    if (first) station_.m_run[i].m_normOffset.store(0.0f);
    AppendSample(r, pressure, temperature, light, local, elapsed);
    // Whether the run is simulated is decided by the port in force at its first sample.
    if (first) r.simulated = station_.m_link.m_simulated.load();
    row = r.Samples() - 1;
    sample = r.series.At(row);
    if (first) firstRecord = r;
    return true;
  });
  if (!appended) return;
  JournalSample(chamber, sample, firstRecord ? &*firstRecord : nullptr);

  if (observer_ != nullptr) {
    if (first) observer_->FirstSampleTaken(chamber);
    observer_->SampleListed(chamber, row, ListedSample{elapsed, pressure, unit, light != 0});
  }

  // The chart top grows by at most 10 mbar per sample, judged on the unit
  // configuration as it stands when the top is raised.
  station_.m_units.Update([&](UnitConfig& config) {
    bool grow = false;
    if (config.unit == kUnitMbar && unit == kUnitMbar) {
      grow = static_cast<float>(config.maxPressure) <= pressure;
    } else if (config.unit == kUnitMgl && unit == kUnitMgl) {
      grow = config.effFactor2 != 0.0f && static_cast<float>(config.maxPressure) <=
                                              pressure * config.effFactor1 / config.effFactor2;
    }
    if (grow && config.maxPressure <= std::numeric_limits<int32_t>::max() - 10)
      config.maxPressure += 10;
  });
}

}  // namespace corvala

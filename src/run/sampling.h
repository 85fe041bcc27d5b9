#pragma once
// The sampling and program scheduler: every pass carries out the program steps
// that have come due, turns the summed device readings of each running chamber
// into one sample per measuring interval and appends it to the chamber's record.
// Lights and run changes leave commands in the station's mailboxes for the
// serial link. Window work is reported through SamplingObserver.

#include <array>
#include <cstdint>
#include <string>

#include "run/station.h"
#include "util/clock.h"

namespace corvala {

// A sample as its chamber's value list shows it.
struct ListedSample {
  int32_t elapsed = 0;
  float pressure = 0.0f;
  int32_t unit = kUnitMbar;
  bool lightOn = false;
};

// Window work caused by the sampling thread. Called on the sampling thread, never
// while a record or the program is locked; the window posts it to the GUI thread.
class SamplingObserver {
 public:
  virtual ~SamplingObserver() = default;
  // A run was initialised: clear the selection slope.
  virtual void RunInitialised(int chamber) = 0;
  // The run's first sample was taken and the previous series is gone: empty the
  // chamber's value list and show the current view's controls afresh.
  virtual void FirstSampleTaken(int chamber) = 0;
  // A sample was appended as row `row` of the chamber's value list.
  virtual void SampleListed(int chamber, int row, const ListedSample& sample) = 0;
  // A program step ended a run: hide the "measuring" label of every chamber marked.
  virtual void MeasuringLabelsHidden(std::array<bool, 3> hide) = 0;
  // The chamber's journal could not be written (reported once until it recovers).
  virtual void JournalFailed(int /*chamber*/, const std::string& /*message*/) {}
};

// Pressure threshold above which a jump from the previous raw value counts as an outlier.
inline constexpr float kSmoothThresholdMbar = 20.0f;
inline constexpr float kSmoothThresholdMgl = 0.8f;

// Suppresses single outliers: a value that jumps more than the threshold away
// from the previous raw value is replaced by the straight continuation of the last
// two stored values. The state of each chamber lives as long as the smoother
// (it is not reset between runs).
class ReadingSmoother {
 public:
  // count: the record's sample count before the append; chamberNumber 1..3.
  // With interpolation off or another chamber number the value is returned as is
  // and the state is left alone.
  float SmoothReading(float value, int32_t count, int chamberNumber, float threshold,
                      bool interpolation);

 private:
  struct State {
    float older = 0.0f;
    float newer = 0.0f;
    float lastRaw = 0.0f;
  };
  std::array<State, 3> state_{};
};

// Starts chamber i's run: light state off, elapsed time one interval before 0,
// the chamber's program steps not done, and the new run's settings (unit,
// interval, set point, program copy) pending on the record. They take effect
// with the run's first sample, which also starts the record and its journal
// afresh; until then the record and the journal keep the previous run whole. The observer, if any,
// hears RunInitialised.
void InitialiseRun(Station& station, int chamber, SamplingObserver* observer = nullptr);

class SamplingScheduler {
 public:
  SamplingScheduler(Station& station, const Clock& clock, SamplingObserver* observer = nullptr)
      : station_(station), clock_(clock), observer_(observer) {}

  // One pass: program steps (while no light request waits), then the samples due.
  void RunPass();
  // Syncs every journal written since its last sync (the sampling ends).
  void SyncJournals() { station_.m_journal.SyncAll(); }

 private:
  // monotonic: the clock's monotonic seconds; now: its wall-clock seconds.
  void RunProgramSteps(int64_t monotonic);
  void SampleChambers(int64_t now, int64_t monotonic);
  void AppendTaken(int chamber, const ReadingAccumulator::Sum& taken, int64_t now,
                   int64_t monotonic);
  void JournalSample(int chamber, const Sample& sample, const ChamberRecord* first);

  Station& station_;
  const Clock& clock_;
  SamplingObserver* observer_;
  ReadingSmoother smoother_;
};

}  // namespace corvala

#pragma once
// The state that the window thread, the serial link thread and the sampling
// thread share, in parts that each have their owners:
//  - m_link: the command mailboxes and what the device reports (see
//    device/device_state.h for who writes and reads them).
//  - m_units: unit, effective factor pair and chart top, one consistent
//    snapshot; the window changes it, the sampler raises the chart top, the
//    serial link compares the device's unit with it.
//  - m_settings: set point, sampling interval and interpolation; written by the
//    window, read by the sampler.
//  - m_run: each chamber's run state (see ChamberRunState).
//  - m_chamber: the three records, each behind its own lock.
//  - m_program: the measurement program, behind its lock.
//  - m_journal: the journals of the running measurements; the sampler writes
//    them, the window removes them (see run/run_journal.h).
//  - m_commandLock: held while run or light flags change together with the
//    light or run command made from them.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "device/command_encoder.h"
#include "device/device_state.h"
#include "run/chamber_record.h"
#include "run/measurement_program.h"
#include "run/run_journal.h"
#include "util/units.h"

namespace corvala {

// Settings that the sampling thread reads; only the window writes them.
struct RunSettings {
  std::atomic<int32_t> m_temperature{25};  // set point in degrees Celsius
  std::atomic<int32_t> m_sampleInterval{5};
  std::atomic<int32_t> m_interpolation{0};
};

// The run state of one chamber.
struct ChamberRunState {
  // Written by the window (Start, Stop) and by the sampler (a program's end step).
  std::atomic<uint8_t> m_running{0};
  // Written by the window (Licht, Stop) and by the sampler (light steps, run start).
  std::atomic<uint8_t> m_lightOn{0};
  // Written by the sampler only. m_elapsed is the elapsed time of the run's
  // last sample (minus one interval before its first). The sample times are
  // the clock's monotonic seconds: the last sample's and the run's first.
  std::atomic<int32_t> m_elapsed{0};
  std::atomic<int64_t> m_lastSampleTime{0};
  std::atomic<int64_t> m_firstSampleTime{0};
  // Written by the window (normalisation); the sampler clears it when a run starts.
  std::atomic<float> m_normOffset{0.0f};
};

struct Station {
  Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  DeviceLink m_link;
  SharedUnitConfig m_units;
  RunSettings m_settings;
  std::array<ChamberRunState, 3> m_run;
  std::array<SharedChamber, 3> m_chamber;
  MeasurementProgram m_program;
  RunJournal m_journal;
  // The window and the sampler both change run and light flags and command
  // them; under this lock neither sends a command made from stale flags. Taken
  // before a record's or the program's lock, never while holding one.
  std::mutex m_commandLock;
};

// The chambers whose light is on and that run, as masks (I 1, II 2, III 4).
struct ChamberMasks {
  int32_t lit = 0;
  int32_t running = 0;
};

// The chambers whose light is on and the chambers that run, as masks.
ChamberMasks CurrentMasks(const Station& station);

// The mask of the running chambers (I 1, II 2, III 4).
int32_t RunningMask(const Station& station);

}  // namespace corvala

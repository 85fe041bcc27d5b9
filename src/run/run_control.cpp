#include "run/run_control.h"

namespace corvala {
namespace {

// Changes a mailbox in one step, so that a value the serial link takes meanwhile
// is never combined with a stale base.
template <class F>
void UpdateMailbox(std::atomic<int32_t>& box, F change) {
  int32_t current = box.load();
  while (!box.compare_exchange_weak(current, change(current))) {
  }
}

// Marks the chamber's record as requested and sets it running. The readings and
// the request come first, so the scheduler never sees a running chamber whose
// record still holds the previous run.
void RequestRun(Station& station, size_t i) {
  station.m_link.report.m_readings[i].Reset();
  station.m_chamber[i].Access([](ChamberRecord& r) { r.runRequested = true; });
  station.m_run[i].m_running.store(1);
}

// Toggles the selected chambers' lights; returns the bits of every light that is
// on afterwards (unselected chambers keep theirs).
int ToggleLights(Station& station, const ChamberSelection& selected) {
  int bits = 0;
  for (size_t i = 0; i < 3; ++i) {
    const bool on = station.m_run[i].m_lightOn.load() != 0;
    if (selected[i]) {
      station.m_run[i].m_lightOn.store(on ? 0 : 1);
      if (!on) bits += 1 << i;
    } else if (on) {
      bits += 1 << i;
    }
  }
  return bits;
}

int32_t LightCommand(int32_t base, int bits) {
  const int32_t command = base + bits;
  return command == kLightIdle ? kLightAllOff : command;
}

}  // namespace

void StartRuns(Station& station, const ChamberSelection& start) {
  for (size_t i = 0; i < 3; ++i) {
    if (start[i] && !station.m_run[i].m_running.load()) RequestRun(station, i);
  }
  // With no chamber running there is nothing to send; a Stop's 87 that the
  // serial link has not taken yet must not be overwritten by the idle value.
  const int mask = RunningMask(station);
  if (mask != 0) station.m_link.commands.m_runCommand.store(kRunIdle + mask);
}

std::array<bool, 3> OnStop(Station& station, const ChamberSelection& selected) {
  const int bits = ToggleLights(station, selected);
  int switchedOff = 0;
  std::array<bool, 3> hide{};
  for (size_t i = 0; i < 3; ++i) {
    if (!station.m_run[i].m_running.load() || !selected[i]) continue;
    station.m_run[i].m_running.store(0);
    if (station.m_run[i].m_lightOn.load()) {
      // The light of a stopped chamber goes off; the flag follows the command.
      switchedOff += 1 << i;
      station.m_run[i].m_lightOn.store(0);
    }
    hide[i] = true;
  }
  UpdateMailbox(station.m_link.commands.m_lightCommand,
                [&](int32_t base) { return LightCommand(base, bits) - switchedOff; });
  const int mask = RunningMask(station);
  station.m_link.commands.m_runCommand.store(mask == 0 ? kRunNone : kRunIdle + mask);
  return hide;
}

void OnLight(Station& station, const ChamberSelection& selected) {
  const int bits = ToggleLights(station, selected);
  UpdateMailbox(station.m_link.commands.m_lightCommand,
                [&](int32_t base) { return LightCommand(base, bits); });
}

void OnCalibration(Station& station, const ChamberSelection& selected) {
  const int mask = (selected[0] ? 1 : 0) + (selected[1] ? 2 : 0) + (selected[2] ? 4 : 0);
  if (mask == 0) return;
  UpdateMailbox(station.m_link.commands.m_calibrationCommand,
                [&](int32_t base) { return base + mask; });
}

void OnStart2(Station& station) {
  station.m_link.commands.m_pairCommand.Set(1, 1);
}

void OnCommand1002(Station& station) {
  station.m_link.commands.m_pairCommand.Set(823, 21000);
}

std::string OnStart3(Station& station) {
  if (station.m_run[2].m_running.load()) {
    station.m_run[2].m_running.store(0);
    return "Start3";
  }
  RequestRun(station, 2);
  return "Stop3";
}

}  // namespace corvala

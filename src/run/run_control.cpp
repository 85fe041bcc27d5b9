#include "run/run_control.h"

namespace corvala {
namespace {

// Marks the chamber's record as requested and sets it running. The readings and
// the request come first, so the scheduler never sees a running chamber whose
// record still holds the previous run.
void RequestRun(Station& station, size_t i) {
  station.m_link.report.m_readings[i].Reset();
  station.m_chamber[i].Access([](ChamberRecord& r) { r.runRequested = true; });
  station.m_run[i].m_running.store(1);
}

// Toggles the selected chambers' lights; unselected chambers keep theirs.
void ToggleLights(Station& station, const ChamberSelection& selected) {
  for (size_t i = 0; i < 3; ++i) {
    if (selected[i]) station.m_run[i].m_lightOn.store(station.m_run[i].m_lightOn.load() ? 0 : 1);
  }
}

}  // namespace

void StartRuns(Station& station, const ChamberSelection& start) {
  std::lock_guard lock(station.m_commandLock);
  for (size_t i = 0; i < 3; ++i) {
    if (start[i] && !station.m_run[i].m_running.load()) RequestRun(station, i);
  }
  // With no chamber running there is nothing to send; a Stop's 87 that the
  // serial link has not taken yet stays.
  const int mask = RunningMask(station);
  if (mask != 0) CommandRuns(station.m_link.commands, mask);
}

std::array<bool, 3> OnStop(Station& station, const ChamberSelection& selected) {
  std::lock_guard lock(station.m_commandLock);
  ToggleLights(station, selected);
  std::array<bool, 3> hide{};
  for (size_t i = 0; i < 3; ++i) {
    if (!station.m_run[i].m_running.load() || !selected[i]) continue;
    station.m_run[i].m_running.store(0);
    station.m_run[i].m_lightOn.store(0);  // a stopped chamber's light goes off
    // A run that took no sample yet ends before it began: the record keeps the
    // previous series whole.
    station.m_chamber[i].Access([](ChamberRecord& r) {
      r.runRequested = false;
      r.pendingRun.reset();
    });
    hide[i] = true;
  }
  const ChamberMasks masks = CurrentMasks(station);
  CommandLights(station.m_link.commands, masks.lit);
  CommandRuns(station.m_link.commands, masks.running);
  return hide;
}

void OnLight(Station& station, const ChamberSelection& selected) {
  std::lock_guard lock(station.m_commandLock);
  ToggleLights(station, selected);
  CommandLights(station.m_link.commands, CurrentMasks(station).lit);
}

void OnCalibration(Station& station, const ChamberSelection& selected) {
  const int mask = (selected[0] ? 1 : 0) + (selected[1] ? 2 : 0) + (selected[2] ? 4 : 0);
  RequestCalibration(station.m_link.commands, mask);
}

void OnStart2(Station& station) {
  station.m_link.commands.m_pairCommand.Set(1, 1);
}

void OnCommand1002(Station& station) {
  station.m_link.commands.m_pairCommand.Set(823, 21000);
}

std::string OnStart3(Station& station) {
  std::lock_guard lock(station.m_commandLock);
  if (station.m_run[2].m_running.load()) {
    station.m_run[2].m_running.store(0);
    return "Start3";
  }
  RequestRun(station, 2);
  return "Stop3";
}

}  // namespace corvala

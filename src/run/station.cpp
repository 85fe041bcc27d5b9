#include "run/station.h"

namespace corvala {

Station::Station() {
  for (int i = 0; i < 3; ++i) m_chamber[i].Access([i](ChamberRecord& r) { r.chamberIndex = i; });
}

ChamberMasks CurrentMasks(const Station& station) {
  ChamberMasks masks;
  for (int c = 0; c < 3; ++c) {
    if (station.m_run[c].m_lightOn.load() != 0) masks.lit |= 1 << c;
    if (station.m_run[c].m_running.load() != 0) masks.running |= 1 << c;
  }
  return masks;
}

int32_t RunningMask(const Station& station) {
  return CurrentMasks(station).running;
}

}  // namespace corvala

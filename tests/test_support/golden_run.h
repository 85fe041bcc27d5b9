#pragma once
// The run of the golden measurement files tests/data/measurement.cv3 (CR LF, as
// the station writes it) and measurement_lf.cv3: unit 2, two program steps, a
// run across midnight, a negative pressure and a light value other than 0 and 1.

#include "run/chamber_record.h"

namespace corvala::testing {

inline ChamberRecord GoldenRun() {
  ChamberRecord r;
  r.runTemperature = 30;
  r.runUnit = 2;
  r.stepTime = {600, 1200};
  r.stepLight = {1, 0};
  AppendSample(r, 1013.25f, 20.0f, 1, LocalTime{2024, 2, 29, 23, 59, 55}, 0);
  AppendSample(r, -3.5f, 20.5f, 2, LocalTime{2024, 3, 1, 0, 0, 0}, 5);
  AppendSample(r, 250.0f, 21.0f, 0, LocalTime{2024, 3, 1, 0, 0, 5}, 10);
  AppendSample(r, 0.01f, 99.9f, 1, LocalTime{2024, 3, 1, 0, 0, 10}, 15);
  return r;
}

// What reading a golden file gives: the light value 2 was written as 0, and
// nothing of it is unsaved.
inline ChamberRecord GoldenRunAsRead() {
  ChamberRecord r = GoldenRun();
  Sample second = r.series.At(1);
  second.light = 0;
  r.series.Replace(1, second);
  r.saved = 1;
  return r;
}

}  // namespace corvala::testing

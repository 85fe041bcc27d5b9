#pragma once
// Changes one sample of a record in place, as an edited file would hold it.

#include "run/chamber_record.h"

namespace corvala::testing {

template <class F>
void EditSample(ChamberRecord& record, int32_t k, F change) {
  Sample sample = record.series.At(k);
  change(sample);
  record.series.Replace(k, sample);
}

}  // namespace corvala::testing

#pragma once
// The characteristic values of a chamber's pressure curve: light segments,
// extremes, the steep rise in the light (Slope), the steep fall after a maximum
// (Respiration), the plateau after a rise (Maximum-a, Maximum-m) and KphA.

#include <cstdint>
#include <vector>

#include "run/chamber_record.h"

namespace corvala {

// The series the analysis reads; count is the number of complete samples.
struct AnalysisInput {
  std::vector<int32_t> elapsed;
  std::vector<float> pressure;
  std::vector<uint8_t> light;
  int32_t count = 0;
  int32_t runInterval = 0;
};

// Copies the series of a record (the caller holds the record's lock).
AnalysisInput AnalysisInputOf(const ChamberRecord& record);

// First sample the extremum search looks at when the correction marker is on:
// the correction time divided by the run's own interval (0 for an interval <= 0).
int32_t CorrectionIndex(int32_t correctionTime, int32_t runInterval);

// The whole analysis of one chamber's series.
AnalysisBlock AnalyseChamber(const AnalysisInput& input, bool correctionOn, int32_t correctionTime);
AnalysisBlock AnalyseChamber(const ChamberRecord& record, bool correctionOn,
                             int32_t correctionTime);

// Stores an analysis of input in record; an analysis made before a new run
// replaced the series it refers to (record holds fewer samples) stores empty.
void StoreAnalysis(ChamberRecord& record, const AnalysisInput& input, AnalysisBlock block);

}  // namespace corvala

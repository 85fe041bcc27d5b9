#include "analysis/run_analysis.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "analysis/plateau.h"

namespace corvala {
namespace {

constexpr float kMinimumStart = 1.0e9f;
constexpr float kMaximumStart = 0.0f;
constexpr float kRiseStart = -9999.0f;
constexpr float kFallStart = 9999.0f;

// Pair rates over a scan window [a, e): the pair (j-1, j) is rated when both
// pressures are not negative and the elapsed times differ.
template <class Visit>
void ScanRates(const AnalysisInput& in, int32_t a, int32_t e, Visit&& visit) {
  if (a < 0 || a >= in.count) return;
  e = std::min(e, in.count);
  float prevP = in.pressure[a];
  int32_t prevT = in.elapsed[a];
  for (int32_t j = a + 1; j < e; ++j) {
    const float p = in.pressure[j];
    const int32_t t = in.elapsed[j];
    if (p >= 0.0f && prevP >= 0.0f && t != prevT) {
      const auto dt = static_cast<float>(std::llabs(static_cast<int64_t>(t) - prevT));
      visit(j, (p - prevP) / dt);
    }
    prevP = p;
    prevT = t;
  }
}

struct Region {
  int32_t first = -1;
  int32_t last = -1;
  float mean = 0.0f;
};

// The pairs at or beyond half the steepest rate (>= for a rise, <= for a fall).
// When none reaches it (a "rise" whose steepest rate is negative, a "fall" whose
// steepest rate is positive), the region is the steepest pair alone.
Region SteepRegion(const AnalysisInput& in, int32_t a, int32_t e, int32_t steepPos, float steepest,
                   bool rising) {
  const float half = steepest / 2.0f;
  float sum = 0.0f;
  int32_t count = 0;
  Region region;
  ScanRates(in, a, e, [&](int32_t j, float rate) {
    if (rising ? rate >= half : rate <= half) {
      sum += rate;
      ++count;
      if (region.first < 0) region.first = j;
      region.last = j;
    }
  });
  if (count == 0) return Region{steepPos, steepPos, steepest};
  region.mean = sum / static_cast<float>(count);
  return region;
}

void FindSegments(const AnalysisInput& in, AnalysisBlock& block) {
  enum { kUnknown, kOn, kOff } state = kUnknown;
  for (int32_t k = 0; k < in.count; ++k) {
    if (in.light[k] == 1 && state != kOn) {
      block.m_segmentBounds.push_back(std::max(k - 1, 0));
      state = kOn;
    } else if (in.light[k] == 0 && state != kOff) {
      block.m_segmentBounds.push_back(std::max(k - 1, 0));
      state = kOff;
    }
  }
  if (in.count > 0) block.m_segmentBounds.push_back(in.count - 1);
}

void FindExtremes(const AnalysisInput& in, bool correctionOn, int32_t correctionIndex,
                  AnalysisBlock& block) {
  const auto& bounds = block.m_segmentBounds;
  for (size_t i = 0; i + 1 < bounds.size(); ++i) {
    int32_t a = bounds[i];
    const int32_t e = bounds[i + 1];
    if (correctionOn && a < correctionIndex) a = correctionIndex;
    float minimum = kMinimumStart, maximum = kMaximumStart;
    int32_t minFirst = -1, minLast = -1, maxFirst = -1, maxLast = -1;
    for (int32_t k = a; k < e; ++k) {
      const float p = in.pressure[k];
      if (p < minimum) {
        minimum = p;
        minFirst = minLast = k;
      } else if (p == minimum && minFirst >= 0) {
        minLast = k;
      }
      if (p > maximum) {
        maximum = p;
        maxFirst = maxLast = k;
      } else if (p == maximum && maxFirst >= 0) {
        maxLast = k;
      }
    }
    if (maxFirst >= 0) {
      block.m_maxPos.push_back(maxFirst);
      block.m_maxPos.push_back(maxLast);
    }
    if (minFirst >= 0) {
      block.m_minPos.push_back(minFirst);
      block.m_minPos.push_back(minLast);
    }
  }
}

// First entry of a position list, in list order, lying after m; -1 when none.
int32_t FirstAfter(const std::vector<int32_t>& positions, int32_t m) {
  for (int32_t pos : positions)
    if (pos > m) return pos;
  return -1;
}

void FindRises(const AnalysisInput& in, AnalysisBlock& block) {
  for (size_t j = 1; j < block.m_minPos.size(); j += 2) {
    const int32_t m = block.m_minPos[j];
    int32_t e = FirstAfter(block.m_maxPos, m);
    if (e < 0) e = in.count - 1;
    float steepest = kRiseStart;
    int32_t steepPos = -1;
    ScanRates(in, m, e, [&](int32_t pos, float rate) {
      if (rate > steepest) {
        steepest = rate;
        steepPos = pos;
      }
    });
    if (steepPos <= 0 || in.light[steepPos] != 1) continue;
    block.m_riseSteepPos.push_back(steepPos);
    block.m_riseSteepRate.push_back(steepest);
    const Region region = SteepRegion(in, m, e, steepPos, steepest, true);
    block.m_riseRange.push_back(region.first);
    block.m_riseRange.push_back(region.last);
    block.m_riseRate.push_back(region.mean);

    // The plateau runs from the end of the rise to the next light change.
    const int32_t last = region.last;
    int32_t end = in.count - 1;
    for (int32_t k = last; k < in.count; ++k) {
      if (in.light[k] != in.light[last]) {
        end = k;
        break;
      }
    }
    block.m_plateauRange.push_back(last >= end ? end - 1 : last);
    block.m_plateauRange.push_back(end);
  }
}

void FindFalls(const AnalysisInput& in, AnalysisBlock& block) {
  for (size_t j = 1; j < block.m_maxPos.size(); j += 2) {
    const int32_t m = block.m_maxPos[j];
    const int32_t e = FirstAfter(block.m_minPos, m);
    if (e < 0) continue;
    float steepest = kFallStart;
    int32_t steepPos = -1;
    ScanRates(in, m, e, [&](int32_t pos, float rate) {
      if (rate < steepest) {
        steepest = rate;
        steepPos = pos;
      }
    });
    if (steepPos <= 0) continue;
    block.m_fallSteepPos.push_back(steepPos);
    block.m_fallSteepRate.push_back(steepest);
    const Region region = SteepRegion(in, m, e, steepPos, steepest, false);
    block.m_fallRange.push_back(region.first);
    block.m_fallRange.push_back(region.last);
    block.m_fallRate.push_back(region.mean);
  }
}

void FindKphA(AnalysisBlock& block) {
  for (size_t i = 0; i < block.m_fallRate.size(); ++i) {
    const float fall = block.m_fallRate[i];
    if (fall == 0.0f) continue;
    block.m_kphA.push_back(i < block.m_riseRate.size() ? -block.m_riseRate[i] / fall : 0.0f);
  }
}

void FindPlateauValues(const AnalysisInput& in, AnalysisBlock& block) {
  const float lastValue = in.pressure[in.count - 1];
  for (size_t i = 0; i + 1 < block.m_plateauRange.size(); i += 2) {
    const int32_t a = std::max(block.m_plateauRange[i], 0);
    const int32_t b = std::min(block.m_plateauRange[i + 1], in.count);
    const PlateauPick pick = a < b ? FindPlateau(in.pressure.data(), a, b) : PlateauPick{};
    block.m_plateauLevel.push_back(pick.levelPos >= 0 ? in.pressure[pick.levelPos] : lastValue);
    if (pick.peakPos >= 0) {
      block.m_plateauPeak.push_back(in.pressure[pick.peakPos]);
      block.m_plateauPeakPos.push_back(pick.peakPos);
    } else {
      block.m_plateauPeak.push_back(lastValue);
      block.m_plateauPeakPos.push_back(in.count - 1);
    }
  }
}

}  // namespace

AnalysisInput AnalysisInputOf(const ChamberRecord& record) {
  AnalysisInput in;
  in.count = record.Samples();
  const auto n = static_cast<size_t>(in.count);
  in.elapsed.assign(record.series.Elapsed().begin(), record.series.Elapsed().begin() + n);
  in.pressure.assign(record.series.Pressure().begin(), record.series.Pressure().begin() + n);
  in.light.assign(record.series.Light().begin(), record.series.Light().begin() + n);
  in.runInterval = record.runInterval;
  return in;
}

int32_t CorrectionIndex(int32_t correctionTime, int32_t runInterval) {
  return runInterval > 0 ? correctionTime / runInterval : 0;
}

AnalysisBlock AnalyseChamber(const AnalysisInput& input, bool correctionOn,
                             int32_t correctionTime) {
  AnalysisBlock block;
  if (input.count <= 0) return block;
  FindSegments(input, block);
  FindExtremes(input, correctionOn, CorrectionIndex(correctionTime, input.runInterval), block);
  FindRises(input, block);
  FindFalls(input, block);
  FindKphA(block);
  FindPlateauValues(input, block);
  return block;
}

AnalysisBlock AnalyseChamber(const ChamberRecord& record, bool correctionOn,
                             int32_t correctionTime) {
  return AnalyseChamber(AnalysisInputOf(record), correctionOn, correctionTime);
}

void StoreAnalysis(ChamberRecord& record, const AnalysisInput& input, AnalysisBlock block) {
  // A run started meanwhile has replaced the series these positions refer to.
  if (record.Samples() < input.count) block.Clear();
  record.analysis = std::move(block);
}

}  // namespace corvala

#include "analysis/plateau.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace corvala {
namespace {

constexpr float kPeakStart = -1.0f;
constexpr float kSumStart = 1.0e8f;
// Windows up to this length are searched directly; the pick is the same either way.
constexpr int32_t kDirectLimit = 64;

int32_t FindPeak(const float* p, int32_t a, int32_t b) {
  float peak = kPeakStart;
  int32_t peakPos = -1;
  for (int32_t k = a; k < b; ++k) {
    if (p[k] >= peak) {
      peak = p[k];
      peakPos = k;
    }
  }
  return peakPos;
}

// The single-precision sum of squares of the window around x, added in window
// order: the value the direct search compares.
float SumOfSquares(const float* p, int32_t a, int32_t b, float x) {
  float s = 0.0f;
  for (int32_t q = a; q < b; ++q) {
    const float d = p[q] - x;
    s += d * d;
  }
  return s;
}

// Sixteen sums of squares at once, each lane added in window order with the
// same single-precision operations as SumOfSquares, so each lane is bit-equal.
using Lanes = float __attribute__((vector_size(16)));
void SumOfSquares16(const float* p, int32_t a, int32_t b, const float* x, float* out) {
  const Lanes x0 = {x[0], x[1], x[2], x[3]};
  const Lanes x1 = {x[4], x[5], x[6], x[7]};
  const Lanes x2 = {x[8], x[9], x[10], x[11]};
  const Lanes x3 = {x[12], x[13], x[14], x[15]};
  Lanes s0 = {0, 0, 0, 0}, s1 = s0, s2 = s0, s3 = s0;
  for (int32_t q = a; q < b; ++q) {
    const Lanes v = {p[q], p[q], p[q], p[q]};
    const Lanes d0 = v - x0, d1 = v - x1, d2 = v - x2, d3 = v - x3;
    s0 += d0 * d0;
    s1 += d1 * d1;
    s2 += d2 * d2;
    s3 += d3 * d3;
  }
  for (int l = 0; l < 4; ++l) {
    out[l] = s0[l];
    out[4 + l] = s1[l];
    out[8 + l] = s2[l];
    out[12 + l] = s3[l];
  }
}

}  // namespace

PlateauPick FindPlateauDirect(const float* p, int32_t a, int32_t b) {
  PlateauPick pick;
  pick.peakPos = FindPeak(p, a, b);
  float best = kSumStart;
  for (int32_t k = a; k < b; ++k) {
    const float s = SumOfSquares(p, a, b, p[k]);
    if (s < best) {
      best = s;
      pick.levelPos = k;
    }
  }
  return pick;
}

PlateauPick FindPlateau(const float* p, int32_t a, int32_t b) {
  if (b - a <= kDirectLimit) return FindPlateauDirect(p, a, b);
  PlateauPick pick;
  pick.peakPos = FindPeak(p, a, b);

  // A NaN or an infinity in the window makes every float sum NaN or infinite,
  // so none falls below the start value.
  for (int32_t q = a; q < b; ++q)
    if (!std::isfinite(p[q])) return pick;

  const auto n = static_cast<double>(b - a);
  double mean = 0.0;
  for (int32_t q = a; q < b; ++q) mean += p[q];
  mean /= n;
  // Plain and weighted sums of (p - mean)^2 and (p - mean); sample q of the
  // window weighs n - q, the number of partial sums it is part of.
  double c0 = 0.0, c1 = 0.0, w0 = 0.0, w1 = 0.0, weights = 0.0;
  for (int32_t q = a; q < b; ++q) {
    const double d = static_cast<double>(p[q]) - mean;
    const auto w = static_cast<double>(b - q);
    c0 += d * d;
    c1 += d;
    w0 += w * d * d;
    w1 += w * d;
    weights += w;
  }
  // Sum of (p - x)^2 and its weighted form, exact in exact arithmetic for any mean.
  auto exact = [&](float x) {
    const double dx = static_cast<double>(x) - mean;
    return c0 - 2.0 * dx * c1 + n * dx * dx;
  };
  auto weighted = [&](float x) {
    const double dx = static_cast<double>(x) - mean;
    return w0 - 2.0 * dx * w1 + weights * dx * dx;
  };

  // Lower bound of the float sum at x. Each term (p - x)^2 loses at most three
  // roundings (unit u = 2^-24); the running sum loses at most u times each
  // partial sum, and the partial sums add up to at most the weighted sum. The
  // double sums are off by a few units of 2^-53 each; underflow loses at most
  // 2^-149 per operation.
  const double u = std::ldexp(1.0, -24);
  const double doubleLoss = (n + 10.0) * std::ldexp(1.0, -50);
  const double termFactor = (1.0 - 3.0 * u) * (1.0 - doubleLoss);
  const double sumFactor =
      u * std::exp((n + 4.0) * std::log1p(u)) / (1.0 - u) * (1.0 + doubleLoss) * (1.0 + 1e-9);
  const double tiny = (n + 3.0) * (n + 3.0) * std::ldexp(1.0, -148);
  auto lowerBound = [&](float x) { return exact(x) * termFactor - sumFactor * weighted(x) - tiny; };

  std::vector<float> values(p + a, p + b);
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  std::vector<std::pair<double, float>> byBound;
  byBound.reserve(values.size());
  for (float v : values) byBound.emplace_back(lowerBound(v), v);
  std::sort(byBound.begin(), byBound.end(),
            [](const auto& l, const auto& r) { return l.first < r.first; });

  // Float sums of the values in order of their lower bound, until no further
  // value can reach the best sum found (or the start value).
  std::vector<std::pair<float, float>> summed;  // value, float sum
  float best = INFINITY;
  size_t next = 0;
  while (next < byBound.size() && byBound[next].first <= std::min(best, kSumStart)) {
    float x[16], s[16];
    const size_t batch = std::min<size_t>(16, byBound.size() - next);
    for (size_t l = 0; l < 16; ++l) x[l] = byBound[next + std::min(l, batch - 1)].second;
    SumOfSquares16(p, a, b, x, s);
    for (size_t l = 0; l < batch; ++l) {
      summed.emplace_back(x[l], s[l]);
      best = std::min(best, s[l]);
    }
    next += batch;
  }
  if (!(best < kSumStart)) return pick;
  // Every value whose sum equals the best competes; the earliest sample wins.
  std::vector<float> winners;
  for (const auto& [value, sum] : summed)
    if (sum == best) winners.push_back(value);
  for (int32_t k = a; k < b && pick.levelPos < 0; ++k)
    if (std::find(winners.begin(), winners.end(), p[k]) != winners.end()) pick.levelPos = k;
  return pick;
}

}  // namespace corvala

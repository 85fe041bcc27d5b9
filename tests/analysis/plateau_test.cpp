#include "analysis/plateau.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace corvala {
namespace {

void ExpectSamePick(const std::vector<float>& p, int32_t a, int32_t b) {
  const PlateauPick direct = FindPlateauDirect(p.data(), a, b);
  const PlateauPick fast = FindPlateau(p.data(), a, b);
  ASSERT_EQ(fast.levelPos, direct.levelPos) << a << ".." << b;
  ASSERT_EQ(fast.peakPos, direct.peakPos) << a << ".." << b;
}

// The fast search must pick exactly what the quadratic one picks.
TEST(Plateau, FastSearchMatchesDirectSearch) {
  std::mt19937 rng(20240501);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  for (int round = 0; round < 240; ++round) {
    const int n = 65 + static_cast<int>(rng() % 1500) + (round % 40 == 0 ? 4000 : 0);
    const float base = static_cast<float>(rng() % 900);
    const float spread = std::ldexp(1.0f, round % 12 - 4);
    std::vector<float> p(static_cast<size_t>(n));
    const int kind = round % 5;
    for (int k = 0; k < n; ++k) {
      const float x = base + spread * noise(rng);
      const float tie = base + static_cast<float>(rng() % 4) * spread;
      p[k] = kind == 0   ? x                                                      // continuous
             : kind == 1 ? std::round(x * 100.0f) / 100.0f                        // two decimals
             : kind == 2 ? tie                                                    // equal sums
             : kind == 3 ? x - 30.0f * std::exp(-0.004f * static_cast<float>(k))  // approach
                         : base + 400.0f * noise(rng);                            // sums near 1.0e8
    }
    ExpectSamePick(p, 0, n);
    ExpectSamePick(p, n / 3, n);
  }
  std::vector<float> p(500, 42.0f);
  ExpectSamePick(p, 0, 500);
  for (float odd : {NAN, INFINITY, 3e30f}) {
    p[300] = odd;
    ExpectSamePick(p, 0, 500);
  }
}

}  // namespace
}  // namespace corvala

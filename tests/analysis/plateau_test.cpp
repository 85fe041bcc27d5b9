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
  ASSERT_EQ(fast.levelPos, direct.levelPos) << "window " << a << ".." << b;
  ASSERT_EQ(fast.peakPos, direct.peakPos) << "window " << a << ".." << b;
}

TEST(Plateau, TiesPickLatestPeakAndEarliestLevel) {
  const std::vector<float> p{3, 5, 1, 5, 3};
  const PlateauPick pick = FindPlateauDirect(p.data(), 0, 5);
  EXPECT_EQ(pick.peakPos, 3);
  // S(0) = S(4) = 4+0+4+4+0 = 12 are the lowest sums; the earlier wins.
  EXPECT_EQ(pick.levelPos, 0);
  // Sums of 1.0e8 and more never become the level; the peak needs -1 or more.
  const std::vector<float> wide{-20000, 20000, -5, -3};
  EXPECT_EQ(FindPlateauDirect(wide.data(), 0, 2).levelPos, -1);
  EXPECT_EQ(FindPlateauDirect(wide.data(), 2, 4).peakPos, -1);
}

// The fast search must pick exactly what the quadratic search picks, on windows
// of every kind the device and hostile files can produce.
TEST(Plateau, FastSearchMatchesDirectSearchOnRandomWindows) {
  std::mt19937 rng(20240501);
  std::uniform_int_distribution<int> length(65, 1500);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::uniform_real_distribution<float> level(0.0f, 900.0f);
  for (int round = 0; round < 240; ++round) {
    const int n = length(rng);
    const float base = level(rng);
    const float spread = std::ldexp(1.0f, round % 12 - 4);  // 1/16 .. 128
    std::vector<float> p(static_cast<size_t>(n));
    for (auto& v : p) {
      switch (round % 6) {
        case 0:  // continuous noise around a level
          v = base + spread * noise(rng);
          break;
        case 1:  // two decimals, as a file holds them
          v = std::round((base + spread * noise(rng)) * 100.0f) / 100.0f;
          break;
        case 2:  // a handful of values: many exact ties
          v = base + static_cast<float>(rng() % 4) * spread;
          break;
        case 3:  // two values symmetric around the mean: equal exact sums
          v = (rng() % 2) ? base + spread : base - spread;
          break;
        case 4:  // a rising plateau with noise
          v = base + 0.01f * static_cast<float>(&v - p.data()) + spread * noise(rng);
          break;
        default:  // sums near the 1.0e8 limit
          v = base + 400.0f * noise(rng);
          break;
      }
    }
    ExpectSamePick(p, 0, n);
    ExpectSamePick(p, n / 3, n);
  }
}

TEST(Plateau, FastSearchMatchesDirectSearchOnLongApproaches) {
  // Long windows whose early samples lie far from the mean: the float sums
  // carry their largest rounding here.
  std::mt19937 rng(7);
  std::normal_distribution<float> noise(0.0f, 0.05f);
  for (int round = 0; round < 3; ++round) {
    const int n = 3000 + 1500 * round;
    std::vector<float> p(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
      p[k] = 450.0f - 30.0f * std::exp(-0.004f * static_cast<float>(k)) + noise(rng);
    ExpectSamePick(p, 0, n);
  }
}

TEST(Plateau, FastSearchHandlesConstantAndNonFiniteWindows) {
  std::vector<float> p(500, 42.0f);
  ExpectSamePick(p, 0, 500);
  EXPECT_EQ(FindPlateau(p.data(), 0, 500).levelPos, 0);
  EXPECT_EQ(FindPlateau(p.data(), 0, 500).peakPos, 499);
  p[300] = NAN;
  ExpectSamePick(p, 0, 500);
  p[300] = INFINITY;
  ExpectSamePick(p, 0, 500);
  p[300] = 3e30f;  // finite, but squares overflow
  ExpectSamePick(p, 0, 500);
}

}  // namespace
}  // namespace corvala

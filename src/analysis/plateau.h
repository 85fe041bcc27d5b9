#pragma once
// The plateau after a rise: its highest sample (Maximum-m) and the sample whose
// sum of squared differences to all window samples is smallest (Maximum-a).

#include <cstdint>

namespace corvala {

struct PlateauPick {
  int32_t levelPos = -1;  // -1: no sum of squares below 1.0e8
  int32_t peakPos = -1;   // -1: no sample at or above -1.0
};

// The window is [a, b) of the pressure series p. The peak is the latest of the
// highest samples; the level is the earliest sample k whose single-precision sum
// S(k) = (p[a]-p[k])^2 + ... + (p[b-1]-p[k])^2, added in window order, is the
// smallest and below 1.0e8.

// Every S(k) computed in turn: quadratic in the window length.
PlateauPick FindPlateauDirect(const float* p, int32_t a, int32_t b);

// The same pick in about n log n for long windows: S depends only on the value
// p[k], its exact value is a parabola around the window mean, and the rounding
// of the float sum is bounded, so only the few distinct values near the mean
// can hold the float minimum; those are summed exactly as the direct form does.
PlateauPick FindPlateau(const float* p, int32_t a, int32_t b);

}  // namespace corvala

#pragma once

#include <cmath>

namespace zeb {

// Rounds a double to the nearest single-precision value and widens it back.
// Magnitudes at or beyond the point where IEEE rounding overflows become
// infinities explicitly, so no conversion ever leaves the float range; every
// other value (NaN included) converts exactly as the hardware rounds it.
inline double RoundToSingle(double value) {
  // FLT_MAX plus half its last unit: from here on round-to-nearest gives inf.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (value >= kOverflow) return HUGE_VAL;
  if (value <= -kOverflow) return -HUGE_VAL;
  return static_cast<double>(static_cast<float>(value));
}

}  // namespace zeb

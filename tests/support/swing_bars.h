#pragma once

#include <cstdint>
#include <vector>

#include "components/pivot_levels.h"
#include "support/bars.h"

namespace zeb::test {

// Bars whose midpoints (open = close) rise, fall, rise and fall again, so that
// a turn detector with the default period 5 sees: a peak with code -2 at bar
// 9, a trough with code +1 at bar 13, a peak with code -3 at bar 18 and a
// trough with code 0 at bar 22. Highs and lows lie 0.5 beyond the midpoint.
constexpr double kSwingMids[] = {10, 11, 12, 13, 14, 15, 16, 17, 15, 14, 13,
                                 12, 16, 17, 18, 19, 20, 18, 17, 16, 15, 18};
constexpr int32_t kSwingBars = 22;

inline Bar SwingBar(int32_t number, int32_t date = 20240102) {
  const double mid = kSwingMids[number - 1];
  return Bar{number, date, mid, mid + 0.5, mid - 0.5, mid};
}

// Feeds bars first..last of the pattern.
inline void FeedSwingBars(int32_t handle, int32_t first, int32_t last) {
  for (int32_t n = first; n <= last; ++n) Feed(handle, SwingBar(n));
}

// Outputs 0..9 of a pivot-level instance.
inline std::vector<double> Levels(int32_t handle) {
  std::vector<double> out;
  for (int32_t i = 0; i < 10; ++i) out.push_back(ZEB_IndicatorValue(handle, i));
  return out;
}

// The ten levels of a range with high H and low L, close C and open O.
inline std::vector<double> LevelsOf(double H, double L, double C, double O) {
  std::vector<double> out(10);
  ComputePivotLevels(H, L, C, O, out.data());
  return out;
}

}  // namespace zeb::test

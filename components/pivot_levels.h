#pragma once

namespace zeb {

// The ten pivot values shared by the pivot-level indicators, from a range's
// high H and low L, the close C before the range ended and the open O after it.
// Each sum is formed in the order written; the order fixes the rounding.
inline void ComputePivotLevels(double H, double L, double C, double O, double levels[10]) {
  const double P = ((L + H) + C) / 3;
  levels[0] = (((P - H) + L) - H) + L;
  levels[1] = (P - H) + L;
  levels[2] = (P + P) - H;
  levels[3] = P;
  levels[4] = O;
  levels[5] = C;
  levels[6] = ((L + H) + O) / 3;
  levels[7] = (P + P) - L;
  levels[8] = (P + H) - L;
  levels[9] = (((P + H) - L) + H) - L;
}

}  // namespace zeb

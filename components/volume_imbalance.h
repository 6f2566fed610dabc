#pragma once

#include <cstdint>

#include "components/exp_average.h"
#include "components/window_series.h"

namespace zeb {

class Indicator;

// Splits each bar's volume difference (volume1 - volume2) into its positive
// and negative parts, sums each over the last bars and smooths each sum with
// an exponential average. Updates of the same bar replace that bar's parts,
// but every call moves the averages one step.
class VolumeImbalance {
 public:
  static constexpr int32_t kCapacity = 300;

  // window is at most kCapacity; averageLength 1 returns the plain sums.
  void Update(const Indicator& indicator, bool isNewBar, int32_t window, int32_t averageLength,
              double& positive, double& negative);

  WindowSeries<kCapacity> positiveSeries;
  WindowSeries<kCapacity> negativeSeries;
  ExpAverage positiveAverage;
  ExpAverage negativeAverage;
};

}  // namespace zeb

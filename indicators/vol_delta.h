#pragma once

#include "components/volume_imbalance.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Volume imbalance of the recent bars: output 0 sums each bar's excess of
// volume1 over volume2 over the window, output 1 the opposite excess; both are
// non-negative and optionally smoothed. The larger one tells which side of the
// volume dominated lately.
class VolDelta : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  VolumeImbalance imbalance;
  double positiveSum = 0.0;
  double negativeSum = 0.0;
  int32_t window = 0;
  int32_t smoothingLength = 0;
};

}  // namespace zeb

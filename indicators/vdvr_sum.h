#pragma once

#include "components/period_range.h"
#include "components/slow_stochastic.h"
#include "components/volume_imbalance.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Volume imbalance weighted by price position. The window sums of the bars'
// excess of volume1 over volume2 and of the opposite excess are each scaled by
// where a log-volume-weighted stochastic stands within its range over the last
// dates; the output is a simple moving average of their difference. Positive
// values mean the dominant imbalance agrees with a strong price position.
//
// There are no defaults: until the host sets the parameters every calculation
// averages over 0 elements and the output is not a number.
class VDVRSum : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  int32_t Calculate(bool isNewBar) override;

  int32_t averageLength = 0;
  int32_t imbalanceWindow = 0;
  int32_t sumLength = 0;
  int32_t lookback = 0;
  int32_t periods = 0;
  double value = 0.0;
  WindowSeries<kBarCapacity> weightedSeries;
  SlowStochastic stochastic;
  PeriodRange range;
  VolumeImbalance imbalance;
};

}  // namespace zeb

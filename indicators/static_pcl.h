#pragma once

#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Daily pivot levels. At the first bar of each new date the previous day's
// high and low, the last close before the change and the new day's first open
// give a pivot, three levels below and three above it, and an open pivot; the
// ten values then hold for the whole day. Prices near a level are where the
// previous day's range suggests support (below the pivot) or resistance.
class StaticPCL : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  double dayHigh = 0.0;
  double dayLow = 0.0;
  double levels[10] = {};
};

}  // namespace zeb

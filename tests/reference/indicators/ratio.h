#pragma once

#include "components/slow_stochastic.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Stochastic oscillator centred on zero. The close's place in the high-low
// range of the last `lookback` bars, slowed by summing numerator and range over
// `sumLength` calculations, runs from -50 (close at the lowest low) to +50 (at
// the highest high); output 1 is its simple moving average as a signal line.
class Ratio : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  int32_t lookback = 0;
  int32_t sumLength = 0;
  int32_t signalLength = 0;
  double signal = 0.0;
  SlowStochastic stochastic{kBarCapacity};
  RingSeries ratioSeries{kBarCapacity};
};

}  // namespace zeb

#pragma once

#include "components/overlap_flow.h"
#include "components/period_range.h"
#include "components/window_series.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Flow against price. Compares where a volume-weighted price flow stands
// within its range over the last dates with where the bar's open-close
// midpoint stands within its own range over the same dates. Output 0 is the
// smoothed difference of the two positions minus its own moving average:
// positive when the flow leads price; output 1 is its moving-average signal.
//
// There are no defaults: until the host sets the parameters the outputs
// average over 0 elements and are not a number.
class VixDiff : public Indicator {
 public:
  static const IndicatorInfo kInfo;
  static constexpr int32_t kMaxPeriods = 19;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  int32_t Calculate(bool isNewBar) override;

  int32_t lag = 0;
  int32_t smoothLength = 0;
  int32_t detrendLength = 0;
  int32_t signalLength = 0;
  int32_t periods = 0;
  OverlapFlow flow;
  PeriodRange priceRange;
  double oscillator = 0.0;
  double signal = 0.0;
  WindowSeries<kBarCapacity> flowSeries;
  WindowSeries<kBarCapacity> priceSeries;
  WindowSeries<kBarCapacity> diffSeries;
  WindowSeries<kBarCapacity> oscillatorSeries;
};

}  // namespace zeb

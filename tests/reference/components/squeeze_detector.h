#pragma once

#include <cstdint>

#include "core/ring_series.h"

namespace zeb {

// Squeeze flag: set while a Bollinger band (typical price average plus and
// minus bandMultiplier standard deviations) lies inside a channel of
// channelMultiplier average true ranges around the same average, i.e. while
// volatility is compressed relative to the bar ranges.
class SqueezeDetector {
 public:
  static constexpr int32_t kCapacity = 100;

  // length lies in 1..kCapacity; the series keep their contents.
  void Init(int32_t windowLength, double band, double channel);
  void Update(double open, double high, double low, double close);

  bool on = false;
  int32_t length = 0;
  double bandMultiplier = 0.0;
  double channelMultiplier = 0.0;
  double prevClose = 0.0;
  RingSeries typicalSeries{kCapacity};
  RingSeries trueRangeSeries{kCapacity};
};

}  // namespace zeb

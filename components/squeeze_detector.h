#pragma once

#include <cstdint>

#include "components/window_series.h"

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
  // One bar in three steps, so that the owner can interleave the window
  // passes with its own. Append stores the bar's typical price and true
  // range. Mid is the average of the newest `length` typical prices from
  // their sum; Complete sets the flag from it, the sum of the squared
  // deviations from it (AddSquare, newest first) and the sum of the newest
  // `length` true ranges.
  void Append(double open, double high, double low, double close);
  double Mid(double typicalSum) const;
  void Complete(double mid, double squares, double rangeSum);

  bool on = false;
  int32_t length = 0;
  double bandMultiplier = 0.0;
  double channelMultiplier = 0.0;
  double prevClose = 0.0;
  WindowSeries<kCapacity> typicalSeries;
  WindowSeries<kCapacity> trueRangeSeries;
};

}  // namespace zeb

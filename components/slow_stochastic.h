#pragma once

#include <cstdint>

#include "components/window_series.h"
#include "core/indicator.h"

namespace zeb {

// Slowed stochastic of the newest bar: the close's offset above the lowest low
// of the last `lookback` bars and the high-low range of those bars are each
// summed over the last `sumLength` calculations before they are divided, which
// gives a value on the 0..1 scale (0 when the summed range is below 1e-10 in
// magnitude). Every Update appends one element to both series.
class SlowStochastic {
 public:
  // Longest sumLength: every window over the bar history fits.
  static constexpr int32_t kCapacity = Indicator::kBarCapacity;

  double Update(const Indicator& bars, int32_t lookback, int32_t sumLength);

  WindowSeries<kCapacity> rangeSeries;        // highest high minus lowest low, one per calculation
  WindowSeries<kCapacity> closeOffsetSeries;  // close minus lowest low, one per calculation
};

}  // namespace zeb

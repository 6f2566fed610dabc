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

  // Windows of at least kCarriedFrom bars carry their highest high and
  // lowest low over from the previous update where that provably gives the
  // bits of SeriesHighestLowest; shorter ones cost no more to walk than the
  // tests that allow the carry.
  static constexpr int32_t kCarriedFrom = 16;

  WindowSeries<kCapacity> rangeSeries;        // highest high minus lowest low, one per calculation
  WindowSeries<kCapacity> closeOffsetSeries;  // close minus lowest low, one per calculation

 private:
  // One extreme of the last update's window and what it was taken over.
  struct Tracked {
    double extreme = 0.0;
    double newest = 0.0;  // the window's newest value
    bool usable = false;  // the extreme is not NaN
  };
  void CarriedExtremes(const Indicator& bars, int32_t lookback, double& highest, double& lowest);
  template <typename Side>
  static double Carried(const RingSeries& series, int32_t n, bool sameWindow, Tracked& tracked);

  int32_t trackedBar_ = 0;
  int32_t trackedLookback_ = 0;
  Tracked high_;
  Tracked low_;
};

}  // namespace zeb

#include "components/slow_stochastic.h"

#include <cmath>

#include "components/same_bits.h"
#include "components/series_stats.h"

namespace zeb {
namespace {

// The side of the highest high: its test and its ordered walk.
struct HighSide {
  static bool Beyond(double x, double y) { return x > y; }
  static double Walk(const RingSeries& series, int32_t n) { return SeriesHighest(series, n); }
};

// The side of the lowest low.
struct LowSide {
  static bool Beyond(double x, double y) { return x < y; }
  static double Walk(const RingSeries& series, int32_t n) { return SeriesLowest(series, n); }
};

}  // namespace

// The ordered walk (SeriesHighest, SeriesLowest) starts from the newest value
// and lets a later one replace it only when strictly beyond: a NaN newest
// value is the result, later NaNs are skipped, and of values equal to the
// extreme (+0 and -0 among them) the newest one is the result. One bar after
// an update (exactly one push, the previous newest value unchanged, the same
// length) the window has lost its oldest value and gained a new newest one.
// If the previous result was not NaN and the lost value lay strictly inside
// it (a NaN fails that test), the value that gave the result is still the
// newest of those reaching the extreme among the older values, so the walk
// gives the new newest value unless the extreme is strictly beyond it:
// exactly `Beyond(extreme, newest) ? extreme : newest`, NaN newest value
// included. Everything else walks the window.
template <typename Side>
double SlowStochastic::Carried(const RingSeries& series, int32_t n, bool sameWindow,
                               Tracked& tracked) {
  const double newest = series.Newest();
  double extreme = 0.0;
  if (sameWindow && tracked.usable && SameBits(series.Get(1), tracked.newest) &&
      Side::Beyond(tracked.extreme, series.Get(n))) {
    extreme = Side::Beyond(tracked.extreme, newest) ? tracked.extreme : newest;
  } else {
    extreme = Side::Walk(series, n);
  }
  tracked.extreme = extreme;
  tracked.newest = newest;
  tracked.usable = !std::isnan(extreme);
  return extreme;
}

void SlowStochastic::CarriedExtremes(const Indicator& bars, int32_t lookback, double& highest,
                                     double& lowest) {
  // The window moved on by one bar since the last update, at the same length.
  const bool sameWindow =
      lookback == trackedLookback_ && int64_t{bars.barNumber} == int64_t{trackedBar_} + 1;
  highest = Carried<HighSide>(bars.highSeries, lookback, sameWindow, high_);
  lowest = Carried<LowSide>(bars.lowSeries, lookback, sameWindow, low_);
  trackedBar_ = bars.barNumber;
  trackedLookback_ = lookback;
}

double SlowStochastic::Update(const Indicator& bars, int32_t lookback, int32_t sumLength) {
  double hh = 0.0;
  double ll = 0.0;
  if (lookback < kCarriedFrom) {
    SeriesHighestLowest(bars.highSeries, bars.lowSeries, lookback, hh, ll);
    trackedLookback_ = 0;  // nothing tracked
  } else {
    CarriedExtremes(bars, lookback, hh, ll);
  }
  const double close = bars.closeSeries.Newest();
  const double range = hh - ll;
  const double closeOffset = close - ll;
  rangeSeries.Push(range);
  closeOffsetSeries.Push(closeOffset);
  double den = 0.0;
  double num = 0.0;
  WindowSumPair(rangeSeries, range, closeOffsetSeries, closeOffset, sumLength, den, num);
  return std::fabs(den) < 1e-10 ? 0.0 : num / den;
}

}  // namespace zeb

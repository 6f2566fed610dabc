#include "components/slow_stochastic.h"

#include <cmath>

#include "components/series_stats.h"

namespace zeb {

double SlowStochastic::Update(const Indicator& bars, int32_t lookback, int32_t sumLength) {
  double hh = 0.0;
  double ll = 0.0;
  SeriesHighestLowest(bars.highSeries, bars.lowSeries, lookback, hh, ll);
  const double close = bars.closeSeries.Newest();
  rangeSeries.Push(hh - ll);
  closeOffsetSeries.Push(close - ll);
  double den = 0.0;
  double num = 0.0;
  WindowSumPair(rangeSeries, closeOffsetSeries, sumLength, den, num);
  return std::fabs(den) < 1e-10 ? 0.0 : num / den;
}

}  // namespace zeb

#include <cmath>

#include "components/series_stats.h"
#include "components/slow_stochastic.h"

namespace zeb {

double SlowStochastic::Update(const Indicator& bars, int32_t lookback, int32_t sumLength) {
  const double hh = SeriesHighest(bars.highSeries, lookback);
  const double ll = SeriesLowest(bars.lowSeries, lookback);
  const double close = bars.closeSeries.Get(0);
  rangeSeries.Push(hh - ll);
  closeOffsetSeries.Push(close - ll);
  const double den = SeriesSum(rangeSeries, sumLength);
  const double num = SeriesSum(closeOffsetSeries, sumLength);
  return std::fabs(den) < 1e-10 ? 0.0 : num / den;
}

}  // namespace zeb

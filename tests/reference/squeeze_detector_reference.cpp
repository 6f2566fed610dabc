#include "components/series_stats.h"
#include "components/squeeze_detector.h"
#include "components/true_range.h"

namespace zeb {

void SqueezeDetector::Init(int32_t windowLength, double band, double channel) {
  length = windowLength;
  bandMultiplier = band;
  channelMultiplier = channel;
  on = false;
  prevClose = 0.0;
}

void SqueezeDetector::Update(double open, double high, double low, double close) {
  typicalSeries.Push((open + high + low + close) * 0.25);
  double mid = 0.0;
  double sd = 0.0;
  SeriesMeanStdDev(typicalSeries, length, mid, sd);
  const double upperBand = mid + bandMultiplier * sd;
  const double lowerBand = mid - bandMultiplier * sd;

  trueRangeSeries.Push(TrueRange(prevClose, high, low));
  const double atr = SeriesAverage(trueRangeSeries, length);
  const double upperChannel = mid + channelMultiplier * atr;
  const double lowerChannel = mid - channelMultiplier * atr;
  prevClose = close;
  // Written as "inside" comparisons so that a NaN anywhere clears the flag.
  on = upperBand <= upperChannel && lowerBand >= lowerChannel;
}

}  // namespace zeb

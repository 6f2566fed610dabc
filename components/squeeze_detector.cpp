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
  trueRangeSeries.Push(TrueRange(prevClose, high, low));
  prevClose = close;
  // Both window sums in one pass; the band's deviation needs the mean first.
  double typicalSum = 0.0;
  double rangeSum = 0.0;
  WindowSumPair(typicalSeries, trueRangeSeries, length, typicalSum, rangeSum);
  double mid = 0.0;
  double sd = 0.0;
  WindowMeanStdDev(typicalSeries, length, typicalSum, mid, sd);
  const double upperBand = mid + bandMultiplier * sd;
  const double lowerBand = mid - bandMultiplier * sd;

  const double atr = rangeSum / static_cast<double>(length);
  const double upperChannel = mid + channelMultiplier * atr;
  const double lowerChannel = mid - channelMultiplier * atr;
  // Written as "inside" comparisons so that a NaN anywhere clears the flag.
  on = upperBand <= upperChannel && lowerBand >= lowerChannel;
}

}  // namespace zeb

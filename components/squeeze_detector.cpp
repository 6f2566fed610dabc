#include "components/squeeze_detector.h"

#include <cmath>

#include "components/true_range.h"

namespace zeb {

void SqueezeDetector::Init(int32_t windowLength, double band, double channel) {
  length = windowLength;
  bandMultiplier = band;
  channelMultiplier = channel;
  on = false;
  prevClose = 0.0;
}

void SqueezeDetector::Append(double open, double high, double low, double close) {
  typicalSeries.Push((open + high + low + close) * 0.25);
  trueRangeSeries.Push(TrueRange(prevClose, high, low));
  prevClose = close;
}

double SqueezeDetector::Mid(double typicalSum) const {
  // The population mean of the window: 0 for an empty window.
  return length <= 0 ? 0.0 : typicalSum / static_cast<double>(length);
}

void SqueezeDetector::Complete(double mid, double squares, double rangeSum) {
  const double sd = length <= 0 ? 0.0 : std::sqrt(squares / static_cast<double>(length));
  const double upperBand = mid + bandMultiplier * sd;
  const double lowerBand = mid - bandMultiplier * sd;
  const double atr = rangeSum / static_cast<double>(length);
  const double upperChannel = mid + channelMultiplier * atr;
  const double lowerChannel = mid - channelMultiplier * atr;
  // Written as "inside" comparisons so that a NaN anywhere clears the flag.
  on = upperBand <= upperChannel && lowerBand >= lowerChannel;
}

}  // namespace zeb

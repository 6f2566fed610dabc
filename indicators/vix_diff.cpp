#include "indicators/vix_diff.h"

#include "components/series_stats.h"

namespace zeb {
namespace {

const ParameterInfo kParameters[] = {
    {0, "lag", ParameterKind::Integer, false, 0, true, 1, VixDiff::kMaxWindow,
     "bars over which the flow measures the price change; also the first bar of each date that "
     "computes a new flow"},
    {1, "smoothLength", ParameterKind::Integer, false, 0, true, 1, VixDiff::kMaxWindow,
     "length of the moving averages of the two positions"},
    {2, "detrendLength", ParameterKind::Integer, false, 0, true, 1, VixDiff::kMaxWindow,
     "length of the moving average subtracted from their difference"},
    {3, "periods", ParameterKind::Integer, false, 0, true, 1, VixDiff::kMaxPeriods,
     "dates forming both reference ranges"},
    {4, "signalLength", ParameterKind::Integer, false, 0, true, 1, VixDiff::kMaxWindow,
     "length of the signal's moving average"},
};

const OutputInfo kOutputs[] = {
    {0, 0, "oscillator", "flow position minus price position, detrended", OutputRole::Line,
     "fraction of the reference range: 0 when flow and price stand alike"},
    {1, 1, "signal", "moving average of the oscillator", OutputRole::Line,
     "fraction of the reference range: 0 when flow and price stand alike"},
};

}  // namespace

const IndicatorInfo VixDiff::kInfo = {
    "VIXDIFF",
    "VixDiff",
    "Volume-weighted flow position against price position over the last dates, detrended, with a "
    "signal line. No defaults: not a number until the parameters are set.",
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kOutputs,
    static_cast<int32_t>(sizeof(kOutputs) / sizeof(kOutputs[0])),
    0.0,
    "lag=3 smoothLength=5 detrendLength=20 periods=5 signalLength=9",
    false,
    {-4,
     {0, 1, 2, 4},
     0,
     3,
     false,
     "lag + smoothLength + detrendLength + signalLength - 4 bars, and until `periods` new dates "
     "have begun"},
    VolumeUse::Total,
    IdleRule::WhileUnset,
    "VIXDIFF has no defaults: it prints NaN on every bar until lag, smoothLength, detrendLength, "
    "periods and signalLength are all set (zebi demo uses lag=3 smoothLength=5 detrendLength=20 "
    "periods=5 signalLength=9)",
    "Where volume-weighted flow stands in its range over the last periods dates, against where "
    "price stands in its own range. Above 0 flow is ahead of price (buying not yet reflected in "
    "price), below 0 price is ahead of flow. The oscillator crossing its signal marks a change in "
    "which one leads.",
};

double VixDiff::Value(int32_t index) {
  if (index == 0) return oscillator;
  if (index == 1) return signal;
  return 0.0;
}

void VixDiff::SetParameter(int32_t index, double value) {
  int32_t* const fields[] = {&lag, &smoothLength, &detrendLength, &periods, &signalLength};
  if (index < 0 || index >= static_cast<int32_t>(sizeof(fields) / sizeof(fields[0]))) return;
  *fields[index] = ClampedParameter(value, 1, index == 3 ? kMaxPeriods : kMaxWindow);
}

int32_t VixDiff::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const bool newDate = IsNewDate();
  const double flowPosition = flow.Update(*this, lag, periods);
  const double mid = (closeSeries.Get(0) + openSeries.Get(0)) * 0.5;
  const double pricePosition = priceRange.Update(mid, periods, newDate);
  priceSeries.Push(pricePosition);
  flowSeries.Push(flowPosition);
  const double diff =
      SeriesAverage(flowSeries, smoothLength) - SeriesAverage(priceSeries, smoothLength);
  diffSeries.Push(diff);
  oscillator = diff - SeriesAverage(diffSeries, detrendLength);
  oscillatorSeries.Push(oscillator);
  signal = SeriesAverage(oscillatorSeries, signalLength);
  return 0;
}

}  // namespace zeb

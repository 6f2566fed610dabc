#include "indicators/vix_diff.h"

#include <iterator>

#include "components/parameter_table.h"

namespace zeb {
namespace {

constexpr ParameterRow<VixDiff> kParameterRows[] = {
    IntegerParameter(0, "lag", &VixDiff::lag)
        .Range(1, VixDiff::kMaxWindow)
        .Describe("bars over which the flow measures the price change; also the first bar of each "
                  "date that "
                  "computes a new flow"),
    IntegerParameter(1, "smoothLength", &VixDiff::smoothLength)
        .Range(1, VixDiff::kMaxWindow)
        .Describe("length of the moving averages of the two positions"),
    IntegerParameter(2, "detrendLength", &VixDiff::detrendLength)
        .Range(1, VixDiff::kMaxWindow)
        .Describe("length of the moving average subtracted from their difference"),
    IntegerParameter(3, "periods", &VixDiff::periods)
        .Range(1, VixDiff::kMaxPeriods)
        .Describe("dates forming both reference ranges"),
    IntegerParameter(4, "signalLength", &VixDiff::signalLength)
        .Range(1, VixDiff::kMaxWindow)
        .Describe("length of the signal's moving average"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

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
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
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
  SetTableParameter(kParameterRows, *this, index, value);
}

int32_t VixDiff::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const bool newDate = IsNewDate();
  const double flowPosition = flow.Update(*this, lag, periods);
  const double mid = (closeSeries.Get(0) + openSeries.Get(0)) * 0.5;
  const double pricePosition = priceRange.Update(mid, periods, newDate);
  priceSeries.Push(pricePosition);
  flowSeries.Push(flowPosition);
  double flowSum = 0.0;
  double priceSum = 0.0;
  WindowSumPair(flowSeries, flowPosition, priceSeries, pricePosition, smoothLength, flowSum,
                priceSum);
  const auto smooth = static_cast<double>(smoothLength);
  const double diff = flowSum / smooth - priceSum / smooth;
  diffSeries.Push(diff);
  oscillator = diff - WindowAverage(diffSeries, diff, detrendLength);
  oscillatorSeries.Push(oscillator);
  signal = WindowAverage(oscillatorSeries, oscillator, signalLength);
  return 0;
}

}  // namespace zeb

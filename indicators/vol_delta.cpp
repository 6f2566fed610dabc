#include "indicators/vol_delta.h"

#include <iterator>

#include "components/parameter_table.h"
#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr ParameterRow<VolDelta> kParameterRows[] = {
    IntegerParameter(0, "window", &VolDelta::window)
        .Default(5)
        .Range(1, VolDelta::kMaxWindow)
        .Describe("bars summed"),
    IntegerParameter(1, "smoothingLength", &VolDelta::smoothingLength)
        .Default(1)
        .Range(1, VolDelta::kMaxWindow)
        .Describe("exponential smoothing of both sums; 1 reports the plain sums"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "positive", "sum of volume1 - volume2 where positive", OutputRole::Line,
     "volume, never negative"},
    {1, 1, "negative", "sum of volume2 - volume1 where positive", OutputRole::Line,
     "volume, never negative"},
};

}  // namespace

const IndicatorInfo VolDelta::kInfo = {
    "VOLDELTA",
    "VolDelta",
    "Window sums of the bars' excess of volume1 over volume2 and of the opposite excess.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    nullptr,
    false,
    {-2, {0, 1, -1, -1}, 0, -1, false, "window + smoothingLength - 2 bars"},
    VolumeUse::Split,
    IdleRule::None,
    nullptr,
    "Two sums over the last window bars, never negative: positive adds up how much volume1 "
    "exceeded volume2 on the bars where it did, negative the opposite excess. With up and down "
    "volume in volume1 and volume2, positive above negative means buying dominated, and a rising "
    "positive sum is growing buying pressure. With a single volume column volume2 is 0: negative "
    "stays 0 and positive is the plain volume.",
};

double VolDelta::Value(int32_t index) {
  if (index == 0) return positiveSum;
  if (index == 1) return negativeSum;
  return 0.0;
}

void VolDelta::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void VolDelta::Reset() {
  ResetTableParameters(kParameterRows, *this);
}

int32_t VolDelta::Calculate(bool isNewBar) {
  imbalance.Update(*this, isNewBar, window, smoothingLength, positiveSum, negativeSum);
  return 0;
}

}  // namespace zeb

#include "indicators/swing_pcl.h"

#include <iterator>

#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr ParameterRow<SwingPCL> kParameterRows[] = {
    kSwingParameterRows[0].For<SwingPCL>(),
    kSwingParameterRows[1].For<SwingPCL>(),
    IntegerParameter(2, "swingCount", &SwingPCL::swingCount)
        .Default(1)
        .Range(1, SwingPCL::kHistory)
        .Describe("completed swings whose combined high and low form the levels"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

}  // namespace

const IndicatorInfo SwingPCL::kInfo = {
    "SWINGPCL",
    "SwingPCL",
    "Pivot levels from the high and low of the last one to ten swings, a swing ending at an RSI "
    "turn whose code reaches the threshold.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kSwingLevelOutputs,
    static_cast<int32_t>(std::size(kSwingLevelOutputs)),
    0.0,
    "swingCount=3",
    false,
    kSwingLevelWarmup,
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "As FLOATPCL, but from the combined high and low of the last swingCount swings: wider levels "
    "that move less often. They change only at swing ends, so with a large swingCount or few turns "
    "they describe ranges long past (stale).",
};

void SwingPCL::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void SwingPCL::Reset() {
  ResetTableParameters(kParameterRows, *this);
}

void SwingPCL::CompleteSwing(double& high, double& low) {
  for (int32_t k = kHistory - 1; k > 0; --k) {
    swingLows[k] = swingLows[k - 1];
    swingHighs[k] = swingHighs[k - 1];
  }
  swingLows[0] = low;
  swingHighs[0] = high;
  for (int32_t k = 1; k < swingCount && k < kHistory; ++k) {
    if (swingHighs[k] > high) high = swingHighs[k];
    if (swingLows[k] < low) low = swingLows[k];
  }
}

}  // namespace zeb

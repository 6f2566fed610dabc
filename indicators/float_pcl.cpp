#include "indicators/float_pcl.h"

#include <iterator>

namespace zeb {
namespace {

constexpr auto kParameters = ParameterInfos(kSwingParameterRows);

}  // namespace

const IndicatorInfo FloatPCL::kInfo = {
    "FLOATPCL",
    "FloatPCL",
    "Pivot levels from the high and low of the last swing, a swing ending at an RSI turn whose "
    "code reaches the threshold.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kSwingLevelOutputs,
    static_cast<int32_t>(std::size(kSwingLevelOutputs)),
    0.0,
    nullptr,
    false,
    kSwingLevelWarmup,
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "Pivot levels as for a day, but from the range of the swing that has just ended. Read S1 to S3 "
    "as support and R1 to R3 as resistance around the pivot; price holding above the pivot after a "
    "swing leans bullish, below it bearish. The levels change only at the next swing end: after a "
    "long stretch without a strong enough turn they describe an old range and are stale, however "
    "far price has moved.",
};

void FloatPCL::Reset() {
  SwingPivotIndicator::Reset();
  rangeHigh = 0.0;
  rangeLow = 0.0;
}

}  // namespace zeb

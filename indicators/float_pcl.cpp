#include "indicators/float_pcl.h"

namespace zeb {
namespace {

const ParameterInfo kParameters[] = {kSwingPeriodParameter, kSwingThresholdParameter};

}  // namespace

const IndicatorInfo FloatPCL::kInfo = {
    "FLOATPCL",
    "FloatPCL",
    "Pivot levels from the high and low of the last swing, a swing ending at an RSI turn whose "
    "code reaches the threshold.",
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kSwingLevelOutputs,
    static_cast<int32_t>(sizeof(kSwingLevelOutputs) / sizeof(kSwingLevelOutputs[0])),
    0.0,
    nullptr,
    false,
    kSwingLevelWarmup,
};

void FloatPCL::Reset() {
  SwingPivotIndicator::Reset();
  rangeHigh = 0.0;
  rangeLow = 0.0;
}

}  // namespace zeb

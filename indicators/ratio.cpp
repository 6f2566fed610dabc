#include "indicators/ratio.h"

#include <iterator>

#include "components/parameter_table.h"

namespace zeb {
namespace {

constexpr int32_t kMaxWindow = Indicator::kMaxWindow;

constexpr ParameterRow<Ratio> kParameterRows[] = {
    IntegerParameter(0, "lookback", &Ratio::lookback)
        .Default(5)
        .Range(1, kMaxWindow)
        .Describe("bars over which the highest high and lowest low are taken"),
    IntegerParameter(1, "sumLength", &Ratio::sumLength)
        .Default(5)
        .Range(1, kMaxWindow)
        .Describe("calculations over which the close offset and the range are summed (slowing)"),
    IntegerParameter(2, "signalLength", &Ratio::signalLength)
        .Default(5)
        .Range(1, kMaxWindow)
        .Describe("length of the simple moving average that forms the signal"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "ratio", "centred stochastic, -50 at the lowest low to +50 at the highest high",
     OutputRole::Line, "-50..+50: 0 is the middle of the range, +50 its top"},
    {1, 1, "signal", "simple moving average of the ratio", OutputRole::Line,
     "-50..+50: 0 is the middle of the range, +50 its top"},
};

}  // namespace

const IndicatorInfo Ratio::kInfo = {
    "RATIO",
    "Ratio",
    "Stochastic oscillator centred on zero (-50..+50) with a moving-average signal line.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    nullptr,
    false,
    {-3, {0, 1, 2, -1}, 0, -1, false, "lookback + sumLength + signalLength - 3 bars"},
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "A stochastic centred on zero: +50 means the closes sit at the highest high of the last "
    "lookback bars, -50 at the lowest low, 0 in the middle. Rising values mean closes moving up "
    "within the range. Readings near +50 or -50 are overbought or oversold extremes; ratio "
    "crossing above its signal is a bullish turn, crossing below a bearish one.",
};

double Ratio::Value(int32_t index) {
  if (index == 0) return ratioSeries.Get(0);
  if (index == 1) return signal;
  return 0.0;
}

void Ratio::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void Ratio::Reset() {
  ResetTableParameters(kParameterRows, *this);
  signal = 0.0;
}

int32_t Ratio::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const double q = stochastic.Update(*this, lookback, sumLength);
  const double ratio = q * 100 - 50;
  ratioSeries.Push(ratio);
  signal = WindowAverage(ratioSeries, ratio, signalLength);
  return 0;
}

}  // namespace zeb

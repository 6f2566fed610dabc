#include "indicators/ratio.h"

#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr int32_t kMaxWindow = 299;

const ParameterInfo kParameters[] = {
    {0, "lookback", ParameterKind::Integer, true, 5, true, 1, kMaxWindow,
     "bars over which the highest high and lowest low are taken"},
    {1, "sumLength", ParameterKind::Integer, true, 5, true, 1, kMaxWindow,
     "calculations over which the close offset and the range are summed (slowing)"},
    {2, "signalLength", ParameterKind::Integer, true, 5, true, 1, kMaxWindow,
     "length of the simple moving average that forms the signal"},
};

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
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kOutputs,
    static_cast<int32_t>(sizeof(kOutputs) / sizeof(kOutputs[0])),
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
  switch (index) {
    case 0:
      lookback = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 1:
      sumLength = ClampedParameter(value, 1, kMaxWindow);
      break;
    case 2:
      signalLength = ClampedParameter(value, 1, kMaxWindow);
      break;
    default:
      break;
  }
}

void Ratio::Reset() {
  lookback = 5;
  sumLength = 5;
  signalLength = 5;
  signal = 0.0;
}

int32_t Ratio::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const double q = stochastic.Update(*this, lookback, sumLength);
  ratioSeries.Push(q * 100 - 50);
  signal = SeriesAverage(ratioSeries, signalLength);
  return 0;
}

}  // namespace zeb

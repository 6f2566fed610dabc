#include "indicators/tsi_combo.h"

#include <cmath>
#include <iterator>

#include "components/parameter_table.h"
#include "components/true_range.h"

namespace zeb {
namespace {

constexpr double kUpperLimit = 2.08;
constexpr double kLowerLimit = -1.92;

constexpr ParameterRow<TSICombo> kParameterRows[] = {
    IntegerParameter(0, "firstLength", &TSICombo::firstLength)
        .Default(25)
        .Describe("first smoothing of the close-to-close change; fixed at the first bar"),
    IntegerParameter(1, "secondLength", &TSICombo::secondLength)
        .Default(10)
        .Describe("second smoothing; fixed at the first bar"),
    IntegerParameter(2, "thirdLength", &TSICombo::thirdLength)
        .Default(1)
        .Describe("third smoothing (1 passes through); fixed at the first bar"),
    IntegerParameter(3, "signalLength", &TSICombo::signalLength)
        .Default(5)
        .Describe("smoothing of the signal line; fixed at the first bar"),
    // Both windows address series of kMaxWindow elements (the RWI window also
    // the base series), so they are clamped like every other window.
    IntegerParameter(4, "squeezeLength", &TSICombo::squeezeLength)
        .Default(10)
        .Range(1, TSICombo::kMaxWindow)
        .Describe("window of the band and channel averages; fixed at the first bar"),
    DoubleParameter(5, "bandMultiplier", &TSICombo::bandMultiplier)
        .Default(2.0)
        .Describe("Bollinger band width in standard deviations; fixed at the first bar"),
    DoubleParameter(6, "channelMultiplier", &TSICombo::channelMultiplier)
        .Default(1.5)
        .Describe("channel width in average true ranges; fixed at the first bar"),
    IntegerParameter(7, "rwiLength", &TSICombo::rwiLength)
        .Default(30)
        .Range(1, TSICombo::kMaxWindow)
        .Describe("Random Walk Index window; takes effect at the next bar"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

// Whether the row of `member` clamps it within `capacity`: the window passes
// read the series' contiguous runs without a bounds test on that promise.
constexpr bool ClampedWithin(int32_t TSICombo::*member, int32_t capacity) {
  for (const auto& row : kParameterRows) {
    if (row.integer == member) {
      return row.info.clamped && row.info.minimum >= 1 && row.info.maximum <= capacity;
    }
  }
  return false;
}
static_assert(ClampedWithin(&TSICombo::rwiLength, TSICombo::kMaxWindow) &&
                  ClampedWithin(&TSICombo::squeezeLength, SqueezeDetector::kCapacity),
              "the windows must stay within their series");

const OutputInfo kOutputs[] = {
    {0, 0, "tsi", "True Strength Index, -100..+100", OutputRole::Line,
     "-100..+100: above 0 the smoothed momentum is upward"},
    {1, 1, "signal", "exponential average of the index", OutputRole::Line,
     "-100..+100: above 0 the smoothed momentum is upward"},
    {2, 2, "squeeze", "1 while the Bollinger band lies inside the channel, else 0",
     OutputRole::Flag},
    {3, 3, "breakout", "1 on a Random Walk Index breakout, else 0", OutputRole::Flag},
};

}  // namespace

bool IsRwiBreakout(double smooth, double prev, double mean, double sd) {
  const double width = 1.33 * sd;
  const double upper = kUpperLimit > mean + width ? kUpperLimit : mean + width;
  const double lower = kLowerLimit < mean - width ? kLowerLimit : mean - width;
  return (smooth > 0 && smooth > prev && smooth > upper) ||
         (smooth < 0 && smooth < prev && smooth < lower);
}

const IndicatorInfo TSICombo::kInfo = {
    "COMBO",
    "TSICombo",
    "True Strength Index with signal line, a volatility squeeze flag and a Random Walk Index "
    "breakout flag.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    nullptr,
    false,
    {-4,
     {0, 1, 2, 3},
     0,
     -1,
     false,
     "firstLength + secondLength + thirdLength + signalLength - 4 bars"},
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "tsi is double-smoothed momentum on a -100..+100 scale: above 0 momentum is upward, and tsi "
    "crossing above (below) its signal is a bullish (bearish) turn. squeeze is 1 while volatility "
    "is compressed (the Bollinger band inside the channel); a move often follows when it ends. "
    "breakout is 1 on bars where the smoothed Random Walk Index leaves its band, in either "
    "direction: the flag does not say which, so take the direction from the sign of tsi or from "
    "price.",
};

double TSICombo::Value(int32_t index) {
  switch (index) {
    case 0:
      return tsi.value;
    case 1:
      return tsi.signal;
    case 2:
      return squeeze.on ? 1.0 : 0.0;
    case 3:
      return breakout ? 1.0 : 0.0;
    default:
      return 0.0;
  }
}

void TSICombo::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void TSICombo::Reset() {
  ResetTableParameters(kParameterRows, *this);
  needsInit = true;
  breakout = false;
}

int32_t TSICombo::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  if (needsInit) {
    needsInit = false;
    tsi.Init(firstLength, secondLength, thirdLength, signalLength);
    squeeze.Init(squeezeLength, bandMultiplier, channelMultiplier);
  }
  const double high = highSeries.Get(0);
  const double low = lowSeries.Get(0);
  const double close = closeSeries.Get(0);
  trueRangeSeries.Push(TrueRange(closeSeries.Get(1), high, low));
  squeeze.Append(openSeries.Get(0), high, low, close);
  UpdateInterleaved(high, low, close);
  return 0;
}

// The Random Walk Index and the squeeze are independent chains of operations,
// the index's the longer: their window passes run side by side in one loop
// each (the parameter rows keep the windows within the series), and the True
// Strength Index is computed while the first pass runs.
void TSICombo::UpdateInterleaved(double high, double low, double close) {
  const int32_t n = rwiLength;
  const int32_t m = squeeze.length;
  const double* const trueRange = trueRangeSeries.Newest();
  const double* const typical = squeeze.typicalSeries.Newest();
  const double* const squeezeRange = squeeze.trueRangeSeries.Newest();
  double rangeSum = 0.0;
  double typicalSum = 0.0;
  double squeezeRangeSum = 0.0;
  Interleave(
      n, m, [&](int32_t k) { rangeSum += trueRange[-k]; },
      [&](int32_t k) {
        typicalSum += typical[-k];
        squeezeRangeSum += squeezeRange[-k];
      });
  tsi.Update(close);
  const double smooth = NextRwiSmooth(rangeSum / static_cast<double>(n), high, low);
  const double mid = squeeze.Mid(typicalSum);

  const double* const smoothed = rwiSmoothSeries.Newest();
  double smoothSum = 0.0;
  double squares = 0.0;
  Interleave(
      n, m, [&](int32_t k) { smoothSum += smoothed[-k]; },
      [&](int32_t k) { AddSquare(squares, typical[-k], mid); });
  squeeze.Complete(mid, squares, squeezeRangeSum);
  UpdateBreakout(smooth, smoothSum);
}

// Random Walk Index: the move from the low (high) n bars back, in units of
// the average true range expected of a random walk over n bars. Appends the
// difference of its two legs and returns (and appends) its smoothed value.
double TSICombo::NextRwiSmooth(double atr, double high, double low) {
  const int32_t n = rwiLength;
  double rwiHigh = 0.0;
  double rwiLow = 0.0;
  if (atr != 0.0) {
    const double scale = std::sqrt(static_cast<double>(n)) * atr;
    rwiHigh = (high - lowSeries.Get(n)) / scale;
    rwiLow = (highSeries.Get(n) - low) / scale;
  }
  const double diff = rwiHigh - rwiLow;
  rwiDiffSeries.Push(diff);
  const double smooth = WindowWeightedAverage(rwiDiffSeries, diff, 3);
  rwiSmoothSeries.Push(smooth);
  return smooth;
}

// The breakout flag from the newest smoothed value and the sum of the newest
// rwiLength of them.
void TSICombo::UpdateBreakout(double smooth, double smoothSum) {
  double mean = 0.0;
  double sd = 0.0;
  WindowMeanStdDev(rwiSmoothSeries, smooth, rwiLength, smoothSum, mean, sd);
  breakout = IsRwiBreakout(smooth, rwiSmoothSeries.Newest()[-1], mean, sd);
}

}  // namespace zeb

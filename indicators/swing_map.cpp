#include "indicators/swing_map.h"

#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr int32_t kMaxSelector = SwingMap::kSwingEnds - 1;
// Farthest offset the bar series can serve.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;

const ParameterInfo kParameters[] = {
    {0, "binCount", ParameterKind::Integer, true, 100, true, 1, MarketMap::kMaxBins,
     "number of price bins the window's range is cut into", ParameterUse::BinCount},
    {1, "fromSwing", ParameterKind::Integer, true, 0, true, 0, kMaxSelector,
     "one window end: 0 = the newest bar, k = the k-th most recent swing end"},
    {2, "toSwing", ParameterKind::Integer, true, 1, true, 0, kMaxSelector,
     "the other window end, same meaning"},
    {3, "rsiPeriod", ParameterKind::Integer, true, 5, true, 1, 299,
     "RSI period of the turn detector; setting it restarts the detector"},
    {4, "signalThreshold", ParameterKind::Integer, true, 1, true, 1, 3,
     "smallest turn strength (1..3) that ends a swing"},
};

const OutputInfo kOutputs[] = {
    {0, 0, "lowest", "lowest low of the window: the price at the bottom of the profile",
     OutputRole::ProfileLow},
    {1, 1, "highest", "highest high of the window: the price at the top of the profile",
     OutputRole::ProfileHigh},
    {2, 2, "firstBack", "bars back to the window end chosen by fromSwing", OutputRole::WindowEnd},
    {3, 3, "lastBack", "bars back to the window end chosen by toSwing", OutputRole::WindowEnd},
    {100, 299, "profile", "volume per bin, lowest price first, the largest bin 1.0; bin 0 is 0",
     OutputRole::Profile, "0..1 of the fullest bin"},
    {500, 699, "nodeMarks", "per bin: 2 at a node peak, 1 where a node begins, else 0",
     OutputRole::ProfileMarks},
};

}  // namespace

const IndicatorInfo SwingMap::kInfo = {
    "SWINGMAP",
    "SwingMap",
    "Volume-at-price profile of the bars since the last RSI swing end (or between two swing "
    "ends), with its high-volume nodes marked.",
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kOutputs,
    static_cast<int32_t>(sizeof(kOutputs) / sizeof(kOutputs[0])),
    0.0,
    "binCount=40 toSwing=3",
    false,
    {0, {3, -1, -1, -1}, 0, -1, true, "rsiPeriod bars, and until the first swing end"},
    VolumeUse::Total,
    IdleRule::None,
    nullptr,
    "The profile of MARKETMAP over the bars between two swing ends (fromSwing, toSwing) instead of "
    "a fixed window: the volume of the current swing or of the last few. firstBack and lastBack "
    "say how many bars back the window ends lie. The window moves only at swing ends, so late in a "
    "long swing it still ends at the old turn.",
};

double SwingMap::Value(int32_t index) {
  if (index == 2) return firstBack;
  if (index == 3) return lastBack;
  return MarketMap::Value(index);
}

void SwingMap::SetParameter(int32_t index, double value) {
  switch (index) {
    case 0:
      binCount = ClampedParameter(value, 1, kMaxBins);
      break;
    case 1:
      fromSwing = ClampedParameter(value, 0, kMaxSelector);
      break;
    case 2:
      toSwing = ClampedParameter(value, 0, kMaxSelector);
      break;
    case 3:
      detector.Restart(ClampedParameter(value, 1, 299));
      break;
    case 4:
      signalThreshold = ClampedParameter(value, 1, 3);
      break;
    default:
      break;
  }
}

void SwingMap::Reset() {
  binCount = 100;
  lastCalcBar = -1;
  fromSwing = 0;
  toSwing = 1;
  signalThreshold = 1;
  for (int32_t& end : swingEnds) end = 0;
}

void SwingMap::OnBar(bool isNewBar) {
  if (!isNewBar) return;
  const int32_t code =
      detector.Update(openSeries.Get(0), highSeries.Get(0), lowSeries.Get(0), closeSeries.Get(0));
  if ((code < 0 ? -code : code) < signalThreshold) return;
  for (int32_t i = kSwingEnds - 1; i > 0; --i) swingEnds[i] = swingEnds[i - 1];
  swingEnds[0] = barNumber;
}

int32_t SwingMap::OffsetOf(int32_t selector) const {
  // Swing ends are earlier bar numbers of this instance and bar numbers never
  // fall, so the difference lies in 0..INT32_MAX.
  return selector >= 1 ? barNumber - swingEnds[selector - 1] : 0;
}

int32_t SwingMap::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const int32_t a = fromSwing;
  const int32_t b = toSwing;
  const bool aRecorded = a >= 1 && swingEnds[a - 1] > 0;
  const bool bRecorded = b >= 1 && swingEnds[b - 1] > 0;
  const bool fresh = lastCalcBar != barNumber;
  if (!((aRecorded && bRecorded) || (a == 0 && bRecorded && fresh) ||
        (b == 0 && aRecorded && fresh))) {
    return 0;
  }
  lastCalcBar = barNumber;
  firstBack = OffsetOf(a);
  lastBack = OffsetOf(b);
  // The offsets are published as they are; the profile reaches back at most as
  // far as the stored bars.
  MapWindow(ClampInt(firstBack, 0, kFarthestBack), ClampInt(lastBack, 0, kFarthestBack));
  return 0;
}

}  // namespace zeb

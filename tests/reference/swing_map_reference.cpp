#include <iterator>

#include "components/parameter_table.h"
#include "components/series_stats.h"
#include "indicators/swing_map.h"

namespace zeb {
namespace {

constexpr int32_t kMaxSelector = SwingMap::kSwingEnds - 1;
// Farthest offset the bar series can serve.
constexpr int32_t kFarthestBack = Indicator::kBarCapacity - 2;

constexpr ParameterRow<SwingMap> kParameterRows[] = {
    IntegerParameter<SwingMap>(0, "binCount", &SwingMap::binCount)
        .Default(100)
        .Range(1, MarketMap::kMaxBins)
        .Use(ParameterUse::BinCount)
        .Describe("number of price bins the window's range is cut into"),
    IntegerParameter<SwingMap>(1, "fromSwing", &SwingMap::fromSwing)
        .Default(0)
        .Range(0, kMaxSelector)
        .Describe("one window end: 0 = the newest bar, k = the k-th most recent swing end"),
    IntegerParameter<SwingMap>(2, "toSwing", &SwingMap::toSwing)
        .Default(1)
        .Range(0, kMaxSelector)
        .Describe("the other window end, same meaning"),
    IntegerParameter<SwingMap>(3, "rsiPeriod")
        .Default(5)
        .Range(1, Indicator::kMaxWindow)
        .Restarts(&SwingMap::detector)
        .Describe("RSI period of the turn detector; setting it restarts the detector"),
    IntegerParameter<SwingMap>(4, "signalThreshold", &SwingMap::signalThreshold)
        .Default(1)
        .Range(1, 3)
        .Describe("smallest turn strength (1..3) that ends a swing"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

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
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
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
  SetTableParameter(kParameterRows, *this, index, value);
}

void SwingMap::Reset() {
  ResetTableParameters(kParameterRows, *this);
  lastCalcBar = -1;
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

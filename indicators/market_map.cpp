#include "indicators/market_map.h"

#include <iterator>

#include "components/parameter_table.h"
#include "components/series_stats.h"
#include "components/volume_profile.h"

namespace zeb {
namespace {

constexpr int32_t kProfileOutputs = 100;
constexpr int32_t kMarkOutputs = 500;
constexpr double kPeakMark = 2.0;
constexpr double kBoundMark = 1.0;

constexpr ParameterRow<MarketMap> kParameterRows[] = {
    IntegerParameter(0, "binCount", &MarketMap::binCount)
        .Default(100)
        .Range(1, MarketMap::kMaxBins)
        .Use(ParameterUse::BinCount)
        .Describe("number of price bins the window's range is cut into"),
    IntegerParameter(1, "firstBack", &MarketMap::firstBack)
        .Default(0)
        .Range(0, MarketMap::kMaxBack)
        .Use(ParameterUse::WindowEnd)
        .Describe("one end of the window, in bars back from the newest"),
    IntegerParameter(2, "lastBack", &MarketMap::lastBack)
        .Default(0)
        .Range(0, MarketMap::kMaxBack)
        .Use(ParameterUse::WindowEnd)
        .Describe(
            "other end of the window, in bars back (either order; at most 298 bars are reached)"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "lowest", "lowest low of the window: the price at the bottom of the profile",
     OutputRole::ProfileLow},
    {1, 1, "highest", "highest high of the window: the price at the top of the profile",
     OutputRole::ProfileHigh},
    {100, 299, "profile", "volume per bin, lowest price first, the largest bin 1.0; bin 0 is 0",
     OutputRole::Profile, "0..1 of the fullest bin"},
    {500, 699, "nodeMarks", "per bin: 2 at a node peak, 1 where a node begins, else 0",
     OutputRole::ProfileMarks},
};

}  // namespace

const IndicatorInfo MarketMap::kInfo = {
    "MARKETMAP",
    "MarketMap",
    "Volume-at-price profile of a fixed window of bars, with its high-volume nodes marked.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    "binCount=40 lastBack=60",
    false,
    {0,
     {1, 2, -1, -1},
     0,
     -1,
     false,
     "firstBack + lastBack bars: the window must lie within the bars seen"},
    VolumeUse::Total,
    IdleRule::WhileEndsCoincide,
    "MARKETMAP's default window is one bar (firstBack = lastBack = 0): set lastBack, e.g. "
    "lastBack=60, for a profile of the last 61 bars",
    "How much volume traded at each price over a fixed window of bars: bin 1 is the lowest price, "
    "the fullest bin reads 1.0. Nodes are clusters of heavy volume: their peaks (mark 2) are "
    "prices the market accepted and tends to come back to; between a node's bounds (mark 1) and "
    "the next node lie thin prices it passed through quickly, where moves tend to be fast. The "
    "profile is only as recent as its window.",
};

double MarketMap::Value(int32_t index) {
  if (index == 0) return lowest;
  if (index == 1) return highest;
  if (index >= kMarkOutputs) return nodeMarks[ClampInt(index - kMarkOutputs, 0, kProfileSize - 1)];
  if (index >= kProfileOutputs) {
    return profile[ClampInt(index - kProfileOutputs, 0, kProfileSize - 1)];
  }
  return 0.0;
}

void MarketMap::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void MarketMap::Reset() {
  ResetTableParameters(kParameterRows, *this);
}

int32_t MarketMap::Calculate(bool isNewBar) {
  if (isNewBar) MapWindow(firstBack, lastBack);
  return 0;
}

void MarketMap::MapWindow(int32_t oneBack, int32_t otherBack) {
  ProfileNodes nodes;
  BuildAndSegmentProfile(*this, profile, binCount, oneBack, otherBack, lowest, highest, nodes,
                         &cache_);
  for (int32_t i = 0; i < binCount; ++i) nodeMarks[i] = 0.0;
  // Bounds are written after peaks.
  for (int32_t i = 0; i < nodes.peakCount; ++i) nodeMarks[nodes.peaks[i]] = kPeakMark;
  for (int32_t i = 0; i < nodes.boundCount; ++i) nodeMarks[nodes.bounds[i]] = kBoundMark;
}

}  // namespace zeb

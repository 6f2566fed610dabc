#include "indicators/static_pcl.h"

#include <iterator>

#include "components/pivot_levels.h"
#include "components/series_stats.h"

namespace zeb {
namespace {

const OutputInfo kOutputs[] = {
    {0, 0, "S3", "third level below the pivot: P - 2(H - L)", OutputRole::Level},
    {1, 1, "S2", "second level below the pivot: P - (H - L)", OutputRole::Level},
    {2, 2, "S1", "first level below the pivot: 2P - H", OutputRole::Level},
    {3, 3, "pivot", "pivot P = (H + L + C) / 3 of the previous day", OutputRole::Level},
    {4, 4, "open", "open of the new day's first bar", OutputRole::Level},
    {5, 5, "prevClose", "last close of the previous day", OutputRole::Level},
    {6, 6, "openPivot", "pivot with the new open: (H + L + open) / 3", OutputRole::Level},
    {7, 7, "R1", "first level above the pivot: 2P - L", OutputRole::Level},
    {8, 8, "R2", "second level above the pivot: P + (H - L)", OutputRole::Level},
    {9, 9, "R3", "third level above the pivot: P + 2(H - L)", OutputRole::Level},
};

}  // namespace

const IndicatorInfo StaticPCL::kInfo = {
    "STATICPCL",
    "StaticPCL",
    "Daily pivot levels from the previous day's high, low and last close, fixed at the first bar "
    "of each new date.",
    nullptr,
    0,
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    -1.0,
    nullptr,
    false,
    {0,
     {-1, -1, -1, -1},
     1,
     -1,
     false,
     "until the first new date: the levels come from a completed day"},
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "Levels for the day, fixed at its first bar from the previous day's high, low and last close. "
    "Price above the pivot leans bullish for the day, below it bearish; R1 to R3 are resistance "
    "above, S1 to S3 support below, each further out, and a close through R1 (S1) is the usual "
    "upward (downward) breakout. The levels do not move during the day, whatever price does; "
    "before the first date change they are not levels at all (warm-up).",
};

double StaticPCL::Value(int32_t index) {
  if (index < 0 || index > 9) return -1.0;
  return levels[index];
}

void StaticPCL::Reset() {
  dayHigh = 0.0;
  dayLow = 1e20;  // no bar has set the day's low yet
}

int32_t StaticPCL::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const double high = highSeries.Newest();
  const double low = lowSeries.Newest();
  if (!IsNewDate()) {
    WidenRange(dayLow, dayHigh, low, high);
    return 0;
  }
  const double H = dayHigh;
  const double L = dayLow;
  dayHigh = high;
  dayLow = low;
  ComputePivotLevels(H, L, closeSeries.Get(1), openSeries.Newest(), levels);
  return 0;
}

}  // namespace zeb

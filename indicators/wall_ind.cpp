#include "indicators/wall_ind.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "components/parameter_table.h"
#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr int32_t kMaxPeriod = Indicator::kMaxWindow;

constexpr ParameterRow<WallInd> kParameterRows[] = {
    FlagParameter(0, "periodMode", &WallInd::periodMode)
        .Default(0)
        .Describe("0: a period is a calendar day; 1: a swing ending at an RSI turn (any other "
                  "value gives 0)"),
    IntegerParameter<WallInd>(1, "period")
        .Default(5)
        .Range(1, kMaxPeriod)
        .Restarts(&WallInd::detector)
        .Describe("RSI period of the turn detector (mode 1); setting it restarts the detector"),
    IntegerParameter(2, "signalThreshold", &WallInd::signalThreshold)
        .Default(1)
        .Range(1, 3)
        .Describe("smallest magnitude of a turn code (1..3) that ends a swing in mode 1"),
    DoubleParameter(3, "maxWidth", &WallInd::maxWidth)
        .Default(10.0)
        .Describe("largest width figure at which the wall is published"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "wallLow", "lower edge of the wall; 0 while the wall is not valid", OutputRole::BandLow},
    {1, 1, "wallHigh", "upper edge of the wall; 0 while the wall is not valid",
     OutputRole::BandHigh},
    {2, 2, "wallWidth", "width figure: largest x 100 x mean distance from the pivot, in percent",
     OutputRole::Figure, "percent"},
};

}  // namespace

const IndicatorInfo WallInd::kInfo = {
    "WALLIND",
    "WallInd",
    "Band of a new period's open and the previous period's pivot, close and open pivot, "
    "published while narrow.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,
    "periodMode=1",
    false,
    {0,
     {-1, -1, -1, -1},
     1,
     -1,
     true,
     "until the first new period has begun and the wall is first published"},
    VolumeUse::None,
    IdleRule::None,
    nullptr,
    "A band (the wall) between the new period's open and three reference prices of the period just "
    "ended, published only while those prices lie close together (wallWidth at most maxWidth): a "
    "tight zone the market agreed on. Price holding above the wall leans bullish, below it "
    "bearish; a close through a tight wall is a breakout from it. While no valid wall exists the "
    "outputs read 0. The wall is built at the start of its period and not moved afterwards, so "
    "late in a long period (in swing mode a period lasts until the next turn) it is stale: it "
    "describes a period long gone.",
};

double WallInd::Value(int32_t index) {
  if (!wallValid) return 0.0;
  switch (index) {
    case 0:
      return wallLow;
    case 1:
      return wallHigh;
    case 2:
      return wallWidth;
    default:
      return 0.0;
  }
}

void WallInd::SetParameter(int32_t index, double value) {
  SetTableParameter(kParameterRows, *this, index, value);
}

void WallInd::Reset() {
  ResetTableParameters(kParameterRows, *this);
  wallLow = 0.0;
  wallHigh = 0.0;
  wallValid = false;
}

int32_t WallInd::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const double open = openSeries.Newest();
  const double high = highSeries.Newest();
  const double low = lowSeries.Newest();
  const double close = closeSeries.Newest();
  bool newPeriod = false;
  if (periodMode == 1) {
    newPeriod = std::abs(detector.Update(open, high, low, close)) >= signalThreshold;
  } else {
    newPeriod = IsNewDate();
  }
  if (newPeriod) {
    StartPeriod(open, close);
    periodHigh = high;
    periodLow = low;
  } else {
    WidenRange(periodLow, periodHigh, low, high);
  }
  previousClose = close;
  return 0;
}

// Computes the wall of the period just ended and keeps it as the mode says.
void WallInd::StartPeriod(double open, double close) {
  const double H = periodHigh;
  const double L = periodLow;
  const double C = previousClose;
  const double pivot = (C + (H + L)) / 3;
  const double openPivot = ((H + L) + open) / 3;
  const double scale = close == 0.0 ? 1.0 : 100 / close;
  const double dOpen = std::fabs(pivot - open);
  const double dPivot = std::fabs(pivot - openPivot);
  const double dClose = std::fabs(pivot - C);
  const double largest = std::max(dPivot, std::max(dClose, dOpen));
  const double mean = ((dClose + dOpen) + dPivot) / 3;
  const double width = ((largest * scale) * 100) * (mean * scale);
  if (periodMode == 0 || !(width > maxWidth)) {
    wallLow = std::min(std::min(open, pivot), std::min(C, openPivot));
    wallHigh = std::max(std::max(open, pivot), std::max(C, openPivot));
    wallWidth = width;
  }
  wallValid = maxWidth >= wallWidth;
}

}  // namespace zeb

#include "indicators/vdvr_sum.h"

#include <cmath>
#include <iterator>

#include "components/parameter_table.h"
#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr ParameterRow<VDVRSum> kParameterRows[] = {
    IntegerParameter(0, "imbalanceWindow", &VDVRSum::imbalanceWindow)
        .Range(1, VDVRSum::kMaxWindow)
        .Describe("bars over which the positive and negative volume differences are summed"),
    IntegerParameter(1, "averageLength", &VDVRSum::averageLength)
        .Range(1, VDVRSum::kMaxWindow)
        .Describe("length of the simple moving average of the weighted imbalance"),
    IntegerParameter(2, "periods", &VDVRSum::periods)
        .Range(1, VDVRSum::kMaxWindow)
        .Describe("dates forming the reference range of the price position (at most 20 used)"),
    IntegerParameter(3, "lookback", &VDVRSum::lookback)
        .Range(1, VDVRSum::kMaxWindow)
        .Describe("bars over which the highest high and lowest low are taken"),
    IntegerParameter(4, "sumLength", &VDVRSum::sumLength)
        .Range(1, VDVRSum::kMaxWindow)
        .Describe("calculations over which the stochastic's offset and range are summed"),
};
constexpr auto kParameters = ParameterInfos(kParameterRows);

const OutputInfo kOutputs[] = {
    {0, 0, "value", "moving average of the position-weighted volume imbalance (every index)",
     OutputRole::Line,
     "volume x position (a fraction of the range): above 0 volume1 outweighs volume2"},
};

}  // namespace

const IndicatorInfo VDVRSum::kInfo = {
    "VDVRS",
    "VDVRSum",
    "Volume imbalance weighted by the price position within the last dates' range, averaged. "
    "No defaults: not a number until the parameters are set.",
    kParameters.data(),
    static_cast<int32_t>(kParameters.size()),
    kOutputs,
    static_cast<int32_t>(std::size(kOutputs)),
    0.0,  // unused: every index answers with the one output
    "imbalanceWindow=10 averageLength=5 periods=5 lookback=14 sumLength=10",
    true,
    {-4,
     {0, 1, 3, 4},
     0,
     2,
     false,
     "imbalanceWindow + averageLength + lookback + sumLength - 4 bars, and until `periods` new "
     "dates have begun"},
    VolumeUse::Split,
    IdleRule::WhileUnset,
    "VDVRS has no defaults: it prints NaN on every bar until imbalanceWindow, averageLength, "
    "periods, lookback and sumLength are all set (zebi demo uses imbalanceWindow=10 "
    "averageLength=5 periods=5 lookback=14 sumLength=10)",
    "The imbalance of volume1 against volume2 over imbalanceWindow bars, weighted by where a "
    "volume-weighted stochastic stands within its range over the last periods dates, then "
    "averaged. Above 0 and rising: buying imbalance, weighted more where price stands high in its "
    "range; below 0: selling. A crossing of 0 is a change of side.",
};

double VDVRSum::Value(int32_t /*index*/) {
  return value;
}

void VDVRSum::SetParameter(int32_t index, double parameter) {
  SetTableParameter(kParameterRows, *this, index, parameter);
}

int32_t VDVRSum::Calculate(bool isNewBar) {
  const bool newDate = IsNewDate();
  const double q = stochastic.Update(*this, lookback, sumLength);

  const double v = volumeSeries.Newest();
  const double lv = v > 0.0 ? std::log(v) : v;
  const double position = range.Update((q - 0.5) * lv, periods, newDate);

  double positive = 0.0;
  double negative = 0.0;
  imbalance.Update(*this, isNewBar, imbalanceWindow, 1, positive, negative);
  const double weighted = std::fabs(positive * position) - std::fabs(negative * position);
  weightedSeries.Push(weighted);
  value = WindowAverage(weightedSeries, weighted, averageLength);
  return 0;
}

}  // namespace zeb

#include "indicators/vdvr_sum.h"

#include <cmath>

#include "components/series_stats.h"

namespace zeb {
namespace {

const ParameterInfo kParameters[] = {
    {0, "imbalanceWindow", ParameterKind::Integer, false, 0, true, 1, VDVRSum::kMaxWindow,
     "bars over which the positive and negative volume differences are summed"},
    {1, "averageLength", ParameterKind::Integer, false, 0, true, 1, VDVRSum::kMaxWindow,
     "length of the simple moving average of the weighted imbalance"},
    {2, "periods", ParameterKind::Integer, false, 0, true, 1, VDVRSum::kMaxWindow,
     "dates forming the reference range of the price position (at most 20 used)"},
    {3, "lookback", ParameterKind::Integer, false, 0, true, 1, VDVRSum::kMaxWindow,
     "bars over which the highest high and lowest low are taken"},
    {4, "sumLength", ParameterKind::Integer, false, 0, true, 1, VDVRSum::kMaxWindow,
     "calculations over which the stochastic's offset and range are summed"},
};

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
    kParameters,
    static_cast<int32_t>(sizeof(kParameters) / sizeof(kParameters[0])),
    kOutputs,
    static_cast<int32_t>(sizeof(kOutputs) / sizeof(kOutputs[0])),
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
  int32_t* const fields[] = {&imbalanceWindow, &averageLength, &periods, &lookback, &sumLength};
  if (index < 0 || index >= static_cast<int32_t>(sizeof(fields) / sizeof(fields[0]))) return;
  *fields[index] = ClampedParameter(parameter, 1, kMaxWindow);
}

int32_t VDVRSum::Calculate(bool isNewBar) {
  const bool newDate = IsNewDate();
  const double q = stochastic.Update(*this, lookback, sumLength);

  const double v = volumeSeries.Get(0);
  const double lv = v > 0.0 ? std::log(v) : v;
  const double position = range.Update((q - 0.5) * lv, periods, newDate);

  double positive = 0.0;
  double negative = 0.0;
  imbalance.Update(*this, isNewBar, imbalanceWindow, 1, positive, negative);
  weightedSeries.Push(std::fabs(positive * position) - std::fabs(negative * position));
  value = SeriesAverage(weightedSeries, averageLength);
  return 0;
}

}  // namespace zeb

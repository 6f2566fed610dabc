#include "components/series_stats.h"
#include "components/volume_imbalance.h"
#include "core/indicator.h"

namespace zeb {

void VolumeImbalance::Update(const Indicator& indicator, bool isNewBar, int32_t window,
                             int32_t averageLength, double& positive, double& negative) {
  const double d = indicator.volume1Series.Get(0) - indicator.volume2Series.Get(0);
  const double positivePart = d < 0.0 ? 0.0 : d;
  const double negativePart = d < 0.0 ? -d : 0.0;
  if (isNewBar) {
    positiveSeries.Push(positivePart);
    negativeSeries.Push(negativePart);
  } else {
    positiveSeries.SetCurrent(positivePart);
    negativeSeries.SetCurrent(negativePart);
  }
  const double sp = SeriesSum(positiveSeries, window);
  const double sn = SeriesSum(negativeSeries, window);
  positive = positiveAverage.Update(averageLength, sp);
  negative = negativeAverage.Update(averageLength, sn);
}

}  // namespace zeb

#include "components/volume_imbalance.h"

#include "core/indicator.h"

namespace zeb {
void VolumeImbalance::Update(const Indicator& indicator, bool isNewBar, int32_t window,
                             int32_t averageLength, double& positive, double& negative) {
  const double d = indicator.volume1Series.Newest() - indicator.volume2Series.Newest();
  const double positivePart = d < 0.0 ? 0.0 : d;
  const double negativePart = d < 0.0 ? -d : 0.0;
  if (isNewBar) {
    positiveSeries.Push(positivePart);
    negativeSeries.Push(negativePart);
  } else {
    positiveSeries.SetCurrent(positivePart);
    negativeSeries.SetCurrent(negativePart);
  }
  // Both window sums newest first from 0.0, the order that fixes their
  // rounding (as SeriesSum), in one walk over the two series.
  double sp = 0.0;
  double sn = 0.0;
  positiveSeries.ForEachBackWith(negativeSeries, 0, window, [&sp, &sn](double p, double n) {
    sp += p;
    sn += n;
  });
  positive = positiveAverage.Update(averageLength, sp);
  negative = negativeAverage.Update(averageLength, sn);
}

}  // namespace zeb

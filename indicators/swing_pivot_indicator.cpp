#include "indicators/swing_pivot_indicator.h"

#include <cstdlib>

#include "components/pivot_levels.h"
#include "components/series_stats.h"

namespace zeb {

double SwingPivotIndicator::Value(int32_t index) {
  if (index < 0 || index > 9) return 0.0;
  return levels[index];
}

void SwingPivotIndicator::SetParameter(int32_t index, double value) {
  // The period restarts the detector also when unchanged: the turn memories clear.
  SetTableParameter(kSwingParameterRows, *this, index, value);
}

void SwingPivotIndicator::Reset() {
  ResetTableParameters(kSwingParameterRows, *this);
}

int32_t SwingPivotIndicator::Calculate(bool isNewBar) {
  if (!isNewBar) return 0;
  const double open = openSeries.Get(0);
  const double high = highSeries.Get(0);
  const double low = lowSeries.Get(0);
  const int32_t code = detector.Update(open, high, low, closeSeries.Get(0));
  if (std::abs(code) < signalThreshold) {
    if (high > rangeHigh) rangeHigh = high;
    if (low < rangeLow) rangeLow = low;
    return 0;
  }
  double H = rangeHigh;
  double L = rangeLow;
  CompleteSwing(H, L);
  rangeHigh = high;
  rangeLow = low;
  ComputePivotLevels(H, L, closeSeries.Get(1), open, levels);
  return 0;
}

}  // namespace zeb

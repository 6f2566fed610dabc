#include "components/period_range.h"

#include "components/series_stats.h"

namespace zeb {

double PeriodRange::Update(double x, int32_t periods, bool newPeriod) {
  if (newPeriod) {
    const int32_t n = ClampInt(periods, 1, kPeriods);
    referenceLow = periodLows[0];
    referenceHigh = periodHighs[0];
    for (int32_t i = 1; i < n; ++i) {
      if (periodLows[i] < referenceLow) referenceLow = periodLows[i];
      if (periodHighs[i] > referenceHigh) referenceHigh = periodHighs[i];
    }
    for (int32_t i = kPeriods - 1; i >= 1; --i) {
      periodLows[i] = periodLows[i - 1];
      periodHighs[i] = periodHighs[i - 1];
    }
    periodLows[0] = x;
    periodHighs[0] = x;
  } else {
    WidenRange(periodLows[0], periodHighs[0], x, x);
  }
  if (referenceLow == referenceHigh) return 0.0;
  return (x - referenceLow) / (referenceHigh - referenceLow);
}

}  // namespace zeb

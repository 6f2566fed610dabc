#pragma once

#include <cstdint>

namespace zeb {

// Low and high of a value in each of the last 20 periods (a period ends where
// the bar's date changes). Reports where the current value lies within the
// range spanned by the most recent periods: 0 at that range's low, 1 at its
// high, outside 0..1 on a breakout. The reference range is fixed when a period
// begins; before the first period ends it is 0..1, so x passes through.
class PeriodRange {
 public:
  static constexpr int32_t kPeriods = 20;

  // periods (clamped to 1..20) counts the periods forming the reference range,
  // the one that has just ended included, when newPeriod starts a new one.
  double Update(double x, int32_t periods, bool newPeriod);

  double periodLows[kPeriods] = {};  // element 0 is the current period
  double periodHighs[kPeriods] = {};
  double referenceLow = 0.0;
  double referenceHigh = 1.0;
};

}  // namespace zeb

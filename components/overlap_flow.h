#pragma once

#include <cstdint>

#include "components/period_range.h"

namespace zeb {

class Indicator;

// Volume-weighted price flow of a bar: the close's change over `lag` bars,
// scaled by how much the bar overlaps the previous one (as a share of its own
// range) and by its volume. The first lag - 1 bars of each date repeat the
// flow last computed, unless every bar is a date of its own (daily bars).
// The result is the flow's position within its range over the last periods.
class OverlapFlow {
 public:
  // lag lies in 0..299, within the 300-bar close history.
  double Update(const Indicator& indicator, int32_t lag, int32_t periods);

  PeriodRange range;
  double heldValue = 0.0;
  int32_t barCount = 0;  // calls since the last new date, this one included
};

}  // namespace zeb

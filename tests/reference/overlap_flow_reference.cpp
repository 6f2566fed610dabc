#include <cmath>
#include <limits>

#include "components/overlap_flow.h"
#include "core/indicator.h"

namespace zeb {

double OverlapFlow::Update(const Indicator& indicator, int32_t lag, int32_t periods) {
  const bool newDate = indicator.IsNewDate();
  if (newDate) barCount = 0;
  // Saturates instead of overflowing on an endless date; any lag is long reached.
  if (barCount < std::numeric_limits<int32_t>::max()) ++barCount;

  const IntRingSeries& dates = indicator.dateSeries;
  const bool dailyBars = dates.Get(0) != dates.Get(1) && dates.Get(1) != dates.Get(2);
  double flow = heldValue;
  if (barCount >= lag || dailyBars) {
    const double h0 = indicator.highSeries.Get(0);
    const double l0 = indicator.lowSeries.Get(0);
    const double h1 = indicator.highSeries.Get(1);
    const double l1 = indicator.lowSeries.Get(1);
    const double overlap = (h0 < h1 ? h0 : h1) - (l0 > l1 ? l0 : l1);
    const double ratio = l0 == h0 ? 0.0 : overlap / (h0 - l0);
    const double change = indicator.closeSeries.Get(0) - indicator.closeSeries.Get(lag);
    const double computed = change * ratio * indicator.volumeSeries.Get(0);
    // A bar range near zero can make the ratio overflow. Such a flow is not
    // taken: the last one is held, so the period ranges never keep an
    // infinity or a NaN for their 20 periods.
    if (std::isfinite(computed)) flow = computed;
  }
  heldValue = flow;
  return range.Update(flow, periods, newDate);
}

}  // namespace zeb

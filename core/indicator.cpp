#include "core/indicator.h"

namespace zeb {

int32_t Indicator::SetBar(int32_t bar, int32_t date, int32_t time, double open, double high,
                          double low, double close, double volume1, double volume2,
                          bool calculate) {
  bool isNewBar = false;
  const double volume = volume1 + volume2;
  if (bar == barNumber) {
    dateSeries.SetCurrent(date);
    timeSeries.SetCurrent(time);
    openSeries.SetCurrent(open);
    highSeries.SetCurrent(high);
    lowSeries.SetCurrent(low);
    closeSeries.SetCurrent(close);
    volume1Series.SetCurrent(volume1);
    volume2Series.SetCurrent(volume2);
    volumeSeries.SetCurrent(volume);
  } else if (bar > barNumber) {
    // Skipped bar numbers are filled with copies of the new bar.
    const int64_t steps = static_cast<int64_t>(bar) - barNumber;
    if (steps == 1) {
      // The usual case: every series advances by one slot, and the series of
      // each kind share their position, so it is advanced once per kind.
      IntRingSeries::PushEach(dateSeries, date, timeSeries, time);
      RingSeries::PushEach(openSeries, open, highSeries, high, lowSeries, low, closeSeries, close,
                           volume1Series, volume1, volume2Series, volume2, volumeSeries, volume);
    } else {
      dateSeries.PushRepeated(date, steps);
      timeSeries.PushRepeated(time, steps);
      openSeries.PushRepeated(open, steps);
      highSeries.PushRepeated(high, steps);
      lowSeries.PushRepeated(low, steps);
      closeSeries.PushRepeated(close, steps);
      volume1Series.PushRepeated(volume1, steps);
      volume2Series.PushRepeated(volume2, steps);
      volumeSeries.PushRepeated(volume, steps);
    }
    barNumber = bar;
    isNewBar = true;
  }
  OnBar(isNewBar);
  return calculate ? Calculate(isNewBar) : 0;
}

}  // namespace zeb

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/indicator.h"
#include "core/usable_bar.h"

namespace zeb {

int32_t Indicator::SetBar(int32_t bar, int32_t date, int32_t time, double open, double high,
                          double low, double close, double volume1, double volume2,
                          bool calculate) {
  if (bar >= barNumber && UnusableBarFields({open, high, low, close, volume1, volume2}) != 0) {
    ReplaceUnusableValues(bar, open, high, low, close, volume1, volume2);
  }
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
    dateSeries.PushRepeated(date, steps);
    timeSeries.PushRepeated(time, steps);
    openSeries.PushRepeated(open, steps);
    highSeries.PushRepeated(high, steps);
    lowSeries.PushRepeated(low, steps);
    closeSeries.PushRepeated(close, steps);
    volume1Series.PushRepeated(volume1, steps);
    volume2Series.PushRepeated(volume2, steps);
    volumeSeries.PushRepeated(volume, steps);
    barNumber = bar;
    isNewBar = true;
  }
  OnBar(isNewBar);
  return calculate ? Calculate(isNewBar) : 0;
}

void Indicator::ReplaceUnusableValues(int32_t bar, double& open, double& high, double& low,
                                      double& close, double& volume1, double& volume2) {
  BarValues values{open, high, low, close, volume1, volume2};
  const uint32_t replaced = UnusableBarFields(values);
  const BarValues previous{openSeries.Get(0),  highSeries.Get(0),    lowSeries.Get(0),
                           closeSeries.Get(0), volume1Series.Get(0), volume2Series.Get(0)};
  ReplaceBarFields(values, replaced, previous);
  open = values.open;
  high = values.high;
  low = values.low;
  close = values.close;
  volume1 = values.volume1;
  volume2 = values.volume2;
  replacedBar = bar;
  replacedFields = replaced;
}

void Indicator::SetDoubleParameter(double& parameter, int32_t index, double value) {
  if (std::isnan(value)) {
    parameterIgnored = true;
    ignoredParameter = index;
    return;
  }
  parameter = value;
}

void Indicator::AppendStatusNotes(char* text, size_t size) const {
  // Appends one formatted piece after what `text` already holds.
  const auto append = [text, size](const char* format, auto... args) {
    const size_t used = std::strlen(text);
    if (used + 1 < size) std::snprintf(text + used, size - used, format, args...);
  };
  if (replacedFields != 0) {
    append("; bar %d stored with unusable figures replaced:", static_cast<int>(replacedBar));
    for (int32_t i = 0; i < kBarFieldCount; ++i) {
      if (replacedFields & (1u << i)) append(" %s", BarFieldName(i));
    }
  }
  if (parameterIgnored) {
    append("; parameter %d given NaN, previous value kept", static_cast<int>(ignoredParameter));
  }
}

}  // namespace zeb

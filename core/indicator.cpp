#include "core/indicator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace zeb {

int32_t Indicator::SetBarInGeneral(int32_t bar, int32_t date, int32_t time, double open,
                                   double high, double low, double close, double volume1,
                                   double volume2, bool calculate) {
  const bool isNewBar = bar > barNumber;
  if (bar >= barNumber) {
    BarValues values{open, high, low, close, volume1, volume2};
    if (!SurelyUsableBar(values)) values = WithUsableValues(bar, values);
    const int64_t steps = static_cast<int64_t>(bar) - barNumber;
    if (steps > 1) FillSkippedBars(steps, date, time, values);
    StoreBar(isNewBar ? 1 : 0, date, time, values);
    barNumber = bar;
  }
  OnBar(isNewBar);
  return calculate ? Calculate(isNewBar) : 0;
}

void Indicator::FillSkippedBars(int64_t steps, int32_t date, int32_t time,
                                const BarValues& values) {
  // Once every slot of a series holds the bar further copies change nothing
  // that can be read, so the copies stop at one fill (the newest slot is
  // written by StoreBar).
  const auto fill = [steps](int32_t slot, int32_t capacity, auto write) {
    const int64_t slots = steps < capacity ? steps : capacity;
    for (int64_t i = 1; i < slots; ++i) {
      slot = SlotAfter(slot, 1, capacity);
      write(slot);
    }
    return slot;
  };
  BarBlock* const block = bars_.get();
  const int32_t priceSlot =
      fill(openSeries.position_, kBarCapacity, [block, &values](int32_t slot) {
        if (block) block->WritePrices(slot, values);
      });
  const int32_t stampSlot =
      fill(dateSeries.position_, kStampCapacity, [block, date, time](int32_t slot) {
        if (block) block->WriteStamps(slot, date, time);
      });
  MoveSeriesToSlots(priceSlot, stampSlot);
}

BarValues Indicator::WithUsableValues(int32_t bar, BarValues values) {
  const uint32_t replaced = UnusableBarFields(values);
  if (replaced == 0) return values;
  const BarValues previous{openSeries.Get(0),  highSeries.Get(0),    lowSeries.Get(0),
                           closeSeries.Get(0), volume1Series.Get(0), volume2Series.Get(0)};
  ReplaceBarFields(values, replaced, previous);
  replacedBar = bar;
  replacedFields = replaced;
  return values;
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

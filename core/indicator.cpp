#include "core/indicator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace zeb {

int32_t Indicator::SetBar(int32_t bar, int32_t date, int32_t time, double open, double high,
                          double low, double close, double volume1, double volume2,
                          bool calculate) {
  const bool isNewBar = bar > barNumber;
  if (bar >= barNumber) {
    BarValues values{open, high, low, close, volume1, volume2};
    if (!SurelyUsableBar(values)) values = WithUsableValues(bar, values);
    if (isNewBar) {
      const int64_t steps = static_cast<int64_t>(bar) - barNumber;
      if (steps == 1) {
        priceSlot_ = NextSlot(priceSlot_, kBarCapacity);
        stampSlot_ = NextSlot(stampSlot_, kStampCapacity);
      } else {
        FillSkippedBars(steps, date, time, values);
      }
      MoveSeriesToSlots();
      barNumber = bar;
    }
    if (bars_) bars_->Write(priceSlot_, stampSlot_, date, time, values);
  }
  OnBar(isNewBar);
  return calculate ? Calculate(isNewBar) : 0;
}

void Indicator::FillSkippedBars(int64_t steps, int32_t date, int32_t time, BarValues values) {
  // Once every slot of a series holds the bar further copies change nothing
  // that can be read, so the copies stop at one fill (the newest slot is
  // written by the caller).
  const auto fill = [steps](int32_t& slot, int32_t capacity, auto write) {
    const int64_t slots = steps < capacity ? steps : capacity;
    for (int64_t i = 1; i < slots; ++i) {
      slot = NextSlot(slot, capacity);
      write(slot);
    }
    slot = NextSlot(slot, capacity);
  };
  BarBlock* const block = bars_.get();
  fill(priceSlot_, kBarCapacity, [block, &values](int32_t slot) {
    if (block) block->WritePrices(slot, values);
  });
  fill(stampSlot_, kStampCapacity, [block, date, time](int32_t slot) {
    if (block) block->WriteStamps(slot, date, time);
  });
}

void Indicator::BarBlock::Write(int32_t priceSlot, int32_t stampSlot, int32_t date, int32_t time,
                                const BarValues& values) {
  WritePrices(priceSlot, values);
  WriteStamps(stampSlot, date, time);
}

void Indicator::BarBlock::WritePrices(int32_t slot, const BarValues& values) {
  prices[kOpen][slot] = values.open;
  prices[kHigh][slot] = values.high;
  prices[kLow][slot] = values.low;
  prices[kClose][slot] = values.close;
  prices[kVolume1][slot] = values.volume1;
  prices[kVolume2][slot] = values.volume2;
  prices[kVolume][slot] = values.volume1 + values.volume2;
}

void Indicator::BarBlock::WriteStamps(int32_t slot, int32_t date, int32_t time) {
  stamps[kDate][slot] = date;
  stamps[kTime][slot] = time;
}

void Indicator::MoveSeriesToSlots() {
  openSeries.position_ = priceSlot_;
  highSeries.position_ = priceSlot_;
  lowSeries.position_ = priceSlot_;
  closeSeries.position_ = priceSlot_;
  volumeSeries.position_ = priceSlot_;
  volume1Series.position_ = priceSlot_;
  volume2Series.position_ = priceSlot_;
  dateSeries.position_ = stampSlot_;
  timeSeries.position_ = stampSlot_;
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

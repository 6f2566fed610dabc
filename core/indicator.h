#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

#include "core/ring_series.h"
#include "core/usable_bar.h"

namespace zeb {

// Base of every indicator: the bar history every indicator reads, the identity
// fields the registry uses, and the bar store that drives OnBar and Calculate.
//
// Derived classes give every field a default member initializer so that an
// instance starts zero-filled apart from what construction and Reset set.
class Indicator {
 public:
  static constexpr int32_t kBarCapacity = 300;
  // Longest window over the bar history: offsets 0..kMaxWindow reach every stored bar.
  static constexpr int32_t kMaxWindow = kBarCapacity - 1;
  static constexpr int32_t kStampCapacity = 10;
  static constexpr int32_t kSymbolSize = 50;
  static constexpr int32_t kStatusSize = 1024;

  Indicator() = default;
  Indicator(const Indicator&) = delete;
  Indicator& operator=(const Indicator&) = delete;
  virtual ~Indicator() = default;

  virtual double Value(int32_t index) = 0;
  virtual void SetParameter(int32_t /*index*/, double /*value*/) {}
  virtual void Reset() {}
  virtual int32_t Calculate(bool isNewBar) = 0;
  virtual void OnBar(bool /*isNewBar*/) {}

  // A new zero-filled T (value-initialised before its constructors run), or
  // null when memory runs out. SetBar skips the call of OnBar for a class
  // that keeps the base's empty one.
  template <typename T>
  static Indicator* New() {
    T* const instance = new (std::nothrow) T();
    if (instance) {
      static_cast<Indicator*>(instance)->callsOnBar_ =
          !std::is_same<decltype(&T::OnBar), decltype(&Indicator::OnBar)>::value;
    }
    return instance;
  }

  // Stores one bar: in place for the same bar number, pushed (bar - barNumber)
  // times for a higher one, ignored for a lower one. Then runs OnBar and, when
  // asked, Calculate, whose result is returned (0 otherwise).
  //
  // Inline, so that a caller stores the usual bar without a call: the same or
  // the next bar number, usable figures, no OnBar to run. Anything else takes
  // the general path out of line.
  int32_t SetBar(int32_t bar, int32_t date, int32_t time, double open, double high, double low,
                 double close, double volume1, double volume2, bool calculate) {
    const BarValues values{open, high, low, close, volume1, volume2};
    // 0 or 1 for the same or the next bar number (exact once bar >= barNumber;
    // 32-bit, so that 32-bit builds need no pair of registers for it).
    const uint32_t steps = static_cast<uint32_t>(bar) - static_cast<uint32_t>(barNumber);
    if (bar < barNumber || steps > 1 || callsOnBar_ || !SurelyUsableBar(values)) {
      return SetBarInGeneral(bar, date, time, open, high, low, close, volume1, volume2, calculate);
    }
    StoreBar(static_cast<int32_t>(steps), date, time, values);
    barNumber = bar;
    return calculate ? Calculate(steps != 0) : 0;
  }

  // Appends to `text` (of `size` bytes, NUL-terminated) what the instance had
  // to refuse: the last bar whose figures were replaced and the last NaN
  // given to a double parameter. Appends nothing while there is neither.
  void AppendStatusNotes(char* text, size_t size) const;

  // True when the newest bar carries a different date from the one before it.
  bool IsNewDate() const { return dateSeries.Newest() != dateSeries.Get(1); }

  int32_t handle = 0;
  int32_t barNumber = 0;
  char symbol[kSymbolSize] = {};
  char statusText[kStatusSize] = {};

 private:
  // The storage of every bar series, one zero-filled block: a bar is stored
  // with one storage test and one position per capacity. Null when it could
  // not be allocated: the bar series then read 0 and ignore writes.
  enum PriceColumn { kOpen, kHigh, kLow, kClose, kVolume, kVolume1, kVolume2, kPriceColumns };
  enum StampColumn { kDate, kTime, kStampColumns };
  struct BarBlock {
    double prices[kPriceColumns][kBarCapacity];
    int32_t stamps[kStampColumns][kStampCapacity];
    void WritePrices(int32_t slot, const BarValues& values) {
      prices[kOpen][slot] = values.open;
      prices[kHigh][slot] = values.high;
      prices[kLow][slot] = values.low;
      prices[kClose][slot] = values.close;
      prices[kVolume1][slot] = values.volume1;
      prices[kVolume2][slot] = values.volume2;
      prices[kVolume][slot] = values.volume1 + values.volume2;
    }
    void WriteStamps(int32_t slot, int32_t date, int32_t time) {
      stamps[kDate][slot] = date;
      stamps[kTime][slot] = time;
    }
  };
  std::unique_ptr<BarBlock> bars_{new (std::nothrow) BarBlock()};
  // Whether SetBar calls OnBar: always, unless New made the instance and its
  // class keeps the base's empty OnBar.
  bool callsOnBar_ = true;

  double* Column(PriceColumn c) { return bars_ ? bars_->prices[c] : nullptr; }
  int32_t* Column(StampColumn c) { return bars_ ? bars_->stamps[c] : nullptr; }

 public:
  RingSeries openSeries{Column(kOpen), kBarCapacity};
  RingSeries highSeries{Column(kHigh), kBarCapacity};
  RingSeries lowSeries{Column(kLow), kBarCapacity};
  RingSeries closeSeries{Column(kClose), kBarCapacity};
  RingSeries volumeSeries{Column(kVolume), kBarCapacity};
  RingSeries volume1Series{Column(kVolume1), kBarCapacity};
  RingSeries volume2Series{Column(kVolume2), kBarCapacity};
  IntRingSeries dateSeries{Column(kDate), kStampCapacity};
  IntRingSeries timeSeries{Column(kTime), kStampCapacity};

  // The last bar stored with replaced figures, and their BarField bits (0
  // while no figure has been replaced).
  int32_t replacedBar = 0;
  uint32_t replacedFields = 0;
  // The last double parameter that was given a NaN and kept its value.
  bool parameterIgnored = false;
  int32_t ignoredParameter = 0;

  // Stores `value` in a double parameter unless it is NaN, which leaves the
  // parameter as it was and is noted for the status text.
  void SetDoubleParameter(double& parameter, int32_t index, double value);

 private:
  // SetBar for every call: jumps, older bars, unusable figures, OnBar.
  // (The figures go one by one, in registers where the platform has them.)
  int32_t SetBarInGeneral(int32_t bar, int32_t date, int32_t time, double open, double high,
                          double low, double close, double volume1, double volume2, bool calculate);

  // Stores a usable bar `steps` (0 or 1) numbers above the newest: in the
  // newest slots, or in the slots after them, which become the newest.
  void StoreBar(int32_t steps, int32_t date, int32_t time, const BarValues& values) {
    const int32_t priceSlot = SlotAfter(openSeries.position_, steps, kBarCapacity);
    const int32_t stampSlot = SlotAfter(dateSeries.position_, steps, kStampCapacity);
    MoveSeriesToSlots(priceSlot, stampSlot);
    if (bars_) {
      bars_->WritePrices(priceSlot, values);
      bars_->WriteStamps(stampSlot, date, time);
    }
  }
  // Slot `steps` (0 or 1) after `slot` in a ring of `capacity` slots.
  static int32_t SlotAfter(int32_t slot, int32_t steps, int32_t capacity) {
    const int32_t next = slot + steps;
    return next < capacity ? next : 0;
  }
  // Moves the newest element of the price series to `priceSlot` and of the
  // date and time series to `stampSlot`: the bar store owns their positions.
  void MoveSeriesToSlots(int32_t priceSlot, int32_t stampSlot) {
    openSeries.position_ = priceSlot;
    highSeries.position_ = priceSlot;
    lowSeries.position_ = priceSlot;
    closeSeries.position_ = priceSlot;
    volumeSeries.position_ = priceSlot;
    volume1Series.position_ = priceSlot;
    volume2Series.position_ = priceSlot;
    dateSeries.position_ = stampSlot;
    timeSeries.position_ = stampSlot;
  }
  // For a bar `steps` > 1 numbers above the newest: writes copies of the bar
  // into the skipped slots and moves the series onto the last of them, so
  // that StoreBar stores the bar itself in the slots after it.
  void FillSkippedBars(int64_t steps, int32_t date, int32_t time, const BarValues& values);
  // The bar about to be stored with its unusable figures replaced
  // (core/usable_bar.h); a replacement is noted for the status text.
  BarValues WithUsableValues(int32_t bar, BarValues values);
};

}  // namespace zeb

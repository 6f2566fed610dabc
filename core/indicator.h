#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

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

  // Stores one bar: in place for the same bar number, pushed (bar - barNumber)
  // times for a higher one, ignored for a lower one. Then runs OnBar and, when
  // asked, Calculate, whose result is returned (0 otherwise).
  int32_t SetBar(int32_t bar, int32_t date, int32_t time, double open, double high, double low,
                 double close, double volume1, double volume2, bool calculate);

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
    void WritePrices(int32_t slot, const BarValues& values);
    void WriteStamps(int32_t slot, int32_t date, int32_t time);
    void Write(int32_t priceSlot, int32_t stampSlot, int32_t date, int32_t time,
               const BarValues& values);
  };
  std::unique_ptr<BarBlock> bars_{new (std::nothrow) BarBlock()};
  // Newest slot of the price series and of the date and time series. The bar
  // store owns the bar series' positions: every new bar sets them to these.
  int32_t priceSlot_ = 0;
  int32_t stampSlot_ = 0;

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
  // Slot after `slot` in a ring of `capacity` slots.
  static int32_t NextSlot(int32_t slot, int32_t capacity) {
    return slot + 1 < capacity ? slot + 1 : 0;
  }
  // For a bar `steps` > 1 numbers above the newest: moves the shared slots on
  // and writes copies of the bar into the skipped ones (not the newest).
  void FillSkippedBars(int64_t steps, int32_t date, int32_t time, BarValues values);
  // The bar about to be stored with its unusable figures replaced
  // (core/usable_bar.h); a replacement is noted for the status text.
  BarValues WithUsableValues(int32_t bar, BarValues values);
  // Moves the newest element of every bar series to the shared slots.
  void MoveSeriesToSlots();
};

}  // namespace zeb

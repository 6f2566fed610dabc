#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ring_series.h"

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
  bool IsNewDate() const { return dateSeries.Get(0) != dateSeries.Get(1); }

  int32_t handle = 0;
  int32_t barNumber = 0;
  char symbol[kSymbolSize] = {};
  char statusText[kStatusSize] = {};

  RingSeries openSeries{kBarCapacity};
  RingSeries highSeries{kBarCapacity};
  RingSeries lowSeries{kBarCapacity};
  RingSeries closeSeries{kBarCapacity};
  RingSeries volumeSeries{kBarCapacity};
  RingSeries volume1Series{kBarCapacity};
  RingSeries volume2Series{kBarCapacity};
  IntRingSeries dateSeries{kStampCapacity};
  IntRingSeries timeSeries{kStampCapacity};

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
  // Replaces the unusable figures of a bar about to be stored
  // (core/usable_bar.h) and notes the replacement for the status text.
  void ReplaceUnusableValues(int32_t bar, double& open, double& high, double& low, double& close,
                             double& volume1, double& volume2);
};

}  // namespace zeb

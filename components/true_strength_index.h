#pragma once

#include <cstdint>

#include "components/exp_average.h"

namespace zeb {

// True Strength Index: the close-to-close change smoothed in three stages,
// divided by its absolute value smoothed the same way, on a -100..+100 scale,
// with an exponential signal line. Every average is seeded at 0 by the first
// update after Init, which only records the close.
class TrueStrengthIndex {
 public:
  void Init(int32_t first, int32_t second, int32_t third, int32_t signalSmoothing);
  void Update(double close);

  int32_t firstLength = 0;
  int32_t secondLength = 0;
  int32_t thirdLength = 0;
  int32_t signalLength = 0;
  bool firstUpdate = false;
  double prevClose = 0.0;
  double value = 0.0;
  double signal = 0.0;
  double momentum1 = 0.0;
  double momentum2 = 0.0;
  double momentum3 = 0.0;
  double absMomentum1 = 0.0;
  double absMomentum2 = 0.0;
  double absMomentum3 = 0.0;

 private:
  // Smoothing factors of the four lengths, fixed by Init.
  double firstFactor_ = SmoothingFactor(0);
  double secondFactor_ = SmoothingFactor(0);
  double thirdFactor_ = SmoothingFactor(0);
  double signalFactor_ = SmoothingFactor(0);

  void SeedAverages();
  // True while every average, the index and the signal are finite.
  bool Finite() const;
};

}  // namespace zeb

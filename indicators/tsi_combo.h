#pragma once

#include "components/squeeze_detector.h"
#include "components/true_strength_index.h"
#include "components/window_series.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Breakout of a smoothed Random Walk Index difference: beyond mean +/- 1.33 sd
// of its recent values and beyond the fixed limits 2.08 (up) or -1.92 (down),
// and still moving away from zero compared with the previous value.
bool IsRwiBreakout(double smooth, double prev, double mean, double sd);

// Three independent studies over the same bars. Outputs 0 and 1 are the True
// Strength Index (-100..+100, momentum smoothed against its absolute value)
// and its signal line; output 2 is 1 while volatility is squeezed (Bollinger
// band inside the true-range channel); output 3 is 1 on a Random Walk Index
// breakout: the smoothed RWI difference beyond its own statistical band and
// beyond the fixed limits 2.08 above or -1.92 below, still moving outward.
class TSICombo : public Indicator {
 public:
  static const IndicatorInfo kInfo;
  // Capacity of the windowed series, and so the largest squeeze and RWI window.
  static constexpr int32_t kMaxWindow = 100;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  int32_t firstLength = 0;
  int32_t secondLength = 0;
  int32_t thirdLength = 0;
  int32_t signalLength = 0;
  int32_t squeezeLength = 0;  // 1..kMaxWindow
  double bandMultiplier = 0.0;
  double channelMultiplier = 0.0;
  int32_t rwiLength = 0;  // 1..kMaxWindow
  bool needsInit = false;
  bool breakout = false;
  TrueStrengthIndex tsi;
  SqueezeDetector squeeze;
  WindowSeries<kMaxWindow> trueRangeSeries;
  WindowSeries<3> rwiDiffSeries;
  WindowSeries<kMaxWindow> rwiSmoothSeries;

 private:
  void UpdateInterleaved(double high, double low, double close);
  double NextRwiSmooth(double atr, double high, double low);
  void UpdateBreakout(double smooth, double smoothSum);
};

}  // namespace zeb

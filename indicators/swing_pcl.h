#pragma once

#include "indicators/swing_pivot_indicator.h"

namespace zeb {

// FloatPCL with a memory of past swings: the same ten pivot levels, but the
// high and low behind them span the last `swingCount` completed swings (1 to
// 10), so the levels describe a wider stretch of the market and move less
// often. With swingCount 1 it gives exactly FloatPCL's levels.
class SwingPCL : public SwingPivotIndicator {
 public:
  static const IndicatorInfo kInfo;
  static constexpr int32_t kHistory = 10;

  void SetParameter(int32_t index, double value) override;
  void Reset() override;

  double swingLows[kHistory] = {};  // completed swings, newest first
  double swingHighs[kHistory] = {};
  int32_t swingCount = 0;

 protected:
  void CompleteSwing(double& high, double& low) override;
};

}  // namespace zeb

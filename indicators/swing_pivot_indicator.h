#pragma once

#include "components/parameter_table.h"
#include "components/rsi_turn_detector.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// Pivot levels over swings that end at RSI turns: what FloatPCL and SwingPCL
// share. Each new bar feeds the turn detector; while its code stays below the
// threshold the bar widens the range of the swing in progress, and a strong
// enough code completes the swing and republishes the ten levels from the
// range that CompleteSwing returns. The bar that ends a swing opens the next.
class SwingPivotIndicator : public Indicator {
 public:
  static constexpr int32_t kMaxPeriod = kMaxWindow;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  double rangeHigh = 0.0;  // extremes of the swing in progress
  double rangeLow = 0.0;
  double levels[10] = {};
  int32_t signalThreshold = 0;  // smallest code magnitude that ends a swing
  RsiTurnDetector detector;

 protected:
  // Called when the swing in progress (rangeHigh, rangeLow) is complete; high
  // and low arrive as its extremes and leave as those the levels use.
  virtual void CompleteSwing(double& high, double& low) = 0;
};

// Parameters and outputs both indicators describe alike.
inline constexpr ParameterRow<SwingPivotIndicator> kSwingParameterRows[] = {
    IntegerParameter<SwingPivotIndicator>(0, "period")
        .Default(RsiTurnDetector::kDefaultPeriod)
        .Range(1, SwingPivotIndicator::kMaxPeriod)
        .Restarts(&SwingPivotIndicator::detector)
        .Describe("RSI period of the turn detector; setting it restarts the detector"),
    IntegerParameter(1, "signalThreshold", &SwingPivotIndicator::signalThreshold)
        .Default(1)
        .Range(1, 3)
        .Describe("smallest magnitude of a turn code (1..3) that ends a swing"),
};
inline constexpr WarmupInfo kSwingLevelWarmup = {
    0,    {0, -1, -1, -1},
    0,    -1,
    true, "period bars, and until the first swing ends (the levels read 0 until then)"};
inline constexpr OutputInfo kSwingLevelOutputs[] = {
    {0, 0, "S3", "third level below the pivot: P - 2(H - L)", OutputRole::Level},
    {1, 1, "S2", "second level below the pivot: P - (H - L)", OutputRole::Level},
    {2, 2, "S1", "first level below the pivot: 2P - H", OutputRole::Level},
    {3, 3, "pivot", "pivot P = (H + L + C) / 3 of the swing range", OutputRole::Level},
    {4, 4, "open", "open of the bar that ended the swing", OutputRole::Level},
    {5, 5, "prevClose", "close of the bar before it", OutputRole::Level},
    {6, 6, "openPivot", "pivot with that open: (H + L + open) / 3", OutputRole::Level},
    {7, 7, "R1", "first level above the pivot: 2P - L", OutputRole::Level},
    {8, 8, "R2", "second level above the pivot: P + (H - L)", OutputRole::Level},
    {9, 9, "R3", "third level above the pivot: P + 2(H - L)", OutputRole::Level},
};

}  // namespace zeb

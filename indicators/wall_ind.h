#pragma once

#include "components/rsi_turn_detector.h"
#include "core/indicator.h"
#include "core/indicator_info.h"

namespace zeb {

// The wall: at the start of each period a band spanning the new period's open
// and three reference prices of the period just ended (its pivot, its last
// close and the pivot with the new open). Its width figure is the product of
// the largest and the mean distance from the pivot, both as percentages of the
// current close (largest x 100 x mean); the wall is published only while that
// figure is at most `maxWidth`, so a wall reads nonzero only when the reference
// prices cluster, where they are likely to act together as support or
// resistance. A period is a calendar day (mode 0) or a swing ending at an RSI
// turn whose code reaches the threshold (mode 1).
class WallInd : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  int32_t periodMode = 0;  // 0: a new date starts a period; 1: a detector turn does
  double wallLow = 0.0;
  double wallHigh = 0.0;
  double wallWidth = 0.0;
  int32_t signalThreshold = 0;
  bool wallValid = false;
  double periodHigh = 0.0;  // extremes of the period in progress
  double periodLow = 0.0;
  double previousClose = 0.0;
  double maxWidth = 0.0;
  RsiTurnDetector detector;  // fed only in mode 1

 private:
  void StartPeriod(double open, double close);
};

}  // namespace zeb

#pragma once

#include "components/rsi_turn_detector.h"
#include "indicators/market_map.h"

namespace zeb {

// MarketMap over a window that follows the market's swings. Every new bar,
// also one stored without calculation, feeds an RSI turn detector; a turn of
// at least `signalThreshold` ends a swing, and the bar numbers of the last 20
// swing ends are kept. The window runs between two of them (or the newest
// bar), chosen by `fromSwing` and `toSwing`, so the profile shows where volume
// traded during the last swing, or the last few. Outputs 2 and 3 give the
// window's ends in bars back.
class SwingMap : public MarketMap {
 public:
  static constexpr int32_t kSwingEnds = 20;
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;
  void OnBar(bool isNewBar) override;

  int32_t fromSwing = 0;
  int32_t toSwing = 0;
  int32_t lastCalcBar = 0;
  int32_t signalThreshold = 0;
  int32_t swingEnds[kSwingEnds] = {};  // bar numbers, newest first; 0 = none
  RsiTurnDetector detector;

 private:
  // Bars back from the newest to the window end `selector` names (0 = newest).
  int32_t OffsetOf(int32_t selector) const;
};

}  // namespace zeb

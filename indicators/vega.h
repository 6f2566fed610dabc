#pragma once

#include <cstdint>

#include "components/rsi_turn_detector.h"
#include "core/indicator.h"
#include "interface/indicator_info.h"

namespace zeb {

// Box-breakout signals. Whenever the RSI turn detector signals a turn of at
// least `signalThreshold`, a 10-bin volume profile of the last
// `profileLookback` bars gives a box: the fullest bin and the run of bins
// around it above half its volume. A close above the box opens a long, a close
// below it a short (each side only when enabled). An open position is stopped
// out when price crosses its stop before the target is touched; once the
// target has been touched it is closed when the close falls back through the
// box edge it broke out of. A short closed above the box turns long at once.
// Outputs give entry, exit, stop and target prices and a code per bar
// (2 nothing, 3 entry, 4/5 long/short held, 6 stopped out, 1 exit). A
// recalculation of the same bar first undoes the previous calculation's event.
class Vega : public Indicator {
 public:
  static const IndicatorInfo kInfo;

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  // Events a calculation can end with; the next calculation of the same bar
  // undoes it.
  enum Event : int32_t {
    kNone = 0,
    kLongEntry = 1,
    kLongExit = 2,
    kShortEntry = 4,
    kShortExit = 5,
    kLongStopped = 6,
    kShortStopped = 7,
  };

  int32_t signalThreshold = 0;
  int32_t profileLookback = 0;
  int32_t profileScale = 0;
  int32_t longEnabled = 0;
  int32_t shortEnabled = 0;
  double stopFactor = 0.0;
  double targetPercent = 0.0;
  int32_t stopOnExtreme = 0;
  int32_t stopMode = 0;
  int32_t storedIntegers[3] = {};  // parameters 3, 4 and 10: kept for the host, no effect

  RsiTurnDetector detector;
  double boxHigh = 0.0;
  double boxPeak = 0.0;
  double boxLow = 0.0;
  double targetAbove = 0.0;
  double targetBelow = 0.0;
  double longStop = 0.0;
  double shortStop = 0.0;
  double currentStop = 0.0;
  double currentTarget = 0.0;
  int32_t longOpen = 0;
  int32_t shortOpen = 0;
  int32_t inPosition = 0;
  bool exitArmed = false;
  // 64-bit so that counting calculations can never overflow.
  int64_t calcCount = 0;
  int64_t entryCount = 0;
  int32_t lastEvent = kNone;

  double longExitPrice = 0.0;
  double shortExitPrice = 0.0;
  double longEntryPrice = 0.0;
  double shortEntryPrice = 0.0;
  double barHigh = 0.0;
  double barLow = 0.0;
  int32_t barCode = 0;
  int32_t entrySignal = 0;
  int32_t levelsPublished = 0;

 private:
  void RebuildBox();
  void UpdateLevels();
  void UndoLastEvent();
  void RunLongSide(double open, double high, double low, double close);
  void RunShortSide(double open, double high, double low, double close);
  void Reopen(int32_t& sideOpen);
  void OpenLong(double open);
  void PublishLongLevels();
  void CheckLongStops(double low, double close);
  void CheckLongTarget(double high);
};

}  // namespace zeb

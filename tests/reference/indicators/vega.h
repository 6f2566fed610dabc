#pragma once

#include <cstdint>

#include "components/parameter_table.h"
#include "components/rsi_turn_detector.h"
#include "core/indicator.h"
#include "core/indicator_info.h"
#include "indicators/vega_side.h"

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
  // One row per parameter: what SetParameter and Reset store, and the metadata.
  static const ParameterRow<Vega> kParameterRows[];

  double Value(int32_t index) override;
  void SetParameter(int32_t index, double value) override;
  void Reset() override;
  int32_t Calculate(bool isNewBar) override;

  // Test seam: puts the box at low..high without a turn, so that a scenario
  // runs against fixed levels.
  void SetBoxForTesting(double low, double high);
  // Test seam: the state the outputs do not show, as a copy.
  struct Snapshot {
    double boxHigh, boxPeak, boxLow;
    double shortStop;
    bool longOpen, shortOpen, inPosition, exitArmed;
    int64_t calcCount, entryCount;
    VegaEvent lastEvent;
    int32_t profileLookback, detectorPeriod;
    double stopFactor;
    int32_t storedIntegers[3];
  };
  Snapshot SnapshotForTesting() const;

 private:
  // The newest bar's prices, fixed for one calculation.
  struct Prices {
    double open, high, low, close;
  };

  void RebuildBox();
  void UpdateLevels();
  void UndoLastEvent(VegaSide& side);
  void UpdateSide(VegaSide& side, const Prices& bar);
  void Enter(VegaSide& side, double open);
  bool StopCrossed(const VegaSideRules& rules, const Prices& bar) const;
  bool TargetTouched(const VegaSideRules& rules, const Prices& bar) const;
  void Exit(VegaSide& side, const Prices& bar);
  void ClosePosition(VegaSide& side);
  void Reopen(VegaSide& side);
  // The box edge a side breaks out through and falls back through.
  double Edge(const VegaSide& side) const;

  int32_t signalThreshold = 0;
  int32_t profileLookback = 0;
  int32_t profileScale = 0;
  bool longEnabled = false;
  bool shortEnabled = false;
  double stopFactor = 0.0;
  double targetPercent = 0.0;
  bool stopOnExtreme = false;  // stops tested against the low (long) or high (short), not the close
  // Stops from the box edge only; else the far box edge three widths out also bounds them.
  bool plainStops = false;
  int32_t stored3 = 0;  // parameters 3, 4 and 10: kept for the host, no effect
  int32_t stored4 = 0;
  int32_t stored10 = 0;

  RsiTurnDetector detector;
  double boxHigh = 0.0;
  double boxPeak = 0.0;
  double boxLow = 0.0;
  VegaSide longSide{&kVegaLongRules};
  VegaSide shortSide{&kVegaShortRules};
  double currentStop = 0.0;  // levels of the open position, as last published
  double currentTarget = 0.0;
  bool inPosition = false;  // some side is open: blocks new entries
  bool exitArmed = false;   // the open position has touched its target and waits for its exit
  // 64-bit so that counting calculations can never overflow.
  int64_t calcCount = 0;
  int64_t entryCount =
      0;  // calcCount at the last entry; 0 once closed or on a close inside the box
  VegaEvent lastEvent = VegaEvent::kNone;

  double barHigh = 0.0;
  double barLow = 0.0;
  VegaBarCode barCode = VegaBarCode::kNotCalculated;
  VegaEntrySignal entrySignal = VegaEntrySignal::kNone;
  bool levelsPublished = false;
};

}  // namespace zeb

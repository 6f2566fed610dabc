#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "components/block_history.h"
#include "components/window_series.h"

namespace zeb {

// Wilder's smoothed average, continued one entry at a time: the simple average
// of the first `period` entries, then average = (average * (period - 1) + entry)
// / period in the form "subtract the average from the sum, divide the sum".
// Each Append performs exactly the operations a scan of the whole history from
// its oldest entry performs for that entry, so the running value equals the
// scan bit for bit. Fewer than `period` entries average 0.
struct WilderAverage {
  double sum = 0.0;
  double average = 0.0;
  int64_t count = 0;

  // Returns the new average.
  double Append(double entry, int32_t period) {
    sum += entry;
    const int64_t full = static_cast<int64_t>(period) - 1;
    if (count == full) {
      average = sum / static_cast<double>(period);
    } else if (count > full) {
      sum -= average;
      average = sum / static_cast<double>(period);
    }
    ++count;
    return average;
  }
};

// Turn detector on the RSI of the bar midpoint (open + close) / 2. The RSI
// (Wilder smoothing, `period` changes) is smoothed by a 3-point weighted
// average; three falls of the smoothed line followed by a rise is a trough,
// three rises followed by a fall a peak. Each turn gets a code: +3/-3 when
// price and RSI diverge from the previous trough/peak near the band, +2/-2
// when the turn lies beyond the dynamic oversold/overbought band (derived from
// the 50-update RSI mean), +1/-1 for a trough/peak that confirms the previous
// one; 0 for no turn or an unremarkable one. Owners end a swing when the
// magnitude reaches their threshold.
//
// Every update costs the same however long the detector has run: the gain and
// loss averages are kept as running state rather than rescanned, and the
// midpoint changes are stored (8 bytes each, in blocks that are never copied)
// only so that a Restart with a new period can recompute the averages over the
// whole history once. A same-bar revision restores the averages from before
// the change it replaces.
//
// When the history cannot grow (memory exhausted, or the limit set with
// LimitHistory reached), the detector frees it and keeps producing exact codes
// from its running state. A later Restart with the same period keeps that
// state; a Restart with a different period cannot recompute the lost history,
// so it starts the averages afresh from the updates that follow, as a newly
// built detector would, and records a new history.
class RsiTurnDetector {
 public:
  static constexpr int32_t kDefaultPeriod = 5;

  // Forgets the remembered turns and starts a new warm-up of `newPeriod`
  // updates (1 for anything less). The stored history is kept.
  void Restart(int32_t newPeriod);
  // A new bar: UpdateBar with isNewBar true.
  int32_t Update(double open, double high, double low, double close);
  // One update; with isNewBar false it revises the newest bar instead of
  // adding one. Returns the signal code -3..+3. High and low are not used.
  int32_t UpdateBar(double open, double high, double low, double close, bool isNewBar);

  // Caps the stored history at `maxChanges` entries, as if memory ran out there.
  void LimitHistory(size_t maxChanges) { historyLimit_ = maxChanges; }
  // False once a change could not be stored, until a Restart with a new period.
  bool HistoryComplete() const { return historyComplete_; }
  size_t StoredChanges() const { return changes_.Size(); }

  int32_t period = kDefaultPeriod;
  int32_t updateCount = 0;  // updates since construction or Restart, revisions included
  WindowSeries<100> midSeries;
  double troughRsi = 0.0;  // RSI and midpoint at the last trough turn
  double troughPrice = 0.0;
  double peakRsi = 0.0;  // RSI and midpoint at the last peak turn
  double peakPrice = 0.0;
  WindowSeries<51> rsiSeries;
  WindowSeries<10> smoothSeries;

 private:
  // The gain and loss averages after a change, returned in registers: the
  // RSI takes them from there rather than reading back what was just stored.
  struct Averages {
    double gain;
    double loss;
  };
  struct GainLoss {
    WilderAverage gain;
    WilderAverage loss;
    Averages Append(double change, int32_t period);
  };

  // Stores the midpoint `mid` and returns the RSI after its change.
  double NextRsi(double mid, bool isNewBar);
  Averages RecordChange(double change, bool isNewBar);
  void RecomputeAverages();
  int32_t TroughCode(double turn, double rsi, double price, double lowerBand) const;
  int32_t PeakCode(double turn, double rsi, double price, double lowerBand, double upperBand) const;

  BlockHistory changes_;     // midpoint changes, oldest first
  int64_t changeCount_ = 0;  // changes recorded, also those the history could not keep
  size_t historyLimit_ = std::numeric_limits<size_t>::max();
  bool historyComplete_ = true;
  GainLoss averages_;    // over every recorded change
  GainLoss beforeLast_;  // over all but the last one: what a revision goes back to
};

}  // namespace zeb

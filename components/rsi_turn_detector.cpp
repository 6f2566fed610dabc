#include "components/rsi_turn_detector.h"

#include "components/series_stats.h"

namespace zeb {
namespace {

constexpr double kMidpointFactor = 0.5;
constexpr double kRsiScale = 100.0;
constexpr int32_t kMeanWindow = 50;
constexpr int32_t kSmoothWindow = 3;
constexpr double kBandDivisor = 1.68;
constexpr double kLowerBandOffset = 60.0;
constexpr double kUpperBandOffset = 40.0;
constexpr double kBandMargin = 50.0;

// The dynamic oversold and overbought bands around the 50-update RSI mean.
double LowerBand(double mean50) {
  return kLowerBandOffset - (kRsiScale - mean50) / kBandDivisor;
}
double UpperBand(double mean50) {
  return mean50 / kBandDivisor + kUpperBandOffset;
}

// Pushes a new bar's value or overwrites the newest one in a revision.
template <typename Series>
void Put(Series& series, double value, bool isNewBar) {
  if (isNewBar) {
    series.Push(value);
  } else {
    series.SetCurrent(value);
  }
}

}  // namespace

RsiTurnDetector::Averages RsiTurnDetector::GainLoss::Append(double change, int32_t p) {
  const bool rising = change > 0.0;
  const double gainAverage = gain.Append(rising ? change : 0.0, p);
  return {gainAverage, loss.Append(rising ? 0.0 : change * -1.0, p)};
}

void RsiTurnDetector::Restart(int32_t newPeriod) {
  troughRsi = 0.0;
  troughPrice = 0.0;
  peakRsi = 0.0;
  peakPrice = 0.0;
  updateCount = 0;
  const int32_t p = newPeriod < 1 ? 1 : newPeriod;
  if (p == period) return;  // the running averages already belong to this period
  period = p;
  if (!historyComplete_) {
    // The changes that could not be kept cannot be smoothed with the new
    // period: start a new history, as a fresh detector would.
    changes_.Clear();
    changeCount_ = 0;
    historyComplete_ = true;
  }
  RecomputeAverages();
}

void RsiTurnDetector::RecomputeAverages() {
  averages_ = GainLoss();
  beforeLast_ = GainLoss();
  for (size_t i = 0; i < changes_.Size(); ++i) {
    beforeLast_ = averages_;
    averages_.Append(changes_[i], period);
  }
}

RsiTurnDetector::Averages RsiTurnDetector::RecordChange(double change, bool isNewBar) {
  if (!isNewBar && changeCount_ > 0) {
    // A revision replaces the change the previous update recorded.
    averages_ = beforeLast_;
    if (historyComplete_) changes_.Back() = change;
  } else {
    beforeLast_ = averages_;
    ++changeCount_;
    if (historyComplete_ && (changes_.Size() >= historyLimit_ || !changes_.Append(change))) {
      // Out of memory, or at the set limit: give the memory back and carry on
      // from the running averages.
      changes_.Clear();
      historyComplete_ = false;
    }
  }
  return averages_.Append(change, period);
}

double RsiTurnDetector::NextRsi(double mid, bool isNewBar) {
  Put(midSeries, mid, isNewBar);
  if (updateCount < std::numeric_limits<int32_t>::max()) ++updateCount;
  Averages a{averages_.gain.average, averages_.loss.average};
  if (updateCount >= 2) a = RecordChange(mid - midSeries.Newest()[-1], isNewBar);
  if (updateCount <= period) return 0.0;
  return (a.gain * kRsiScale) / (a.loss + a.gain);
}

int32_t RsiTurnDetector::TroughCode(double turn, double rsi, double price, double lowerBand) const {
  if (turn < lowerBand + kBandMargin && price < troughPrice && rsi > troughRsi) return 3;
  if (turn < lowerBand) return 2;
  if (turn > lowerBand - kBandMargin && price > troughPrice && rsi > troughRsi) return 1;
  return 0;
}

int32_t RsiTurnDetector::PeakCode(double turn, double rsi, double price, double lowerBand,
                                  double upperBand) const {
  if (turn > upperBand - kBandMargin && price > peakPrice && rsi < peakRsi) return -3;
  if (turn > upperBand) return -2;
  // The confirming peak is measured against the lower band: any peak below
  // lowerBand + 50 (which lies above upperBand) qualifies.
  if (turn < lowerBand + kBandMargin && price < peakPrice && rsi < peakRsi) return -1;
  return 0;
}

int32_t RsiTurnDetector::Update(double open, double high, double low, double close) {
  return UpdateBar(open, high, low, close, true);
}

int32_t RsiTurnDetector::UpdateBar(double open, double /*high*/, double /*low*/, double close,
                                   bool isNewBar) {
  const double price = (open + close) * kMidpointFactor;
  const double rsi = NextRsi(price, isNewBar);
  Put(rsiSeries, rsi, isNewBar);
  const double s0 = WindowWeightedAverage(rsiSeries, rsi, kSmoothWindow);
  Put(smoothSeries, s0, isNewBar);
  const double* const smooth = smoothSeries.Newest();
  const double s1 = smooth[-1];
  const double s2 = smooth[-2];
  const double s3 = smooth[-3];
  const double s4 = smooth[-4];

  // The bands matter only at a turn, so the 50-update mean is formed there.
  if (s0 > s1 && s2 > s1 && s3 > s2 && s4 > s3) {
    const double lowerBand = LowerBand(WindowAverage(rsiSeries, rsi, kMeanWindow));
    const int32_t code = TroughCode(s1, rsi, price, lowerBand);
    troughRsi = rsi;
    troughPrice = price;
    return code;
  }
  if (s1 > s0 && s1 > s2 && s2 > s3 && s3 > s4) {
    const double mean50 = WindowAverage(rsiSeries, rsi, kMeanWindow);
    const int32_t code = PeakCode(s1, rsi, price, LowerBand(mean50), UpperBand(mean50));
    peakRsi = rsi;
    peakPrice = price;
    return code;
  }
  return 0;
}

}  // namespace zeb

#include "components/rsi_turn_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "components/series_stats.h"
#include "support/element_stats.h"
#include "support/swing_bars.h"

namespace zeb {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

uint64_t Bits(double v) {
  uint64_t b = 0;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The detector computed the slow way: gains and losses kept as two arrays and
// both Wilder averages rescanned from the oldest entry on every update. The
// fast detector must agree with it bit for bit.
class ScanningDetector {
 public:
  static double Wilder(const std::vector<double>& history, int32_t p) {
    const auto n = static_cast<int64_t>(p);
    double sum = 0.0;
    double average = 0.0;
    for (int64_t i = 0; i < static_cast<int64_t>(history.size()); ++i) {
      sum += history[static_cast<size_t>(i)];
      if (i == n - 1) average = sum / static_cast<double>(n);
      if (i > n - 1) {
        sum -= average;
        average = sum / static_cast<double>(n);
      }
    }
    return average;
  }

  void Restart(int32_t p) {
    troughRsi = troughPrice = peakRsi = peakPrice = 0.0;
    updateCount = 0;
    period = p < 1 ? 1 : p;
  }

  // What the fast detector does on a Restart with a new period after its
  // history ran out.
  void ForgetHistory() {
    gains.clear();
    losses.clear();
  }

  int32_t UpdateBar(double open, double close, bool isNewBar) {
    const double m = (open + close) * 0.5;
    isNewBar ? mid.Push(m) : mid.SetCurrent(m);
    ++updateCount;
    if (updateCount >= 2) {
      const double change = mid.Get(0) - mid.Get(1);
      if (!isNewBar && !gains.empty()) {
        gains.pop_back();
        losses.pop_back();
      }
      gains.push_back(change > 0.0 ? change : 0.0);
      losses.push_back(change > 0.0 ? 0.0 : change * -1.0);
    }
    rsi = 0.0;
    if (updateCount > period) {
      const double g = Wilder(gains, period);
      rsi = (g * 100) / (Wilder(losses, period) + g);
    }
    isNewBar ? rsiLine.Push(rsi) : rsiLine.SetCurrent(rsi);
    const double mean50 = test::SeriesAverage(rsiLine, 50);
    const double weighted = test::SeriesWeightedAverage(rsiLine, 3);
    isNewBar ? smooth.Push(weighted) : smooth.SetCurrent(weighted);
    double s[5];
    for (int32_t k = 0; k < 5; ++k) s[k] = smooth.Get(k);
    const double lower = 60 - (100 - mean50) / 1.68;
    const double upper = mean50 / 1.68 + 40;
    const double price = mid.Get(0);

    int32_t code = 0;
    if (s[0] > s[1] && s[2] > s[1] && s[3] > s[2] && s[4] > s[3]) {
      const bool higherRsi = rsi > troughRsi;
      if (s[1] < lower + 50 && price < troughPrice && higherRsi) {
        code = 3;
      } else if (s[1] < lower) {
        code = 2;
      } else if (s[1] > lower - 50 && price > troughPrice && higherRsi) {
        code = 1;
      }
      troughRsi = rsi;
      troughPrice = m;
    } else if (s[1] > s[0] && s[1] > s[2] && s[2] > s[3] && s[3] > s[4]) {
      const bool lowerRsi = rsi < peakRsi;
      if (s[1] > upper - 50 && price > peakPrice && lowerRsi) {
        code = -3;
      } else if (s[1] > upper) {
        code = -2;
      } else if (s[1] < lower + 50 && price < peakPrice && lowerRsi) {
        code = -1;
      }
      peakRsi = rsi;
      peakPrice = m;
    }
    return code;
  }

  int32_t period = 5;
  int32_t updateCount = 0;
  double rsi = 0.0;
  double troughRsi = 0.0, troughPrice = 0.0, peakRsi = 0.0, peakPrice = 0.0;
  std::vector<double> gains, losses;
  RingSeries mid{100}, rsiLine{51}, smooth{10};
};

// Same bits, or both not a number: the sign of a NaN depends on which operand
// the compiled addition happens to name first, not on the computation.
bool Same(double a, double b) {
  return Bits(a) == Bits(b) || (std::isnan(a) && std::isnan(b));
}

// Compares everything observable after one update.
::testing::AssertionResult Agree(const RsiTurnDetector& fast, const ScanningDetector& slow,
                                 int32_t fastCode, int32_t slowCode) {
  const bool same = fastCode == slowCode && Same(fast.rsiSeries.Get(0), slow.rsi) &&
                    Same(fast.smoothSeries.Get(0), slow.smooth.Get(0)) &&
                    Same(fast.troughRsi, slow.troughRsi) &&
                    Same(fast.troughPrice, slow.troughPrice) && Same(fast.peakRsi, slow.peakRsi) &&
                    Same(fast.peakPrice, slow.peakPrice) && fast.updateCount == slow.updateCount &&
                    fast.period == slow.period;
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "codes " << fastCode << "/" << slowCode << ", rsi " << fast.rsiSeries.Get(0) << "/"
         << slow.rsi << ", smooth " << fast.smoothSeries.Get(0) << "/" << slow.smooth.Get(0)
         << ", period " << fast.period << "/" << slow.period;
}

// Random bar midpoints in several characters: trending and swinging prices on
// a tick grid (many exact zero changes), flat stretches, signed zeros, and
// rare not-a-number or infinite prices.
class PriceSource {
 public:
  PriceSource(std::mt19937_64& rng, int32_t style) : rng_(rng), style_(style) {}

  void Next(double& open, double& close) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    phase_ += 0.15 + 0.3 * unit(rng_);
    const double swing = style_ == 1 ? 6.0 * std::sin(phase_) : 0.0;
    if (unit(rng_) < 0.05) drift_ = unit(rng_) - 0.5;
    level_ += std::round((unit(rng_) - 0.5 + drift_) * 8.0) * 0.25;
    double price = 100.0 + level_ + swing;
    if (style_ == 2) {
      if (unit(rng_) < 0.6) price = last_;  // flat stretches
      if (unit(rng_) < 0.05) price = -0.0;  // signed zero midpoints
    }
    if (style_ == 3 && unit(rng_) < 0.002) price = unit(rng_) < 0.5 ? kNaN : kInf;
    last_ = price;
    open = price + std::round((unit(rng_) - 0.5) * 4.0) * 0.25;
    close = 2.0 * price - open;
    if (style_ == 2 && price == 0.0) open = close = -0.0;
  }

 private:
  std::mt19937_64& rng_;
  int32_t style_;
  double phase_ = 0.0, drift_ = 0.0, level_ = 0.0, last_ = 100.0;
};

// Period for a Restart: often the one in force, else small, nonpositive or large.
int32_t RandomPeriod(std::mt19937_64& rng, int32_t current) {
  const auto pick = std::uniform_int_distribution<int32_t>(0, 99)(rng);
  if (pick < 30) return current;
  if (pick < 85) return std::uniform_int_distribution<int32_t>(1, 25)(rng);
  if (pick < 92) return std::uniform_int_distribution<int32_t>(-3, 0)(rng);
  if (pick < 98) return std::uniform_int_distribution<int32_t>(100, 299)(rng);
  return std::numeric_limits<int32_t>::max();
}

TEST(RsiTurnDetector, EqualsTheWholeHistoryComputationOverAMillionUpdates) {
  std::mt19937_64 rng(20240611);
  int64_t streams = 0;
  int64_t updates = 0;
  int64_t restarts = 0;
  int64_t revisions = 0;
  int64_t codes[7] = {};
  while (updates < 1000000) {
    RsiTurnDetector fast;
    ScanningDetector slow;
    PriceSource prices(rng, static_cast<int32_t>(streams % 4));
    // Mostly short streams (the scan costs the square of the length); one in a
    // hundred is long enough to fill several history blocks.
    const bool longStream = streams % 100 == 99;
    const int32_t length = std::uniform_int_distribution<int32_t>(1, longStream ? 3000 : 400)(rng);
    // Now and then the second update after construction is a revision, which
    // finds no recorded change to replace.
    const bool reviseSecond = std::uniform_int_distribution<int32_t>(0, 9)(rng) == 0;
    for (int32_t i = 0; i < length; ++i) {
      const auto action = std::uniform_int_distribution<int32_t>(0, 99)(rng);
      if (action < 3) {
        const int32_t p = RandomPeriod(rng, slow.period);
        fast.Restart(p);
        slow.Restart(p);
        ++restarts;
      }
      const bool isNewBar = action >= 20 && !(i == 1 && reviseSecond);
      revisions += isNewBar ? 0 : 1;
      double open = 0.0, close = 0.0;
      prices.Next(open, close);
      const int32_t a = fast.UpdateBar(open, open + 1.0, close - 1.0, close, isNewBar);
      const int32_t b = slow.UpdateBar(open, close, isNewBar);
      ASSERT_TRUE(Agree(fast, slow, a, b)) << "update " << updates;
      ++codes[a + 3];
      ++updates;
    }
    ASSERT_EQ(fast.StoredChanges(), slow.gains.size());
    ++streams;
  }
  EXPECT_GT(restarts, 5000);
  EXPECT_GT(revisions, 150000);
  for (int32_t c = 0; c < 7; ++c) EXPECT_GT(codes[c], 100) << "code " << c - 3;
}

TEST(RsiTurnDetector, BlockHistoryKeepsEveryEntry) {
  BlockHistory h;
  const size_t n = 3 * BlockHistory::kBlockSize + 5;
  for (size_t i = 0; i < n; ++i) ASSERT_TRUE(h.Append(static_cast<double>(i)));
  h.Back() = -1.0;
  ASSERT_EQ(h.Size(), n);
  for (size_t i = 0; i + 1 < n; ++i) ASSERT_EQ(h[i], static_cast<double>(i));
  EXPECT_EQ(h[n - 1], -1.0);
  h.Clear();
  EXPECT_EQ(h.Size(), 0u);
}

TEST(RsiTurnDetector, WilderAverageContinuesTheScan) {
  WilderAverage w;
  for (double e : {1.0, 2.0}) w.Append(e, 2);
  EXPECT_EQ(w.average, 1.5);
  w.Append(3.0, 2);
  EXPECT_EQ(w.average, 2.25);
  w.Append(4.0, 2);
  EXPECT_EQ(w.average, 3.125);
  EXPECT_EQ(ScanningDetector::Wilder({1, 2, 3, 4}, 2), 3.125);
  EXPECT_EQ(ScanningDetector::Wilder({1, 2, 3}, 4), 0.0);
}

TEST(RsiTurnDetector, WarmUpThenFirstRsi) {
  RsiTurnDetector d;
  // Midpoints 10, 11, 13, 12, 14, 15: changes +1 +2 -1 +2 +1.
  const double mids[] = {10, 11, 13, 12, 14, 15};
  for (int32_t i = 0; i < 5; ++i) {
    d.Update(mids[i] - 1, 0, 0, mids[i] + 1);
    EXPECT_EQ(d.rsiSeries.Get(0), 0.0) << i;
  }
  d.Update(mids[5], 0, 0, mids[5]);
  EXPECT_EQ(d.StoredChanges(), 5u);
  EXPECT_EQ(d.rsiSeries.Get(0), (1.2 * 100) / (0.2 + 1.2));

  RsiTurnDetector rising;
  for (int32_t i = 0; i < 20; ++i) rising.Update(i, 0, 0, i);
  EXPECT_EQ(rising.rsiSeries.Get(0), 100.0);
}

// Rising midpoints fill the RSI to 100 after the warm-up; the first fall turns
// the smoothed line down (s4..s1 = 0, 50, 83.3, 100): a peak above the upper
// band with zero memories, -2. The later trough confirms (+1), the higher
// peak with a lower RSI diverges (-3), the last trough is unremarkable (0).
TEST(RsiTurnDetector, CodesOfTheSwingPattern) {
  RsiTurnDetector d;
  for (int32_t n = 1; n <= test::kSwingBars; ++n) {
    const test::Bar b = test::SwingBar(n);
    const double peakBefore = d.peakPrice, troughBefore = d.troughPrice;
    const int32_t code = d.Update(b.open, b.high, b.low, b.close);
    const int32_t expected = n == 9 ? -2 : n == 13 ? 1 : n == 18 ? -3 : 0;
    EXPECT_EQ(code, expected) << "bar " << n;
    const bool turn = d.peakPrice != peakBefore || d.troughPrice != troughBefore;
    EXPECT_EQ(turn, n == 9 || n == 13 || n == 18 || n == 22) << "bar " << n;
  }
  EXPECT_EQ(d.troughPrice, 18.0);
  EXPECT_EQ(d.peakPrice, 18.0);
}

TEST(RsiTurnDetector, FlatPricesGiveNotANumberAndNoSignal) {
  RsiTurnDetector d;
  for (int32_t i = 1; i <= 80; ++i) {
    EXPECT_EQ(d.Update(50, 51, 49, 50), 0);
    const double rsi = d.rsiSeries.Get(0);
    EXPECT_TRUE(i <= 5 ? rsi == 0.0 : std::isnan(rsi)) << i;
  }
}

TEST(RsiTurnDetector, RevisionsReplaceTheLastChange) {
  RsiTurnDetector d;
  d.Update(10, 0, 0, 10);
  d.Update(11, 0, 0, 11);
  d.Update(12, 0, 0, 12);
  d.UpdateBar(20, 0, 0, 20, false);
  d.UpdateBar(9, 0, 0, 9, false);
  EXPECT_EQ(d.StoredChanges(), 2u);  // +1 and -2
  EXPECT_EQ(d.updateCount, 5);
  d.Restart(2);
  d.Update(13, 0, 0, 13);  // the move from 9 to 13 is never recorded
  d.Update(15, 0, 0, 15);
  d.Update(14, 0, 0, 14);
  // Changes +1 -2 +2 -1: gains average 0.625, losses 0.75 with period 2.
  EXPECT_EQ(d.StoredChanges(), 4u);
  EXPECT_EQ(d.rsiSeries.Get(0), (0.625 * 100) / (0.75 + 0.625));
}

TEST(RsiTurnDetector, RestartClampsThePeriodAndForgetsTurns) {
  RsiTurnDetector d;
  d.troughPrice = d.peakPrice = d.troughRsi = d.peakRsi = 7.0;
  d.Restart(0);
  EXPECT_EQ(d.period, 1);
  d.Restart(-2147483647 - 1);
  EXPECT_EQ(d.period, 1);
  EXPECT_EQ(d.troughPrice + d.peakPrice + d.troughRsi + d.peakRsi, 0.0);
}

// The first turns after a Restart compare against zero memories: for positive
// prices a trough cannot give +3 and a peak only -2 or 0.
TEST(RsiTurnDetector, FirstTurnsAfterRestart) {
  std::mt19937_64 rng(7);
  int32_t troughs = 0, peaks = 0;
  for (int32_t run = 0; run < 200; ++run) {
    RsiTurnDetector d;
    PriceSource prices(rng, 1);
    bool troughSeen = false, peakSeen = false;
    for (int32_t i = 0; i < 300 && !(troughSeen && peakSeen); ++i) {
      double open = 0, close = 0;
      prices.Next(open, close);
      const double troughBefore = d.troughPrice, peakBefore = d.peakPrice;
      const int32_t code = d.Update(open, 0, 0, close);
      if (!troughSeen && d.troughPrice != troughBefore) {
        troughSeen = true;
        ++troughs;
        EXPECT_NE(code, 3);
      }
      if (!peakSeen && d.peakPrice != peakBefore) {
        peakSeen = true;
        ++peaks;
        EXPECT_TRUE(code == -2 || code == 0) << code;
      }
    }
  }
  EXPECT_GT(troughs, 100);
  EXPECT_GT(peaks, 100);
}

// Out of history: codes stay exact while the period stands; a Restart with a
// new period starts the averages afresh, as a fresh detector would.
TEST(RsiTurnDetector, KeepsWorkingWhenTheHistoryCannotGrow) {
  std::mt19937_64 rng(99);
  PriceSource prices(rng, 1);
  RsiTurnDetector fast;
  ScanningDetector slow;
  fast.LimitHistory(60);
  auto step = [&](int64_t i, bool isNewBar) {
    double open = 0, close = 0;
    prices.Next(open, close);
    const int32_t a = fast.UpdateBar(open, 0, 0, close, isNewBar);
    EXPECT_TRUE(Agree(fast, slow, a, slow.UpdateBar(open, close, isNewBar))) << i;
  };
  for (int64_t i = 0; i < 400; ++i) step(i, i % 5 != 3);
  EXPECT_FALSE(fast.HistoryComplete());
  EXPECT_EQ(fast.StoredChanges(), 0u);

  fast.Restart(5);
  slow.Restart(5);
  step(400, false);
  for (int64_t i = 401; i < 500; ++i) step(i, true);

  fast.Restart(9);
  slow.Restart(9);
  slow.ForgetHistory();
  EXPECT_TRUE(fast.HistoryComplete());
  step(500, false);  // nothing left to replace
  for (int64_t i = 501; i < 550; ++i) step(i, i % 4 != 0);
  EXPECT_EQ(fast.StoredChanges(), slow.gains.size());
}

// The averages of a long history, after restarts with new periods, against a
// scan of the changes the test records itself.
TEST(RsiTurnDetector, LongHistoryRestartsRecomputeExactly) {
  std::mt19937_64 rng(5);
  PriceSource prices(rng, 0);
  RsiTurnDetector d;
  std::vector<double> gains, losses;
  double previous = 0.0;
  for (int32_t i = 1; i <= 200000; ++i) {
    double open = 0, close = 0;
    prices.Next(open, close);
    d.Update(open, 0, 0, close);
    const double mid = (open + close) * 0.5;
    if (i >= 2) {
      const double change = mid - previous;
      gains.push_back(change > 0.0 ? change : 0.0);
      losses.push_back(change > 0.0 ? 0.0 : change * -1.0);
    }
    previous = mid;
    if (i % 40000 == 0) {
      const int32_t p = 3 + i / 40000;
      d.Restart(p);
      // Revisions with the same bar record the same last change again.
      for (int32_t k = 0; k <= p; ++k) d.UpdateBar(open, 0, 0, close, false);
      const double g = ScanningDetector::Wilder(gains, p);
      const double l = ScanningDetector::Wilder(losses, p);
      ASSERT_EQ(Bits(d.rsiSeries.Get(0)), Bits((g * 100) / (l + g))) << i;
    }
  }
}

}  // namespace
}  // namespace zeb

#include "indicators/ratio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "components/series_stats.h"
#include "components/slow_stochastic.h"
#include "interface/registry.h"
#include "support/bars.h"

namespace zeb {
namespace {

using test::Feed;

Ratio& Instance(int32_t h) {
  return *static_cast<Ratio*>(registry::Find(h));
}

// A bare bar store for driving the stochastic directly.
class Bars : public Indicator {
 public:
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool) override { return 0; }
};

bool SameBits(double a, double b) {
  uint64_t bitsA = 0;
  uint64_t bitsB = 0;
  std::memcpy(&bitsA, &a, sizeof a);
  std::memcpy(&bitsB, &b, sizeof b);
  return bitsA == bitsB;
}

// Long windows carry their extremes from one update to the next; whatever the
// bars do in between (an extreme leaving the window, ties of +0 and -0, flat
// runs, revisions, jumps, bars stored without an update, a new length), the
// range and offset pushed are those of the ordered walk, bit for bit.
TEST(SlowStochastic, CarriedExtremesAreThoseOfTheWindowWalk) {
  Bars bars;
  SlowStochastic stochastic;
  uint32_t seed = 12345;
  const auto next = [&seed](uint32_t below) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % below;
  };
  int32_t bar = 0;
  int32_t lookback = SlowStochastic::kCarriedFrom;
  double price = 0.0;
  for (int32_t step = 0; step < 20000; ++step) {
    const uint32_t event = next(100);
    if (event < 3) lookback = SlowStochastic::kCarriedFrom + static_cast<int32_t>(next(40));
    bar += event < 6 ? 0 : (event < 8 ? 2 + static_cast<int32_t>(next(4)) : 1);
    // A walk around zero with flat runs, so that signed zeros tie.
    if (next(4) != 0) price += static_cast<double>(static_cast<int32_t>(next(5)) - 2);
    const double high = price == 0.0 && next(2) == 0 ? -0.0 : price;
    const double low = price == 0.0 && next(2) == 0 ? -0.0 : price - next(2);
    bars.SetBar(bar, 1, 0, price, high, low, price, 1, 1, false);
    if (next(10) == 0) continue;  // stored, not calculated
    double hh = 0.0;
    double ll = 0.0;
    SeriesHighestLowest(bars.highSeries, bars.lowSeries, lookback, hh, ll);
    stochastic.Update(bars, lookback, 1);
    ASSERT_TRUE(SameBits(stochastic.rangeSeries.Get(0), hh - ll)) << step;
    ASSERT_TRUE(SameBits(stochastic.closeOffsetSeries.Get(0), price - ll)) << step;
  }
}

TEST(Ratio, WorkedFirstBar) {
  const int32_t h = test::Create("RATIO");
  Feed(h, {1, 1, 10, 12, 8, 11});
  const double ratio = (11.0 / 12.0) * 100 - 50;
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), ratio);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), ratio / 5);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
}

TEST(Ratio, ExtremesOfTheScale) {
  const int32_t flat = test::Create("RATIO");
  const int32_t top = test::Create("RATIO");
  for (int32_t bar = 1; bar <= 20; ++bar) {
    Feed(flat, {bar, 1, 5, 5, 5, 5});
    Feed(top, {bar, 1, 5, 6.0 + bar, 4, 6.0 + bar});
  }
  EXPECT_EQ(ZEB_IndicatorValue(flat, 0), -50.0);
  EXPECT_EQ(ZEB_IndicatorValue(top, 0), 50.0);
}

TEST(Ratio, ParametersClampAndIgnoreUnknownIndices) {
  const int32_t h = test::Create("RATIO");
  ZEB_IndicatorSetParameter(h, 0, 0);
  ZEB_IndicatorSetParameter(h, 2, 1000);
  ZEB_IndicatorSetParameter(h, 3, 7);
  EXPECT_EQ(Instance(h).lookback, 1);
  EXPECT_EQ(Instance(h).sumLength, 5);
  EXPECT_EQ(Instance(h).signalLength, 299);
}

TEST(Ratio, RevisionsAndJumpsAppendOnce) {
  const int32_t h = test::Create("RATIO");
  Feed(h, {1, 1, 10, 12, 8, 11});
  const double first = ZEB_IndicatorValue(h, 0);
  Feed(h, {1, 1, 10, 20, 1, 2});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), first);
  Feed(h, {10, 1, 10, 12, 8, 11});  // nine base pushes, one calculation
  EXPECT_EQ(Instance(h).ratioSeries.Get(2), 0.0);
  EXPECT_NE(Instance(h).ratioSeries.Get(1), 0.0);
}

}  // namespace
}  // namespace zeb

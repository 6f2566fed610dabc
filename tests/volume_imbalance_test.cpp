#include "components/volume_imbalance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "components/overlap_flow.h"
#include "core/indicator.h"

namespace zeb {
namespace {

// A bare bar store for driving components directly.
class Host : public Indicator {
 public:
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool) override { return 0; }

  bool Bar(int32_t bar, int32_t date, double high, double low, double close,
           double volume = 100.0) {
    const int32_t before = barNumber;
    SetBar(bar, date, 0, close, high, low, close, volume, 0.0, false);
    return barNumber != before;
  }
};

TEST(VolumeImbalance, SplitsTheDifferenceAndReplacesUpdates) {
  Host host;
  VolumeImbalance imbalance;
  double positive = 0.0;
  double negative = 0.0;
  host.SetBar(1, 1, 0, 1, 1, 1, 1, 70, 100, false);
  imbalance.Update(host, true, 5, 1, positive, negative);
  EXPECT_EQ(imbalance.positiveSeries.Get(0), 0.0);
  EXPECT_EQ(imbalance.negativeSeries.Get(0), 30.0);
  host.SetBar(1, 1, 0, 1, 1, 1, 1, 120, 100, false);
  imbalance.Update(host, false, 5, 1, positive, negative);
  EXPECT_EQ(imbalance.positiveSeries.Get(0), 20.0);
  EXPECT_EQ(imbalance.negativeSeries.Get(0), 0.0);
  EXPECT_EQ(imbalance.positiveSeries.Get(1), 0.0);  // replaced, not appended
  EXPECT_EQ(positive, 20.0);
  EXPECT_EQ(negative, 0.0);
}

TEST(VolumeImbalance, SumsTheWindowAndSmoothsEveryCall) {
  Host host;
  VolumeImbalance imbalance;
  double positive = 0.0;
  double negative = 0.0;
  for (int32_t bar = 1; bar <= 4; ++bar) {
    host.SetBar(bar, 1, 0, 1, 1, 1, 1, 10.0 * bar, 0, false);
    imbalance.Update(host, true, 2, 1, positive, negative);
  }
  EXPECT_EQ(positive, 70.0);  // 40 + 30
  imbalance.Update(host, false, 2, 3, positive, negative);
  EXPECT_EQ(positive, 70.0);  // 70 + (70 - 70) / 2
  imbalance.Update(host, false, 300, 3, positive, negative);
  EXPECT_EQ(positive, 85.0);  // the whole history is 100
}

// The split keeps what the comparison with 0.0 gives in every case: a
// difference of -0.0 is the positive part, sign and all, and the part a bar
// does not have is +0.0.
TEST(VolumeImbalance, SplitKeepsSignedZerosAsTheComparisonGivesThem) {
  Host host;
  VolumeImbalance imbalance;
  double positive = 0.0;
  double negative = 0.0;
  const struct {
    double volume1, volume2, positivePart, negativePart;
  } cases[] = {{-0.0, 0.0, -0.0, 0.0},
               {0.0, 0.0, 0.0, 0.0},
               {3.0, 5.0, 0.0, 2.0},
               {5.0, 3.0, 2.0, 0.0},
               {-2.0, -0.0, 0.0, 2.0}};
  int32_t bar = 0;
  for (const auto& c : cases) {
    host.SetBar(++bar, 1, 0, 1, 1, 1, 1, c.volume1, c.volume2, false);
    imbalance.Update(host, true, 1, 1, positive, negative);
    const double p = imbalance.positiveSeries.Get(0);
    const double n = imbalance.negativeSeries.Get(0);
    EXPECT_EQ(p, c.positivePart) << bar;
    EXPECT_EQ(std::signbit(p), std::signbit(c.positivePart)) << bar;
    EXPECT_EQ(n, c.negativePart) << bar;
    EXPECT_FALSE(std::signbit(n)) << bar;
  }
}

TEST(OverlapFlow, IntradayBarsHoldTheFlowUntilTheLag) {
  Host host;
  OverlapFlow flow;
  // Date 1: a rising staircase whose bars overlap by half their range.
  for (int32_t bar = 1; bar <= 4; ++bar) {
    host.Bar(bar, 1, 11.0 + bar, 9.0 + bar, 10.0 + bar);
    flow.Update(host, 3, 2);
  }
  // Close change over 3 bars 3.0, overlap 1 of range 2, volume 100.
  EXPECT_EQ(flow.heldValue, 3.0 * 0.5 * 100.0);
  host.Bar(5, 2, 20, 18, 19);  // first bar of date 2: held
  flow.Update(host, 3, 2);
  EXPECT_EQ(flow.heldValue, 150.0);
  EXPECT_EQ(flow.barCount, 1);
  host.Bar(6, 2, 21, 19, 20);  // second: held
  flow.Update(host, 3, 2);
  EXPECT_EQ(flow.heldValue, 150.0);
  host.Bar(7, 2, 22, 20, 21);  // third: computed again
  flow.Update(host, 3, 2);
  EXPECT_EQ(flow.heldValue, (21.0 - 14.0) * 0.5 * 100.0);
}

TEST(OverlapFlow, LagOneAndDailyBarsComputeEveryBar) {
  Host intraday;
  Host daily;
  OverlapFlow lagOne;
  OverlapFlow longLag;
  for (int32_t bar = 1; bar <= 6; ++bar) {
    const double base = bar % 2 ? 10.0 : 11.0;
    intraday.Bar(bar, 1 + bar / 3, base + 2, base, base + 1);
    daily.Bar(bar, bar, base + 2, base, base + 1);
    lagOne.Update(intraday, 1, 5);
    longLag.Update(daily, 250, 5);
    if (bar < 2) continue;
    const double expected = (bar % 2 ? -1.0 : 1.0) * 0.5 * 100.0;
    EXPECT_EQ(lagOne.heldValue, expected) << bar;
  }
  // Daily bars compute whatever the lag: the close 250 bars back is still 0.
  EXPECT_EQ(longLag.heldValue, 12.0 * 0.5 * 100.0);
}

TEST(OverlapFlow, GapBarsReverseTheSignAndFlatBarsGiveZero) {
  Host host;
  OverlapFlow flow;
  host.Bar(1, 1, 10, 9, 9.5);
  flow.Update(host, 1, 2);
  host.Bar(2, 1, 14, 12, 13);  // entirely above: overlap 10 - 12 = -2
  flow.Update(host, 1, 2);
  EXPECT_EQ(flow.heldValue, 3.5 * -1.0 * 100.0);
  host.Bar(3, 1, 13, 13, 13);  // high equals low: ratio 0
  flow.Update(host, 1, 2);
  EXPECT_EQ(flow.heldValue, 0.0);
}

TEST(OverlapFlow, ReportsThePositionInItsPeriodRange) {
  Host host;
  OverlapFlow flow;
  host.Bar(1, 1, 10, 10, 10);
  EXPECT_EQ(flow.Update(host, 1, 1), 0.0);  // flat bar: flow 0, reference 0..0
  host.Bar(2, 1, 12, 10, 12);               // no overlap: flow 0
  flow.Update(host, 1, 1);
  host.Bar(3, 1, 13, 11, 12);  // overlap 1 of 2, change 0
  flow.Update(host, 1, 1);
  host.Bar(4, 1, 14, 12, 14);  // overlap 1 of 2, change 2: flow 100
  flow.Update(host, 1, 1);
  host.Bar(5, 2, 15, 13, 14);  // new date, reference 0..100, flow 0
  EXPECT_EQ(flow.Update(host, 1, 1), 0.0);
  host.Bar(6, 2, 16, 14, 15);  // flow 50
  EXPECT_EQ(flow.Update(host, 1, 1), 0.5);
}

}  // namespace
}  // namespace zeb

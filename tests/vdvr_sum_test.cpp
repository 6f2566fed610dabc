#include "indicators/vdvr_sum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Feed;

VDVRSum& Instance(int32_t h) {
  return *static_cast<VDVRSum*>(registry::Find(h));
}

int32_t Configured(int32_t window, int32_t average, int32_t periods, int32_t lookback,
                   int32_t sumLength) {
  const int32_t h = test::Create("VDVRS");
  ZEB_IndicatorSetParameter(h, 0, window);
  ZEB_IndicatorSetParameter(h, 1, average);
  ZEB_IndicatorSetParameter(h, 2, periods);
  ZEB_IndicatorSetParameter(h, 3, lookback);
  ZEB_IndicatorSetParameter(h, 4, sumLength);
  return h;
}

TEST(VDVRSum, EveryIndexAnswersTheOneOutput) {
  const int32_t h = Configured(3, 2, 2, 5, 3);
  for (int32_t bar = 1; bar <= 12; ++bar) {
    Feed(h, {bar, 1 + bar / 4, 10, 10.0 + bar % 3, 9, 10, 100.0 * bar, 50});
  }
  const double v = ZEB_IndicatorValue(h, 0);
  EXPECT_NE(v, 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 7), v);
  EXPECT_EQ(ZEB_IndicatorValue(h, -3), v);
}

TEST(VDVRSum, WithoutParametersTheOutputIsNotANumber) {
  const int32_t h = test::Create("VDVRS");
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
  Feed(h, {1, 1, 10, 11, 9, 10, 100, 50});
  EXPECT_EQ(Instance(h).weightedSeries.Get(0), 0.0);
  EXPECT_TRUE(std::isnan(ZEB_IndicatorValue(h, 0)));
}

TEST(VDVRSum, StochasticWeightsTheLogVolume) {
  // Close at the low of every bar: q = 0, so the range sees -0.5 x ln(volume).
  const int32_t low = Configured(1, 1, 1, 1, 2);
  Feed(low, {1, 7, 10, 11, 9, 9, 300, 100});
  EXPECT_EQ(Instance(low).range.periodLows[0], -0.5 * std::log(400.0));
  // No volume: no logarithm, and the range sees 0.0 whatever q is.
  const int32_t none = Configured(1, 1, 1, 1, 2);
  Feed(none, {1, 7, 10, 11, 9, 10.5, 0, 0});
  EXPECT_EQ(Instance(none).range.periodLows[0], 0.0);
  EXPECT_EQ(Instance(none).range.periodHighs[0], 0.0);
}

TEST(VDVRSum, EveryCallAppendsButTheBarCountsOnce) {
  const int32_t h = Configured(5, 1, 1, 1, 2);
  Feed(h, {1, 1, 10, 11, 9, 10, 300, 100});
  Feed(h, {2, 1, 10, 11, 9, 10, 300, 100});
  Feed(h, {2, 1, 10, 11, 9, 10, 500, 100});
  const VDVRSum& v = Instance(h);
  EXPECT_EQ(v.imbalance.positiveSeries.Get(0), 400.0);
  EXPECT_EQ(v.imbalance.positiveSeries.Get(1), 200.0);
  EXPECT_EQ(v.imbalance.positiveSeries.Get(2), 0.0);
  EXPECT_EQ(v.stochastic.rangeSeries.Get(2), 2.0);  // three calculations, three elements
  EXPECT_EQ(v.stochastic.rangeSeries.Get(3), 0.0);
}

TEST(VDVRSum, ParametersClamp) {
  const int32_t h = test::Create("VDVRS");
  ZEB_IndicatorSetParameter(h, 2, 50);
  ZEB_IndicatorSetParameter(h, 4, 1000);
  ZEB_IndicatorSetParameter(h, 0, std::numeric_limits<double>::quiet_NaN());
  ZEB_IndicatorSetParameter(h, 1, 1e10);
  ZEB_IndicatorSetParameter(h, 3, -4);
  ZEB_IndicatorSetParameter(h, 5, 9);
  const VDVRSum& v = Instance(h);
  EXPECT_EQ(v.periods, 50);
  EXPECT_EQ(v.sumLength, 299);
  EXPECT_EQ(v.imbalanceWindow, 1);
  EXPECT_EQ(v.averageLength, 1);
  EXPECT_EQ(v.lookback, 1);
}

TEST(VDVRSum, SumLengthAboveOneHundredSumsItsWholeWindow) {
  // 100 bars closing at the high, then 100 closing at the low; the high and
  // low are those of the bar itself. The sums reach back 200 calculations.
  const int32_t h = Configured(1, 1, 1, 1, 200);
  for (int32_t bar = 1; bar <= 200; ++bar) {
    Feed(h, {bar, 1, 10, 11, 10, bar <= 100 ? 11.0 : 10.0, 50, 50});
  }
  Feed(h, {201, 2, 10, 11, 10, 10.5, 50, 50});
  // Bars 2 to 201: 99 closes at the high, 100 at the low, one mid-range.
  const double q = (0.5 + 99.0) / 200.0;
  EXPECT_EQ(Instance(h).range.periodLows[0], (q - 0.5) * std::log(100.0));

  const int32_t full = Configured(1, 1, 1, 1, 299);
  for (int32_t bar = 1; bar <= 700; ++bar) Feed(full, {bar, bar / 50, 10, 11, 10, 10.5, 60, 40});
  EXPECT_TRUE(std::isfinite(ZEB_IndicatorValue(full, 0)));
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(VDVRSum, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("VDVRS", {{0, 10}, {1, 5}, {2, 5}, {3, 14}, {4, 10}}, {{0, 0}}),
            0xcac6712b634781dcULL);
  EXPECT_EQ(
      test::OutputDigest("VDVRS", {{0, 299}, {1, 299}, {2, 299}, {3, 299}, {4, 299}}, {{0, 0}}),
      0xf86f194f131f5877ULL);
}

}  // namespace
}  // namespace zeb

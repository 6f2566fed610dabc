#include "indicators/vix_diff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Feed;

VixDiff& Instance(int32_t h) {
  return *static_cast<VixDiff*>(registry::Find(h));
}

int32_t Configured(int32_t lag, int32_t smooth, int32_t detrend, int32_t periods, int32_t signal) {
  const int32_t h = test::Create("VIXDIFF");
  ZEB_IndicatorSetParameter(h, 0, lag);
  ZEB_IndicatorSetParameter(h, 1, smooth);
  ZEB_IndicatorSetParameter(h, 2, detrend);
  ZEB_IndicatorSetParameter(h, 3, periods);
  ZEB_IndicatorSetParameter(h, 4, signal);
  return h;
}

test::Bar Wave(int32_t bar) {
  const double c = 50.0 + 2.0 * std::sin(bar * 0.4) + 0.01 * bar;
  return {bar, 1 + bar / 6, c - 0.3, c + 0.8, c - 0.9, c, 100.0 + bar % 7, 80.0};
}

TEST(VixDiff, OutputsAndUnknownIndices) {
  const int32_t h = Configured(2, 3, 4, 2, 3);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);
  for (int32_t bar = 1; bar <= 40; ++bar) Feed(h, Wave(bar));
  EXPECT_NE(ZEB_IndicatorValue(h, 0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
}

TEST(VixDiff, WorkedDates) {
  const int32_t h = Configured(1, 1, 2, 1, 2);
  // Date 1: mids 10 and 12; flows 0 (a flat bar) and -100 (a bar wholly
  // above the previous one).
  Feed(h, {1, 1, 10, 10, 10, 10, 100, 0});
  Feed(h, {2, 1, 12, 13, 11, 12, 100, 0});
  EXPECT_EQ(Instance(h).flow.range.periodLows[0], -100.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
  // Date 2: mid 11 stands at 0.5 of 10..12; flow (11.5 - 12) x 0.5 x 100 = -25
  // stands at 0.75 of -100..0. diff 0.25, detrended over two: 0.125.
  Feed(h, {3, 2, 10.5, 12, 10, 11.5, 100, 0});
  EXPECT_EQ(Instance(h).priceSeries.Get(0), 0.5);
  EXPECT_EQ(Instance(h).flowSeries.Get(0), 0.75);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.125);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0625);
}

TEST(VixDiff, UnitLengthsGiveZero) {
  const int32_t h = Configured(1, 1, 1, 3, 1);
  for (int32_t bar = 1; bar <= 50; ++bar) {
    Feed(h, Wave(bar));
    EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
    EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);
  }
}

TEST(VixDiff, UpdatesOfTheSameBarChangeNothing) {
  const int32_t h = Configured(2, 3, 4, 2, 3);
  for (int32_t bar = 1; bar <= 20; ++bar) Feed(h, Wave(bar));
  const double oscillator = ZEB_IndicatorValue(h, 0);
  const double signal = ZEB_IndicatorValue(h, 1);
  test::Bar revised = Wave(20);
  revised.close += 5;
  revised.volume1 = 1e6;
  Feed(h, revised);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), oscillator);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), signal);
}

TEST(VixDiff, WithoutParametersBothOutputsAreNotANumber) {
  const int32_t h = test::Create("VIXDIFF");
  for (int32_t bar = 1; bar <= 5; ++bar) Feed(h, Wave(bar));
  EXPECT_EQ(Instance(h).flow.heldValue, 0.0);  // lag 0: the close against itself
  EXPECT_TRUE(std::isnan(ZEB_IndicatorValue(h, 0)));
  EXPECT_TRUE(std::isnan(ZEB_IndicatorValue(h, 1)));
}

TEST(VixDiff, ParametersClamp) {
  const int32_t h = test::Create("VIXDIFF");
  const VixDiff& v = Instance(h);
  ZEB_IndicatorSetParameter(h, 3, 25);
  EXPECT_EQ(v.periods, 19);
  ZEB_IndicatorSetParameter(h, 3, 0);
  EXPECT_EQ(v.periods, 1);
  ZEB_IndicatorSetParameter(h, 0, 2147483647.0);
  EXPECT_EQ(v.lag, 299);
  ZEB_IndicatorSetParameter(h, 0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(v.lag, 1);
  ZEB_IndicatorSetParameter(h, 1, 1e10);
  EXPECT_EQ(v.smoothLength, 1);
  ZEB_IndicatorSetParameter(h, 5, 7);
  // The longest lag and windows over a history longer than every series.
  const int32_t longest = Configured(299, 299, 299, 19, 299);
  for (int32_t bar = 1; bar <= 700; ++bar) Feed(longest, Wave(bar));
  EXPECT_TRUE(std::isfinite(ZEB_IndicatorValue(longest, 0)));
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(VixDiff, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("VIXDIFF", {{0, 3}, {1, 5}, {2, 20}, {3, 5}, {4, 9}}, {{0, 1}}),
            0xd30e5d68591cba59ULL);
  EXPECT_EQ(
      test::OutputDigest("VIXDIFF", {{0, 299}, {1, 299}, {2, 299}, {3, 19}, {4, 299}}, {{0, 1}}),
      0x7a852c581a91708cULL);
}

}  // namespace
}  // namespace zeb

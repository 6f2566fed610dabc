#include "indicators/tsi_combo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "components/series_stats.h"
#include "interface/registry.h"
#include "support/bars.h"
#include "support/output_digest.h"

namespace zeb {
namespace {

using test::Feed;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TSICombo& Instance(int32_t h) {
  return *static_cast<TSICombo*>(registry::Find(h));
}

// A wavy market with a trend, enough to move every study.
test::Bar Wave(int32_t bar) {
  const double c = 100.0 + 0.05 * bar + 3.0 * std::sin(bar * 0.3);
  return {bar, 1, c - 0.4, c + 1.0, c - 1.2, c};
}

TEST(TSICombo, OutputsBeforeAnyBarAndUnknownIndices) {
  const int32_t h = test::Create("COMBO");
  for (int32_t i = -1; i <= 4; ++i) EXPECT_EQ(ZEB_IndicatorValue(h, i), 0.0) << i;
  Feed(h, {1, 1, 100, 100, 100, 100});
  Feed(h, {2, 1, 100, 101, 100, 101});
  EXPECT_EQ(ZEB_IndicatorValue(h, 4), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
  ZEB_IndicatorSetParameter(h, 8, 3);
  ZEB_IndicatorSetParameter(h, -1, 3);
  EXPECT_EQ(Instance(h).firstLength, 25);
  EXPECT_EQ(Instance(h).rwiLength, 30);
}

TEST(TSICombo, SeedsThenJumpsToFullScale) {
  const int32_t h = test::Create("COMBO");
  Feed(h, {1, 1, 100, 100, 100, 100});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);
  Feed(h, {2, 1, 100, 101, 100, 101});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 100.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 100.0 * (2.0 / 6.0));
  Feed(h, {2, 1, 100, 90, 80, 85});  // same bar: nothing moves
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 100.0);
  Feed(h, {3, 1, 101, 101, 100, 100});
  // Momentum 1 then -1 through 2/26 and 2/11; the third stage passes through.
  const double m1 = (-1.0 - 2.0 / 26) * (2.0 / 26) + 2.0 / 26;
  const double a1 = (1.0 - 2.0 / 26) * (2.0 / 26) + 2.0 / 26;
  const double m2 = (m1 - 2.0 / 26 * (2.0 / 11)) * (2.0 / 11) + 2.0 / 26 * (2.0 / 11);
  const double a2 = (a1 - 2.0 / 26 * (2.0 / 11)) * (2.0 / 11) + 2.0 / 26 * (2.0 / 11);
  EXPECT_DOUBLE_EQ(ZEB_IndicatorValue(h, 0), m2 * 100 / a2);
}

TEST(TSICombo, SmoothingLengthsFixAtTheFirstBarRwiLengthDoesNot) {
  const int32_t ref = test::Create("COMBO");
  const int32_t changed = test::Create("COMBO");
  Feed(ref, Wave(1));
  Feed(changed, Wave(1));
  ZEB_IndicatorSetParameter(changed, 0, 40);
  ZEB_IndicatorSetParameter(changed, 4, 20);
  ZEB_IndicatorSetParameter(changed, 5, 0.5);
  for (int32_t bar = 2; bar <= 60; ++bar) {
    Feed(ref, Wave(bar));
    Feed(changed, Wave(bar));
    EXPECT_EQ(ZEB_IndicatorValue(changed, 0), ZEB_IndicatorValue(ref, 0));
    EXPECT_EQ(ZEB_IndicatorValue(changed, 2), ZEB_IndicatorValue(ref, 2));
  }
  ZEB_IndicatorSetParameter(changed, 7, 20);
  Feed(ref, Wave(61));
  Feed(changed, Wave(61));
  EXPECT_NE(Instance(changed).rwiSmoothSeries.Get(0), Instance(ref).rwiSmoothSeries.Get(0));
}

TEST(TSICombo, RwiReadsTheHighAndLowNBarsBack) {
  const int32_t h = test::Create("COMBO");
  ZEB_IndicatorSetParameter(h, 7, 2);
  Feed(h, {1, 1, 10, 11, 9, 10});
  Feed(h, {2, 1, 10, 12, 10, 11});
  Feed(h, {3, 1, 11, 14, 11, 13});
  // True ranges 11 (against the unset close 0), 2 and 3: atr 2.5 over two.
  const double scale = std::sqrt(2.0) * 2.5;
  const double diff = (14.0 - 9.0) / scale - (11.0 - 11.0) / scale;
  EXPECT_EQ(Instance(h).rwiDiffSeries.Get(0), diff);
}

TEST(TSICombo, FlatMarketNeverBreaksOut) {
  const int32_t h = test::Create("COMBO");
  // The first bar's range reaches down to the unset close 0; from bar 31 on
  // the 30-bar true range window holds only zeros.
  for (int32_t bar = 1; bar <= 80; ++bar) {
    Feed(h, {bar, 1, 50, 50, 50, 50});
    if (bar > 31) {
      EXPECT_EQ(ZEB_IndicatorValue(h, 3), 0.0) << bar;
    }
  }
  EXPECT_EQ(Instance(h).rwiSmoothSeries.Get(0), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);
}

TEST(TSICombo, BreakoutNeedsTheFixedLimits) {
  // mean + 1.33 sd = 1.665 stays below 2.08.
  EXPECT_FALSE(IsRwiBreakout(2.0, 1.5, 1.0, 0.5));
  EXPECT_TRUE(IsRwiBreakout(2.1, 1.5, 1.0, 0.5));
  EXPECT_FALSE(IsRwiBreakout(2.1, 2.2, 1.0, 0.5));  // not rising
  EXPECT_FALSE(IsRwiBreakout(2.5, 1.5, 1.0, 1.5));  // inside its own band
  // The lower limit is -1.92, not the mirror of 2.08.
  EXPECT_TRUE(IsRwiBreakout(-2.0, -1.5, 0.0, 0.1));
  EXPECT_FALSE(IsRwiBreakout(-1.9, -1.5, 0.0, 0.1));
  EXPECT_FALSE(IsRwiBreakout(kNaN, 0.0, 0.0, 0.0));
}

TEST(TSICombo, ZeroBandMultiplierAlwaysSqueezes) {
  const int32_t h = test::Create("COMBO");
  ZEB_IndicatorSetParameter(h, 5, 0.0);
  for (int32_t bar = 1; bar <= 40; ++bar) {
    Feed(h, Wave(bar));
    EXPECT_EQ(ZEB_IndicatorValue(h, 2), 1.0) << bar;
  }
  const int32_t normal = test::Create("COMBO");
  bool everOff = false;
  for (int32_t bar = 1; bar <= 40; ++bar) {
    Feed(normal, Wave(bar));
    everOff = everOff || ZEB_IndicatorValue(normal, 2) == 0.0;
  }
  EXPECT_TRUE(everOff);
}

TEST(TSICombo, WindowsOutsideTheSeriesAreClamped) {
  const int32_t h = test::Create("COMBO");
  struct Case {
    double value;
    int32_t stored;
  };
  const Case cases[] = {{0, 1},     {-5, 1},   {1, 1},    {100, 100},         {100.9, 100},
                        {101, 100}, {1e10, 1}, {kNaN, 1}, {2147483647.0, 100}};
  for (const Case& c : cases) {
    ZEB_IndicatorSetParameter(h, 4, c.value);
    ZEB_IndicatorSetParameter(h, 7, c.value);
    EXPECT_EQ(Instance(h).squeezeLength, c.stored) << c.value;
    EXPECT_EQ(Instance(h).rwiLength, c.stored) << c.value;
  }
  // The largest windows over a history longer than every series.
  ZEB_IndicatorSetParameter(h, 4, 1000);
  ZEB_IndicatorSetParameter(h, 7, 1000);
  for (int32_t bar = 1; bar <= 400; ++bar) Feed(h, Wave(bar));
  EXPECT_TRUE(std::isfinite(Instance(h).rwiSmoothSeries.Get(0)));
}

TEST(TSICombo, AnySmoothingLengthIsDefined) {
  for (double length : {2147483647.0, -2147483648.0, 0.0, -1.0, 1e10, kNaN}) {
    const int32_t h = test::Create("COMBO");
    for (int32_t index = 0; index <= 3; ++index) ZEB_IndicatorSetParameter(h, index, length);
    for (int32_t bar = 1; bar <= 5; ++bar) Feed(h, Wave(bar));
    EXPECT_EQ(Instance(h).tsi.firstLength, ParameterToInt(length)) << length;
    EXPECT_EQ(Instance(h).tsi.signalLength, ParameterToInt(length)) << length;
  }
  const int32_t slow = test::Create("COMBO");
  ZEB_IndicatorSetParameter(slow, 0, 2147483647.0);
  Feed(slow, {1, 1, 100, 100, 100, 100});
  Feed(slow, {2, 1, 100, 101, 100, 101});
  EXPECT_EQ(ZEB_IndicatorValue(slow, 0), 100.0);  // tiny but equal momentum stages
}

// Pinned outputs over a fixed stream: the native and Win32 builds agree bit for bit.
TEST(TSICombo, OutputsArePinned) {
  EXPECT_EQ(test::OutputDigest("COMBO", {}, {{0, 3}}), 0x5458a25cec9a0ea3ULL);
  EXPECT_EQ(test::OutputDigest(
                "COMBO", {{0, 3}, {1, 2}, {2, 4}, {3, 2}, {4, 100}, {5, 1.5}, {6, 2.0}, {7, 100}},
                {{0, 3}}),
            0xec504f131a3e8614ULL);
}

// Lengths below 1 make the averages grow without bound; once they overflow
// they start again from their seed instead of staying infinite or NaN.
TEST(TSICombo, DivergingLengthsNeverLeaveTheIndexNonFinite) {
  for (const double length : {-1.0, -2.0, -5.0}) {
    const int32_t h = test::Create("COMBO");
    ZEB_IndicatorSetParameter(h, 0, length);
    ZEB_IndicatorSetParameter(h, 3, length);
    bool reseeded = false;
    for (int32_t bar = 1; bar <= 3000; ++bar) {
      Feed(h, Wave(bar));
      ASSERT_TRUE(std::isfinite(ZEB_IndicatorValue(h, 0))) << length << " bar " << bar;
      ASSERT_TRUE(std::isfinite(ZEB_IndicatorValue(h, 1))) << length << " bar " << bar;
      reseeded = reseeded || (bar > 2 && ZEB_IndicatorValue(h, 0) == 0.0);
    }
    EXPECT_TRUE(reseeded) << length;
  }
}

}  // namespace
}  // namespace zeb

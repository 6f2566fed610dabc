#include "indicators/swing_pcl.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "interface/registry.h"
#include "support/swing_bars.h"

namespace zeb {
namespace {

using test::FeedSwingBars;
using test::Levels;
using test::LevelsOf;

SwingPCL& Instance(int32_t h) {
  return *static_cast<SwingPCL*>(registry::Find(h));
}

int32_t Create(int32_t swingCount) {
  const int32_t h = test::Create("SWINGPCL");
  ZEB_IndicatorSetParameter(h, 2, swingCount);
  return h;
}

// Completed swings of the pattern (high, low): bars 1..8 (17.5, 0.0), bars
// 9..12 (15.5, 11.5), bars 13..17 (20.5, 15.5).
TEST(SwingPCL, LevelsSpanTheLastSwings) {
  const int32_t one = Create(1), two = Create(2), three = Create(3), ten = Create(10);
  for (int32_t h : {one, two, three, ten}) FeedSwingBars(h, 1, 13);
  EXPECT_EQ(Levels(one), LevelsOf(15.5, 11.5, 12, 16));
  EXPECT_EQ(Levels(two), LevelsOf(17.5, 0.0, 12, 16));
  for (int32_t h : {one, two, three, ten}) FeedSwingBars(h, 14, 18);
  EXPECT_EQ(Levels(one), LevelsOf(20.5, 15.5, 20, 18));
  EXPECT_EQ(Levels(two), LevelsOf(20.5, 11.5, 20, 18));
  EXPECT_EQ(Levels(three), LevelsOf(20.5, 0.0, 20, 18));
  // Only three swings so far: the zero-filled entries hold the low at 0.
  EXPECT_EQ(Levels(ten), LevelsOf(20.5, 0.0, 20, 18));

  const SwingPCL& s = Instance(ten);
  EXPECT_EQ(std::vector<double>(s.swingHighs, s.swingHighs + 4),
            std::vector<double>({20.5, 15.5, 17.5, 0.0}));
  EXPECT_EQ(std::vector<double>(s.swingLows, s.swingLows + 4),
            std::vector<double>({15.5, 11.5, 0.0, 0.0}));
  EXPECT_EQ(s.rangeHigh, 18.5);  // bar 18 opens the next swing
}

// A changed swing count takes effect at the next completed swing; the
// histories keep ten swings whatever the count.
TEST(SwingPCL, SwingCountChangesAtTheNextSwing) {
  const int32_t h = Create(1);
  FeedSwingBars(h, 1, 13);
  ZEB_IndicatorSetParameter(h, 2, 3);
  EXPECT_EQ(Levels(h), LevelsOf(15.5, 11.5, 12, 16));
  FeedSwingBars(h, 14, 18);
  EXPECT_EQ(Levels(h), LevelsOf(20.5, 0.0, 20, 18));

  SwingPCL& s = Instance(h);
  for (double v : {0.0, 11.0, -3.0}) {
    ZEB_IndicatorSetParameter(h, 2, v);
    EXPECT_EQ(s.swingCount, v > 10 ? 10 : 1) << v;
  }
}

// With one swing the levels are FloatPCL's, whatever the bars and settings.
TEST(SwingPCL, OneSwingEqualsFloatPCL) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> step(-0.6, 0.6);
  for (int32_t setting = 0; setting < 6; ++setting) {
    const int32_t swing = Create(1);
    const int32_t floating = test::Create("FLOATPCL");
    for (int32_t h : {swing, floating}) {
      ZEB_IndicatorSetParameter(h, 0, 2 + setting * 3);
      ZEB_IndicatorSetParameter(h, 1, 1 + setting % 3);
    }
    double price = 50.0;
    for (int32_t n = 1; n <= 3000; ++n) {
      const double open = price;
      price += step(rng);
      const test::Bar bar{n, 1, open, price + 0.3, price - 0.4, price};
      test::Feed(swing, bar);
      test::Feed(floating, bar);
      ASSERT_EQ(Levels(swing), Levels(floating)) << "bar " << n;
    }
  }
}

TEST(SwingPCL, Parameters) {
  const int32_t h = test::Create("SWINGPCL");
  const SwingPCL& s = Instance(h);
  EXPECT_EQ(s.swingCount, 1);
  EXPECT_EQ(s.signalThreshold, 1);
  EXPECT_EQ(s.detector.period, 5);
  ZEB_IndicatorSetParameter(h, 0, 1000);
  EXPECT_EQ(s.detector.period, 299);
  EXPECT_EQ(ZEB_IndicatorValue(h, 10), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -2147483647 - 1), 0.0);
}

}  // namespace
}  // namespace zeb

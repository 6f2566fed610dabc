#include "indicators/float_pcl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "interface/registry.h"
#include "support/swing_bars.h"

namespace zeb {
namespace {

using test::Feed;
using test::FeedSwingBars;
using test::Levels;
using test::LevelsOf;
using test::SwingBar;

FloatPCL& Instance(int32_t h) {
  return *static_cast<FloatPCL*>(registry::Find(h));
}

// Swings end at bars 9 (code -2), 13 (+1) and 18 (-3); the trough at bar 22
// has code 0 and ends nothing.
TEST(FloatPCL, WorkedSwings) {
  const int32_t h = test::Create("FLOATPCL");
  FeedSwingBars(h, 1, 8);
  EXPECT_EQ(Levels(h), std::vector<double>(10, 0.0));

  // First swing: bars 1..8, its low still the 0.0 that Reset left.
  Feed(h, SwingBar(9));
  const std::vector<double> first = {-23.5, -6, 5.5, 11.5, 15, 17, 32.5 / 3, 23, 29, 46.5};
  EXPECT_EQ(Levels(h), first);
  EXPECT_EQ(Instance(h).rangeHigh, 15.5);  // bar 9 opens the next swing
  EXPECT_EQ(Instance(h).rangeLow, 14.5);

  FeedSwingBars(h, 10, 12);
  EXPECT_EQ(Levels(h), first);
  Feed(h, SwingBar(13));  // bars 9..12: H 15.5, L 11.5, C 12, O 16
  EXPECT_EQ(Levels(h), std::vector<double>({5, 9, 10.5, 13, 16, 12, 43.0 / 3, 14.5, 17, 21}));

  FeedSwingBars(h, 14, 18);  // bars 13..17
  EXPECT_EQ(Levels(h), LevelsOf(20.5, 15.5, 20, 18));
  FeedSwingBars(h, 19, 22);
  EXPECT_EQ(Levels(h), LevelsOf(20.5, 15.5, 20, 18));
}

TEST(FloatPCL, ThresholdSelectsTheTurnsThatEndASwing) {
  const int32_t two = test::Create("FLOATPCL");
  const int32_t three = test::Create("FLOATPCL");
  ZEB_IndicatorSetParameter(two, 1, 2);
  ZEB_IndicatorSetParameter(three, 1, 3);
  FeedSwingBars(two, 1, 18);
  FeedSwingBars(three, 1, 17);
  EXPECT_EQ(Levels(three), std::vector<double>(10, 0.0));
  Feed(three, SwingBar(18));
  EXPECT_EQ(Levels(three), LevelsOf(20.5, 0, 20, 18));   // one swing from bar 1
  EXPECT_EQ(Levels(two), LevelsOf(20.5, 11.5, 20, 18));  // bars 9..17
}

TEST(FloatPCL, OnlyTheFirstStorageOfABarCounts) {
  const int32_t clean = test::Create("FLOATPCL");
  const int32_t revised = test::Create("FLOATPCL");
  FeedSwingBars(clean, 1, 22);
  for (int32_t n = 1; n <= 22; ++n) {
    Feed(revised, SwingBar(n));
    test::Bar wide = SwingBar(n);
    wide.high = 1000;
    wide.low = 0.001;
    Feed(revised, wide);  // same bar number: stored, not calculated
  }
  EXPECT_EQ(Levels(revised), Levels(clean));
  EXPECT_EQ(Instance(revised).rangeHigh, Instance(clean).rangeHigh);
  EXPECT_EQ(Instance(revised).detector.updateCount, 22);
}

TEST(FloatPCL, Parameters) {
  const int32_t h = test::Create("FLOATPCL");
  FloatPCL& f = Instance(h);
  EXPECT_EQ(f.detector.period, 5);
  EXPECT_EQ(f.signalThreshold, 1);
  FeedSwingBars(h, 1, 13);
  const std::vector<double> levels = Levels(h);
  EXPECT_NE(f.detector.troughPrice, 0.0);
  // Setting the period restarts the detector even when unchanged; the range
  // and the levels stay.
  ZEB_IndicatorSetParameter(h, 0, 5.9);
  EXPECT_EQ(f.detector.period, 5);
  EXPECT_EQ(f.detector.troughPrice, 0.0);
  EXPECT_EQ(f.detector.updateCount, 0);
  EXPECT_EQ(Levels(h), levels);
  EXPECT_EQ(f.rangeHigh, 16.5);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double v : {0.0, -7.0, 1e10, nan}) {
    ZEB_IndicatorSetParameter(h, 0, v);
    EXPECT_EQ(f.detector.period, 1) << v;
    ZEB_IndicatorSetParameter(h, 1, v);
    EXPECT_EQ(f.signalThreshold, 1) << v;
  }
  ZEB_IndicatorSetParameter(h, 0, 300);
  EXPECT_EQ(f.detector.period, 299);
  ZEB_IndicatorSetParameter(h, 1, 3.99);
  EXPECT_EQ(f.signalThreshold, 3);
  ZEB_IndicatorSetParameter(h, 1, 4);
  EXPECT_EQ(f.signalThreshold, 3);
  ZEB_IndicatorSetParameter(h, 2, 1);  // names nothing
  EXPECT_EQ(ZEB_IndicatorValue(h, 10), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
}

}  // namespace
}  // namespace zeb

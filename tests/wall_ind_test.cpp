#include "indicators/wall_ind.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "interface/registry.h"
#include "support/swing_bars.h"

namespace zeb {
namespace {

using test::Bar;
using test::Feed;

WallInd& Instance(int32_t h) {
  return *static_cast<WallInd*>(registry::Find(h));
}

// Width figure of a wall, written out from its inputs: the pivot and open
// pivot of the ended period, distances from the pivot, scaled to the close.
double Width(double H, double L, double C, double open, double close) {
  const double P = (C + (H + L)) / 3;
  const double O = ((H + L) + open) / 3;
  const double s = close == 0.0 ? 1.0 : 100 / close;
  const double dOpen = std::fabs(P - open), dPivot = std::fabs(P - O), dClose = std::fabs(P - C);
  const double largest = std::fmax(dPivot, std::fmax(dClose, dOpen));
  return ((largest * s) * 100) * ((((dClose + dOpen) + dPivot) / 3) * s);
}

TEST(WallInd, DailyWalls) {
  const int32_t h = test::Create("WALLIND");
  // The first bar starts a period from zeros: a very wide wall, not published.
  Feed(h, {1, 1, 100, 101, 99, 100});
  EXPECT_GT(Instance(h).wallWidth, 1e4);
  EXPECT_FALSE(Instance(h).wallValid);
  Feed(h, {2, 1, 100, 100.5, 99.5, 100});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 0.0);

  // Day 1: H 101, L 99, last close 100. Day 2 opens at 100.2.
  Feed(h, {3, 2, 100.2, 100.3, 99.9, 100});
  const double width = Width(101, 99, 100, 100.2, 100);
  EXPECT_LT(width, 10.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 100.0);  // pivot and close
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 100.2);  // the open
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), width);
  EXPECT_EQ(ZEB_IndicatorValue(h, 3), 0.0);

  // Day 2 ranges from its first bar: H 100.3, L 98, last close 98.5. The
  // wall opening at 104 is too wide: stored, not published.
  Feed(h, {4, 2, 100, 100, 98, 98.5});
  Feed(h, {5, 3, 104, 104, 103, 103.5});
  EXPECT_EQ(Instance(h).wallWidth, Width(100.3, 98, 98.5, 104, 103.5));
  EXPECT_EQ(Instance(h).wallHigh, 104);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(ZEB_IndicatorValue(h, i), 0.0);
}

TEST(WallInd, ZeroCloseUsesScaleOne) {
  const int32_t h = test::Create("WALLIND");
  ZEB_IndicatorSetParameter(h, 3, 1e9);
  Feed(h, {1, 1, 10, 11, 9, 10});
  Feed(h, {2, 2, 12, 12, 0, 0});
  // Distances 2, 2/3 and 0 taken as they are: (2 x 100) x (8/9).
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), Width(11, 9, 10, 12, 0));
  EXPECT_NEAR(ZEB_IndicatorValue(h, 2), 1600.0 / 9, 1e-9);
}

// Mode 1 on the swing pattern: periods end at bars 9, 13 and 18. A wall too
// wide for the limit is not stored; the last narrow one stays published.
TEST(WallInd, SwingWalls) {
  const int32_t h = test::Create("WALLIND");
  ZEB_IndicatorSetParameter(h, 0, 1);
  test::FeedSwingBars(h, 1, 9);
  const WallInd& w = Instance(h);
  EXPECT_TRUE(w.wallValid);  // nothing stored: 0.0 is within the limit
  EXPECT_EQ(w.wallWidth, 0.0);
  EXPECT_EQ(w.periodHigh, 15.5);

  ZEB_IndicatorSetParameter(h, 3, 5000);
  test::FeedSwingBars(h, 10, 13);  // bars 9..12: H 15.5, L 11.5, C 12; open 16
  EXPECT_GT(Width(15.5, 11.5, 12, 16, 16), 5000);
  EXPECT_EQ(w.wallWidth, 0.0);

  test::FeedSwingBars(h, 14, 18);  // bars 13..17: H 20.5, L 15.5, C 20; open 18
  const double width = Width(20.5, 15.5, 20, 18, 18);
  EXPECT_LT(width, 5000);
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), 18.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 20.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), width);

  test::FeedSwingBars(h, 19, 22);  // the trough at bar 22 has code 0: no new period
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), width);
}

TEST(WallInd, NegativeLimitRejectsEveryWall) {
  const int32_t h = test::Create("WALLIND");
  ZEB_IndicatorSetParameter(h, 3, -1);
  Feed(h, {1, 1, 100, 101, 99, 100});
  Feed(h, {2, 2, 100, 100, 100, 100});  // a wall of width 0
  EXPECT_EQ(Instance(h).wallWidth, 0.0);
  EXPECT_FALSE(Instance(h).wallValid);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), 0.0);
}

TEST(WallInd, Parameters) {
  const int32_t h = test::Create("WALLIND");
  WallInd& w = Instance(h);
  EXPECT_EQ(w.maxWidth, 10.0);
  EXPECT_EQ(w.signalThreshold, 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double modes[][2] = {{1, 1}, {2, 0}, {1.9, 1}, {-0.5, 0}, {-1, 0}, {nan, 0}, {1e12, 0}};
  for (const auto& m : modes) {
    ZEB_IndicatorSetParameter(h, 0, m[0]);
    EXPECT_EQ(w.periodMode, m[1]) << m[0];
  }
  ZEB_IndicatorSetParameter(h, 1, 0);
  EXPECT_EQ(w.detector.period, 1);
  ZEB_IndicatorSetParameter(h, 2, 9);
  EXPECT_EQ(w.signalThreshold, 3);
  ZEB_IndicatorSetParameter(h, 3, 7.5);
  ZEB_IndicatorSetParameter(h, 3, nan);
  EXPECT_EQ(w.maxWidth, 7.5);
  // Mode 0 never feeds the detector.
  Feed(h, {1, 1, 10, 11, 9, 10});
  EXPECT_EQ(w.detector.updateCount, 0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 5), 0.0);
}

}  // namespace
}  // namespace zeb

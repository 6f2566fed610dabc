#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/bars.h"

namespace zeb {
namespace {

using test::Bar;
using test::Feed;

std::vector<double> Levels(int32_t h) {
  std::vector<double> out;
  for (int32_t i = 0; i < 10; ++i) out.push_back(ZEB_IndicatorValue(h, i));
  return out;
}

TEST(StaticPCL, NothingBeforeTheFirstDayChange) {
  const int32_t h = test::Create("STATICPCL");
  for (double v : Levels(h)) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, 10), -1.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), -1.0);
  EXPECT_EQ(ZEB_IndicatorSetParameter(h, 0, 5.0), 1);
}

TEST(StaticPCL, WorkedDay) {
  const int32_t h = test::Create("STATICPCL");
  // Bar number 0 first is stored in place and never enters the day's range.
  EXPECT_EQ(Feed(h, {0, 1, 10, 10, 10, 10}), 0);
  Feed(h, {1, 2, 9, 10, 8, 9});  // day change from date 1
  Feed(h, {2, 2, 9, 12, 9, 11});
  Feed(h, {3, 2, 11, 11, 7, 9.5});
  Feed(h, {4, 3, 11.5, 13, 11, 12});  // next day
  const double P = 28.5 / 3;
  const std::vector<double> expected = {(((P - 12) + 7) - 12) + 7,
                                        (P - 12) + 7,
                                        (P + P) - 12,
                                        P,
                                        11.5,
                                        9.5,
                                        ((7.0 + 12.0) + 11.5) / 3,
                                        (P + P) - 7,
                                        (P + 12) - 7,
                                        (((P + 12) - 7) + 12) - 7};
  EXPECT_EQ(Levels(h), expected);
  EXPECT_DOUBLE_EQ(ZEB_IndicatorValue(h, 0), -0.5);
  EXPECT_DOUBLE_EQ(ZEB_IndicatorValue(h, 9), 19.5);
}

TEST(StaticPCL, FirstBarOfAFreshInstanceIsADayChange) {
  const int32_t h = test::Create("STATICPCL");
  Feed(h, {1, 20240102, 10, 11, 9, 10});
  // H = 0, L = 1e20, C = 0: huge levels, replaced at the next day change.
  EXPECT_GT(std::fabs(ZEB_IndicatorValue(h, 3)), 1e19);
  EXPECT_LT(ZEB_IndicatorValue(h, 7), 0.0);
}

TEST(StaticPCL, DayChangeInsideAJumpIsNotSeen) {
  const int32_t h = test::Create("STATICPCL");
  Feed(h, {1, 1, 10, 11, 9, 10});
  const std::vector<double> before = Levels(h);
  Feed(h, {2, 1, 10, 12, 9, 10});
  Feed(h, {5, 2, 10, 15, 5, 10});  // new date but filled copies hide it
  EXPECT_EQ(Levels(h), before);
  Feed(h, {6, 3, 10, 10, 10, 10});
  // The skipped day's extremes went into the running range.
  EXPECT_DOUBLE_EQ(ZEB_IndicatorValue(h, 3), ((5.0 + 15.0) + 10.0) / 3);
}

TEST(StaticPCL, RevisionsAndNoCalcBarsDoNotWidenTheRange) {
  const int32_t h = test::Create("STATICPCL");
  Feed(h, {1, 1, 10, 11, 9, 10});
  Feed(h, {2, 2, 10, 11, 9, 10});
  Feed(h, {2, 2, 10, 50, 1, 10});  // revision with a wider range: ignored
  test::FeedNoCalc(h, {3, 2, 10, 60, 0.5, 10});
  Feed(h, {4, 3, 10, 10, 10, 10});
  EXPECT_DOUBLE_EQ(ZEB_IndicatorValue(h, 3), ((9.0 + 11.0) + 10.0) / 3);
}

}  // namespace
}  // namespace zeb

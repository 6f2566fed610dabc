#include "components/period_range.h"

#include <gtest/gtest.h>

#include <limits>

#include "components/exp_average.h"

namespace zeb {
namespace {

// Periods with ranges 1..2, 3..5 and 4..6, oldest first.
PeriodRange ThreePeriods() {
  PeriodRange r;
  r.Update(1, 3, true);
  r.Update(2, 3, false);
  r.Update(3, 3, true);
  r.Update(5, 3, false);
  r.Update(4, 3, true);
  r.Update(6, 3, false);
  return r;
}

TEST(PeriodRange, PassesXThroughBeforeTheFirstPeriodEnds) {
  PeriodRange r;
  EXPECT_EQ(r.Update(5.0, 3, false), 5.0);
  EXPECT_EQ(r.periodHighs[0], 5.0);
  EXPECT_EQ(r.periodLows[0], 0.0);
}

TEST(PeriodRange, ZeroWidthReferenceGivesZero) {
  PeriodRange r;
  EXPECT_EQ(r.Update(10.0, 3, true), 0.0);
  EXPECT_EQ(r.periodLows[0], 10.0);
  EXPECT_EQ(r.periodHighs[0], 10.0);
}

TEST(PeriodRange, ReferenceSpansTheLastPeriods) {
  PeriodRange r;
  r.Update(8, 2, true);
  r.Update(9, 2, false);
  r.Update(10, 2, true);
  r.Update(12, 2, false);
  EXPECT_EQ(r.Update(11.0, 2, true), 0.75);  // reference 8..12
  EXPECT_EQ(r.referenceLow, 8.0);
  EXPECT_EQ(r.referenceHigh, 12.0);
  // Fixed for the rest of the period while the period's own range moves.
  EXPECT_EQ(r.Update(14.0, 2, false), 1.5);
  EXPECT_EQ(r.periodHighs[0], 14.0);
  EXPECT_EQ(r.periodHighs[1], 12.0);
}

TEST(PeriodRange, PeriodCountIsClampedToOneToTwenty) {
  for (int32_t periods : {1, 0, -7, std::numeric_limits<int32_t>::min()}) {
    PeriodRange r = ThreePeriods();
    EXPECT_EQ(r.Update(5, periods, true), 0.5) << periods;  // reference 4..6
  }
  PeriodRange two = ThreePeriods();
  EXPECT_EQ(two.Update(5, 2, true), 2.0 / 3.0);  // reference 3..6
  PeriodRange all = ThreePeriods();
  // Unseen periods take part with their initial 0.0.
  EXPECT_EQ(all.Update(5, 20, true), 5.0 / 6.0);

  PeriodRange twenty;
  PeriodRange beyond;
  for (int32_t i = 1; i <= 22; ++i) {
    twenty.Update(i, 20, true);
    beyond.Update(i, 25, true);
  }
  EXPECT_EQ(beyond.Update(30, 25, true), twenty.Update(30, 20, true));
  EXPECT_EQ(beyond.referenceLow, 3.0);
  EXPECT_EQ(beyond.referenceHigh, 22.0);
}

TEST(PeriodRange, OldestPeriodIsDropped) {
  PeriodRange r;
  for (int32_t i = 1; i <= 25; ++i) r.Update(i, 20, true);
  EXPECT_EQ(r.periodLows[19], 6.0);
  EXPECT_EQ(r.referenceLow, 5.0);  // periods 5..24 formed the last reference
}

TEST(ExpAverage, LengthOneFollowsAndLengthThreeHalves) {
  ExpAverage one;
  EXPECT_EQ(one.Update(1, 7.5), 7.5);
  EXPECT_EQ(one.Update(1, -2.0), -2.0);
  ExpAverage three;
  EXPECT_EQ(three.Update(3, 4), 2.0);
  EXPECT_EQ(three.Update(3, 4), 3.0);
}

TEST(ExpAverage, EveryLengthIsDefined) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(SmoothingFactor(kMax), 2.0 / 2147483648.0);
  EXPECT_EQ(SmoothingFactor(kMax - 1), 2.0 / (kMax - 1 + 1));
  EXPECT_EQ(SmoothingFactor(std::numeric_limits<int32_t>::min()), 2.0 / -2147483647.0);
  EXPECT_EQ(SmoothingFactor(0), 2.0);
  EXPECT_EQ(SmoothingFactor(-1), std::numeric_limits<double>::infinity());
  ExpAverage slow;
  EXPECT_EQ(slow.Update(kMax, 2147483648.0), 2.0);
}

}  // namespace
}  // namespace zeb

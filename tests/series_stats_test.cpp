#include "components/series_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "support/element_stats.h"

namespace zeb {
namespace {

RingSeries SeriesOf(std::initializer_list<double> oldestFirst, int32_t capacity = 300) {
  RingSeries s(capacity);
  for (double v : oldestFirst) s.Push(v);
  return s;
}

TEST(RingSeries, DefaultCapacitiesAndWrap) {
  EXPECT_EQ(RingSeries(0).Capacity(), 100);
  EXPECT_EQ(RingSeries(-5).Capacity(), 100);
  EXPECT_EQ(IntRingSeries(0).Capacity(), 50);
  RingSeries s(3);
  s.Push(1);
  s.Push(2);
  EXPECT_EQ(s.Get(0), 2);
  EXPECT_EQ(s.Get(1), 1);
  EXPECT_EQ(s.Get(2), 0);  // never written
  EXPECT_EQ(s.Get(3), 2);  // a full turn lands on the newest again
  s.SetCurrent(5);
  EXPECT_EQ(s.Get(0), 5);
}

TEST(RingSeries, OutOfContractReadsStayInside) {
  RingSeries s(4);
  for (int i = 1; i <= 6; ++i) s.Push(i);
  EXPECT_EQ(s.Get(-100), 0.0);
  EXPECT_EQ(s.Get(9), 0.0);
  EXPECT_EQ(s.Get(std::numeric_limits<int32_t>::min() + 1), 0.0);
}

TEST(RingSeries, RepeatedPushStopsAfterOneFill) {
  RingSeries s(5);
  s.Push(1);
  s.PushRepeated(7, std::numeric_limits<int32_t>::max());
  for (int k = 0; k <= 5; ++k) EXPECT_EQ(s.Get(k), 7);
  s.Push(8);
  EXPECT_EQ(s.Get(0), 8);
  EXPECT_EQ(s.Get(1), 7);
}

// Every window a ring can be asked for, at every write position: the runs
// ForEachBack walks give exactly what Get gives element by element, also
// for windows outside the contract (negative starts, beyond the capacity).
TEST(RingSeries, ForEachBackReadsWhatGetReads) {
  for (int32_t pushes = 0; pushes <= 12; ++pushes) {
    RingSeries s(5);
    for (int32_t v = 1; v <= pushes; ++v) s.Push(v);
    for (int32_t first = -3; first <= 8; ++first) {
      for (int32_t count = 0; count <= 9; ++count) {
        std::vector<double> seen;
        s.ForEachBack(first, count, [&seen](double v) { seen.push_back(v); });
        ASSERT_EQ(seen.size(), static_cast<size_t>(count));
        for (int32_t k = 0; k < count; ++k) {
          EXPECT_EQ(seen[static_cast<size_t>(k)], s.Get(first + k))
              << pushes << " pushes, first " << first << ", element " << k;
        }
      }
    }
  }
}

TEST(SeriesStats, ZeroFilledSlotsTakePart) {
  RingSeries s = SeriesOf({10.0});
  EXPECT_EQ(test::SeriesAverage(s, 5), 2.0);
  EXPECT_EQ(test::SeriesSum(s, 5), 10.0);
  EXPECT_EQ(SeriesHighest(s, 5), 10.0);
  EXPECT_EQ(SeriesLowest(s, 5), 0.0);
}

TEST(SeriesStats, WeightedAverageNewestHeaviest) {
  RingSeries s = SeriesOf({1, 2, 3});
  EXPECT_DOUBLE_EQ(test::SeriesWeightedAverage(s, 3), 14.0 / 6.0);
  EXPECT_TRUE(std::isnan(test::SeriesWeightedAverage(s, 0)));
  EXPECT_TRUE(std::isnan(test::SeriesWeightedAverage(s, -1)));
  EXPECT_EQ(test::SeriesWeightedAverage(s, -2), 0.0);
}

TEST(SeriesStats, PopulationStdDev) {
  RingSeries s = SeriesOf({2, 4, 4, 4, 5, 5, 7, 9});
  double mean = -1, sd = -1;
  test::SeriesMeanStdDev(s, 8, mean, sd);
  EXPECT_EQ(mean, 5.0);
  EXPECT_EQ(sd, 2.0);
  test::SeriesMeanStdDev(s, 0, mean, sd);
  EXPECT_EQ(mean, 0.0);
  EXPECT_EQ(sd, 0.0);
}

TEST(SeriesStats, ShortWindowsFollowTheirFormula) {
  RingSeries s = SeriesOf({3, 4});
  EXPECT_TRUE(std::isnan(test::SeriesAverage(s, 0)));
  const double negative = test::SeriesAverage(s, -3);
  EXPECT_EQ(negative, 0.0);
  EXPECT_TRUE(std::signbit(negative));
  EXPECT_EQ(test::SeriesSum(s, 0), 0.0);
  EXPECT_EQ(SeriesHighest(s, 0), 0.0);
  EXPECT_EQ(SeriesLowest(s, -1), 0.0);
}

TEST(SeriesStats, FullCapacityWindowReadsEverySlotOnce) {
  RingSeries s(7);
  for (int i = 1; i <= 11; ++i) s.Push(i);  // slots hold 5..11
  EXPECT_EQ(test::SeriesSum(s, 7), 5 + 6 + 7 + 8 + 9 + 10 + 11);
  EXPECT_EQ(SeriesLowest(s, 7), 5);
  EXPECT_EQ(SeriesHighest(s, 7), 11);
}

TEST(SeriesStats, NotANumberNeverReplacesTheBest) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  RingSeries s = SeriesOf({1, nan, 3});
  EXPECT_EQ(SeriesHighest(s, 3), 3);
  EXPECT_EQ(SeriesLowest(s, 3), 1);
  RingSeries first = SeriesOf({1, 2, nan});
  EXPECT_TRUE(std::isnan(SeriesHighest(first, 3)));
}

uint64_t BitsOf(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Both extremes in one walk must give the very bits of the separate walks:
// ties, +0/-0 in either order, NaN in any position, infinities, every window
// length from below 1 to beyond the capacity, series in step and out of step.
TEST(SeriesStats, HighestLowestTogetherMatchSeparateWalksBitForBit) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double pool[] = {0.0, -0.0, 1.0, 1.0, -1.0, nan, -nan, inf, -inf, 2.5, -2.5, 1e-310};
  constexpr int32_t kCapacity = 9;
  uint32_t state = 12345;
  auto next = [&state, &pool]() {
    state = state * 1664525u + 1013904223u;
    return pool[(state >> 16) % std::size(pool)];
  };
  for (int trial = 0; trial < 400; ++trial) {
    RingSeries high(kCapacity);
    RingSeries low(kCapacity);
    const int pushes = trial % 23;
    const bool outOfStep = trial % 5 == 4;  // one extra push: positions differ
    for (int i = 0; i < pushes; ++i) {
      high.Push(next());
      low.Push(next());
    }
    if (outOfStep) low.Push(next());
    for (int32_t n = -1; n <= kCapacity + 3; ++n) {
      double highest = 7.0;
      double lowest = 7.0;
      SeriesHighestLowest(high, low, n, highest, lowest);
      EXPECT_EQ(BitsOf(highest), BitsOf(SeriesHighest(high, n))) << trial << " n=" << n;
      EXPECT_EQ(BitsOf(lowest), BitsOf(SeriesLowest(low, n))) << trial << " n=" << n;
    }
  }
}

TEST(Clamps, IntegerAndDouble) {
  EXPECT_EQ(ClampInt(0, 1, 299), 1);
  EXPECT_EQ(ClampInt(300, 1, 299), 299);
  EXPECT_EQ(ClampInt(0, 5, 1), 5);
  EXPECT_EQ(ClampInt(7, 5, 1), 1);
  EXPECT_EQ(ClampDouble(-4.0, -3.0, 3.0), -3.0);
  EXPECT_EQ(ClampDouble(4.0, -3.0, 3.0), 3.0);
  EXPECT_TRUE(std::isnan(ClampDouble(std::nan(""), -3.0, 3.0)));
}

TEST(Clamps, ParameterConversion) {
  EXPECT_EQ(ClampedParameter(12.9, 1, 299), 12);
  EXPECT_EQ(ParameterToInt(-0.5), 0);
  EXPECT_EQ(ClampedParameter(std::nan(""), 1, 299), 1);
  EXPECT_EQ(ClampedParameter(1e10, 1, 299), 1);  // out of range ends at the lower bound
  EXPECT_EQ(ClampedParameter(2147483647.0, 1, 299), 299);
  EXPECT_EQ(ParameterToInt(-2147483648.0), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParameterToInt(std::numeric_limits<double>::infinity()),
            std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParameterToInt(-std::numeric_limits<double>::infinity()),
            std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ParameterToInt(-1e300), std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace zeb

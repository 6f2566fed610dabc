#include "components/window_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "components/series_stats.h"
#include "support/element_stats.h"

namespace zeb {
namespace {

constexpr int32_t kCapacity = 7;

uint64_t Bits(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Values that make the order of additions and the sign of zero visible.
double ValueAt(int32_t i) {
  constexpr double kValues[] = {1e16, -0.0, 1.0, -1e16, 0.1, -0.0, 3.0, 0.30000000000000004, -2.5};
  return kValues[i % 9];
}

// A window series and a ring series of the same capacity fed the same values,
// with revisions of the newest value among the pushes.
struct Pair {
  WindowSeries<kCapacity> window;
  RingSeries ring{kCapacity};

  void Push(double v) {
    window.Push(v);
    ring.Push(v);
  }
  void SetCurrent(double v) {
    window.SetCurrent(v);
    ring.SetCurrent(v);
  }
};

TEST(WindowSeries, ReadsWhatTheRingSeriesReads) {
  Pair p;
  for (int32_t step = 0; step < 3 * kCapacity; ++step) {
    for (int32_t k = -kCapacity - 2; k <= kCapacity + 2; ++k) {
      ASSERT_EQ(Bits(p.window.Get(k)), Bits(p.ring.Get(k))) << step << " steps, k " << k;
    }
    for (int32_t k = 0; k < kCapacity; ++k) ASSERT_EQ(p.window.Newest()[-k], p.ring.Get(k));
    if (step % 4 == 3) {
      p.SetCurrent(ValueAt(step + 5));
    } else {
      p.Push(ValueAt(step));
    }
  }
}

// Every window length, also beyond the capacity and below 1, gives the bits of
// the ring series statistics, whatever the position of the newest value.
TEST(WindowSeries, StatisticsMatchTheSeriesStatisticsBitForBit) {
  Pair p;
  for (int32_t step = 0; step < 2 * kCapacity + 3; ++step) {
    for (int32_t n = -1; n <= kCapacity + 2; ++n) {
      EXPECT_EQ(Bits(WindowSum(p.window, p.window.Get(0), n)), Bits(test::SeriesSum(p.ring, n)))
          << step << ", " << n;
      EXPECT_EQ(Bits(WindowAverage(p.window, p.window.Get(0), n)),
                Bits(test::SeriesAverage(p.ring, n)));
      EXPECT_EQ(Bits(WindowWeightedAverage(p.window, p.window.Get(0), n)),
                Bits(test::SeriesWeightedAverage(p.ring, n)));
      double mean = 1.0;
      double sd = 1.0;
      WindowMeanStdDev(p.window, p.window.Get(0), n, WindowSum(p.window, p.window.Get(0), n), mean,
                       sd);
      double ringMean = 2.0;
      double ringSd = 2.0;
      test::SeriesMeanStdDev(p.ring, n, ringMean, ringSd);
      EXPECT_EQ(Bits(mean), Bits(ringMean));
      EXPECT_EQ(Bits(sd), Bits(ringSd));
    }
    p.Push(ValueAt(step));
  }
}

TEST(WindowSeries, PairedSumsEqualTheSingleSums) {
  WindowSeries<kCapacity> a;
  WindowSeries<kCapacity> b;
  for (int32_t step = 0; step < 2 * kCapacity; ++step) {
    a.Push(ValueAt(step));
    b.Push(ValueAt(step + 4));
    for (int32_t n = -1; n <= kCapacity + 2; ++n) {
      double sumA = 0.0;
      double sumB = 0.0;
      WindowSumPair(a, a.Get(0), b, b.Get(0), n, sumA, sumB);
      EXPECT_EQ(Bits(sumA), Bits(WindowSum(a, a.Get(0), n))) << step << ", " << n;
      EXPECT_EQ(Bits(sumB), Bits(WindowSum(b, b.Get(0), n))) << step << ", " << n;
    }
  }
}

TEST(WindowSeries, NotANumberAndInfinitiesPropagateAsInTheRing) {
  Pair p;
  const double kInf = std::numeric_limits<double>::infinity();
  for (double v : {1.0, kInf, std::nan(""), -kInf, 2.0}) p.Push(v);
  for (int32_t n = 0; n <= kCapacity; ++n) {
    const double sum = WindowSum(p.window, p.window.Get(0), n);
    const double expected = test::SeriesSum(p.ring, n);
    EXPECT_TRUE(sum == expected || (std::isnan(sum) && std::isnan(expected))) << n;
  }
}

}  // namespace
}  // namespace zeb

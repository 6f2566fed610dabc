#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "core/indicator.h"

namespace zeb {
namespace {

// Records the hook calls the bar store makes.
class Probe : public Indicator {
 public:
  double Value(int32_t) override { return 0.0; }
  int32_t Calculate(bool isNewBar) override {
    calculated.push_back(isNewBar);
    return 7;
  }
  void OnBar(bool isNewBar) override { onBar.push_back(isNewBar); }
  std::vector<bool> calculated, onBar;
};

int32_t Store(Indicator& ind, int32_t bar, double close, bool calculate = true) {
  return ind.SetBar(bar, 20240100 + bar % 100, 900 + bar % 100, close - 1, close + 1, close - 2,
                    close, close * 10, close * 5, calculate);
}

TEST(BarStore, BarZeroFirstIsStoredInPlace) {
  Probe p;
  EXPECT_EQ(Store(p, 0, 10), 7);
  EXPECT_EQ(p.barNumber, 0);
  EXPECT_EQ(p.closeSeries.Get(0), 10);
  ASSERT_EQ(p.calculated.size(), 1u);
  EXPECT_FALSE(p.calculated[0]);
  EXPECT_FALSE(p.onBar[0]);
}

TEST(BarStore, FirstBarOnePushes) {
  Probe p;
  Store(p, 1, 10);
  EXPECT_EQ(p.closeSeries.Get(0), 10);
  EXPECT_EQ(p.closeSeries.Get(1), 0);
  EXPECT_TRUE(p.calculated[0]);
  EXPECT_EQ(p.dateSeries.Get(0), 20240101);
  EXPECT_EQ(p.timeSeries.Get(0), 901);
}

TEST(BarStore, SameBarRevisesInPlace) {
  Probe p;
  Store(p, 1, 10);
  Store(p, 1, 12);
  EXPECT_EQ(p.closeSeries.Get(0), 12);
  EXPECT_EQ(p.closeSeries.Get(1), 0);
  EXPECT_FALSE(p.calculated[1]);
  EXPECT_EQ(p.volumeSeries.Get(0), p.volume1Series.Get(0) + p.volume2Series.Get(0));
}

TEST(BarStore, JumpFillsWithCopies) {
  Probe p;
  Store(p, 5, 10);
  Store(p, 8, 20);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(p.closeSeries.Get(k), 20) << k;
  EXPECT_EQ(p.closeSeries.Get(3), 10);
  EXPECT_EQ(p.dateSeries.Get(1), p.dateSeries.Get(0));
}

TEST(BarStore, OlderBarIsIgnoredButHooksRun) {
  Probe p;
  Store(p, 8, 20);
  EXPECT_EQ(Store(p, 6, 30), 7);
  EXPECT_EQ(p.barNumber, 8);
  EXPECT_EQ(p.closeSeries.Get(0), 20);
  EXPECT_FALSE(p.calculated.back());
  EXPECT_EQ(p.onBar.size(), 2u);
}

TEST(BarStore, NoCalcRunsOnlyOnBar) {
  Probe p;
  EXPECT_EQ(Store(p, 1, 10, false), 0);
  EXPECT_TRUE(p.calculated.empty());
  ASSERT_EQ(p.onBar.size(), 1u);
  EXPECT_TRUE(p.onBar[0]);
}

TEST(BarStore, CapacityWrapReadsNewestAgain) {
  Probe p;
  for (int bar = 1; bar <= 12; ++bar) Store(p, bar, bar);
  EXPECT_EQ(p.dateSeries.Get(10), p.dateSeries.Get(0));
  EXPECT_EQ(p.closeSeries.Get(300), p.closeSeries.Get(0));
}

TEST(BarStore, JumpToIntMaxStopsAfterOneFill) {
  Probe p;
  Store(p, 1, 10);
  Store(p, INT_MAX, 20);  // would take seconds if every copy were pushed
  EXPECT_EQ(p.barNumber, INT_MAX);
  for (int k = 0; k <= 300; ++k) ASSERT_EQ(p.closeSeries.Get(k), 20) << k;
  Store(p, INT_MAX, 21);
  EXPECT_EQ(p.closeSeries.Get(0), 21);
  EXPECT_FALSE(p.calculated.back());
}

TEST(BarStore, NegativeBarNumbersAreIgnored) {
  Probe p;
  Store(p, -3, 10);
  EXPECT_EQ(p.barNumber, 0);
  EXPECT_EQ(p.closeSeries.Get(0), 0);
}

}  // namespace
}  // namespace zeb

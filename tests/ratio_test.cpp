#include "indicators/ratio.h"

#include <gtest/gtest.h>

#include "interface/registry.h"
#include "support/bars.h"

namespace zeb {
namespace {

using test::Feed;

Ratio& Instance(int32_t h) {
  return *static_cast<Ratio*>(registry::Find(h));
}

TEST(Ratio, WorkedFirstBar) {
  const int32_t h = test::Create("RATIO");
  Feed(h, {1, 1, 10, 12, 8, 11});
  const double ratio = (11.0 / 12.0) * 100 - 50;
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), ratio);
  EXPECT_EQ(ZEB_IndicatorValue(h, 1), ratio / 5);
  EXPECT_EQ(ZEB_IndicatorValue(h, 2), 0.0);
  EXPECT_EQ(ZEB_IndicatorValue(h, -1), 0.0);
}

TEST(Ratio, ExtremesOfTheScale) {
  const int32_t flat = test::Create("RATIO");
  const int32_t top = test::Create("RATIO");
  for (int32_t bar = 1; bar <= 20; ++bar) {
    Feed(flat, {bar, 1, 5, 5, 5, 5});
    Feed(top, {bar, 1, 5, 6.0 + bar, 4, 6.0 + bar});
  }
  EXPECT_EQ(ZEB_IndicatorValue(flat, 0), -50.0);
  EXPECT_EQ(ZEB_IndicatorValue(top, 0), 50.0);
}

TEST(Ratio, ParametersClampAndIgnoreUnknownIndices) {
  const int32_t h = test::Create("RATIO");
  ZEB_IndicatorSetParameter(h, 0, 0);
  ZEB_IndicatorSetParameter(h, 2, 1000);
  ZEB_IndicatorSetParameter(h, 3, 7);
  EXPECT_EQ(Instance(h).lookback, 1);
  EXPECT_EQ(Instance(h).sumLength, 5);
  EXPECT_EQ(Instance(h).signalLength, 299);
}

TEST(Ratio, RevisionsAndJumpsAppendOnce) {
  const int32_t h = test::Create("RATIO");
  Feed(h, {1, 1, 10, 12, 8, 11});
  const double first = ZEB_IndicatorValue(h, 0);
  Feed(h, {1, 1, 10, 20, 1, 2});
  EXPECT_EQ(ZEB_IndicatorValue(h, 0), first);
  Feed(h, {10, 1, 10, 12, 8, 11});  // nine base pushes, one calculation
  EXPECT_EQ(Instance(h).ratioSeries.Get(2), 0.0);
  EXPECT_NE(Instance(h).ratioSeries.Get(1), 0.0);
}

}  // namespace
}  // namespace zeb
